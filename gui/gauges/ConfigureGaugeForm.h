#pragma once

#include "model/ECU.h"
#include "ports/Messages.h"

#include <QDialog>
#include <array>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace zolmar::gui {

// "Configure Gauge": chooses the gauge of one dial and edits its scale and alarms.
class TConfigureGaugeForm : public QDialog {
    Q_OBJECT

public:
    TConfigureGaugeForm(tECU& ecu, Messages& messages, QWidget* parent = nullptr);

    // Fills the dialog for dial slot 1-5 holding the gauge (-1 for an empty slot).
    void prepare(int slot, int gauge, bool small);
    QCheckBox* smallBox() const { return SmallGauges; }
    QComboBox* gaugeList() const { return GaugeSelect; }
    QLineEdit* field(int k) const { return fields_[static_cast<size_t>(k)]; }
    // OK: writes the choice and the values; stays open on a bad value.
    void OKButtonClick();

signals:
    void sizeChanged(bool small);
    // The dial window is to be set up again.
    void configured();

private:
    void showValues(int gauge);

    tECU& ecu_;
    Messages& messages_;
    int slot_ = 0;
    std::vector<int> gauges_; // as numbered when the list was filled
    uint64_t listedFor_ = 0;  // the structure they were numbered in
    QCheckBox* SmallGauges = nullptr;
    QComboBox* GaugeSelect = nullptr;
    std::array<QLineEdit*, 4> fields_{};
};

} // namespace zolmar::gui

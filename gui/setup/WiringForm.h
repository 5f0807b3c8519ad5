#pragma once

#include "model/ECU.h"
#include "model/PinTable.h"

#include <QDialog>
#include <QImage>
#include <array>

class QLabel;
class QLineEdit;
class QSpinBox;

namespace zolmar::gui {

// "ECU Wiring": per connector pin what is wired to it and the factory connector's pin,
// edited straight into the pin table beside a picture of the connector.
class TWiringForm : public QDialog {
    Q_OBJECT

public:
    explicit TWiringForm(tECU& ecu, QWidget* parent = nullptr);

    // Fills every row from the pin table, as showing the window does.
    void fill();
    // Highlights record n's pin on the connector picture (-1: none).
    void highlight(int n);
    int highlighted() const { return highlighted_; }
    const QImage& picture() const { return picture_; }

    std::array<QLineEdit*, PinTable::kNumRecords> Edits{};
    std::array<QSpinBox*, PinTable::kNumRecords> SpinEdits{};

signals:
    // Hidden or closed: the diagram shows the new pin names.
    void hidden();

protected:
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void drawConnector();

    tECU& ecu_;
    QLabel* ConnectorPicture = nullptr;
    QImage picture_;
    int highlighted_ = -1;
    bool filling_ = false;
};

} // namespace zolmar::gui

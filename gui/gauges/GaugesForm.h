#pragma once

#include "gauges/GaugeList.h"
#include "model/ECU.h"

#include <QWidget>
#include <array>

class QLabel;

namespace zolmar::gui {

// The "Live Gauges" text list: the gauge page's gauges with their values, targets and
// efforts; red marks invalid values and open-loop targets.
class TGaugesForm : public QWidget {
    Q_OBJECT

public:
    explicit TGaugesForm(tECU& ecu, QWidget* parent = nullptr);

    // Recomputes the rows and sizes the window (sets GaugesWindowOpen).
    void buildList();
    // Rewrites the values, targets and colours from the live area.
    void refresh();
    const gauges::GaugeList& list() const { return list_; }
    QLabel* nameLabel(int row) const { return names_[static_cast<size_t>(row)]; }
    QLabel* valueLabel(int row) const { return values_[static_cast<size_t>(row)]; }
    QLabel* targetLabel(int row) const { return targets_[static_cast<size_t>(row)]; }

protected:
    void hideEvent(QHideEvent* event) override;

private:
    tECU& ecu_;
    gauges::GaugeList list_;
    std::array<QLabel*, gauges::GaugeList::kMaxRows> names_{};
    std::array<QLabel*, gauges::GaugeList::kMaxRows> values_{};
    std::array<QLabel*, gauges::GaugeList::kMaxRows> targets_{};
};

} // namespace zolmar::gui

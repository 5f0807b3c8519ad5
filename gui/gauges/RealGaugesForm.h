#pragma once

#include "gauges/DialGauges.h"
#include "model/ECU.h"

#include <QImage>
#include <QWidget>

class QTimer;

namespace zolmar::gui {

// The dial gauges window ("Live Gauges"): up to five round instruments for gauges of
// the gauge page, drawn on an image every 100 ms. Clicking a dial configures it.
class TRealGaugesForm : public QWidget {
    Q_OBJECT

public:
    static constexpr int kRefreshInterval = 100;

    explicit TRealGaugesForm(tECU& ecu, QWidget* parent = nullptr);

    // Finds the gauges, sizes the window and shows it.
    void setUp();
    void setSmall(bool small);
    bool small() const { return small_; }
    const gauges::DialGauges& dials() const { return dials_; }
    // Draws all five dials from the live values (blank faces when none are available).
    void refresh();
    const QImage& image() const { return image_; }
    // The dial (1-5) under a point of the window, 0 for none.
    int dialAt(QPoint point) const;
    QTimer* timer() const { return timer_; }

signals:
    void configureRequested(int slot);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void drawDial(QPainter& painter, int slot);
    QImage face(bool small) const;

    tECU& ecu_;
    gauges::DialGauges dials_;
    bool small_ = false;
    QImage image_;
    QImage largeFace_;
    QImage smallFace_;
    QTimer* timer_ = nullptr;
};

} // namespace zolmar::gui

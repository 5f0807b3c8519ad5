#include "gauges/RealGaugesForm.h"

#include "app/QtPorts.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <cmath>

namespace zolmar::gui {

namespace {

using gauges::DialPoint;
using gauges::DialScale;

// Geometry of one dial size, in the dial's own coordinates.
struct DialGeometry {
    int width;  // pitch between dials
    int height; // window client height
    DialPoint centre;
    int needle;
    int needlePen;
    DialPoint alarmCentre;
    double alarmInner;
    double alarmOuter;
    int alarmPen;
    int faceRadius;
};

constexpr DialGeometry kLarge{228, 230, {114, 115}, 94, 4, {114, 114}, 100, 106.8, 7, 110};
constexpr DialGeometry kSmall{151, 156, {75, 73}, 62, 3, {75, 74}, 66, 68, 6, 72};

const DialGeometry& dialGeometry(bool small) {
    return small ? kSmall : kLarge;
}

QPoint toQt(DialPoint p) {
    return {p.x, p.y};
}

enum class Align { Left, Centre, Right };

void text(QPainter& p, int x, int y, const QString& s, Align align) {
    const int width = p.fontMetrics().horizontalAdvance(s);
    const int left = align == Align::Left ? x : align == Align::Centre ? x - width / 2 : x - width;
    p.drawText(left, y + p.fontMetrics().ascent(), s);
}

} // namespace

TRealGaugesForm::TRealGaugesForm(tECU& ecu, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), ecu_(ecu) {
    setObjectName(QStringLiteral("TRealGaugesForm"));
    setWindowTitle(QStringLiteral("Live Gauges"));
    largeFace_ = face(false);
    smallFace_ = face(true);
    setSmall(false);
    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("DialTimer"));
    timer_->setInterval(kRefreshInterval);
    connect(timer_, &QTimer::timeout, this, [this] {
        if (isVisible())
            refresh();
    });
    timer_->start();
}

QImage TRealGaugesForm::face(bool small) const {
    const DialGeometry& g = dialGeometry(small);
    QImage image(g.width, g.height, QImage::Format_RGB32);
    image.fill(QColor(236, 236, 236));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 60), 3));
    p.setBrush(Qt::white);
    p.drawEllipse(toQt(g.centre), g.faceRadius, g.faceRadius);
    // The sweep of the scale, with a tick every eighth of it.
    p.setPen(QPen(QColor(40, 40, 40), 1));
    for (int k = 0; k <= 8; ++k) {
        const double theta = -2.3 + 4.6 * k / 8;
        const double inner = g.faceRadius * (k % 2 ? 0.86 : 0.80);
        p.drawLine(toQt(gauges::NeedlePoint(g.centre, inner, theta)),
                   toQt(gauges::NeedlePoint(g.centre, g.faceRadius * 0.92, theta)));
    }
    p.setBrush(QColor(60, 60, 60));
    p.drawEllipse(toQt(g.centre), small ? 4 : 6, small ? 4 : 6);
    return image;
}

void TRealGaugesForm::setSmall(bool small) {
    small_ = small;
    const DialGeometry& g = dialGeometry(small);
    image_ = QImage(small ? 755 : 1140, g.height, QImage::Format_RGB32);
    setFixedSize(image_.size());
    refresh();
}

void TRealGaugesForm::setUp() {
    setSmall(small_);
    dials_.SetUp(ecu_);
    refresh();
    show();
    raise();
}

int TRealGaugesForm::dialAt(QPoint point) const {
    if (point.y() < 0 || point.y() >= height() || point.x() < 0)
        return 0;
    const int slot = point.x() / dialGeometry(small_).width + 1;
    return slot <= gauges::DialGauges::kSlots ? slot : 0;
}

void TRealGaugesForm::refresh() {
    image_.fill(QColor(236, 236, 236));
    QPainter p(&image_);
    for (int slot = 0; slot < gauges::DialGauges::kSlots; ++slot) {
        p.save();
        p.translate(slot * dialGeometry(small_).width, 0);
        p.drawImage(0, 0, small_ ? smallFace_ : largeFace_);
        drawDial(p, slot);
        p.restore();
    }
    update();
}

void TRealGaugesForm::drawDial(QPainter& p, int slot) {
    const DialGeometry& g = dialGeometry(small_);
    const auto& dial = dials_.SlotAt(slot);
    QFont name = font();
    name.setPixelSize(small_ ? 11 : 13);
    name.setBold(true);
    p.setFont(name);
    p.setPen(Qt::black);
    if (dial.gauge >= 0)
        text(p, g.centre.x, g.height - (small_ ? 16 : 22), fromImageText(dial.name), Align::Centre);
    const auto frame = dials_.Refresh(ecu_, slot);
    if (!frame.drawn)
        return;
    p.setRenderHint(QPainter::Antialiasing);

    QFont readout = font();
    readout.setPixelSize(20);
    readout.setBold(true);
    p.setFont(readout);
    p.setPen(QColor(224, 0, 0));
    const QPoint at = small_ ? QPoint(78, 85) : QPoint(115, 137);
    text(p, at.x(), at.y(), QString::fromStdString(frame.readout), Align::Centre);

    QFont scale(QStringLiteral("Tahoma"));
    scale.setPixelSize(13);
    p.setFont(scale);
    p.setPen(Qt::black);
    auto label = [&](int mark, int x, int y, Align align) {
        text(p, x, y, QString::fromStdString(dial.labels[static_cast<size_t>(mark)]), align);
    };
    if (small_) {
        label(0, 27, 106, Align::Left);
        label(2, 20, 42, Align::Left);
        label(4, 74, 10, Align::Centre);
        label(6, 134, 42, Align::Right);
        label(8, 126, 106, Align::Right);
    } else {
        label(0, 42, 163, Align::Left);
        label(1, 24, 117, Align::Left);
        label(2, 30, 67, Align::Left);
        label(3, 50, 36, Align::Left);
        label(4, 114, 19, Align::Centre);
        label(5, 179, 36, Align::Right);
        label(6, 200, 67, Align::Right);
        label(7, 207, 117, Align::Right);
        label(8, 185, 163, Align::Right);
    }

    auto needle = [&](int value, const QColor& colour, int pen) {
        p.setPen(QPen(colour, pen, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(toQt(g.centre),
                   toQt(gauges::NeedlePoint(g.centre, g.needle, dial.scale.Angle(value))));
    };
    if (frame.actualNeedle)
        needle(frame.actual, Qt::red, g.needlePen);
    if (frame.legends && !small_) {
        p.setPen(Qt::red);
        text(p, 98, 163, QStringLiteral("Actual"), Align::Left);
        QFont legend = scale;
        legend.setPixelSize(12);
        p.setFont(legend);
        p.setPen(QColor(0, 128, 0));
        text(p, 98, 183, QStringLiteral("Target"), Align::Left);
    }
    if (frame.targetNeedle)
        needle(frame.target, QColor(0, 128, 0), 2);

    auto alarm = [&](int value, const QColor& colour) {
        const double theta = dial.scale.Angle(value);
        p.setPen(QPen(colour, g.alarmPen, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(toQt(gauges::NeedlePoint(g.alarmCentre, g.alarmInner, theta)),
                   toQt(gauges::NeedlePoint(g.alarmCentre, g.alarmOuter, theta)));
    };
    alarm(frame.softAlarm, QColor(248, 193, 7));
    alarm(frame.hardAlarm, Qt::red);
}

void TRealGaugesForm::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, image_);
}

void TRealGaugesForm::mouseReleaseEvent(QMouseEvent* event) {
    const int slot = dialAt(event->position().toPoint());
    if (slot > 0)
        emit configureRequested(slot);
}

} // namespace zolmar::gui

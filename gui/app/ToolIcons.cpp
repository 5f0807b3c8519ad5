#include "app/ToolIcons.h"

#include <QFont>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <cmath>
#include <functional>

namespace zolmar::gui {

namespace {

// The program's colours: the diagram's navy ink on its pale blue paper, with
// amber for data that moves, red for live and alarm, green for what is done.
const QColor kInk(0x30, 0x50, 0x80);
const QColor kPaper(0xE8, 0xF0, 0xFA);
const QColor kAmber(0xE0, 0xA0, 0x20);
const QColor kRed(0xC8, 0x3A, 0x2E);
const QColor kGreen(0x2E, 0x8B, 0x3A);
const QColor kDark(0x22, 0x38, 0x4F);

// Every picture is drawn on a 22 x 22 grid, whatever the pixmap's size.
using Drawing = std::function<void(QPainter&)>;

void pen(QPainter& p, const QColor& colour, double width = 1.4) {
    p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
}

void box(QPainter& p, const QRectF& r, const QColor& fill = kPaper) {
    pen(p, kInk);
    p.setBrush(fill);
    p.drawRoundedRect(r, 1.5, 1.5);
}

void arrow(QPainter& p, QPointF from, QPointF to, const QColor& colour) {
    pen(p, colour, 2.2);
    p.drawLine(from, to);
    const QPointF d = to - from;
    const double length = std::max(0.1, std::hypot(d.x(), d.y()));
    const QPointF u = d / length, n(-u.y(), u.x());
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(QPolygonF({to + u * 1.5, to - u * 3.5 + n * 3.2, to - u * 3.5 - n * 3.2}));
}

void chip(QPainter& p, const QRectF& r) {
    pen(p, kInk, 1.2);
    for (double x = r.left() + 2.5; x < r.right() - 1; x += 3) {
        p.drawLine(QPointF(x, r.top() - 1.8), QPointF(x, r.top()));
        p.drawLine(QPointF(x, r.bottom()), QPointF(x, r.bottom() + 1.8));
    }
    box(p, r, kDark);
    p.setBrush(kPaper);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(r.left() + 2.2, r.top() + 2.2), 0.9, 0.9);
}

void page(QPainter& p, const QRectF& r) {
    const double fold = 4;
    QPainterPath sheet;
    sheet.moveTo(r.topLeft());
    sheet.lineTo(r.right() - fold, r.top());
    sheet.lineTo(r.right(), r.top() + fold);
    sheet.lineTo(r.bottomRight());
    sheet.lineTo(r.bottomLeft());
    sheet.closeSubpath();
    pen(p, kInk);
    p.setBrush(Qt::white);
    p.drawPath(sheet);
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({{r.right() - fold, r.top()},
                              {r.right() - fold, r.top() + fold},
                              {r.right(), r.top() + fold}}));
}

void lines(QPainter& p, double x0, double x1, double y0, int count, double step = 3) {
    pen(p, kInk, 1.1);
    for (int k = 0; k < count; ++k)
        p.drawLine(QPointF(x0, y0 + k * step), QPointF(x1, y0 + k * step));
}

// A log file: a page with lines, room at its lower right for what is done with it.
void logPage(QPainter& p) {
    page(p, QRectF(3, 2, 12, 17));
    lines(p, 5.5, 11, 7, 3);
}

void dial(QPainter& p, QPointF centre, double radius, QPointF needle) {
    pen(p, kInk);
    p.setBrush(kPaper);
    p.drawPie(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius), 0,
              180 * 16);
    pen(p, kRed, 1.8);
    p.drawArc(QRectF(centre.x() - radius + 1.5, centre.y() - radius + 1.5, 2 * radius - 3,
                     2 * radius - 3),
              0, 40 * 16);
    pen(p, kRed, 1.6);
    p.drawLine(centre, needle);
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawEllipse(centre, 1.6, 1.6);
}

void text(QPainter& p, const QRectF& r, const QString& t, double pixels, const QColor& colour) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(static_cast<int>(pixels));
    p.setFont(font);
    p.setPen(colour);
    p.drawText(r, Qt::AlignCenter, t);
}

void trapezoid(QPainter& p, int inputs) {
    pen(p, kInk, inputs > 4 ? 0.8 : 1.2);
    const double top = 3, bottom = 19;
    for (int k = 0; k < inputs; ++k) {
        const double y = top + 1.5 + k * (bottom - top - 3) / std::max(1, inputs - 1);
        p.drawLine(QPointF(1.5, y), QPointF(7, y));
    }
    pen(p, kInk, 1.2);
    p.drawLine(QPointF(15, 11), QPointF(20.5, 11));
    pen(p, kInk);
    p.setBrush(kPaper);
    p.drawPolygon(QPolygonF({{7, top}, {15, top + 4}, {15, bottom - 4}, {7, bottom}}));
}

const QHash<QString, Drawing>& drawings() {
    static const QHash<QString, Drawing> all = {
        // --- the toolbar's commands
        {"new",
         [](QPainter& p) {
             page(p, QRectF(4, 2, 12, 17));
             p.setPen(Qt::NoPen);
             p.setBrush(kAmber);
             p.drawEllipse(QPointF(16, 16), 4.5, 4.5);
             pen(p, Qt::white, 1.6);
             p.drawLine(QPointF(16, 13.5), QPointF(16, 18.5));
             p.drawLine(QPointF(13.5, 16), QPointF(18.5, 16));
         }},
        {"open",
         [](QPainter& p) {
             pen(p, kInk);
             p.setBrush(QColor(0xF2, 0xC6, 0x6B));
             p.drawPolygon(QPolygonF({{2, 5}, {8, 5}, {10, 7}, {19, 7}, {19, 18}, {2, 18}}));
             p.setBrush(QColor(0xF8, 0xDC, 0x96));
             p.drawPolygon(QPolygonF({{5, 10}, {21, 10}, {19, 18}, {2, 18}}));
         }},
        {"save",
         [](QPainter& p) {
             box(p, QRectF(3, 3, 16, 16), kInk);
             p.setPen(Qt::NoPen);
             p.setBrush(kPaper);
             p.drawRect(QRectF(6, 3.7, 10, 5.5));
             p.setBrush(Qt::white);
             p.drawRect(QRectF(6, 12, 10, 6.3));
             p.setBrush(kInk);
             p.drawRect(QRectF(12.5, 4.5, 2, 3.8));
         }},
        {"properties",
         [](QPainter& p) {
             chip(p, QRectF(3, 5, 16, 12));
             text(p, QRectF(3, 5, 16, 12), QStringLiteral("i"), 10, kPaper);
         }},
        {"read",
         [](QPainter& p) {
             chip(p, QRectF(4, 2.5, 14, 7));
             arrow(p, QPointF(11, 11), QPointF(11, 19), kAmber);
         }},
        {"write",
         [](QPainter& p) {
             chip(p, QRectF(4, 2.5, 14, 7));
             arrow(p, QPointF(11, 20), QPointF(11, 13), kAmber);
         }},
        {"gauges", [](QPainter& p) { dial(p, QPointF(11, 15), 9, QPointF(16.5, 8.5)); }},
        {"checklist",
         [](QPainter& p) {
             box(p, QRectF(4, 3, 14, 17), Qt::white);
             box(p, QRectF(8, 1.5, 6, 3), kInk);
             pen(p, kGreen, 1.6);
             for (int k = 0; k < 3; ++k)
                 p.drawPolyline(
                     QPolygonF({{6, 8.5 + 4.0 * k}, {7.5, 10 + 4.0 * k}, {10, 7 + 4.0 * k}}));
             lines(p, 11.5, 16, 9, 3, 4);
         }},
        {"wizard",
         [](QPainter& p) {
             pen(p, kInk, 2.6);
             p.drawLine(QPointF(3.5, 18.5), QPointF(13, 9));
             pen(p, kAmber, 1.6);
             const QPointF c(16, 6);
             p.drawLine(c - QPointF(0, 4), c + QPointF(0, 4));
             p.drawLine(c - QPointF(4, 0), c + QPointF(4, 0));
             pen(p, kAmber, 1.1);
             p.drawLine(c - QPointF(2.4, 2.4), c + QPointF(2.4, 2.4));
             p.drawLine(c - QPointF(2.4, -2.4), c + QPointF(2.4, -2.4));
         }},
        {"simulator",
         [](QPainter& p) {
             pen(p, kInk);
             p.setBrush(kPaper);
             p.drawEllipse(QPointF(11, 11), 8.5, 8.5);
             p.setPen(Qt::NoPen);
             p.setBrush(kGreen);
             p.drawPolygon(QPolygonF({{8.5, 6.5}, {16, 11}, {8.5, 15.5}}));
         }},
        {"scope",
         [](QPainter& p) {
             box(p, QRectF(2, 4, 18, 14), kDark);
             pen(p, QColor(0x7F, 0xE0, 0x8A), 1.4);
             QPolygonF wave;
             for (int k = 0; k <= 28; ++k) {
                 const double x = 3.5 + k * 0.54;
                 wave << QPointF(x, 11 - 4 * std::sin(k * 0.45) * (k % 14 < 7 ? 1 : 0.4));
             }
             p.drawPolyline(wave);
         }},
        {"wiring",
         [](QPainter& p) {
             box(p, QRectF(3, 3, 16, 8));
             const QColor wires[] = {kRed, kAmber, kGreen, kInk};
             for (int k = 0; k < 4; ++k) {
                 const double x = 5.5 + 3.7 * k;
                 pen(p, wires[k], 1.6);
                 p.drawLine(QPointF(x, 11), QPointF(x + (k - 1.5) * 1.2, 20));
                 p.setPen(Qt::NoPen);
                 p.setBrush(kInk);
                 p.drawEllipse(QPointF(x, 7), 1.2, 1.2);
             }
         }},
        {"logstart",
         [](QPainter& p) {
             logPage(p);
             p.setPen(QPen(Qt::white, 1));
             p.setBrush(kRed);
             p.drawEllipse(QPointF(15.5, 15.5), 4.3, 4.3);
         }},
        {"logstop",
         [](QPainter& p) {
             logPage(p);
             p.setPen(QPen(Qt::white, 1));
             p.setBrush(kInk);
             p.drawRoundedRect(QRectF(11.5, 11.5, 8, 8), 1, 1);
         }},
        {"retrieve",
         [](QPainter& p) {
             page(p, QRectF(6, 6, 12, 14));
             lines(p, 8.5, 14, 11, 3);
             chip(p, QRectF(2, 2.5, 8, 5));
             arrow(p, QPointF(16, 1.5), QPointF(16, 9), kAmber);
         }},
        {"logsettings",
         [](QPainter& p) {
             logPage(p);
             pen(p, kInk, 1);
             p.setBrush(kAmber);
             QPolygonF gear;
             for (int k = 0; k < 16; ++k) {
                 const double a = k * 3.14159265 / 8, r = k % 2 ? 3.2 : 4.6;
                 gear << QPointF(15.5 + r * std::cos(a), 15.5 + r * std::sin(a));
             }
             p.drawPolygon(gear);
             p.setBrush(Qt::white);
             p.drawEllipse(QPointF(15.5, 15.5), 1.4, 1.4);
         }},
        {"voltages",
         [](QPainter& p) {
             pen(p, kInk);
             p.setBrush(kPaper);
             p.drawEllipse(QPointF(11, 11), 8.5, 8.5);
             text(p, QRectF(2, 2, 18, 18), QStringLiteral("V"), 11, kInk);
         }},
        // --- the diagram's elements
        {"constant",
         [](QPainter& p) {
             box(p, QRectF(3, 5, 16, 12));
             pen(p, kRed, 1.8);
             p.drawLine(QPointF(6, 11), QPointF(16, 11));
             p.setPen(Qt::NoPen);
             p.setBrush(kInk);
             p.drawPolygon(QPolygonF({{18.5, 2}, {21, 5}, {16, 5}}));
             p.drawPolygon(QPolygonF({{18.5, 20}, {21, 17}, {16, 17}}));
         }},
        {"table2d",
         [](QPainter& p) {
             box(p, QRectF(2, 3, 18, 16));
             pen(p, kInk, 1);
             p.drawLine(QPointF(5, 6), QPointF(5, 16));
             p.drawLine(QPointF(5, 16), QPointF(17.5, 16));
             pen(p, kRed, 1.6);
             p.drawPolyline(QPolygonF({{5.5, 14.5}, {9, 12.5}, {12, 8}, {17, 6.5}}));
         }},
        {"table3d",
         [](QPainter& p) {
             pen(p, kInk, 0.9);
             p.setBrush(kPaper);
             const QPointF o(2.5, 14), a(10, -4), b(9, 5.5);
             p.drawPolygon(QPolygonF({o, o + a, o + a + b, o + b}));
             for (int k = 1; k < 3; ++k) {
                 p.drawLine(o + a * (k / 3.0), o + a * (k / 3.0) + b);
                 p.drawLine(o + b * (k / 3.0), o + b * (k / 3.0) + a);
             }
             pen(p, kRed, 1.6);
             p.drawPolyline(QPolygonF(
                 {o + QPointF(0, -3), o + a * 0.5 + QPointF(0, -8), o + a + QPointF(0, -6)}));
         }},
        {"summer",
         [](QPainter& p) {
             pen(p, kInk);
             p.setBrush(kPaper);
             p.drawEllipse(QPointF(11, 11), 8, 8);
             pen(p, kInk, 2);
             p.drawLine(QPointF(11, 6.5), QPointF(11, 15.5));
             p.drawLine(QPointF(6.5, 11), QPointF(15.5, 11));
         }},
        {"comparator",
         [](QPainter& p) {
             box(p, QRectF(3, 3, 16, 16));
             pen(p, kInk, 2);
             p.drawPolyline(QPolygonF({{8, 7}, {14.5, 11}, {8, 15}}));
         }},
        {"multiplier",
         [](QPainter& p) {
             pen(p, kInk);
             p.setBrush(kPaper);
             p.drawEllipse(QPointF(11, 11), 8, 8);
             pen(p, kInk, 2);
             p.drawLine(QPointF(7.8, 7.8), QPointF(14.2, 14.2));
             p.drawLine(QPointF(14.2, 7.8), QPointF(7.8, 14.2));
         }},
        {"pid",
         [](QPainter& p) {
             box(p, QRectF(2, 5, 18, 10));
             text(p, QRectF(2, 5, 18, 10), QStringLiteral("PID"), 7, kInk);
             pen(p, kAmber, 1.3);
             p.drawPolyline(QPolygonF({{20, 10}, {21, 10}, {21, 19}, {1, 19}, {1, 10}, {2, 10}}));
         }},
        {"clipper",
         [](QPainter& p) {
             box(p, QRectF(2, 3, 18, 16));
             pen(p, kRed, 0.8);
             p.drawLine(QPointF(3, 7), QPointF(19, 7));
             p.drawLine(QPointF(3, 15), QPointF(19, 15));
             pen(p, kInk, 1.5);
             p.drawPolyline(QPolygonF(
                 {{3.5, 11}, {5.5, 7}, {9, 7}, {11, 11}, {13, 15}, {16.5, 15}, {18.5, 11}}));
         }},
        {"switch",
         [](QPainter& p) {
             pen(p, kInk, 1.5);
             p.drawLine(QPointF(1.5, 15), QPointF(6, 15));
             p.drawLine(QPointF(16, 15), QPointF(20.5, 15));
             p.drawLine(QPointF(6, 15), QPointF(15.5, 8.5));
             p.setBrush(Qt::white);
             p.drawEllipse(QPointF(6, 15), 1.6, 1.6);
             p.drawEllipse(QPointF(16, 15), 1.6, 1.6);
         }},
        {"tickbox",
         [](QPainter& p) {
             box(p, QRectF(4, 4, 14, 14), Qt::white);
             pen(p, kGreen, 2.2);
             p.drawPolyline(QPolygonF({{7, 11}, {10, 14.5}, {15.5, 7.5}}));
         }},
        {"mux4", [](QPainter& p) { trapezoid(p, 4); }},
        {"mux32", [](QPainter& p) { trapezoid(p, 8); }},
        {"timer",
         [](QPainter& p) {
             pen(p, kInk);
             p.setBrush(kPaper);
             p.drawEllipse(QPointF(11, 12.5), 7.5, 7.5);
             box(p, QRectF(9, 1.5, 4, 2.5), kInk);
             pen(p, kRed, 1.6);
             p.drawLine(QPointF(11, 12.5), QPointF(11, 7.5));
             pen(p, kInk, 1.4);
             p.drawLine(QPointF(11, 12.5), QPointF(14.5, 14));
         }},
        {"delay",
         [](QPainter& p) {
             pen(p, kInk);
             p.setBrush(kPaper);
             p.drawPolygon(
                 QPolygonF({{5, 2.5}, {17, 2.5}, {11, 11}, {17, 19.5}, {5, 19.5}, {11, 11}}));
             p.setPen(Qt::NoPen);
             p.setBrush(kAmber);
             p.drawPolygon(QPolygonF({{7.5, 19}, {14.5, 19}, {11, 15}}));
             p.drawPolygon(QPolygonF({{8, 5}, {14, 5}, {11, 9}}));
         }},
        {"latch",
         [](QPainter& p) {
             box(p, QRectF(2, 4, 18, 14));
             pen(p, kRed, 1.6);
             p.drawPolyline(QPolygonF({{4.5, 14.5}, {9, 14.5}, {9, 7.5}, {17.5, 7.5}}));
         }},
        {"gauge", [](QPainter& p) { dial(p, QPointF(11, 15), 8, QPointF(7, 9)); }},
        {"display",
         [](QPainter& p) {
             box(p, QRectF(2, 5, 18, 12), kDark);
             text(p, QRectF(2, 5, 18, 12), QStringLiteral("88"), 9, kAmber);
         }},
        {"label",
         [](QPainter& p) {
             pen(p, kInk);
             p.setBrush(kPaper);
             p.drawPolygon(QPolygonF({{2, 6}, {15, 6}, {20.5, 11}, {15, 16}, {2, 16}}));
             p.setBrush(Qt::white);
             p.drawEllipse(QPointF(15.5, 11), 1.3, 1.3);
             lines(p, 4.5, 11, 9.5, 2);
         }},
        {"stepper",
         [](QPainter& p) {
             pen(p, kInk);
             p.setBrush(kPaper);
             p.drawEllipse(QPointF(11, 11), 8.5, 8.5);
             pen(p, kInk, 1.2);
             for (int k = 0; k < 6; ++k) {
                 const double a = k * 3.14159265 / 3;
                 p.drawLine(QPointF(11 + 3 * std::cos(a), 11 + 3 * std::sin(a)),
                            QPointF(11 + 6.5 * std::cos(a), 11 + 6.5 * std::sin(a)));
             }
             p.setBrush(kInk);
             p.drawEllipse(QPointF(11, 11), 1.8, 1.8);
         }},
        {"wrapper",
         [](QPainter& p) {
             box(p, QRectF(2, 3, 18, 16));
             p.setPen(QPen(kInk, 1, Qt::DashLine));
             p.setBrush(Qt::white);
             p.drawRect(QRectF(6, 7, 10, 8));
         }},
        {"injaux",
         [](QPainter& p) {
             box(p, QRectF(7, 1.5, 8, 10));
             box(p, QRectF(9, 11.5, 4, 3), kInk);
             pen(p, kAmber, 1.2);
             for (double dx : {-4.5, -2.0, 0.0, 2.0, 4.5})
                 p.drawLine(QPointF(11, 15.5), QPointF(11 + dx, 20.5));
         }},
    };
    return all;
}

QPixmap draw(const Drawing& drawing, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(size / 22.0, size / 22.0);
    drawing(p);
    return pixmap;
}

} // namespace

QStringList toolIconNames() {
    QStringList names = drawings().keys();
    names.sort();
    return names;
}

QIcon toolIcon(const QString& name) {
    QIcon icon;
    auto it = drawings().find(name);
    if (it == drawings().end())
        return icon;
    // Qt makes the disabled state from these in the style's own grey.
    for (int size : {22, 44})
        icon.addPixmap(draw(*it, size), QIcon::Normal);
    return icon;
}

} // namespace zolmar::gui

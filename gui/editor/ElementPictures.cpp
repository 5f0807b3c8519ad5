#include "editor/ElementPictures.h"

#include "editor/Geometry.h"

#include <QPainter>
#include <QPainterPath>
#include <array>
#include <cmath>
#include <vector>

namespace zolmar::gui {

namespace {

const QColor kInk(0x1F, 0x2B, 0x38);
const QColor kCaption(0x4A, 0x58, 0x68);
const QColor kRule(0xC8, 0xD0, 0xD8);
const QColor kShade(0xF3, 0xF5, 0xF8);
const QColor kTitle(0x6B, 0x7A, 0x8C);

constexpr int kRowPitch = Grid::kCell;

qreal rowCentre(int row) {
    return row * kRowPitch + 8.5;
}

void body(QPainter& p, qreal left, qreal top, qreal right, qreal bottom) {
    p.setPen(QPen(kInk, 1.4));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(left, top, right - left, bottom - top), 3, 3);
}

void inputArrow(QPainter& p, qreal x, int row) {
    qreal y = rowCentre(row);
    QPolygonF arrow({QPointF(x, y - 3), QPointF(x + 4, y), QPointF(x, y + 3)});
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawPolygon(arrow);
}

void outputPort(QPainter& p, qreal x, int row) {
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawEllipse(QPointF(x, rowCentre(row)), 2.2, 2.2);
}

void caption(QPainter& p, qreal x, qreal centreY, const QString& text, Qt::Alignment align,
             qreal size = 9) {
    p.setFont(pictureCaptionFont(size));
    p.setPen(kCaption);
    QRectF r = align & Qt::AlignRight ? QRectF(x - 200, centreY - 8, 200, 16)
                                      : QRectF(x, centreY - 8, 200, 16);
    p.drawText(r, static_cast<int>(align | Qt::AlignVCenter), text);
}

void title(QPainter& p, const QRectF& r, const QString& text, qreal size = 10) {
    QFont f = pictureCaptionFont(size);
    f.setBold(true);
    p.setFont(f);
    p.setPen(kTitle);
    p.drawText(r, Qt::AlignCenter, text);
}

// A flag box of the dedicated elements: the green fill of an active mode shows
// through its caption in the final pass.
void flag(QPainter& p, const QRectF& r, const QString& text) {
    p.setPen(QPen(kRule, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
    p.setFont(pictureCaptionFont(8));
    p.setPen(kInk);
    p.drawText(r, Qt::AlignCenter, text);
}

// A block: frame, input arrows and captions, output ports and captions.
void block(QPainter& p, QSize s, const std::vector<QString>& inputs,
           const std::vector<QString>& outputs, qreal right = -1) {
    qreal r = right < 0 ? s.width() - 12.5 : right;
    body(p, 9.5, 1.5, r, s.height() - 1.5);
    for (size_t k = 0; k < inputs.size(); ++k) {
        inputArrow(p, 10, static_cast<int>(k));
        if (!inputs[k].isEmpty())
            caption(p, 17, rowCentre(static_cast<int>(k)), inputs[k], Qt::AlignLeft);
    }
    for (size_t k = 0; k < outputs.size(); ++k) {
        outputPort(p, r, static_cast<int>(k));
        if (!outputs[k].isEmpty())
            caption(p, s.width() - 66, rowCentre(static_cast<int>(k)), outputs[k], Qt::AlignRight);
    }
}

void comparatorGlyph(QPainter& p, int picture) {
    p.setPen(QPen(kInk, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    auto chevron = [&](bool greater, qreal y0, qreal y1) {
        if (greater)
            p.drawPolyline(QPolygonF({QPointF(4, y0), QPointF(14, (y0 + y1) / 2), QPointF(4, y1)}));
        else
            p.drawPolyline(
                QPolygonF({QPointF(14, y0), QPointF(4, (y0 + y1) / 2), QPointF(14, y1)}));
    };
    switch (picture) {
    case 11: // equal
        p.drawLine(QPointF(4, 8), QPointF(14, 8));
        p.drawLine(QPointF(4, 13), QPointF(14, 13));
        break;
    case 12: // greater or equal
        chevron(true, 3, 13);
        p.drawLine(QPointF(4, 17), QPointF(14, 17));
        break;
    case 13:
        chevron(true, 5, 16);
        break;
    case 14: // less or equal
        chevron(false, 3, 13);
        p.drawLine(QPointF(4, 17), QPointF(14, 17));
        break;
    case 15:
        chevron(false, 5, 16);
        break;
    case 26: // not equal
        p.drawLine(QPointF(4, 8), QPointF(14, 8));
        p.drawLine(QPointF(4, 13), QPointF(14, 13));
        p.drawLine(QPointF(12, 3), QPointF(6, 18));
        break;
    default:
        break;
    }
}

int qRound16(qreal degrees) {
    return static_cast<int>(std::lround(degrees * 16));
}

void dial(QPainter& p, QSize s, bool big) {
    QPointF hub = big ? QPointF(124.5, 115.5) : QPointF(82.5, 73.5);
    qreal r = big ? 94 : 62;
    block(p, s, {QString()}, {});
    // The scale: an arc over 4.6 radians with major ticks at the label values.
    p.setPen(QPen(kInk, big ? 2 : 1.6, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    QRectF arc(hub.x() - r, hub.y() - r, 2 * r, 2 * r);
    const qreal sweep = 4.6 * 180 / M_PI;
    p.drawArc(arc, qRound16(90 + sweep / 2), -qRound16(sweep));
    int majors = big ? 8 : 4;
    int minors = big ? 32 : 16;
    for (int k = 0; k <= minors; ++k) {
        qreal theta = -2.3 + 4.6 * k / minors;
        bool major = k % (minors / majors) == 0;
        qreal inner = r - (major ? (big ? 10 : 7) : (big ? 5 : 4));
        QPointF d(std::sin(theta), -std::cos(theta));
        p.setPen(QPen(kInk, major ? (big ? 2 : 1.5) : 1));
        p.drawLine(hub + d * inner, hub + d * r);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawEllipse(hub, big ? 6 : 4.5, big ? 6 : 4.5);
}

QString injectorCaption(int input) {
    static const char* kRole[] = {"Dur", "Angle", "Async", "Pulse"};
    return QStringLiteral("Inj%1 %2").arg(input / 4 + 1).arg(QLatin1String(kRole[input % 4]));
}

void injectors(QPainter& p, QSize s, bool multi) {
    int w = s.width();
    body(p, 9.5, 0.5, w - 0.5, s.height() - 0.5);
    for (int g = 0; g < 12; ++g) {
        qreal top = 68 * g;
        if (g % 2 == 1) {
            p.fillRect(QRectF(10.5, top + 1, w - 11.5, 67), kShade);
        }
        if (g > 0) {
            p.setPen(QPen(kRule, 1));
            p.drawLine(QPointF(10, top + 0.5), QPointF(w - 1, top + 0.5));
        }
        flag(p, QRectF(w - 29, top + 18, 28, 16), QStringLiteral("+360"));
        flag(p, QRectF(w - 29, top + 34, 28, 16), QStringLiteral("\u00f710"));
        flag(p, QRectF(w - 59, top + 18, 28, 16), QStringLiteral("AUX"));
    }
    for (int k = 0; k < 48; ++k) {
        inputArrow(p, 10, k);
        caption(p, 17, rowCentre(k),
                multi ? QStringLiteral("Input %1").arg(k + 1) : injectorCaption(k), Qt::AlignLeft);
    }
    if (multi)
        outputPort(p, w - 0.5, 0);
}

void pairedOutputs(QPainter& p, QSize s, const QString& first, const QString& second,
                   int firstNumber) {
    int w = s.width();
    body(p, 9.5, 0.5, w - 0.5, s.height() - 0.5);
    for (int g = 0; g < 8; ++g) {
        if (g % 2 == 1)
            p.fillRect(QRectF(10.5, 34 * g + 1, w - 11.5, 33), kShade);
        int n = firstNumber + g;
        inputArrow(p, 10, 2 * g);
        inputArrow(p, 10, 2 * g + 1);
        caption(p, 17, rowCentre(2 * g), first.arg(n), Qt::AlignLeft);
        caption(p, 17, rowCentre(2 * g + 1), second.arg(n), Qt::AlignLeft);
    }
}

void paintPicture(QPainter& p, int picture) {
    const QSize s = ElementPictures::size(picture);
    const int w = s.width();
    const int h = s.height();
    switch (picture) {
    case 0: // constant
        body(p, 1.5, 1.5, w - 12.5, h - 1.5);
        outputPort(p, w - 12.5, 0);
        break;
    case 1: { // 2D table
        block(p, s, {"Input", "LearnV", "Learn", "Tuned"}, {"", "Close", "Change", "Tuned"});
        p.setPen(QPen(kRule, 1));
        p.setBrush(Qt::NoBrush);
        QRectF plot(64.5, 12.5, 40, 40);
        p.drawRect(plot);
        p.setPen(QPen(kInk, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(66, 48), QPointF(76, 44), QPointF(86, 30),
                                  QPointF(96, 20), QPointF(102, 18)}));
        break;
    }
    case 2: { // 3D table
        block(p, s, {"In1", "In2", "LearnV", "Learn", "Tuned"},
              {"", "Close1", "Close2", "Change", "Tuned"});
        // A small surface: a grid of 4 x 4 cells in oblique projection.
        p.setPen(QPen(kInk, 1));
        p.setBrush(Qt::NoBrush);
        auto at = [](int i, int j) {
            static const int kHeight[5][5] = {{0, 2, 5, 8, 10},
                                              {1, 4, 8, 12, 14},
                                              {2, 6, 11, 16, 19},
                                              {3, 7, 13, 19, 24},
                                              {3, 8, 14, 21, 27}};
            return QPointF(50 + 7 * i + 5 * j, 66 - 5 * j - kHeight[i][j]);
        };
        for (int i = 0; i <= 4; ++i) {
            for (int j = 0; j < 4; ++j) {
                p.drawLine(at(i, j), at(i, j + 1));
                p.drawLine(at(j, i), at(j + 1, i));
            }
        }
        break;
    }
    case 3:  // summer and comparator frame
    case 21: // tickbox frame
        body(p, 9.5, 1.5, w - 12.5, h - 1.5);
        outputPort(p, w - 12.5, 0);
        break;
    case 4: // multiplier
        block(p, s, {"A", "B", "C"}, {""});
        title(p, QRectF(24, 4, 34, 42), QStringLiteral("\u00d7"), 20);
        break;
    case 5: // PID
        block(p, s,
              {"Setpoint", "Feedback", "Integral", "Proportional", "Differential", "Stop Int Up",
               "Stop Int Down", "Stop Prop Out", "Stop Int Out", "Stop Diff Out", "Reset Integral",
               "Timeslice"},
              {"", "Integral"});
        title(p, QRectF(100, 60, 110, 120), QStringLiteral("PID"), 22);
        break;
    case 6: // clipper
        block(p, s, {"Input", "Min", "Max"}, {"", "Overflow", "Underflow"});
        p.setPen(QPen(kInk, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(70, 40), QPointF(80, 12), QPointF(96, 12),
                                  QPointF(104, 40), QPointF(112, 40)}));
        break;
    case 7: { // switch
        block(p, s, {"In1", "In2", "Sel"}, {""});
        p.setPen(QPen(kInk, 1.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(34, rowCentre(0)), QPointF(40, 10));
        p.drawLine(QPointF(34, rowCentre(1)), QPointF(40, 24));
        p.drawLine(QPointF(58, 17), QPointF(70, 17));
        p.setBrush(kInk);
        p.drawEllipse(QPointF(42, 10), 1.8, 1.8);
        p.drawEllipse(QPointF(42, 24), 1.8, 1.8);
        p.drawEllipse(QPointF(58, 17), 2, 2);
        p.setPen(QPen(kCaption, 1, Qt::DotLine));
        p.drawLine(QPointF(36, rowCentre(2)), QPointF(50, rowCentre(2)));
        p.drawLine(QPointF(50, rowCentre(2)), QPointF(50, 29));
        break;
    }
    case 8: { // timer
        block(p, s, {"Interval(s)", "Reload"}, {"Elapsed", "Remaining"});
        p.setPen(QPen(kInk, 1.3));
        p.setBrush(Qt::NoBrush);
        QPointF c(92, 16.5);
        p.drawEllipse(c, 8, 8);
        p.drawLine(c, c + QPointF(0, -5.5));
        p.drawLine(c, c + QPointF(4, 0));
        break;
    }
    case 9: // latch
        block(p, s, {"Value", "Store"}, {""});
        // The store input's edge mark, blanked while the latch stores on level.
        p.setPen(QPen(kInk, 1.3));
        p.drawPolyline(QPolygonF(
            {QPointF(10.5, 28.5), QPointF(13.5, 28.5), QPointF(13.5, 18.5), QPointF(16.5, 18.5)}));
        title(p, QRectF(60, 2, 50, 29), QStringLiteral("LATCH"), 9);
        break;
    case 10: // delay
        block(p, s, {"Input"}, {""});
        break;
    case 11:
    case 12:
    case 13:
    case 14:
    case 15:
    case 26:
        comparatorGlyph(p, picture);
        break;
    case 16:
    case 17:
    case 18: {
        static const char* kText[] = {"&", "\u22651", "=1"};
        QFont f = pictureCaptionFont(picture == 16 ? 14 : 11);
        f.setBold(true);
        p.setFont(f);
        p.setPen(kInk);
        p.drawText(QRectF(0, 0, w, h), Qt::AlignCenter, QString::fromUtf8(kText[picture - 16]));
        break;
    }
    case 19: // plus
        p.setPen(QPen(kInk, 1.4));
        p.drawLine(QPointF(0.5, 3.5), QPointF(5.5, 3.5));
        p.drawLine(QPointF(3, 1), QPointF(3, 6));
        break;
    case 20: // minus
        p.setPen(QPen(kInk, 1.4));
        p.drawLine(QPointF(0.5, 3.5), QPointF(5.5, 3.5));
        break;
    case 22: // 4-way mux
    case 40: // 32-way mux
        block(p, s, {}, {""});
        for (int r = 1; r < h / kRowPitch; ++r) {
            p.setPen(QPen(kRule, 1));
            p.drawLine(QPointF(11, r * kRowPitch - 0.5), QPointF(w - 14, r * kRowPitch - 0.5));
        }
        break;
    case 23: { // tick
        p.setPen(QPen(QColor(0, 140, 60), 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(6, 14), QPointF(12, 21), QPointF(25, 5)}));
        break;
    }
    case 24: // cross
        p.setPen(QPen(QColor(200, 30, 30), 3.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(8, 6), QPointF(22, 21));
        p.drawLine(QPointF(22, 6), QPointF(8, 21));
        break;
    case 25: // sigma
        p.setPen(QPen(kInk, 1.8, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF(
            {QPointF(15, 4), QPointF(4, 4), QPointF(10, 10.5), QPointF(4, 17), QPointF(15, 17)}));
        break;
    case 27: { // analogue inputs
        body(p, 1.5, 0.5, w - 12.5, h - 0.5);
        for (int r = 0; r < 44; ++r) {
            if (r % 2 == 1)
                p.fillRect(QRectF(2.5, r * kRowPitch, w - 15.5, kRowPitch), kShade);
            QString text;
            if (r < 16)
                text = QStringLiteral("Ana %1").arg(r + 1);
            else if (r < 40)
                text = QStringLiteral("Inj %1 %2").arg((r - 16) / 2 + 1).arg(r % 2 ? "I" : "V");
            else
                text = QString::fromUtf8(std::array{"3V3", "5V", "Batt", "Temp"}[r - 40]);
            caption(p, 6, rowCentre(r), text, Qt::AlignLeft);
            outputPort(p, w - 12.5, r);
        }
        break;
    }
    case 28:
        injectors(p, s, false);
        break;
    case 39:
        injectors(p, s, true);
        break;
    case 29: // ignition
        pairedOutputs(p, s, QStringLiteral("Ign%1 Angle"), QStringLiteral("Ign%1 Dwell"), 1);
        for (int g = 0; g < 8; ++g) {
            flag(p, QRectF(w - 63, 34 * g, 27, 16), QStringLiteral("INV"));
            flag(p, QRectF(w - 63, 34 * g + 17, 29, 16), QStringLiteral("+360"));
            if (g < 7)
                flag(p, QRectF(w - 34, 34 * g, 33, 16), QStringLiteral("OR+1"));
        }
        break;
    case 30: // aux outputs
        pairedOutputs(p, s, QStringLiteral("Aux%1 Duty"), QStringLiteral("Aux%1 Period"), 1);
        for (int g = 0; g < 8; ++g) {
            flag(p, QRectF(w - 39, 34 * g, 29, 17), QStringLiteral("INV"));
            flag(p, QRectF(w - 47, 34 * g + 18, 46, 15), QStringLiteral("HI SIDE"));
        }
        break;
    case 38: // aux outputs on injector outputs
        pairedOutputs(p, s, QStringLiteral("Inj%1 AuxDuty"), QStringLiteral("Inj%1 AuxPeriod"), 5);
        break;
    case 31: { // inputs and triggering
        body(p, 1.5, 0.5, w - 12.5, h - 0.5);
        for (int r = 0; r < 53; ++r) {
            if (r % 2 == 1)
                p.fillRect(QRectF(2.5, r * kRowPitch, w - 15.5, kRowPitch), kShade);
            QString text;
            if (r < 16)
                text = QStringLiteral("Serial%1.%2").arg(r / 8 + 1).arg(r % 8 + 1);
            else if (r < 20)
                text = QStringLiteral("VSS%1").arg(r - 15);
            else if (r < 24)
                text = QStringLiteral("VSSPeriod%1").arg(r - 19);
            else if (r < 40)
                text = QStringLiteral("Knock %1 %2")
                           .arg((r - 24) / 2 + 1)
                           .arg(r % 2 ? QStringLiteral("Background") : QStringLiteral("In Phase"));
            else if (r < 44)
                text = QStringLiteral("VVT%1").arg(r - 39);
            else if (r == 44)
                text = QStringLiteral("RPM / 100");
            else
                text = QStringLiteral("Dig %1").arg(r - 44);
            caption(p, 6, rowCentre(r), text, Qt::AlignLeft, r < 16 ? 8 : 9);
            outputPort(p, w - 12.5, r);
        }
        break;
    }
    case 32: // general
        block(p, s, {"KeepOn", "RedLED", "OrangeLED", "LogEnable"}, {}, w - 1.5);
        title(p, QRectF(90, 4, 100, 59), QStringLiteral("GENERAL"), 10);
        break;
    case 33: // display
        block(p, s, {QString()}, {}, w - 1.5);
        p.setPen(QPen(kRule, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(20.5, 5.5, 72, 22), 2, 2);
        break;
    case 34:
        dial(p, s, false);
        break;
    case 37:
        dial(p, s, true);
        break;
    case 35: { // stepper
        block(p, s, {"Position Wanted"}, {"Stepper 1", "Stepper 2", "Current Position"});
        p.setPen(QPen(kInk, 1.3));
        p.setBrush(Qt::NoBrush);
        QPointF c(130, 25.5);
        p.drawEllipse(c, 13, 13);
        title(p, QRectF(c.x() - 12, c.y() - 12, 24, 24), QStringLiteral("M"), 11);
        break;
    }
    case 36: // wrapper
        block(p, s, {"Input", "Min", "Max"}, {""});
        p.setPen(QPen(kInk, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(80, 40), QPointF(98, 12), QPointF(98, 40),
                                  QPointF(116, 12), QPointF(116, 40)}));
        break;
    default:
        break;
    }
}

} // namespace

QSize ElementPictures::size(int picture) {
    PictureSize s = pictureSize(picture);
    return {s.w, s.h};
}

void ElementPictures::paint(QPainter& p, int picture) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    paintPicture(p, picture);
    p.restore();
}

const QImage& ElementPictures::image(int picture, qreal devicePixelRatio) {
    static const QImage none;
    if (picture < 0 || picture >= 41)
        return none;
    auto& set = cache_[static_cast<int>(std::lround(devicePixelRatio * 100))];
    QImage& img = set[static_cast<size_t>(picture)];
    if (img.isNull()) {
        QSize s = size(picture);
        img = QImage(qCeil(s.width() * devicePixelRatio), qCeil(s.height() * devicePixelRatio),
                     QImage::Format_RGB32);
        img.setDevicePixelRatio(devicePixelRatio);
        img.fill(Qt::white);
        QPainter p(&img);
        paint(p, picture);
    }
    return img;
}

QFont pictureCaptionFont(qreal pixelSize) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(qRound(pixelSize));
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

// A face's height in the diagram is its cell height; DejaVu's line height is
// 1.164 em, so the pixel size is the height / 1.164.
QFont diagramNameFont() {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(14); // height 16
    return f;
}

QFont diagramLabelFont() {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(22); // height 26
    return f;
}

QFont diagramFixedFont() {
    QFont f(QStringLiteral("DejaVu Sans Mono"));
    f.setPixelSize(13); // a cell of 8 x 15 pixels
    f.setStyleHint(QFont::Monospace);
    return f;
}

QFont diagramDialFont(bool big) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(big ? 17 : 11); // heights 20 and 13
    return f;
}

} // namespace zolmar::gui

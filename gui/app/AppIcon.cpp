#include "app/AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace zolmar::gui {

namespace {

// The same picture as icons/zolmar.svg, for systems without Qt's SVG plugin.
QPixmap drawnIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    p.setPen(QPen(QColor(0x10, 0x1d, 0x2b), 1.5));
    p.setBrush(QColor(0x22, 0x38, 0x4f));
    p.drawRoundedRect(QRectF(2.5, 2.5, 59, 59), 11, 11);
    QPen arc(QColor(0xe8, 0xf0, 0xfa), 4.5, Qt::SolidLine, Qt::RoundCap);
    p.setPen(arc);
    p.setBrush(Qt::NoBrush);
    const QRectF dial(11, 16, 42, 42);
    p.drawArc(dial, 0, 180 * 16);
    arc.setColor(QColor(0xe0, 0x47, 0x3a));
    p.setPen(arc);
    p.drawArc(dial, 0, 45 * 16);
    p.setPen(QPen(QColor(0xf2, 0xb6, 0x32), 3.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(32, 37), QPointF(43.5, 24.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xf2, 0xb6, 0x32));
    p.drawEllipse(QPointF(32, 37), 4, 4);
    p.setBrush(QColor(0xe8, 0xf0, 0xfa));
    p.drawRoundedRect(QRectF(8, 45, 15, 11), 2, 2);
    p.drawRoundedRect(QRectF(41, 45, 15, 11), 2, 2);
    p.setPen(QPen(QColor(0xf2, 0xb6, 0x32), 2.6));
    p.drawLine(QPointF(23, 50.5), QPointF(41, 50.5));
    return pixmap;
}

} // namespace

QIcon appIcon() {
    QIcon icon(QStringLiteral(":/zolmar/zolmar.svg"));
    if (!icon.pixmap(64, 64).isNull())
        return icon;
    QIcon drawn;
    for (int size : {16, 32, 64, 128})
        drawn.addPixmap(drawnIcon(size));
    return drawn;
}

} // namespace zolmar::gui

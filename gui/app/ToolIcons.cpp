#include "app/ToolIcons.h"

#include <QApplication>
#include <QFont>
#include <QPainter>
#include <QPixmap>
#include <QStyle>

namespace zolmar::gui {

namespace {

QPixmap badge(const QString& text, int size, bool enabled) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QRectF frame(0.5, 0.5, size - 1.0, size - 1.0);
    p.setPen(QPen(enabled ? QColor(0x30, 0x50, 0x80) : QColor(0xB0, 0xB0, 0xB0), size / 22.0));
    p.setBrush(enabled ? QColor(0xE8, 0xF0, 0xFA) : QColor(0xF2, 0xF2, 0xF2));
    p.drawRoundedRect(frame, size / 6.0, size / 6.0);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(text.size() <= 1 ? size * 13 / 22
                                       : (text.size() == 2 ? size * 9 / 22 : size * 7 / 22));
    p.setFont(font);
    p.setPen(enabled ? QColor(0x10, 0x20, 0x40) : QColor(0xA8, 0xA8, 0xA8));
    p.drawText(frame, Qt::AlignCenter, text);
    return pixmap;
}

} // namespace

QIcon toolIcon(const QString& text) {
    QStyle* style = QApplication::style();
    if (text == QLatin1String("new"))
        return style->standardIcon(QStyle::SP_FileIcon);
    if (text == QLatin1String("open"))
        return style->standardIcon(QStyle::SP_DialogOpenButton);
    if (text == QLatin1String("save"))
        return style->standardIcon(QStyle::SP_DialogSaveButton);
    QIcon icon;
    for (int size : {22, 44}) {
        icon.addPixmap(badge(text, size, true), QIcon::Normal);
        icon.addPixmap(badge(text, size, false), QIcon::Disabled);
    }
    return icon;
}

} // namespace zolmar::gui

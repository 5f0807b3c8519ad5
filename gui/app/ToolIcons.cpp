#include "app/ToolIcons.h"

#include <QApplication>
#include <QFont>
#include <QPainter>
#include <QPixmap>
#include <QStyle>

namespace zolmar::gui {

namespace {

QPixmap badge(const QString& text, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QRectF frame(0.5, 0.5, size - 1.0, size - 1.0);
    p.setPen(QPen(QColor(0x30, 0x50, 0x80), size / 22.0));
    p.setBrush(QColor(0xE8, 0xF0, 0xFA));
    p.drawRoundedRect(frame, size / 6.0, size / 6.0);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(text.size() <= 1 ? size * 13 / 22
                                       : (text.size() == 2 ? size * 9 / 22 : size * 7 / 22));
    p.setFont(font);
    p.setPen(QColor(0x10, 0x20, 0x40));
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
    icon.addPixmap(badge(text, 22));
    icon.addPixmap(badge(text, 44));
    return icon;
}

} // namespace zolmar::gui

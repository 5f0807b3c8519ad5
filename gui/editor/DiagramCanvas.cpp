#include "editor/DiagramCanvas.h"

#include "app/QtPorts.h"
#include "editor/Geometry.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPolygon>
#include <cstring>

namespace zolmar::gui {

namespace {

QColor qcolor(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

size_t slot(Font font) {
    return static_cast<size_t>(font);
}

} // namespace

QtTextMetrics::QtTextMetrics() {
    for (Font f : {Font::Name, Font::Label, Font::Fixed, Font::DialBig, Font::DialSmall}) {
        fonts_[slot(f)] = fontFor(f);
        metrics_[slot(f)] = std::make_unique<QFontMetrics>(fonts_[slot(f)]);
    }
}

QFont QtTextMetrics::fontFor(Font font) {
    switch (font) {
    case Font::Name:
        return diagramNameFont();
    case Font::Label:
        return diagramLabelFont();
    case Font::Fixed:
        return diagramFixedFont();
    case Font::DialBig:
        return diagramDialFont(true);
    case Font::DialSmall:
        return diagramDialFont(false);
    }
    return diagramFixedFont();
}

int QtTextMetrics::width(Font font, const std::string& text) const {
    return metrics_[slot(font)]->horizontalAdvance(fromImageText(text));
}

int QtTextMetrics::height(Font font) const {
    return metrics_[slot(font)]->height();
}

DiagramCanvas::DiagramCanvas(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ElementView"));
    setFixedSize(Grid::kCanvas, Grid::kCanvas);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    ratio_ = devicePixelRatioF();
    allocate();
}

void DiagramCanvas::allocate() {
    int side = qCeil(Grid::kCanvas * ratio_);
    canvas_ = QImage(side, side, QImage::Format_RGB32);
    canvas_.setDevicePixelRatio(ratio_);
    canvas_.fill(Qt::white);
    backup_ = canvas_.copy();
}

void DiagramCanvas::setPixelRatio(qreal ratio) {
    if (ratio > 0 && !qFuzzyCompare(ratio, ratio_)) {
        ratio_ = ratio;
        allocate();
    }
}

QSize DiagramCanvas::sizeHint() const {
    return {Grid::kCanvas, Grid::kCanvas};
}

void DiagramCanvas::backUp() {
    // Both images are allocated alike; a plain copy avoids a fresh allocation.
    if (backup_.size() != canvas_.size() || backup_.format() != canvas_.format()) {
        backup_ = canvas_.copy();
        return;
    }
    std::memcpy(backup_.bits(), canvas_.constBits(), static_cast<size_t>(canvas_.sizeInBytes()));
}

void DiagramCanvas::fillBackup(int x, int y, int x2, int y2) {
    QPainter p(&backup_);
    p.fillRect(QRect(x, y, x2 - x, y2 - y), Qt::white);
}

void DiagramCanvas::execute(const DrawList& list) {
    QPainter p(&canvas_);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    for (const DrawOp& op : list.ops) {
        switch (op.kind) {
        case DrawOp::Kind::Clear:
            p.fillRect(QRect(0, 0, Grid::kCanvas, Grid::kCanvas), Qt::white);
            break;
        case DrawOp::Kind::Picture:
            p.drawImage(QPoint(op.x, op.y), pictures_.image(op.picture, ratio_));
            break;
        case DrawOp::Kind::PictureAnd:
            p.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
            p.drawImage(QPoint(op.x, op.y), pictures_.image(op.picture, ratio_));
            p.setCompositionMode(QPainter::CompositionMode_SourceOver);
            break;
        case DrawOp::Kind::Text: {
            QString text = fromImageText(op.text);
            p.setFont(metrics_.font(op.font));
            const QFontMetrics& fm = metrics_.fontMetrics(op.font);
            // Text is written on white, as the overlays rely on to erase old values.
            p.fillRect(QRect(op.x, op.y, fm.horizontalAdvance(text), fm.height()), Qt::white);
            p.setPen(qcolor(op.colour));
            p.drawText(QPoint(op.x, op.y + fm.ascent()), text);
            break;
        }
        case DrawOp::Kind::Polyline: {
            QPolygon line;
            for (int k = 0; k < op.count; ++k) {
                const Point& pt = list.points[static_cast<size_t>(op.first + k)];
                line << QPoint(pt.x, pt.y);
            }
            // Wires run along the grid: crisp without antialiasing, and faster.
            p.setRenderHint(QPainter::Antialiasing, false);
            p.setPen(
                QPen(qcolor(op.colour), op.width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
            p.drawPolyline(line);
            p.setRenderHint(QPainter::Antialiasing, true);
            break;
        }
        case DrawOp::Kind::Line:
            p.setPen(QPen(qcolor(op.colour), op.width, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(op.x + 0.5, op.y + 0.5), QPointF(op.x2 + 0.5, op.y2 + 0.5));
            break;
        case DrawOp::Kind::Rect:
            p.setPen(
                QPen(qcolor(op.colour), op.width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
            p.setBrush(Qt::NoBrush);
            p.drawRect(QRectF(op.x + 0.5, op.y + 0.5, op.x2 - op.x - 1, op.y2 - op.y - 1));
            break;
        case DrawOp::Kind::FillRect:
            p.fillRect(QRect(op.x, op.y, op.x2 - op.x, op.y2 - op.y), qcolor(op.colour));
            break;
        case DrawOp::Kind::Ellipse:
            p.setPen(QPen(qcolor(op.colour), op.width));
            p.setBrush(op.filled ? QBrush(qcolor(op.fill)) : QBrush(Qt::NoBrush));
            p.drawEllipse(QRectF(op.x + 0.5, op.y + 0.5, op.x2 - op.x - 1, op.y2 - op.y - 1));
            p.setBrush(Qt::NoBrush);
            break;
        case DrawOp::Kind::Restore: {
            QRectF logical(op.x, op.y, op.x2 - op.x, op.y2 - op.y);
            QRectF source(logical.topLeft() * ratio_, logical.size() * ratio_);
            p.setCompositionMode(QPainter::CompositionMode_Source);
            p.drawImage(logical, backup_, source);
            p.setCompositionMode(QPainter::CompositionMode_SourceOver);
            break;
        }
        }
    }
    p.end();
    update();
}

void DiagramCanvas::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    QRect r = event->rect();
    QRectF source(QPointF(r.topLeft()) * ratio_, QSizeF(r.size()) * ratio_);
    p.drawImage(QRectF(r), canvas_, source);
}

void DiagramCanvas::mouseMoveEvent(QMouseEvent* event) {
    emit mouseMoved(event->position().toPoint());
    QWidget::mouseMoveEvent(event);
}

void DiagramCanvas::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    emit mousePressed(event->position().toPoint(), event->button());
    QWidget::mousePressEvent(event);
}

void DiagramCanvas::mouseReleaseEvent(QMouseEvent* event) {
    emit mouseReleased(event->position().toPoint(), event->button());
    QWidget::mouseReleaseEvent(event);
}

void DiagramCanvas::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
        emit keyPressed(event->key());
        event->accept();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

} // namespace zolmar::gui

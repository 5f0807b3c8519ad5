#include "editor/DiagramCanvas.h"

#include "app/QtPorts.h"
#include "editor/Geometry.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <cmath>
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

DiagramCanvas::DiagramCanvas(QWidget* parent)
    : QWidget(parent),
      overlay_([this](const DrawList& list, const DrawOp& op) { return bounds(list, op); }) {
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
    // The smallest step of logical pixels that is a whole number of device pixels.
    snap_ = 0;
    for (int n = 1; n <= 64 && snap_ == 0; ++n)
        if (std::abs(n * ratio_ - std::round(n * ratio_)) < 1e-6)
            snap_ = n;
    pad_ = snap_ == 1 ? 0 : 1;
    overlay_.reset();
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
    overlay_.reset();
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

CanvasRect DiagramCanvas::snapped(int x, int y, int x2, int y2) const {
    CanvasRect r{std::min(x, x2) - pad_, std::min(y, y2) - pad_, std::max(x, x2) + pad_,
                 std::max(y, y2) + pad_};
    if (snap_ > 1) {
        auto down = [this](int v) {
            return v >= 0 ? v / snap_ * snap_ : -((-v + snap_ - 1) / snap_ * snap_);
        };
        auto up = [&](int v) { return -down(-v); };
        r = {down(r.x), down(r.y), up(r.x2), up(r.y2)};
    }
    r.x = std::clamp(r.x, 0, Grid::kCanvas);
    r.y = std::clamp(r.y, 0, Grid::kCanvas);
    r.x2 = std::clamp(r.x2, 0, Grid::kCanvas);
    r.y2 = std::clamp(r.y2, 0, Grid::kCanvas);
    return r;
}

DiagramCanvas::TextExtent& DiagramCanvas::textExtent(Font font, const std::string& text) {
    auto& cache = extents_[slot(font)];
    auto found = cache.find(text);
    if (found != cache.end())
        return found->second;
    // Live values repeat; a cache that only grows would keep every value ever shown.
    if (cache.size() >= 4096)
        cache.clear();
    const QFontMetrics& fm = metrics_.fontMetrics(font);
    TextExtent extent;
    extent.text = fromImageText(text);
    extent.laidOut = QStaticText(extent.text);
    extent.laidOut.setTextFormat(Qt::PlainText);
    extent.laidOut.prepare(QTransform(), metrics_.font(font));
    // The laid-out width rounds as the font's advance does, without laying out again.
    extent.advance = qRound(extent.laidOut.size().width());
    extent.height = fm.height();
    return cache.emplace(text, extent).first->second;
}

CanvasRect DiagramCanvas::bounds(const DrawList& list, const DrawOp& op) {
    // Pens reach half their width past the line, antialiasing one pixel more.
    auto around = [this](int x, int y, int x2, int y2, int reach) {
        return snapped(std::min(x, x2) - reach, std::min(y, y2) - reach,
                       std::max(x, x2) + 1 + reach, std::max(y, y2) + 1 + reach);
    };
    switch (op.kind) {
    case DrawOp::Kind::Clear:
        return snapped(0, 0, Grid::kCanvas, Grid::kCanvas);
    case DrawOp::Kind::Picture:
    case DrawOp::Kind::PictureAnd: {
        QSize size = ElementPictures::size(op.picture);
        if (size.isEmpty())
            return {};
        return snapped(op.x, op.y, op.x + size.width(), op.y + size.height());
    }
    case DrawOp::Kind::Text: {
        if (op.text.empty())
            return {};
        TextExtent& extent = textExtent(op.font, op.text);
        // Only overlays and small lists need the ink; page texts never measure it.
        if (!extent.inkKnown) {
            const QFontMetrics& fm = metrics_.fontMetrics(op.font);
            extent.ink = fm.boundingRect(extent.text).translated(0, fm.ascent());
            extent.inkKnown = true;
        }
        QRect cell(op.x, op.y, extent.advance, extent.height);
        QRect ink = extent.ink.translated(op.x, op.y).adjusted(-1, -1, 1, 1);
        QRect all = cell.isEmpty() ? ink : cell.united(ink);
        return snapped(all.left(), all.top(), all.left() + all.width(), all.top() + all.height());
    }
    case DrawOp::Kind::Polyline: {
        if (op.count <= 0 || !list.holdsPoints(op))
            return {};
        const Point* pts = list.points.data() + op.first;
        int x = pts[0].x, y = pts[0].y, x2 = pts[0].x, y2 = pts[0].y;
        for (int k = 1; k < op.count; ++k) {
            x = std::min(x, pts[k].x);
            y = std::min(y, pts[k].y);
            x2 = std::max(x2, pts[k].x);
            y2 = std::max(y2, pts[k].y);
        }
        // Mitred corners reach up to the pen's width past the point.
        return around(x, y, x2, y2, op.width + 2);
    }
    case DrawOp::Kind::Line:
        return around(op.x, op.y, op.x2, op.y2, (op.width + 1) / 2 + 2);
    case DrawOp::Kind::Rect:
    case DrawOp::Kind::Ellipse:
        return around(op.x, op.y, op.x2 - 1, op.y2 - 1, (op.width + 1) / 2 + 2);
    case DrawOp::Kind::FillRect:
    case DrawOp::Kind::Restore:
        return snapped(op.x, op.y, op.x2, op.y2);
    }
    return snapped(0, 0, Grid::kCanvas, Grid::kCanvas);
}

void DiagramCanvas::drawStep(QPainter& p, const DrawList& list, const DrawOp& op) {
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
        const TextExtent& run = textExtent(op.font, op.text);
        // Text is written on white, as the overlays rely on to erase old values.
        p.fillRect(QRect(op.x, op.y, run.advance, run.height), Qt::white);
        p.setFont(metrics_.font(op.font));
        p.setPen(qcolor(op.colour));
        p.drawStaticText(QPointF(op.x, op.y), run.laidOut);
        break;
    }
    case DrawOp::Kind::Polyline: {
        if (op.count <= 0 || !list.holdsPoints(op))
            break;
        QPolygon line;
        for (int k = 0; k < op.count; ++k) {
            const Point& pt = list.points[static_cast<size_t>(op.first + k)];
            line << QPoint(pt.x, pt.y);
        }
        // Wires run along the grid: crisp without antialiasing, and faster.
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(QPen(qcolor(op.colour), op.width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p.drawPolyline(line);
        p.setRenderHint(QPainter::Antialiasing, true);
        break;
    }
    case DrawOp::Kind::Line:
        p.setPen(QPen(qcolor(op.colour), op.width, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(op.x + 0.5, op.y + 0.5), QPointF(op.x2 + 0.5, op.y2 + 0.5));
        break;
    case DrawOp::Kind::Rect:
        p.setPen(QPen(qcolor(op.colour), op.width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
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

void DiagramCanvas::execute(const DrawList& list) {
    // A page render (it starts by clearing) or a long list repaints the whole widget;
    // marks, bands and ghosts only where they drew.
    bool whole = list.ops.size() > 64;
    for (const DrawOp& op : list.ops)
        whole = whole || op.kind == DrawOp::Kind::Clear;
    QRegion drawn;
    QPainter p(&canvas_);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    for (const DrawOp& op : list.ops) {
        drawStep(p, list, op);
        if (op.kind != DrawOp::Kind::Restore && whole)
            continue;
        CanvasRect b = bounds(list, op);
        // The page shows again there without its live values: the next overlay redraws them.
        if (op.kind == DrawOp::Kind::Restore)
            overlay_.expose(b);
        if (!whole && !b.empty())
            drawn += QRect(b.x, b.y, b.x2 - b.x, b.y2 - b.y);
    }
    p.end();
    if (whole)
        update();
    else if (!drawn.isEmpty())
        update(drawn);
}

void DiagramCanvas::restoreFromBackup(const QRegion& region) {
    if (backup_.size() != canvas_.size() || backup_.format() != canvas_.format())
        return;
    const QRect image = canvas_.rect();
    const qsizetype line = canvas_.bytesPerLine();
    const int bytesPerPixel = canvas_.depth() / 8;
    for (const QRect& r : region) {
        QRect device = QRect(QPoint(qRound(r.left() * ratio_), qRound(r.top() * ratio_)),
                             QPoint(qRound((r.left() + r.width()) * ratio_) - 1,
                                    qRound((r.top() + r.height()) * ratio_) - 1))
                           .intersected(image);
        if (device.isEmpty())
            continue;
        const size_t offset = static_cast<size_t>(device.left()) * bytesPerPixel;
        const size_t length = static_cast<size_t>(device.width()) * bytesPerPixel;
        const uchar* from = backup_.constBits() + device.top() * line + offset;
        uchar* to = canvas_.bits() + device.top() * line + offset;
        for (int y = 0; y < device.height(); ++y, from += line, to += line)
            std::memcpy(to, from, length);
    }
}

void DiagramCanvas::executeOverlay(const DrawList& overlay) {
    OverlayRepaint repaint = overlay_.next(overlay);
    if (snap_ == 0 && !repaint.everything && !repaint.nothing()) {
        // No whole number of device pixels to widen rectangles to: start from the page.
        restoreFromBackup(QRegion(rect()));
        repaint.everything = true;
    }
    lastOverlaySteps_ = 0;
    lastOverlayRegion_ = QRegion();
    if (repaint.everything) {
        QPainter p(&canvas_);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        for (const DrawOp& op : overlay.ops)
            drawStep(p, overlay, op);
        lastOverlaySteps_ = static_cast<int>(overlay.ops.size());
        lastOverlayRegion_ = QRegion(rect());
        update();
        return;
    }
    if (repaint.nothing())
        return;
    auto qrect = [](const CanvasRect& r) { return QRect(r.x, r.y, r.x2 - r.x, r.y2 - r.y); };
    QRegion changed;
    for (const CanvasRect& r : repaint.changed)
        changed += qrect(r);
    restoreFromBackup(changed);
    lastOverlayRegion_ = changed;
    if (!repaint.steps.empty()) {
        QRegion clip = changed;
        for (const CanvasRect& r : repaint.exposed)
            clip += qrect(r);
        QPainter p(&canvas_);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.setClipRegion(clip);
        for (int k : repaint.steps)
            drawStep(p, overlay, overlay.ops[static_cast<size_t>(k)]);
        lastOverlaySteps_ = static_cast<int>(repaint.steps.size());
        lastOverlayRegion_ = clip;
    }
    if (!lastOverlayRegion_.isEmpty())
        update(lastOverlayRegion_);
}

void DiagramCanvas::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    for (const QRect& r : event->region()) {
        QRectF source(QPointF(r.topLeft()) * ratio_, QSizeF(r.size()) * ratio_);
        p.drawImage(QRectF(r), canvas_, source);
    }
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

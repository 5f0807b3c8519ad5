#pragma once

#include "editor/DrawList.h"
#include "editor/ElementPictures.h"
#include "editor/OverlayDiff.h"

#include <QFontMetrics>
#include <QImage>
#include <QRegion>
#include <QStaticText>
#include <QWidget>
#include <array>
#include <memory>
#include <string>
#include <unordered_map>

namespace zolmar::gui {

// Text measurement in the diagram's Qt faces.
class QtTextMetrics : public TextMetrics {
public:
    QtTextMetrics();
    int width(Font font, const std::string& text) const override;
    int height(Font font) const override;
    static QFont fontFor(Font font);
    const QFont& font(Font font) const { return fonts_[static_cast<size_t>(font)]; }
    const QFontMetrics& fontMetrics(Font font) const {
        return *metrics_[static_cast<size_t>(font)];
    }

private:
    std::array<QFont, 5> fonts_;
    std::array<std::unique_ptr<QFontMetrics>, 5> metrics_;
};

// The page canvas (ElementView) and its backup copy: carries out the drawing
// steps that the page renderer decides, at the screen's pixel ratio.
class DiagramCanvas : public QWidget {
    Q_OBJECT

public:
    explicit DiagramCanvas(QWidget* parent = nullptr);

    const TextMetrics& metrics() const { return metrics_; }
    // Carries out the steps on the canvas and repaints the widget where they drew.
    void execute(const DrawList& list);
    // Carries out one live overlay over the backed-up page: after a page render it is
    // drawn whole; afterwards only the rectangles of the steps that differ from the
    // last overlay are restored from the backup and drawn again, and only they are
    // repainted on the widget. An overlay like the last one paints nothing.
    void executeOverlay(const DrawList& overlay);
    // Copies the whole canvas into the backup; the next overlay is drawn whole.
    void backUp();
    // Fills a rectangle of the backup white (corners as in DrawList).
    void fillBackup(int x, int y, int x2, int y2);
    const QImage& image() const { return canvas_; }
    const QImage& backupImage() const { return backup_; }
    // The canvas is drawn at this pixel ratio (the screen's unless set).
    void setPixelRatio(qreal ratio);
    qreal pixelRatio() const { return ratio_; }
    QSize sizeHint() const override;
    // What the last overlay painted: the steps carried out and the widget region
    // asked to repaint (empty when nothing changed).
    int lastOverlaySteps() const { return lastOverlaySteps_; }
    const QRegion& lastOverlayRegion() const { return lastOverlayRegion_; }

signals:
    void mouseMoved(QPoint position);
    void mousePressed(QPoint position, Qt::MouseButton button);
    void mouseReleased(QPoint position, Qt::MouseButton button);
    void keyPressed(int key);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // A text laid out once: what drawing it fills white, its ink, and its glyphs.
    struct TextExtent {
        QString text;
        int advance = 0;
        int height = 0;
        bool inkKnown = false;
        QRect ink; // relative to the top-left of the text's cell
        QStaticText laidOut;
    };
    void allocate();
    void drawStep(QPainter& p, const DrawList& list, const DrawOp& op);
    // The pixels a step can touch, widened to whole device pixels.
    CanvasRect bounds(const DrawList& list, const DrawOp& op);
    CanvasRect snapped(int x, int y, int x2, int y2) const;
    TextExtent& textExtent(Font font, const std::string& text);
    // Copies the backup over the canvas inside the region (logical pixels).
    void restoreFromBackup(const QRegion& region);

    QtTextMetrics metrics_;
    ElementPictures pictures_;
    QImage canvas_;
    QImage backup_;
    qreal ratio_ = 1;
    // Overlay rectangles are widened to multiples of this many logical pixels, so
    // that they cover whole device pixels; 0: the ratio has no such step and every
    // overlay is drawn whole.
    int snap_ = 1;
    // At a fractional ratio a step's edge pixels reach past its logical rectangle.
    int pad_ = 0;
    OverlayDiff overlay_;
    std::array<std::unordered_map<std::string, TextExtent>, 5> extents_;
    int lastOverlaySteps_ = 0;
    QRegion lastOverlayRegion_;
};

} // namespace zolmar::gui

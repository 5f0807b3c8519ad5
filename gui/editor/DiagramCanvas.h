#pragma once

#include "editor/DrawList.h"
#include "editor/ElementPictures.h"

#include <QFontMetrics>
#include <QImage>
#include <QWidget>
#include <array>
#include <memory>

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
    // Carries out the steps on the canvas.
    void execute(const DrawList& list);
    // Copies the whole canvas into the backup.
    void backUp();
    // Fills a rectangle of the backup white (corners as in DrawList).
    void fillBackup(int x, int y, int x2, int y2);
    const QImage& image() const { return canvas_; }
    const QImage& backupImage() const { return backup_; }
    // The canvas is drawn at this pixel ratio (the screen's unless set).
    void setPixelRatio(qreal ratio);
    qreal pixelRatio() const { return ratio_; }
    QSize sizeHint() const override;

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
    void allocate();

    QtTextMetrics metrics_;
    ElementPictures pictures_;
    QImage canvas_;
    QImage backup_;
    qreal ratio_ = 1;
};

} // namespace zolmar::gui

#pragma once

#include <QFont>
#include <QImage>
#include <QSize>
#include <array>
#include <map>

class QPainter;

namespace zolmar::gui {

// The 41 element pictures: our own artwork, painted at their fixed sizes for any
// device pixel ratio, white where they are empty (they are also drawn in AND mode).
class ElementPictures {
public:
    static QSize size(int picture);
    // The picture painted for the ratio; cached. A null image for a bad index.
    const QImage& image(int picture, qreal devicePixelRatio);
    // Paints the picture in logical pixels at the painter's origin.
    static void paint(QPainter& p, int picture);

private:
    std::map<int, std::array<QImage, 41>> cache_; // by ratio × 100
};

// The faces the diagram writes in.
QFont diagramNameFont();  // element names
QFont diagramLabelFont(); // Label elements
QFont diagramFixedFont(); // numbers and annotations
QFont diagramDialFont(bool big);
QFont pictureCaptionFont(qreal pixelSize);

} // namespace zolmar::gui

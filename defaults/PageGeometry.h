#pragma once

#include "editor/Geometry.h"
#include "model/ECU.h"

#include <string>
#include <vector>

namespace zolmar::defaults {

// Where an element and the texts around it lie on its page, as the diagram
// editor draws them: the picture (or a Label's text box), the name written below
// it and, left of each input pin, the literal value or the name of a source on
// another page. Used to lay pages out and to check that nothing overlaps.
namespace PageGeometry {

inline constexpr int kCell = Grid::kCell;
inline constexpr int kGridCells = Grid::kCells;
inline constexpr int kGridPixels = kCell * kGridCells;
// Widths of one character: generous for the proportional name and label faces,
// exact for the fixed face of the pin texts.
inline constexpr int kNameCharWidth = 7;
inline constexpr int kNameHeight = 16;
inline constexpr int kLabelCharWidth = 12;
inline constexpr int kLabelTextHeight = 26;
inline constexpr int kPinCharWidth = 8;

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0; // exclusive
    int bottom = 0;
    bool empty() const { return right <= left || bottom <= top; }
    bool overlaps(const Rect& o) const {
        return !empty() && !o.empty() && left < o.right && o.left < right && top < o.bottom &&
               o.top < bottom;
    }
    Rect moved(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
};

// An element's parts relative to its pixel origin (17 x column, 17 x row).
struct Footprint {
    Rect box;  // picture, or a Label's box
    Rect name; // the element name under the picture (a Label's text)
    std::vector<Rect> pinTexts;
    // Cells the editor marks for the element: columns and rows it covers.
    int columns = 0;
    int rows = 0;
    Rect bounds() const;
};

// The text left of input k: the literal, the source's name when the source is on
// another page, or empty for a link on the same page.
std::string pinText(const tECU& ecu, int element, int input);
Footprint footprintOf(const tECU& ecu, int element);

// One line per problem: parts of two elements of a page that overlap, or parts
// that leave the 120 x 120 cell grid.
std::vector<std::string> check(const tECU& ecu);

} // namespace PageGeometry
} // namespace zolmar::defaults

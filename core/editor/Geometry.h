#pragma once

#include "model/ECU.h"

#include <cstdint>

namespace zolmar {

// The page canvas and its grid.
namespace Grid {
inline constexpr int kCell = 17;        // pixels per cell, both directions
inline constexpr int kCells = 120;      // cells per row and column that are marked and routed
inline constexpr int kCanvas = 2048;    // canvas width and height in pixels
inline constexpr int kLabelHeight = 20; // a Label's box height
inline constexpr int kLabelNameOffset = 20;

inline constexpr bool inGrid(int column, int row) {
    return column >= 0 && column < kCells && row >= 0 && row < kCells;
}
inline constexpr int centre(int cell) {
    return kCell * cell + 8;
}
} // namespace Grid

struct PictureSize {
    int w;
    int h;
};

// The fixed size of each of the 41 element pictures; they decide pins and hit areas.
PictureSize pictureSize(int picture);

// Where an element lies on its page, in pixels and cells.
struct ElementBox {
    int picture = -1; // -1: none
    int x = 0;        // cell column and row of the origin
    int y = 0;
    int left = 0; // pixel origin
    int top = 0;
    int w = 0; // box size: picture size, a Label's name width × 20, or 0 × 0
    int h = 0;

    // Cells the element covers: columns firstColumn..lastColumn, rows y..nameRow.
    int lastColumn() const { return (left + w - 1) / Grid::kCell; }
    int nameRow() const { return (top + h + 15) / Grid::kCell; }
    // The column that carries output pins (the hover and pin-mark column).
    int outputColumn() const { return (left + w - 1) / Grid::kCell; }
};

// The box of element i: picture size, or for a Label its name width (given) × 20.
ElementBox elementBox(const tECU& ecu, int i, int labelNameWidth);

// Pixel x where the source pin of output wires starts: the right edge of the
// picture, or 102 pixels right of the origin for an element without one.
int sourcePinX(const ElementBox& box);

} // namespace zolmar

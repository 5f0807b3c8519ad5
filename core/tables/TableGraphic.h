#pragma once

#include "editor/DrawList.h"

#include <string>
#include <vector>

namespace zolmar {

class TableEditor;

// The picture of the open table above the editor's grid: a line graph for a 2D
// table, an oblique shaded surface for a 3D table in one of four orientations. It
// is computed here as an ordered list of shapes; the window paints them.
namespace TableGraphic {

struct Op {
    enum class Kind { Line, Triangle, Text };
    Kind kind = Kind::Line;
    Point p[3];
    Rgb colour;       // line, outline or text colour
    Rgb fill;         // triangles
    int width = 1;    // lines
    std::string text; // top-left at p[0]
};

// The value axis: rounded ends and the step, raw units.
struct ValueAxis {
    int top = 0;
    int bot = 0;
    int step = 50;
};
// From the smallest and largest cell value (tuned flags cleared).
ValueAxis ValueAxisFor(int smallest, int largest);

struct Picture {
    ValueAxis axis;
    std::vector<Op> ops;
};

// The picture for a panel of the size; cellWidth and cellHeight are the grid's,
// which set how close labels may come.
Picture Draw(const TableEditor& editor, int width, int height, int cellWidth, int cellHeight);

// The flat shade of a triangle in (column, row, value) space lit from (1, 1, -1): 0..255.
int Shade(const double p0[3], const double p1[3], const double p2[3]);

} // namespace TableGraphic
} // namespace zolmar

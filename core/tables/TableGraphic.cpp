#include "tables/TableGraphic.h"

#include "model/ECU.h"
#include "tables/TableEditor.h"

#include <algorithm>
#include <cmath>

namespace zolmar::TableGraphic {

using Tables::Axis;

namespace {

// Rounds to a pixel; anything beyond any screen is held at a far but safe value.
int pixel(double v) {
    if (!std::isfinite(v))
        return 0;
    return static_cast<int>(std::lround(std::clamp(v, -1.0e7, 1.0e7)));
}

int cellValue(const TableEditor& e, int column, int row) {
    return static_cast<int16_t>(e.CellWord(column, row) & 0xFFFE);
}

bool tuned(const TableEditor& e, int column, int row) {
    return (e.CellWord(column, row) & 1) != 0;
}

struct Projection {
    int width = 0, height = 0;
    int orientation = 0;
    bool threeD = false;
    double sx = 1, sy = 1, sv = 1;
    int hMin = 0, wMin = 0, d = 0, bot = 0;
    std::vector<int> h, w;

    Point at(int i, int j, int z) const {
        const double x0 = (h[static_cast<size_t>(i)] - hMin) * sx;
        const double zv = (z - bot) * sv;
        if (!threeD)
            return {pixel(x0 + 150), pixel(height - 40 - zv)};
        const size_t jj = static_cast<size_t>(std::clamp(j, 0, static_cast<int>(w.size()) - 1));
        const double u = (w[jj] - wMin) * sy;
        const bool bit0 = (orientation & 1) != 0;
        const bool bit1 = (orientation & 2) != 0;
        Point p;
        p.y = bit0 ? pixel(height - 40 - u - zv) : pixel(u + height - 40 - zv) - d;
        p.x = bit0 != bit1 ? pixel(x0 - u + 150) + d : pixel(x0 + u + 150);
        if (!bit1)
            p.x += 60;
        return p;
    }
};

void line(Picture& pic, Point a, Point b, Rgb colour, int width = 1) {
    Op op;
    op.kind = Op::Kind::Line;
    op.p[0] = a;
    op.p[1] = b;
    op.colour = colour;
    op.width = width;
    pic.ops.push_back(op);
}

void text(Picture& pic, Point at, std::string t) {
    Op op;
    op.kind = Op::Kind::Text;
    op.p[0] = at;
    op.colour = Colours::kWhite;
    op.text = std::move(t);
    pic.ops.push_back(std::move(op));
}

std::string trimmedValue(int raw) {
    std::string t = tECU::ValueText50(static_cast<int16_t>(std::clamp(raw, -32768, 32767)));
    size_t first = t.find_first_not_of(' ');
    return first == std::string::npos ? t : t.substr(first);
}

// Draws a label unless it comes closer than `gap` to the one drawn before it.
struct Spacer {
    int gap;
    bool horizontal;
    bool any = false;
    int last = 0;
    bool allow(Point p) {
        int v = horizontal ? p.x : p.y;
        if (any && std::abs(v - last) < gap)
            return false;
        any = true;
        last = v;
        return true;
    }
};

} // namespace

ValueAxis ValueAxisFor(int smallest, int largest) {
    ValueAxis a;
    int top = largest, bot = smallest;
    const int range = top - bot;
    const int s = range <= 1000    ? 50
                  : range <= 2500  ? 250
                  : range <= 10000 ? 500
                  : range <= 25000 ? 2500
                                   : 5000;
    if (top > 0)
        top = ((top + s - 1) / s) * s;
    else if (top < 0)
        top = -((1 - top - s) / s) * s;
    if (bot < 0)
        bot = -((s - bot - 1) / s) * s;
    else if (bot > 0)
        bot = ((bot - s + 1) / s) * s;
    if (top == bot)
        bot = top - s;
    a.top = top;
    a.bot = bot;
    a.step = s;
    return a;
}

int Shade(const double p0[3], const double p1[3], const double p2[3]) {
    const double a[3] = {p0[0] - p1[0], p0[1] - p1[1], p0[2] - p1[2]};
    const double b[3] = {p2[0] - p1[0], p2[1] - p1[1], p2[2] - p1[2]};
    const double n[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2],
                         a[0] * b[1] - a[1] * b[0]};
    const double l[3] = {1, 1, -1};
    const double nn = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    const double ll = std::sqrt(3.0);
    double brightness = 0.5;
    if (nn > 0)
        brightness = 0.5 - (n[0] * l[0] + n[1] * l[1] + n[2] * l[2]) / (2 * nn * ll);
    return static_cast<int>(std::clamp(brightness, 0.0, 1.0) * 255);
}

Picture Draw(const TableEditor& e, int width, int height, int cellWidth, int cellHeight) {
    Picture pic;
    const int columns = e.Columns();
    const int rows = e.Rows();
    if (!e.IsOpen() || columns <= 0 || rows <= 0)
        return pic;
    // The cells once, as values and tuned flags.
    std::vector<int> values(static_cast<size_t>(columns) * static_cast<size_t>(rows));
    std::vector<bool> tunedFlags(values.size());
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < columns; ++i) {
            const size_t k =
                static_cast<size_t>(j) * static_cast<size_t>(columns) + static_cast<size_t>(i);
            values[k] = cellValue(e, i, j);
            tunedFlags[k] = tuned(e, i, j);
        }
    auto at = [&](int i, int j) {
        return static_cast<size_t>(j) * static_cast<size_t>(columns) + static_cast<size_t>(i);
    };
    auto value = [&](int i, int j) { return values[at(i, j)]; };
    auto isTuned = [&](int i, int j) { return static_cast<bool>(tunedFlags[at(i, j)]); };
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    const int smallest = *low, largest = *high;
    const ValueAxis axis = ValueAxisFor(smallest, largest);
    pic.axis = axis;

    Projection p;
    p.width = width;
    p.height = height;
    p.orientation = e.Orientation & 3;
    p.threeD = e.Is3D();
    p.bot = axis.bot;
    p.h = e.References(Axis::Horizontal);
    p.w = p.threeD ? e.References(Axis::Vertical) : std::vector<int>{0};
    const bool surface = p.threeD && rows > 1;
    p.sv = static_cast<double>(surface ? height / 2 - 10 : height - 50) / (axis.top - axis.bot);
    auto span = [](const std::vector<int>& refs, int& low) {
        auto [mn, mx] = std::minmax_element(refs.begin(), refs.end());
        low = *mn;
        return *mx == *mn ? 1 : *mx - *mn;
    };
    p.sx = static_cast<double>(width - height / 2 - 300) / span(p.h, p.hMin);
    if (p.threeD) {
        p.sy = static_cast<double>(height / 2 - 40) / span(p.w, p.wMin);
        p.d = height / 2 - 40;
    }

    // Frame and labels in white.
    const int lastRow = p.threeD ? rows - 1 : 0;
    Spacer columnLabels{std::max(1, cellWidth), true};
    for (int i = 0; i < columns; ++i) {
        if (p.threeD)
            line(pic, p.at(i, 0, axis.bot), p.at(i, lastRow, axis.bot), Colours::kWhite);
        line(pic, p.at(i, 0, axis.bot), p.at(i, 0, axis.top), Colours::kWhite);
        Point label = p.at(i, 0, axis.bot);
        if (columnLabels.allow(label))
            text(pic, {label.x - cellWidth / 2, label.y + 4},
                 trimmedValue(p.h[static_cast<size_t>(i)]));
    }
    if (p.threeD) {
        Spacer rowLabels{std::max(1, cellHeight), false};
        for (int j = 0; j < rows; ++j) {
            line(pic, p.at(0, j, axis.bot), p.at(columns - 1, j, axis.bot), Colours::kWhite);
            line(pic, p.at(0, j, axis.bot), p.at(0, j, axis.top), Colours::kWhite);
            Point label = p.at(columns - 1, j, axis.bot);
            if (rowLabels.allow(label))
                text(pic, {label.x + 6, label.y - cellHeight / 2},
                     trimmedValue(p.w[static_cast<size_t>(j)]));
        }
    }
    Spacer valueLabels{std::max(1, cellHeight), false};
    for (long v = axis.bot; v <= axis.top; v += axis.step) {
        const int z = static_cast<int>(v);
        line(pic, p.at(0, 0, z), p.at(columns - 1, 0, z), Colours::kWhite);
        if (p.threeD)
            line(pic, p.at(0, 0, z), p.at(0, lastRow, z), Colours::kWhite);
        Point label = p.at(0, 0, z);
        if (valueLabels.allow(label))
            text(pic, {label.x - 60, label.y - cellHeight / 2}, trimmedValue(z));
    }

    const bool live = e.LiveAvailable();
    const CellRange sel = e.Selection();
    if (!p.threeD) {
        for (int i = 0; i + 1 < columns; ++i) {
            Rgb colour = isTuned(i, 0) && isTuned(i + 1, 0) ? Rgb{0, 224, 0} : Colours::kBlack;
            if (sel.contains(i, 0) && sel.contains(i + 1, 0))
                colour = Rgb{0, 0, 255};
            line(pic, p.at(i, 0, value(i, 0)), p.at(i + 1, 0, value(i + 1, 0)), colour, 3);
        }
        if (live) {
            const int i = std::clamp(e.LiveColumn(), 0, columns - 1);
            line(pic, p.at(i, 0, axis.bot), p.at(i, 0, value(i, 0)), Colours::kRed, 1);
        }
        return pic;
    }
    if (columns < 2 || rows < 2)
        return pic;
    const bool down = (p.orientation & 1) != 0;
    for (int i = 0; i + 1 < columns; ++i) {
        for (int k = 0; k + 1 < rows; ++k) {
            const int j = down ? rows - 2 - k : k;
            bool lit[3] = {true, true, true}; // red, green, blue
            const bool yellow = isTuned(i, j) && isTuned(i + 1, j) && isTuned(i, j + 1) &&
                                (i == 0 || j == 0 || isTuned(i + 1, j + 1));
            if (yellow)
                lit[2] = false;
            const bool selected = sel.contains(i, j) || sel.contains(i + 1, j) ||
                                  sel.contains(i, j + 1) || sel.contains(i + 1, j + 1);
            auto set = [&](bool r, bool g, bool b) {
                lit[0] = r;
                lit[1] = g;
                lit[2] = b;
            };
            if (live && i == e.LiveColumn() && j == e.LiveRow())
                set(true, false, true);
            else if (live && i == e.LiveColumn())
                set(true, false, false);
            else if (live && j == e.LiveRow())
                set(false, true, false);
            else if (selected)
                set(false, false, true);
            const int corners[2][3][2] = {{{i, j}, {i, j + 1}, {i + 1, j}},
                                          {{i + 1, j + 1}, {i + 1, j}, {i, j + 1}}};
            for (const auto& tri : corners) {
                Op op;
                op.kind = Op::Kind::Triangle;
                double space[3][3];
                for (int v = 0; v < 3; ++v) {
                    const int ci = tri[v][0], cj = tri[v][1];
                    op.p[v] = p.at(ci, cj, value(ci, cj));
                    space[v][0] = ci;
                    space[v][1] = cj;
                    space[v][2] = value(ci, cj) / 50.0;
                }
                const auto shade = static_cast<uint8_t>(Shade(space[0], space[1], space[2]));
                op.fill = {static_cast<uint8_t>(lit[0] ? shade : 0),
                           static_cast<uint8_t>(lit[1] ? shade : 0),
                           static_cast<uint8_t>(lit[2] ? shade : 0)};
                op.colour = Colours::kBlack;
                pic.ops.push_back(op);
            }
        }
    }
    return pic;
}

} // namespace zolmar::TableGraphic

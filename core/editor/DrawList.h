#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zolmar {

struct Rgb {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

namespace Colours {
inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kRed{255, 0, 0};
inline constexpr Rgb kGreen{0, 128, 0};
inline constexpr Rgb kLiveText{224, 0, 0};
inline constexpr Rgb kAmber{248, 193, 7};
} // namespace Colours

// The faces the diagram writes in. Name and Label are proportional, Fixed is
// fixed-pitch; the dial faces are the proportional face at the dial sizes.
enum class Font : uint8_t { Name, Label, Fixed, DialBig, DialSmall };

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

// One drawing step on the page canvas. Coordinates are canvas pixels; rectangles
// are given by their corners (x, y) inclusive and (x2, y2) exclusive.
struct DrawOp {
    enum class Kind : uint8_t {
        Clear,      // fill the whole canvas white
        Picture,    // element picture `picture` with its top-left at (x, y)
        PictureAnd, // the same, combined with the canvas by AND
        Text,       // `text` (image bytes) with the top-left of its cell at (x, y), on white
        Polyline,   // points [first, first + count) of the list's point store
        Line,       // (x, y) to (x2, y2)
        Rect,       // outline
        FillRect,   // filled with `colour`, no outline
        Ellipse,    // outline in `colour`, filled with `fill` when `filled`
        Restore,    // copy the rectangle back from the backup canvas
    };
    Kind kind = Kind::Clear;
    int x = 0;
    int y = 0;
    int x2 = 0;
    int y2 = 0;
    int picture = -1;
    int width = 1; // pen width
    Rgb colour;
    Rgb fill;
    bool filled = false;
    Font font = Font::Fixed;
    std::string text;
    int first = 0;
    int count = 0;
};

// An ordered list of drawing steps: what the core decides, for a painter to carry out.
class DrawList {
public:
    void clear() {
        ops.clear();
        points.clear();
    }
    void clearCanvas() { ops.push_back({}); }
    // Whether a step's points lie in this list's point store (a step with points
    // outside it draws none).
    bool holdsPoints(const DrawOp& op) const {
        return op.first >= 0 && op.count >= 0 &&
               static_cast<size_t>(op.first) + static_cast<size_t>(op.count) <= points.size();
    }
    void picture(int picture, int x, int y, bool andMode) {
        DrawOp op;
        op.kind = andMode ? DrawOp::Kind::PictureAnd : DrawOp::Kind::Picture;
        op.picture = picture;
        op.x = x;
        op.y = y;
        ops.push_back(op);
    }
    void text(int x, int y, Font font, Rgb colour, std::string text) {
        DrawOp op;
        op.kind = DrawOp::Kind::Text;
        op.x = x;
        op.y = y;
        op.font = font;
        op.colour = colour;
        op.text = std::move(text);
        ops.push_back(std::move(op));
    }
    void polyline(const std::vector<Point>& line, Rgb colour, int width) {
        DrawOp op;
        op.kind = DrawOp::Kind::Polyline;
        op.first = static_cast<int>(points.size());
        op.count = static_cast<int>(line.size());
        op.colour = colour;
        op.width = width;
        points.insert(points.end(), line.begin(), line.end());
        ops.push_back(op);
    }
    void line(int x, int y, int x2, int y2, Rgb colour, int width) {
        ops.push_back(shape(DrawOp::Kind::Line, x, y, x2, y2, colour, width));
    }
    void rect(int x, int y, int x2, int y2, Rgb colour, int width) {
        ops.push_back(shape(DrawOp::Kind::Rect, x, y, x2, y2, colour, width));
    }
    void fillRect(int x, int y, int x2, int y2, Rgb colour) {
        ops.push_back(shape(DrawOp::Kind::FillRect, x, y, x2, y2, colour, 1));
    }
    void ellipse(int x, int y, int x2, int y2, Rgb colour, int width, bool filled, Rgb fill) {
        DrawOp op = shape(DrawOp::Kind::Ellipse, x, y, x2, y2, colour, width);
        op.filled = filled;
        op.fill = fill;
        ops.push_back(op);
    }
    void restore(int x, int y, int x2, int y2) {
        ops.push_back(shape(DrawOp::Kind::Restore, x, y, x2, y2, {}, 1));
    }

    std::vector<DrawOp> ops;
    std::vector<Point> points;

private:
    static DrawOp shape(DrawOp::Kind kind, int x, int y, int x2, int y2, Rgb colour, int width) {
        DrawOp op;
        op.kind = kind;
        op.x = x;
        op.y = y;
        op.x2 = x2;
        op.y2 = y2;
        op.colour = colour;
        op.width = width;
        return op;
    }
};

// Text measurement in the diagram's faces, provided by whoever paints.
class TextMetrics {
public:
    virtual ~TextMetrics() = default;
    virtual int width(Font font, const std::string& text) const = 0;
    virtual int height(Font font) const = 0;
};

// Metrics of a fixed cell per face: for headless tools, tests and benchmarks.
class FixedCellMetrics : public TextMetrics {
public:
    int width(Font font, const std::string& text) const override {
        return static_cast<int>(text.size()) * advance(font);
    }
    int height(Font font) const override {
        switch (font) {
        case Font::Name:
            return 16;
        case Font::Label:
            return 26;
        case Font::Fixed:
            return 15;
        case Font::DialBig:
            return 20;
        case Font::DialSmall:
            return 13;
        }
        return 15;
    }
    static int advance(Font font) {
        switch (font) {
        case Font::Name:
            return 7;
        case Font::Label:
            return 12;
        case Font::Fixed:
            return 8;
        case Font::DialBig:
            return 10;
        case Font::DialSmall:
            return 7;
        }
        return 8;
    }
};

} // namespace zolmar

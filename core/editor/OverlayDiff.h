#pragma once

#include "editor/DrawList.h"

#include <functional>
#include <vector>

namespace zolmar {

// A rectangle of canvas pixels, corners as in DrawList: (x, y) inclusive, (x2, y2) exclusive.
struct CanvasRect {
    int x = 0;
    int y = 0;
    int x2 = 0;
    int y2 = 0;
    bool empty() const { return x2 <= x || y2 <= y; }
    bool intersects(const CanvasRect& o) const {
        return !empty() && !o.empty() && x < o.x2 && o.x < x2 && y < o.y2 && o.y < y2;
    }
    friend bool operator==(const CanvasRect&, const CanvasRect&) = default;
};

// What carrying out the next overlay has to paint.
struct OverlayRepaint {
    // Draw every step as it stands: the page under the overlay was drawn anew.
    bool everything = false;
    // Where steps changed: the page is restored there from the backup, then redrawn.
    std::vector<CanvasRect> changed;
    // Where something else restored the page over the overlay: redrawn, not restored.
    std::vector<CanvasRect> exposed;
    // The steps of the new overlay that touch a changed or exposed rectangle, in order.
    std::vector<int> steps;
    bool nothing() const { return !everything && changed.empty() && exposed.empty(); }
};

// Compares each overlay with the one last carried out on the canvas, step by step, so
// that only the rectangles of the steps that differ are painted again. A pixel outside
// them is touched by the same steps in the same order in both overlays, so it already
// shows what drawing the new overlay whole would.
class OverlayDiff {
public:
    // The pixels a step can touch on the canvas (its ink, antialiasing included).
    using Bounds = std::function<CanvasRect(const DrawList&, const DrawOp&)>;
    explicit OverlayDiff(Bounds bounds) : bounds_(std::move(bounds)) {}

    // The page was drawn anew: the next overlay is drawn whole.
    void reset();
    // Something restored the page over part of the overlay: the next overlay redraws there.
    void expose(const CanvasRect& r);
    // What to paint for the next overlay, which becomes the one on the canvas.
    OverlayRepaint next(const DrawList& overlay);

    static bool sameStep(const DrawList& a, const DrawOp& x, const DrawList& b, const DrawOp& y);

private:
    Bounds bounds_;
    bool valid_ = false;
    DrawList last_;
    std::vector<CanvasRect> lastBounds_;
    std::vector<CanvasRect> exposed_;
};

} // namespace zolmar

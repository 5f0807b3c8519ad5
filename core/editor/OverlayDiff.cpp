#include "editor/OverlayDiff.h"

#include <algorithm>

namespace zolmar {

namespace {

bool contains(const CanvasRect& outer, const CanvasRect& inner) {
    return outer.x <= inner.x && outer.y <= inner.y && inner.x2 <= outer.x2 && inner.y2 <= outer.y2;
}

// Adds a rectangle unless the last one added already covers it (a text rewritten in
// place has the same rectangle before and after).
void add(std::vector<CanvasRect>& rects, const CanvasRect& r) {
    if (r.empty())
        return;
    if (!rects.empty() && contains(rects.back(), r))
        return;
    if (!rects.empty() && contains(r, rects.back())) {
        rects.back() = r;
        return;
    }
    rects.push_back(r);
}

} // namespace

bool OverlayDiff::sameStep(const DrawList& a, const DrawOp& x, const DrawList& b, const DrawOp& y) {
    if (x.kind != y.kind || x.x != y.x || x.y != y.y || x.x2 != y.x2 || x.y2 != y.y2 ||
        x.picture != y.picture || x.width != y.width || !(x.colour == y.colour) ||
        !(x.fill == y.fill) || x.filled != y.filled || x.font != y.font || x.text != y.text ||
        x.count != y.count)
        return false;
    if (x.kind != DrawOp::Kind::Polyline)
        return true;
    // Points outside a list's store are drawn as none; both sides alike.
    const bool ax = a.holdsPoints(x);
    const bool by = b.holdsPoints(y);
    if (ax != by)
        return false;
    if (!ax)
        return true;
    return std::equal(a.points.begin() + x.first, a.points.begin() + x.first + x.count,
                      b.points.begin() + y.first);
}

void OverlayDiff::reset() {
    valid_ = false;
    last_.clear();
    lastBounds_.clear();
    exposed_.clear();
}

void OverlayDiff::expose(const CanvasRect& r) {
    if (valid_ && !r.empty())
        exposed_.push_back(r);
}

OverlayRepaint OverlayDiff::next(const DrawList& overlay) {
    OverlayRepaint out;
    const size_t before = valid_ ? last_.ops.size() : 0;
    const size_t now = overlay.ops.size();
    std::vector<CanvasRect> bounds(now);
    out.everything = !valid_;
    for (size_t k = 0; k < std::max(before, now); ++k) {
        // A step like the last one in its place touches the same pixels.
        if (k < before && k < now && sameStep(last_, last_.ops[k], overlay, overlay.ops[k])) {
            bounds[k] = lastBounds_[k];
            continue;
        }
        if (k < now)
            bounds[k] = bounds_(overlay, overlay.ops[k]);
        if (out.everything)
            continue;
        if (k < before)
            add(out.changed, lastBounds_[k]);
        if (k < now)
            add(out.changed, bounds[k]);
    }
    if (!out.everything) {
        out.exposed = std::move(exposed_);
        auto touches = [&](const CanvasRect& b) {
            for (const CanvasRect& r : out.changed)
                if (b.intersects(r))
                    return true;
            for (const CanvasRect& r : out.exposed)
                if (b.intersects(r))
                    return true;
            return false;
        };
        if (!out.changed.empty() || !out.exposed.empty())
            for (size_t k = 0; k < now; ++k)
                if (touches(bounds[k]))
                    out.steps.push_back(static_cast<int>(k));
    }
    exposed_.clear();
    valid_ = true;
    last_ = overlay;
    lastBounds_ = std::move(bounds);
    return out;
}

} // namespace zolmar

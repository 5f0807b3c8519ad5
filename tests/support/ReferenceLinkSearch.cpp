#include "ReferenceLinkSearch.h"

#include <algorithm>

namespace zolmar::test {

namespace {

using Grid::kCells;
using Layer = LinkRouter::Layer;
constexpr uint32_t kOwnerMask = 0xFFFF;
constexpr uint32_t kReached = LinkRouter::kReached;
constexpr uint32_t kFree = LinkRouter::kFree;
constexpr uint32_t kBlocked = LinkRouter::kBlocked;
constexpr int kArrivalShift = LinkRouter::kArrivalShift;
constexpr int kRings = LinkRouter::kRings;
enum Arrival : uint32_t {
    kMovedLeft = 1,
    kMovedRight = 2,
    kMovedUp = 3,
    kMovedDown = 4,
    kLayerChange = 5
};
int at(int column, int row) {
    return row * kCells + column;
}

} // namespace

bool ReferenceLinkSearch(Layer& h, Layer& v, uint16_t net, int sx, int sy, int originColumn,
                         int originRow, int& endColumn, int& endRow) {
    bool hit = false;
    bool moved = false;
    // The reached cells lie inside this box; cells outside it cannot move, so
    // the scan skips them. The box only grows, and a cell reached during a scan
    // is visited later in the same scan exactly when the full scan would.
    int top = originRow;
    int bottom = originRow;
    int left = originColumn;
    int right = originColumn;
    auto tryMove = [&](Layer& layer, bool horizontalLayer, int c, int r, uint32_t code) {
        if (!Grid::inGrid(c, r))
            return;
        uint32_t& cell = layer[static_cast<size_t>(at(c, r))];
        uint32_t owner = cell & kOwnerMask;
        if (owner == kBlocked || (cell & kReached))
            return;
        if (owner != kFree && owner != net)
            return;
        cell |= kReached | (code << kArrivalShift);
        moved = true;
        top = std::min(top, r);
        bottom = std::max(bottom, r);
        left = std::min(left, c);
        right = std::max(right, c);
        if (horizontalLayer && owner == net) {
            hit = true;
            endColumn = c;
            endRow = r;
        }
    };
    for (int g = 0; g < kRings; ++g) {
        int c0 = std::max(0, sx - g - 1);
        int c1 = std::min(kCells - 1, sx + g + 1);
        int r0 = std::max(0, sy - g - 1);
        int r1 = std::min(kCells - 1, sy + g + 1);
        bool wholeBoxScanned = c0 <= left && right <= c1 && r0 <= top && bottom <= r1;
        moved = false;
        for (int r = std::max(r0, top); r <= std::min(r1, bottom); ++r) {
            for (int c = std::max(c0, left); c <= std::min(c1, right); ++c) {
                const uint32_t& hc = h[static_cast<size_t>(at(c, r))];
                const uint32_t& vc = v[static_cast<size_t>(at(c, r))];
                if (hc & kReached) {
                    tryMove(h, true, c - 1, r, kMovedLeft);
                    tryMove(h, true, c + 1, r, kMovedRight);
                }
                if (vc & kReached) {
                    tryMove(v, false, c, r + 1, kMovedDown);
                    tryMove(v, false, c, r - 1, kMovedUp);
                    tryMove(h, true, c, r, kLayerChange);
                }
                if (hc & kReached)
                    tryMove(v, false, c, r, kLayerChange);
            }
        }
        if (hit)
            return true;
        // Every reached cell was tried and none could move: later rings would
        // repeat the same scan.
        if (!moved && wholeBoxScanned)
            return false;
    }
    return false;
}

} // namespace zolmar::test

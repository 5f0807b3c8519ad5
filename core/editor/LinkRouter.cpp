#include "editor/LinkRouter.h"

#include <algorithm>
#include <bit>

namespace zolmar {

using Grid::kCells;

namespace {

constexpr uint32_t kOwnerMask = 0xFFFF;

enum Arrival : uint32_t {
    kNone = 0,
    kMovedLeft = 1,  // came from the right
    kMovedRight = 2, // came from the left
    kMovedUp = 3,    // came from below
    kMovedDown = 4,  // came from above
    kLayerChange = 5,
};

enum Move : uint8_t { kLeft = 1, kDown = 2, kRight = 3, kUp = 4 };

Point centreOf(int column, int row) {
    return {Grid::centre(column), Grid::centre(row)};
}

bool validPage(int page) {
    return page >= 0 && page < Layout::kNumPages;
}

} // namespace

LinkRouter::LinkRouter() {
    h_.fill(kFree);
    v_.fill(kFree);
    wireVisible_.fill(1);
}

void LinkRouter::invalidate(int page) {
    if (validPage(page))
        valid_[static_cast<size_t>(page)] = false;
}

void LinkRouter::invalidateAll() {
    valid_.fill(false);
}

bool LinkRouter::routesValid(int page) const {
    return validPage(page) && valid_[static_cast<size_t>(page)];
}

const std::vector<RouteRecord>& LinkRouter::routes(int page) const {
    static const std::vector<RouteRecord> none;
    return validPage(page) ? routes_[static_cast<size_t>(page)] : none;
}

const std::vector<Junction>& LinkRouter::junctions(int page) const {
    static const std::vector<Junction> none;
    return validPage(page) ? junctions_[static_cast<size_t>(page)] : none;
}

bool LinkRouter::wireVisible(int logicAddr) const {
    if (logicAddr < 0 || logicAddr >= kWireFlags)
        return false;
    return wireVisible_[static_cast<size_t>(logicAddr)] != 0;
}

void LinkRouter::setWireVisible(int logicAddr, bool visible) {
    for (int a = logicAddr; a < logicAddr + 2; ++a)
        if (a >= 0 && a < kWireFlags)
            wireVisible_[static_cast<size_t>(a)] = visible ? 1 : 0;
}

void LinkRouter::setAllWiresVisible() {
    wireVisible_.fill(1);
}

uint32_t LinkRouter::horizontal(int column, int row) const {
    return Grid::inGrid(column, row) ? h_[static_cast<size_t>(at(column, row))] : kFree;
}

uint32_t LinkRouter::vertical(int column, int row) const {
    return Grid::inGrid(column, row) ? v_[static_cast<size_t>(at(column, row))] : kFree;
}

void LinkRouter::startRecompute(int page) {
    h_.fill(kFree);
    v_.fill(kFree);
    marked_.clear();
    marksScattered_ = false;
    if (!validPage(page))
        return;
    routes_[static_cast<size_t>(page)].clear();
    requests_[static_cast<size_t>(page)].clear();
    junctions_[static_cast<size_t>(page)].clear();
}

void LinkRouter::block(int column, int row) {
    if (!Grid::inGrid(column, row))
        return;
    h_[static_cast<size_t>(at(column, row))] = kBlocked;
    v_[static_cast<size_t>(at(column, row))] = kBlocked;
}

void LinkRouter::addRequest(int page, const LinkRequest& request) {
    if (!validPage(page))
        return;
    auto& records = routes_[static_cast<size_t>(page)];
    auto& requests = requests_[static_cast<size_t>(page)];
    // Stable insertion: after every request that is not farther.
    auto pos = std::upper_bound(
        requests.begin(), requests.end(), request,
        [](const LinkRequest& a, const LinkRequest& b) { return a.distance() < b.distance(); });
    auto index = pos - requests.begin();
    RouteRecord record;
    record.destColumn = static_cast<uint8_t>(request.dest.x / Grid::kCell);
    record.destRow = static_cast<uint8_t>(request.dest.y / Grid::kCell);
    record.net = request.net;
    record.destElement = request.destElement;
    record.destInput = request.destInput;
    requests.insert(pos, request);
    records.insert(records.begin() + index, std::move(record));
}

Rgb LinkRouter::colourFor(const std::vector<RouteRecord>& records, size_t index,
                          int& counter) const {
    for (size_t k = 0; k < index; ++k)
        if (records[k].routed() && records[k].net == records[index].net)
            return records[k].colour;
    Rgb c = kPalette[static_cast<size_t>(counter)];
    counter = (counter + 1) % static_cast<int>(kPalette.size());
    return c;
}

void LinkRouter::recompute(int page, DrawList& out) {
    if (!validPage(page))
        return;
    valid_[static_cast<size_t>(page)] = true;
    auto& records = routes_[static_cast<size_t>(page)];
    auto& requests = requests_[static_cast<size_t>(page)];
    int counter = 0;
    for (size_t k = 0; k < records.size() && k < static_cast<size_t>(kMaxRouted); ++k) {
        RouteRecord& record = records[k];
        const LinkRequest& request = requests[k];
        int sx = request.source.x / Grid::kCell;
        int sy = request.source.y / Grid::kCell;
        int endColumn = 0;
        int endRow = 0;
        bool found = false;
        // Nets that collide with the layer markers cannot be told apart from them.
        if (record.net < kBlocked && Grid::inGrid(record.destColumn, record.destRow)) {
            uint32_t& origin = h_[static_cast<size_t>(at(record.destColumn, record.destRow))];
            origin = kFree | kReached;
            marked_.push_back(at(record.destColumn, record.destRow));
            if (Grid::inGrid(sx - 1, sy))
                h_[static_cast<size_t>(at(sx - 1, sy))] = record.net;
            if (Grid::inGrid(sx, sy)) {
                h_[static_cast<size_t>(at(sx, sy))] = kFree;
                v_[static_cast<size_t>(at(sx, sy))] = kBlocked;
            }
            found =
                search(record.net, sx, sy, endColumn, endRow, record.destColumn, record.destRow);
        }
        if (found) {
            record.status = 1; // counts as routed for the colour lookup of later records
            record.colour = colourFor(records, k, counter);
            backtrace(record, endColumn, endRow, out);
        } else {
            record.status = RouteRecord::kNotRouted;
        }
        clearMarks();
    }
    findJunctions(page, out);
}

void LinkRouter::reach(bool horizontalLayer, int index, uint32_t code) {
    (horizontalLayer ? h_ : v_)[static_cast<size_t>(index)] |= kReached | (code << kArrivalShift);
    marked_.push_back(index);
    const int column = index % kCells;
    pending_[static_cast<size_t>(index / kCells)][static_cast<size_t>(column >> 6)] |=
        uint64_t{1} << (column & 63);
}

bool LinkRouter::search(uint16_t net, int sx, int sy, int& endColumn, int& endRow, int originColumn,
                        int originRow) {
    if (search_ != nullptr) {
        marksScattered_ = true;
        return search_(h_, v_, net, sx, sy, originColumn, originRow, endColumn, endRow);
    }
    // Rings grow around the source; in each ring the cells of its window are
    // expanded in row-major order, and a cell reached during the ring is expanded
    // in the same ring when it comes later in that order. Only cells with moves
    // still to try are visited: a move that failed fails for the rest of the
    // search (cells only ever go from free to reached), so visiting a cell again
    // after all its moves were tried changes nothing.
    for (auto& row : pending_)
        row.fill(0);
    pending_[static_cast<size_t>(originRow)][static_cast<size_t>(originColumn >> 6)] |=
        uint64_t{1} << (originColumn & 63);
    bool hit = false;
    bool moved = false;
    // The reached cells lie inside this box; it only grows.
    int top = originRow;
    int bottom = originRow;
    int left = originColumn;
    int right = originColumn;
    auto tryMove = [&](bool horizontalLayer, int c, int r, uint32_t code) {
        if (!Grid::inGrid(c, r))
            return;
        const int index = at(c, r);
        const uint32_t cell = (horizontalLayer ? h_ : v_)[static_cast<size_t>(index)];
        const uint32_t owner = cell & kOwnerMask;
        if (owner == kBlocked || (cell & kReached))
            return;
        if (owner != kFree && owner != net)
            return;
        reach(horizontalLayer, index, code);
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
    auto expand = [&](int c, int r) {
        const auto index = static_cast<size_t>(at(c, r));
        const bool horizontalBefore = (h_[index] & kReached) != 0;
        const bool verticalBefore = (v_[index] & kReached) != 0;
        if (horizontalBefore) {
            tryMove(true, c - 1, r, kMovedLeft);
            tryMove(true, c + 1, r, kMovedRight);
        }
        if (verticalBefore) {
            tryMove(false, c, r + 1, kMovedDown);
            tryMove(false, c, r - 1, kMovedUp);
            tryMove(true, c, r, kLayerChange);
        }
        if (h_[index] & kReached)
            tryMove(false, c, r, kLayerChange);
        // A layer reached by its own layer change has not tried its moves yet:
        // the cell stays queued for the next ring.
        const bool horizontalNew = !horizontalBefore && (h_[index] & kReached);
        const bool verticalNew = !verticalBefore && (v_[index] & kReached);
        if (!horizontalNew && !verticalNew)
            pending_[static_cast<size_t>(r)][static_cast<size_t>(c >> 6)] &=
                ~(uint64_t{1} << (c & 63));
    };
    for (int g = 0; g < kRings; ++g) {
        int c0 = std::max(0, sx - g - 1);
        int c1 = std::min(kCells - 1, sx + g + 1);
        int r0 = std::max(0, sy - g - 1);
        int r1 = std::min(kCells - 1, sy + g + 1);
        bool wholeBoxScanned = c0 <= left && right <= c1 && r0 <= top && bottom <= r1;
        moved = false;
        for (int r = std::max(r0, top); r <= std::min(r1, bottom); ++r) {
            const auto& row = pending_[static_cast<size_t>(r)];
            int c = c0;
            while (c <= c1) {
                // The next queued cell at or after c; the row is read again after
                // every expansion, which may queue cells further on.
                size_t word = static_cast<size_t>(c >> 6);
                uint64_t bits = row[word] & (~uint64_t{0} << (c & 63));
                while (bits == 0 && ++word < row.size())
                    bits = row[word];
                if (bits == 0)
                    break;
                c = static_cast<int>(word) * 64 + std::countr_zero(bits);
                if (c > c1)
                    break;
                expand(c, r);
                ++c;
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

void LinkRouter::backtrace(RouteRecord& record, int column, int row, DrawList& out) {
    record.startColumn = static_cast<uint8_t>(column);
    record.startRow = static_cast<uint8_t>(row);
    record.moves.clear();
    std::vector<Point> line(1, centreOf(column, row));
    bool onHorizontal = true;
    int steps = 0;
    bool done = false;
    // Every cell is reached once, and each visited cell loses its marks, so the
    // walk cannot come back to a cell it has left; the bound is only a guard.
    for (int guard = 0; guard < 2 * kCells * kCells + 2; ++guard) {
        Layer& layer = onHorizontal ? h_ : v_;
        uint32_t& cell = layer[static_cast<size_t>(at(column, row))];
        uint32_t old = cell;
        cell = record.net;
        if (!(old & kReached))
            break;
        switch ((old >> kArrivalShift) & 7) {
        case kMovedLeft:
            ++column;
            record.moves.push_back(kRight);
            break;
        case kMovedRight:
            --column;
            record.moves.push_back(kLeft);
            break;
        case kMovedUp:
            ++row;
            record.moves.push_back(kDown);
            break;
        case kMovedDown:
            --row;
            record.moves.push_back(kUp);
            break;
        case kLayerChange:
            onHorizontal = !onHorizontal;
            break;
        default: // the origin
            done = true;
            break;
        }
        if (done || !Grid::inGrid(column, row))
            break;
        ++steps;
        Point p = centreOf(column, row);
        if (!(p == line.back()))
            line.push_back(p);
    }
    record.status = static_cast<uint8_t>((2 * steps + 3) % 256);
    out.polyline(line, record.colour, kWireWidth);
}

void LinkRouter::clearMarks() {
    if (marksScattered_) {
        for (auto& c : h_)
            c &= kOwnerMask;
        for (auto& c : v_)
            c &= kOwnerMask;
        marksScattered_ = false;
    } else {
        for (int index : marked_) {
            h_[static_cast<size_t>(index)] &= kOwnerMask;
            v_[static_cast<size_t>(index)] &= kOwnerMask;
        }
    }
    marked_.clear();
}

void LinkRouter::findJunctions(int page, DrawList& out) {
    auto& cached = junctions_[static_cast<size_t>(page)];
    for (int r = 0; r < kCells; ++r) {
        for (int c = 0; c < kCells; ++c) {
            uint32_t net = h_[static_cast<size_t>(at(c, r))] & kOwnerMask;
            if (net == kFree || net == kBlocked ||
                (v_[static_cast<size_t>(at(c, r))] & kOwnerMask) != net)
                continue;
            int same = 0;
            same += c > 0 && (h_[static_cast<size_t>(at(c - 1, r))] & kOwnerMask) == net;
            same += c + 1 < kCells && (h_[static_cast<size_t>(at(c + 1, r))] & kOwnerMask) == net;
            same += r > 0 && (v_[static_cast<size_t>(at(c, r - 1))] & kOwnerMask) == net;
            same += r + 1 < kCells && (v_[static_cast<size_t>(at(c, r + 1))] & kOwnerMask) == net;
            if (same <= 2)
                continue;
            Point p = centreOf(c, r);
            out.ellipse(p.x - kJunctionRadius, p.y - kJunctionRadius, p.x + kJunctionRadius,
                        p.y + kJunctionRadius, Colours::kBlack, kWireWidth, true, Colours::kBlack);
            if (static_cast<int>(cached.size()) < kMaxJunctions)
                cached.push_back({static_cast<uint8_t>(c), static_cast<uint8_t>(r)});
        }
    }
}

void LinkRouter::replay(int page, DrawList& out,
                        const std::function<void(const RouteRecord&)>& notRouted) {
    if (!validPage(page))
        return;
    setAllWiresVisible();
    auto& records = routes_[static_cast<size_t>(page)];
    int counter = 0;
    std::vector<Point> line;
    for (size_t k = 0; k < records.size(); ++k) {
        RouteRecord& record = records[k];
        if (!record.routed()) {
            if (notRouted)
                notRouted(record);
            continue;
        }
        record.colour = colourFor(records, k, counter);
        int c = record.startColumn;
        int r = record.startRow;
        line.assign(1, centreOf(c, r));
        for (uint8_t m : record.moves) {
            switch (m) {
            case kLeft:
                --c;
                break;
            case kDown:
                ++r;
                break;
            case kRight:
                ++c;
                break;
            case kUp:
                --r;
                break;
            default:
                break;
            }
            line.push_back(centreOf(c, r));
        }
        out.polyline(line, record.colour, kWireWidth);
    }
    for (const Junction& j : junctions_[static_cast<size_t>(page)]) {
        Point p = centreOf(j.column, j.row);
        out.ellipse(p.x - kJunctionRadius, p.y - kJunctionRadius, p.x + kJunctionRadius,
                    p.y + kJunctionRadius, Colours::kBlack, kWireWidth, true, Colours::kBlack);
    }
}

} // namespace zolmar

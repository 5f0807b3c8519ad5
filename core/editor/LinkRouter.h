#pragma once

#include "editor/DrawList.h"
#include "editor/Geometry.h"

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace zolmar {

// One cached wire of a page: where it starts at the source side, the input it
// ends at, its net and colour, and the cell moves from start to destination.
struct RouteRecord {
    static constexpr uint8_t kNotRouted = 0x20;
    uint8_t startColumn = 0x20;
    uint8_t startRow = 0x20;
    uint8_t destColumn = 0;
    uint8_t destRow = 0;
    uint16_t net = 0; // the source output's live address
    Rgb colour{0x20, 0x20, 0x20};
    // (2 × steps + 3) mod 256 when routed (always odd), kNotRouted when not.
    uint8_t status = kNotRouted;
    std::vector<uint8_t> moves; // 1 left, 2 down, 3 right, 4 up
    // The input the wire feeds, valid while the page's routes are.
    int destElement = -1;
    int destInput = -1;

    bool routed() const { return (status & 1) != 0; }
};

struct Junction {
    uint8_t column = 0;
    uint8_t row = 0;
    friend bool operator==(const Junction&, const Junction&) = default;
};

// A link between two elements of the same page, as the renderer finds it.
struct LinkRequest {
    Point dest;   // destination pin pixel
    Point source; // source pin pixel
    uint16_t net = 0;
    int destElement = -1;
    int destInput = -1;
    int distance() const {
        int dx = dest.x - source.x;
        int dy = dest.y - source.y;
        return (dx < 0 ? -dx : dx) + (dy < 0 ? -dy : dy);
    }
};

// The maze router of the page's wires on two grid layers (horizontal runs and
// vertical runs), and the per-page cache of routes and junctions that is
// replayed until the page is edited.
class LinkRouter {
public:
    static constexpr uint32_t kFree = 0xFFFF;
    static constexpr uint32_t kBlocked = 0xFFFE;
    static constexpr uint32_t kReached = 1u << 16;
    static constexpr int kArrivalShift = 18;
    static constexpr int kRings = 125;
    // The cache holds this many routed links per page; farther links of a
    // crowded page are shown by name at their pins, like routes that failed.
    static constexpr int kMaxRouted = 256;
    static constexpr int kMaxJunctions = 50;
    static constexpr int kJunctionRadius = 3;
    static constexpr int kWireWidth = 4;

    using Layer = std::array<uint32_t, Grid::kCells * Grid::kCells>;
    // A maze search over both layers: from the origin (the destination pin's
    // cell, already marked reached) outwards in rings around the source cell
    // (sx, sy) until a cell of the horizontal layer owned by net is reached;
    // that cell is returned in endColumn/endRow. Marks reached cells with their
    // arrival move; the router clears the marks after each link.
    using Search = bool (*)(Layer& h, Layer& v, uint16_t net, int sx, int sy, int originColumn,
                            int originRow, int& endColumn, int& endRow);

    LinkRouter();

    // Replaces the router's own search (nullptr restores it): tests route with
    // a reference search and compare the results.
    void setSearch(Search search) { search_ = search; }

    // --- cache
    void invalidate(int page);
    void invalidateAll();
    bool routesValid(int page) const;
    const std::vector<RouteRecord>& routes(int page) const;
    const std::vector<Junction>& junctions(int page) const;

    // Wire-visible flags, one per input word by its logic address.
    bool wireVisible(int logicAddr) const;
    void setWireVisible(int logicAddr, bool visible);
    void setAllWiresVisible();

    // --- recomputation, in the order the renderer calls it
    // Frees both layers and empties the page's routes and junctions.
    void startRecompute(int page);
    // Blocks a cell on both layers; cells outside the grid are ignored.
    void block(int column, int row);
    // Appends a route record for the link, keeping records in ascending distance
    // (a request passes earlier ones only while strictly nearer).
    void addRequest(int page, const LinkRequest& request);
    // Marks the page valid, routes its records in order drawing each wire, then
    // finds, draws and caches the junctions.
    void recompute(int page, DrawList& out);
    // Draws the cached routes; each record that was not routed is handed to
    // notRouted, which writes its label. Finally draws the cached junctions.
    void replay(int page, DrawList& out, const std::function<void(const RouteRecord&)>& notRouted);

    // --- layers, for the renderer's wire-visible pass and for tests
    uint32_t horizontal(int column, int row) const;
    uint32_t vertical(int column, int row) const;

    static constexpr std::array<Rgb, 8> kPalette = {{{0, 0, 0},
                                                     {0, 0, 192},
                                                     {192, 0, 0},
                                                     {0, 128, 0},
                                                     {240, 120, 0},
                                                     {192, 0, 192},
                                                     {128, 128, 128},
                                                     {0, 192, 192}}};

private:
    static int at(int column, int row) { return row * Grid::kCells + column; }
    void backtrace(RouteRecord& record, int column, int row, DrawList& out);
    bool search(uint16_t net, int sx, int sy, int& endColumn, int& endRow, int originColumn,
                int originRow);
    // Marks a cell reached with its arrival code; remembers it for clearMarks
    // and queues it for expansion.
    void reach(bool horizontalLayer, int index, uint32_t code);
    void clearMarks();
    void findJunctions(int page, DrawList& out);
    Rgb colourFor(const std::vector<RouteRecord>& records, size_t index, int& counter) const;

    Layer h_{};
    Layer v_{};
    Search search_ = nullptr;
    // The search's state: cells whose reached layers still have moves to try,
    // one bit per cell and row, and every cell index marked since the last clear
    // (so that clearing costs what the search reached, not the whole grid).
    static constexpr int kRowWords = (Grid::kCells + 63) / 64;
    std::array<std::array<uint64_t, kRowWords>, Grid::kCells> pending_{};
    std::vector<int> marked_;
    bool marksScattered_ = false; // set by a replaced search: clear the whole grid
    std::array<bool, Layout::kNumPages> valid_{};
    std::array<std::vector<RouteRecord>, Layout::kNumPages> routes_;
    std::array<std::vector<LinkRequest>, Layout::kNumPages> requests_;
    std::array<std::vector<Junction>, Layout::kNumPages> junctions_;
    // Input words of records that start below the record limit end before this.
    static constexpr int kWireFlags = Layout::kLogicSize + 2 * 48 + 4;
    std::array<uint8_t, kWireFlags> wireVisible_{};
};

} // namespace zolmar

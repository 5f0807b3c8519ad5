#include "editor/LinkRouter.h"

#include <gtest/gtest.h>
#include <set>

using namespace zolmar;

namespace {

constexpr int kPage = 3;

// A link from the source pin in cell (sc, sr) to the input pin in cell (dc, dr).
LinkRequest link(int dc, int dr, int sc, int sr, uint16_t net, int element = 0, int input = 0) {
    LinkRequest r;
    r.dest = {17 * dc, 17 * dr + 8};
    r.source = {17 * sc + 5, 17 * sr + 8};
    r.net = net;
    r.destElement = element;
    r.destInput = input;
    return r;
}

// Blocks the rectangle of cells as an element would.
void blockBox(LinkRouter& router, int c0, int r0, int c1, int r1) {
    for (int r = r0; r <= r1; ++r)
        for (int c = c0; c <= c1; ++c)
            router.block(c, r);
}

// The cells a record's wire passes, start cell first.
std::vector<std::pair<int, int>> cellsOf(const RouteRecord& record) {
    std::vector<std::pair<int, int>> cells{{record.startColumn, record.startRow}};
    int c = record.startColumn;
    int r = record.startRow;
    for (uint8_t m : record.moves) {
        c += m == 3 ? 1 : m == 1 ? -1 : 0;
        r += m == 2 ? 1 : m == 4 ? -1 : 0;
        cells.emplace_back(c, r);
    }
    return cells;
}

std::vector<DrawOp> opsOf(const DrawList& list, DrawOp::Kind kind) {
    std::vector<DrawOp> found;
    for (const auto& op : list.ops)
        if (op.kind == kind)
            found.push_back(op);
    return found;
}

std::vector<std::vector<Point>> polylines(const DrawList& list) {
    std::vector<std::vector<Point>> lines;
    for (const auto& op : opsOf(list, DrawOp::Kind::Polyline))
        lines.emplace_back(list.points.begin() + op.first,
                           list.points.begin() + op.first + op.count);
    return lines;
}

struct LinkRouterTest : ::testing::Test {
    LinkRouter router;
    DrawList out;
};

TEST_F(LinkRouterTest, StraightLinkRunsFromTheSourceToThePin) {
    router.startRecompute(kPage);
    blockBox(router, 10, 5, 15, 6); // source element, pin row 5, last column 15
    blockBox(router, 30, 5, 36, 6); // destination element
    router.addRequest(kPage, link(30, 5, 15, 5, 0x40));
    router.recompute(kPage, out);
    ASSERT_EQ(router.routes(kPage).size(), 1u);
    const RouteRecord& r = router.routes(kPage)[0];
    ASSERT_TRUE(r.routed());
    EXPECT_EQ(r.startColumn, 14); // the target cell inside the source's last column
    EXPECT_EQ(r.startRow, 5);
    EXPECT_EQ(r.destColumn, 30);
    EXPECT_EQ(r.destRow, 5);
    EXPECT_EQ(r.moves, std::vector<uint8_t>(16, 3));
    EXPECT_EQ(r.status, 2 * 16 + 3);
    EXPECT_EQ(r.colour, (Rgb{0, 0, 0}));
    auto lines = polylines(out);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].front(), (Point{17 * 14 + 8, 17 * 5 + 8}));
    EXPECT_EQ(lines[0].back(), (Point{17 * 30 + 8, 17 * 5 + 8}));
    EXPECT_TRUE(router.routesValid(kPage));
    // The cell just left of the pin now carries the net: the wire is visible there.
    EXPECT_EQ(router.horizontal(29, 5), 0x40u);
    EXPECT_EQ(router.horizontal(40, 40), LinkRouter::kFree);
}

TEST_F(LinkRouterTest, WiresAvoidBlockedCellsAndTurnOnlyWhereBothLayersAdmit) {
    router.startRecompute(kPage);
    blockBox(router, 10, 5, 15, 6);
    blockBox(router, 40, 20, 45, 21);
    blockBox(router, 22, 0, 24, 30); // a wall the wire must go round
    router.addRequest(kPage, link(40, 20, 15, 5, 0x10));
    router.recompute(kPage, out);
    const RouteRecord& r = router.routes(kPage)[0];
    ASSERT_TRUE(r.routed());
    auto cells = cellsOf(r);
    EXPECT_EQ(cells.back(), std::make_pair(40, 20));
    for (auto [c, row] : cells) {
        bool inWall = c >= 22 && c <= 24 && row <= 30;
        EXPECT_FALSE(inWall) << c << "," << row;
    }
    // Each move stays on one axis; the wire ends entering the pin from the left.
    EXPECT_EQ(r.moves.back(), 3);
}

TEST_F(LinkRouterTest, NearerRequestsComeFirstAndEqualOnesKeepTheirOrder) {
    router.startRecompute(kPage);
    router.addRequest(kPage, link(60, 10, 10, 10, 0x02, 1)); // distance 50 cells
    router.addRequest(kPage, link(30, 10, 10, 10, 0x04, 2)); // 20 cells
    router.addRequest(kPage, link(30, 30, 10, 30, 0x06, 3)); // 20 cells, added later
    router.addRequest(kPage, link(12, 10, 10, 10, 0x08, 4)); // 2 cells
    std::vector<int> order;
    for (const auto& r : router.routes(kPage))
        order.push_back(r.destElement);
    EXPECT_EQ(order, (std::vector<int>{4, 2, 3, 1}));
}

TEST_F(LinkRouterTest, NearerLinksTakeTheDirectPathAndLaterOnesRouteAroundThem) {
    router.startRecompute(kPage);
    // Two links crossing the same straight corridor between the same columns.
    router.addRequest(kPage, link(40, 10, 10, 12, 0x20, 1)); // farther
    router.addRequest(kPage, link(40, 12, 10, 10, 0x30, 2)); // also far, equal distance
    router.addRequest(kPage, link(30, 11, 20, 11, 0x40, 3)); // nearest: straight
    router.recompute(kPage, out);
    const auto& records = router.routes(kPage);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].destElement, 3);
    EXPECT_EQ(records[0].moves, std::vector<uint8_t>(11, 3));
    for (const auto& r : records)
        ASSERT_TRUE(r.routed());
    // The later links cannot run along the straight row the nearest one took.
    for (size_t k = 1; k < records.size(); ++k)
        for (auto [c, r] : cellsOf(records[k]))
            if (r == 11 && c > 21 && c < 29)
                ADD_FAILURE() << "crosses into the first wire's row at column " << c;
    // Distinct nets get successive palette colours in routing order.
    EXPECT_EQ(records[0].colour, LinkRouter::kPalette[0]);
    EXPECT_EQ(records[1].colour, LinkRouter::kPalette[1]);
    EXPECT_EQ(records[2].colour, LinkRouter::kPalette[2]);
}

TEST_F(LinkRouterTest, LinksFromOneOutputShareTheTrunkColourAndBranchWithAJunction) {
    router.startRecompute(kPage);
    blockBox(router, 5, 20, 10, 21);
    blockBox(router, 50, 10, 55, 11);
    blockBox(router, 50, 30, 55, 31);
    router.addRequest(kPage, link(50, 10, 10, 20, 0x66, 1));
    router.addRequest(kPage, link(50, 30, 10, 20, 0x66, 2));
    router.recompute(kPage, out);
    const auto& records = router.routes(kPage);
    ASSERT_EQ(records.size(), 2u);
    ASSERT_TRUE(records[0].routed());
    ASSERT_TRUE(records[1].routed());
    EXPECT_EQ(records[0].colour, records[1].colour);
    // The second route starts on a cell of the first, not back at the source pin.
    auto first = cellsOf(records[0]);
    std::set<std::pair<int, int>> trunk(first.begin(), first.end());
    std::pair<int, int> start{records[1].startColumn, records[1].startRow};
    EXPECT_TRUE(trunk.count(start));
    EXPECT_NE(start, std::make_pair(9, 20));
    EXPECT_LT(records[1].moves.size(), first.size());
    // Where the branch leaves the trunk a dot is drawn and cached.
    ASSERT_EQ(router.junctions(kPage).size(), 1u);
    Junction j = router.junctions(kPage)[0];
    EXPECT_TRUE(trunk.count({j.column, j.row}));
    EXPECT_EQ(opsOf(out, DrawOp::Kind::Ellipse).size(), 1u);
}

TEST_F(LinkRouterTest, WalledInSourceFailsAndLeavesTheRecordUnrouted) {
    router.startRecompute(kPage);
    blockBox(router, 50, 50, 60, 60);
    router.block(55, 55); // keep the source cells themselves inside the wall
    blockBox(router, 5, 5, 8, 6);
    router.addRequest(kPage, link(5, 5, 55, 55, 0x12, 7, 1));
    router.addRequest(kPage, link(30, 5, 10, 5, 0x14, 8, 0));
    router.recompute(kPage, out);
    const auto& records = router.routes(kPage);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_TRUE(records[0].routed());
    EXPECT_FALSE(records[1].routed());
    EXPECT_EQ(records[1].status, RouteRecord::kNotRouted);
    EXPECT_TRUE(records[1].moves.empty());
    EXPECT_EQ(polylines(out).size(), 1u);
    std::vector<int> replayed;
    DrawList again;
    router.replay(kPage, again, [&](const RouteRecord& r) { replayed.push_back(r.destElement); });
    EXPECT_EQ(replayed, std::vector<int>{7});
}

TEST_F(LinkRouterTest, ReplayDrawsTheSameWiresColoursAndJunctionsWithoutSearching) {
    router.startRecompute(kPage);
    blockBox(router, 2, 2, 8, 12);
    for (int k = 0; k < 12; ++k) {
        int c = 20 + (k % 3) * 8;
        blockBox(router, c, 5 + k * 3, c + 5, 6 + k * 3);
        router.addRequest(
            kPage, link(c, 5 + k * 3, 8, 2 + (k % 4) * 2, static_cast<uint16_t>(2 * (k % 4)), k));
    }
    router.recompute(kPage, out);
    for (const auto& r : router.routes(kPage))
        ASSERT_TRUE(r.routed()) << r.destElement;
    DrawList again;
    router.replay(kPage, again, {});
    EXPECT_EQ(polylines(again), polylines(out));
    auto colours = [](const DrawList& l) {
        std::vector<Rgb> c;
        for (const auto& op : opsOf(l, DrawOp::Kind::Polyline))
            c.push_back(op.colour);
        return c;
    };
    EXPECT_EQ(colours(again), colours(out));
    EXPECT_EQ(opsOf(again, DrawOp::Kind::Ellipse).size(), opsOf(out, DrawOp::Kind::Ellipse).size());
    EXPECT_FALSE(router.junctions(kPage).empty());
    // Four nets, four colours, whatever order they were routed in.
    std::set<std::tuple<int, int, int>> distinct;
    for (Rgb c : colours(out))
        distinct.insert({c.r, c.g, c.b});
    EXPECT_EQ(distinct.size(), 4u);
}

TEST_F(LinkRouterTest, FiftyJunctionsAreCachedAndFurtherOnesOnlyDrawn) {
    router.startRecompute(kPage);
    // One output feeding a column of inputs: a comb with a branch to each.
    blockBox(router, 0, 58, 3, 59);
    for (int k = 0; k < 56; ++k) {
        int r = 2 + 2 * k;
        blockBox(router, 60, r, 65, r);
        router.addRequest(kPage, link(60, r, 3, 58, 0x22, k));
    }
    router.recompute(kPage, out);
    size_t drawn = opsOf(out, DrawOp::Kind::Ellipse).size();
    EXPECT_GT(drawn, 50u);
    EXPECT_EQ(router.junctions(kPage).size(), 50u);
    DrawList again;
    router.replay(kPage, again, {});
    EXPECT_EQ(opsOf(again, DrawOp::Kind::Ellipse).size(), 50u);
}

TEST_F(LinkRouterTest, BeyondTheCacheLimitFartherLinksAreNotRouted) {
    router.startRecompute(kPage);
    int n = LinkRouter::kMaxRouted + 10;
    for (int k = 0; k < n; ++k) {
        int c = 4 + 4 * (k % 29);
        int r = 2 + 3 * (k / 29);
        router.addRequest(kPage, link(c, r, c - 2, r, static_cast<uint16_t>(2 * k), k));
    }
    router.recompute(kPage, out);
    const auto& records = router.routes(kPage);
    ASSERT_EQ(records.size(), static_cast<size_t>(n));
    for (int k = 0; k < n; ++k)
        EXPECT_EQ(records[static_cast<size_t>(k)].routed(), k < LinkRouter::kMaxRouted) << k;
    int unrouted = 0;
    DrawList again;
    router.replay(kPage, again, [&](const RouteRecord&) { ++unrouted; });
    EXPECT_EQ(unrouted, 10);
    EXPECT_EQ(polylines(again).size(), static_cast<size_t>(LinkRouter::kMaxRouted));
}

TEST_F(LinkRouterTest, InvalidationIsPerPageAndOutOfRangePagesAreIgnored) {
    router.startRecompute(1);
    router.recompute(1, out);
    router.startRecompute(2);
    router.recompute(2, out);
    router.invalidate(1);
    EXPECT_FALSE(router.routesValid(1));
    EXPECT_TRUE(router.routesValid(2));
    router.invalidate(-1);
    router.invalidate(128);
    router.addRequest(500, link(1, 1, 0, 0, 2));
    EXPECT_TRUE(router.routes(500).empty());
    router.invalidateAll();
    EXPECT_FALSE(router.routesValid(2));
}

TEST_F(LinkRouterTest, PinsOutsideTheGridAreNotRouted) {
    router.startRecompute(kPage);
    router.addRequest(kPage, link(130, 5, 100, 5, 0x10));
    router.addRequest(kPage, link(20, 5, 10, 5, 0xFFFE));
    router.recompute(kPage, out);
    for (const auto& r : router.routes(kPage))
        EXPECT_FALSE(r.routed());
    EXPECT_TRUE(polylines(out).empty());
}

TEST_F(LinkRouterTest, WireVisibleFlagsCoverBothBytesOfAnInputWord) {
    router.setWireVisible(100, false);
    EXPECT_FALSE(router.wireVisible(100));
    EXPECT_FALSE(router.wireVisible(101));
    EXPECT_TRUE(router.wireVisible(102));
    router.setWireVisible(-5, false);
    router.setWireVisible(1 << 20, false);
    EXPECT_FALSE(router.wireVisible(1 << 20));
    router.setAllWiresVisible();
    EXPECT_TRUE(router.wireVisible(100));
}

} // namespace

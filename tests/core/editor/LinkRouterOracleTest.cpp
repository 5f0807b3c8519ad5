// The router's search must give exactly the routes of the reference search: the
// same wires, colours, junctions and drawing, on the shipped default pages, on
// generated diagrams and on random obstacle grids.
#include "DiagramGenerator.h"
#include "RawConfig.h"
#include "ReferenceLinkSearch.h"
#include "editor/LinkRouter.h"
#include "editor/PageRenderer.h"
#include "files/SettingsFile.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <sstream>

using namespace zolmar;

namespace {

// Everything a route decides, as one comparable text.
std::string describe(const LinkRouter& router, int page) {
    std::ostringstream out;
    for (const RouteRecord& r : router.routes(page)) {
        out << int(r.startColumn) << ',' << int(r.startRow) << '>' << int(r.destColumn) << ','
            << int(r.destRow) << " net " << r.net << " status " << int(r.status) << " colour "
            << int(r.colour.r) << '.' << int(r.colour.g) << '.' << int(r.colour.b) << " moves ";
        for (uint8_t m : r.moves)
            out << int(m);
        out << '\n';
    }
    for (const Junction& j : router.junctions(page))
        out << "junction " << int(j.column) << ',' << int(j.row) << '\n';
    return out.str();
}

std::string describe(const DrawList& list) {
    std::ostringstream out;
    for (const DrawOp& op : list.ops) {
        out << int(op.kind) << ' ' << op.x << ',' << op.y << ',' << op.x2 << ',' << op.y2 << ' '
            << op.picture << ' ' << op.width << ' ' << int(op.colour.r) << '.' << int(op.colour.g)
            << '.' << int(op.colour.b) << ' ' << op.text;
        for (int k = op.first; k < op.first + op.count; ++k)
            out << ' ' << list.points[static_cast<size_t>(k)].x << ':'
                << list.points[static_cast<size_t>(k)].y;
        out << '\n';
    }
    return out.str();
}

// Renders every page of the configuration with both searches and compares.
// Returns the number of links routed, so that a test can see it routed something.
int expectSameRoutesOnEveryPage(tECU& ecu) {
    LinkRouter fast;
    LinkRouter reference;
    reference.setSearch(&test::ReferenceLinkSearch);
    FixedCellMetrics metrics;
    PageRenderer fastRenderer(ecu, fast, metrics);
    PageRenderer referenceRenderer(ecu, reference, metrics);
    int routed = 0;
    for (int page = 0; page < Layout::kNumPages; ++page) {
        DrawList a;
        DrawList b;
        fastRenderer.RenderPage(page, true, a);
        referenceRenderer.RenderPage(page, true, b);
        EXPECT_EQ(describe(fast, page), describe(reference, page)) << "page " << page;
        EXPECT_EQ(describe(a), describe(b)) << "page " << page;
        for (const RouteRecord& r : fast.routes(page))
            routed += r.routed();
    }
    return routed;
}

TEST(LinkRouterOracleTest, DefaultConfigurationRoutesAsTheReferenceOnEveryPage) {
    SilentMessages messages;
    auto ecu = std::make_unique<tECU>(messages);
    std::string error;
    ASSERT_TRUE(SettingsFile::load(*ecu, ZOLMAR_DEFAULT_CONFIG, error)) << error;
    EXPECT_GT(expectSameRoutesOnEveryPage(*ecu), 100);
}

TEST(LinkRouterOracleTest, GeneratedDiagramsRouteAsTheReference) {
    int routed = 0;
    for (uint32_t seed = 1; seed <= 12; ++seed) {
        SilentMessages messages;
        auto ecu = std::make_unique<tECU>(messages);
        test::DiagramOptions options;
        options.seed = seed;
        options.elements = 20 + 10 * static_cast<int>(seed); // crowded pages fail some links
        options.pages = 1;
        options.dedicated = false; // links then stay among the page's elements
        options.linkPercent = 40 + 10 * static_cast<int>(seed % 5);
        test::GenerateDiagram(*ecu, options);
        SCOPED_TRACE(seed);
        routed += expectSameRoutesOnEveryPage(*ecu);
    }
    EXPECT_GT(routed, 10);
    std::printf("generated diagrams: %d links routed\n", routed);
}

// Links to any row of the column before: many wires cross, many fail.
TEST(LinkRouterOracleTest, DensePageOfFarLinksRoutesAsTheReference) {
    SilentMessages messages;
    auto ecu = std::make_unique<tECU>(messages);
    test::RawConfig raw(*ecu);
    std::vector<std::vector<int>> columns(10);
    for (int c = 0; c < 10; ++c) {
        for (int r = 0; r < 10; ++r) {
            int type = c == 0 ? ElementType::Constant
                              : (r % 3 == 0 ? ElementType::Multiplier : ElementType::Summer);
            int e = raw.add(type, 1, 1 + 12 * c, 1 + 12 * r, "E" + std::to_string(10 * c + r));
            columns[static_cast<size_t>(c)].push_back(e);
            if (c == 0)
                continue;
            for (int k = 0; k < tECU::InputCount(type); ++k)
                raw.link(
                    e, k,
                    columns[static_cast<size_t>(c - 1)][static_cast<size_t>((r + k * 3 + c) % 10)],
                    0);
        }
    }
    raw.finish();
    EXPECT_GT(expectSameRoutesOnEveryPage(*ecu), 50);
}

// The router alone on random walls and pins: narrow gaps, walled-in pins,
// sources and destinations on the grid's edges, nets shared by several links.
TEST(LinkRouterOracleTest, RandomObstacleGridsRouteAsTheReference) {
    std::mt19937 random(20261210);
    int routed = 0;
    for (int round = 0; round < 40; ++round) {
        LinkRouter fast;
        LinkRouter reference;
        reference.setSearch(&test::ReferenceLinkSearch);
        for (LinkRouter* router : {&fast, &reference})
            router->startRecompute(2);
        std::mt19937 layout(random());
        const int walls = std::uniform_int_distribution<int>(0, 60)(layout);
        for (int w = 0; w < walls; ++w) {
            const int c = std::uniform_int_distribution<int>(0, Grid::kCells - 1)(layout);
            const int r = std::uniform_int_distribution<int>(0, Grid::kCells - 1)(layout);
            const int length = std::uniform_int_distribution<int>(1, 60)(layout);
            const bool across = layout() & 1;
            for (int k = 0; k < length; ++k)
                for (LinkRouter* router : {&fast, &reference})
                    router->block(across ? c + k : c, across ? r : r + k);
        }
        const int links = std::uniform_int_distribution<int>(1, 40)(layout);
        std::uniform_int_distribution<int> pixel(0, Grid::kCells * Grid::kCell - 1);
        for (int k = 0; k < links; ++k) {
            LinkRequest request;
            request.dest = {pixel(layout), pixel(layout)};
            if (layout() % 3 == 0) // near links, as most of a diagram's
                request.source = {request.dest.x - 40 - static_cast<int>(layout() % 200),
                                  request.dest.y + static_cast<int>(layout() % 100) - 50};
            else
                request.source = {pixel(layout), pixel(layout)};
            request.net = static_cast<uint16_t>(2 * (layout() % 8) + 0x1001);
            request.destElement = k;
            for (LinkRouter* router : {&fast, &reference})
                router->addRequest(2, request);
        }
        DrawList a;
        DrawList b;
        fast.recompute(2, a);
        reference.recompute(2, b);
        SCOPED_TRACE(round);
        ASSERT_EQ(describe(fast, 2), describe(reference, 2));
        ASSERT_EQ(describe(a), describe(b));
        for (int r = 0; r < Grid::kCells; ++r)
            for (int c = 0; c < Grid::kCells; ++c)
                ASSERT_TRUE(fast.horizontal(c, r) == reference.horizontal(c, r) &&
                            fast.vertical(c, r) == reference.vertical(c, r))
                    << c << ',' << r;
        for (const RouteRecord& r : fast.routes(2))
            routed += r.routed();
    }
    EXPECT_GT(routed, 100);
}

} // namespace

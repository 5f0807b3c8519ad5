#include "editor/PageRenderer.h"
#include "DiagramGenerator.h"
#include "RawConfig.h"
#include "model/PinTable.h"
#include "model/Tables.h"

#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <tuple>

using namespace zolmar;
using zolmar::test::RawConfig;

namespace {

constexpr int kPage = 2;

struct PageRendererTest : ::testing::Test {
    SilentMessages messages;
    std::unique_ptr<tECU> ecu = std::make_unique<tECU>(messages);
    RawConfig raw{*ecu};
    LinkRouter router;
    FixedCellMetrics metrics;
    PageRenderer renderer{*ecu, router, metrics};
    DrawList out;

    void render(bool advanced = true) {
        out.clear();
        renderer.RenderPage(kPage, advanced, out);
    }
    std::vector<const DrawOp*> texts(const std::string& text) const {
        std::vector<const DrawOp*> found;
        for (const auto& op : out.ops)
            if (op.kind == DrawOp::Kind::Text && op.text == text)
                found.push_back(&op);
        return found;
    }
    // Annotations and values: the texts in the fixed-pitch face.
    std::vector<const DrawOp*> fixedTexts(const std::string& text) const {
        std::vector<const DrawOp*> found;
        for (const DrawOp* op : texts(text))
            if (op->font == Font::Fixed)
                found.push_back(op);
        return found;
    }
    size_t count(DrawOp::Kind kind) const {
        size_t n = 0;
        for (const auto& op : out.ops)
            n += op.kind == kind;
        return n;
    }
};

TEST_F(PageRendererTest, ElementMapHoldsElementsPinsAndNameRows) {
    raw.add(ElementType::Constant, kPage, 3, 4, "Boost");     // 86 x 29
    int summer = raw.add(ElementType::Summer, kPage, 20, 10); // 103 x 33, two inputs
    raw.add(ElementType::Constant, kPage + 1, 3, 4);          // another page
    raw.finish();
    render();
    const ElementMap& map = renderer.elementMap();
    // The constant covers columns 3..(51 + 85) / 17 = 8 and rows 4..(68 + 29 + 15) / 17 = 6.
    EXPECT_EQ(ElementMap::element(map.at(3, 4)), 0);
    EXPECT_EQ(ElementMap::element(map.at(8, 6)), 0);
    EXPECT_EQ(map.at(9, 4), ElementMap::kNoElement);
    EXPECT_EQ(map.at(3, 7), ElementMap::kNoElement);
    EXPECT_TRUE(ElementMap::nameRow(map.at(5, 6)));
    EXPECT_FALSE(ElementMap::nameRow(map.at(5, 5)));
    // Summer inputs: cells (20, 10) and (20, 11), numbered from 1.
    EXPECT_EQ(ElementMap::element(map.at(20, 11)), summer);
    EXPECT_EQ(ElementMap::inputPlusOne(map.at(20, 10)), 1);
    EXPECT_EQ(ElementMap::inputPlusOne(map.at(20, 11)), 2);
    EXPECT_EQ(ElementMap::inputPlusOne(map.at(21, 10)), 0);
    EXPECT_EQ(map.atPixel(17 * 20 + 16, 17 * 11), map.at(20, 11));
    EXPECT_EQ(map.atPixel(-1, 5), ElementMap::kNoElement);
}

TEST_F(PageRendererTest, LabelHasNoPictureAndItsNameSitsTwentyPixelsDown) {
    raw.add(ElementType::Label, kPage, 5, 5, "Idle control");
    raw.finish();
    render();
    auto found = texts("Idle control");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0]->x, 85);
    EXPECT_EQ(found[0]->y, 85 + 20);
    EXPECT_EQ(found[0]->font, Font::Label);
    EXPECT_EQ(count(DrawOp::Kind::Picture), 0u);
    // Box: name width (12 characters of 12 pixels) by 20; the third row is its name row.
    ElementBox box = renderer.boxOf(0);
    EXPECT_EQ(box.w, 144);
    EXPECT_EQ(box.h, 20);
    const ElementMap& map = renderer.elementMap();
    EXPECT_TRUE(ElementMap::nameRow(map.at(5, 7)));
    EXPECT_FALSE(ElementMap::nameRow(map.at(5, 6)));
    EXPECT_EQ(ElementMap::element(map.at(5 + (144 - 1) / 17, 7)), 0);
    EXPECT_EQ(map.at(5, 8), ElementMap::kNoElement);
}

TEST_F(PageRendererTest, NamesAreCentredBelowThePicture) {
    raw.add(ElementType::Multiplier, kPage, 2, 3, "Fuel"); // 120 x 50
    raw.finish();
    render();
    auto found = texts("Fuel");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0]->x, 34 + 60 - 14);
    EXPECT_EQ(found[0]->y, 51 + 50);
}

TEST_F(PageRendererTest, LiteralInputsAreWrittenLeftOfTheirPinsAndBlockTheirCells) {
    int m = raw.add(ElementType::Multiplier, kPage, 10, 3);
    raw.literal(m, 0, 150);                         // 3.00
    raw.literal(m, 1, static_cast<uint16_t>(-100)); // -2.00
    raw.literal(m, 2, 0x7FFE);                      // 655.32
    raw.finish();
    render();
    auto a = texts("3.00");
    ASSERT_EQ(a.size(), 1u);
    EXPECT_EQ(a[0]->x, 170 - 2 - 4 * 8);
    EXPECT_EQ(a[0]->y, 17 * 3 + 8 - 7);
    ASSERT_EQ(texts("-2.00").size(), 1u);
    EXPECT_EQ(texts("-2.00")[0]->y, 17 * 4 + 8 - 7);
    ASSERT_EQ(texts("655.32").size(), 1u);
    // The text's cells, from (170 - 32) / 17 = 8 to the pin column, are blocked.
    EXPECT_EQ(router.horizontal(8, 3), LinkRouter::kBlocked);
    EXPECT_EQ(router.vertical(9, 3), LinkRouter::kBlocked);
    EXPECT_EQ(router.horizontal(7, 3), LinkRouter::kFree);
    EXPECT_EQ(ElementMap::inputPlusOne(renderer.elementMap().at(10, 5)), 3);
}

TEST_F(PageRendererTest, LinksOnThePageAreWiredAndReplayedFromTheCache) {
    int k = raw.add(ElementType::Constant, kPage, 2, 2, "Source");
    int s = raw.add(ElementType::Summer, kPage, 20, 2, "Sum");
    raw.link(s, 0, k, 0);
    raw.link(s, 1, k, 0);
    raw.finish();
    render();
    EXPECT_TRUE(router.routesValid(kPage));
    ASSERT_EQ(router.routes(kPage).size(), 2u);
    const RouteRecord& r = router.routes(kPage)[0];
    EXPECT_TRUE(r.routed());
    EXPECT_EQ(r.destColumn, 20);
    EXPECT_EQ(r.destRow, 2);
    EXPECT_EQ(r.destElement, s);
    // The constant is 86 wide: its pin leaves from pixel 34 + 86 in column 7.
    EXPECT_EQ(r.net, ecu->ElementLiveOffset[k]);
    EXPECT_EQ(router.routes(kPage)[1].colour, r.colour);
    EXPECT_TRUE(router.wireVisible(ecu->InputWordAddress(s, 0)));
    EXPECT_TRUE(router.wireVisible(ecu->InputWordAddress(s, 1)));
    size_t wires = count(DrawOp::Kind::Polyline);
    EXPECT_EQ(wires, 2u);
    std::vector<DrawOp> first(out.ops.begin(), out.ops.end());
    std::vector<Point> firstPoints = out.points;

    render(); // routes valid: replay
    EXPECT_EQ(count(DrawOp::Kind::Polyline), wires);
    EXPECT_EQ(out.points, firstPoints);
    ASSERT_EQ(out.ops.size(), first.size());
}

TEST_F(PageRendererTest, LinksFromAnotherPageDrawNoWireButTheSourceName) {
    int k = raw.add(ElementType::Constant, kPage + 1, 2, 2, "Elsewhere");
    int s = raw.add(ElementType::Summer, kPage, 20, 2);
    int d = raw.add(ElementType::Display, kPage, 20, 10);
    raw.link(s, 0, k, 0);
    raw.link(d, 0, k, 0);
    raw.finish();
    render();
    EXPECT_TRUE(router.routes(kPage).empty());
    EXPECT_EQ(count(DrawOp::Kind::Polyline), 0u);
    // "Pg4.Elsewhere" (13 characters of 8 pixels), measured with seven spaces after it
    // so that the live value fits between the name and the pin.
    std::string name = ecu->OutputName(k, 0, true);
    ASSERT_EQ(name, "Pg4.Elsewhere");
    auto found = texts(name);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0]->x, 340 - 2 - 20 * 8);
    EXPECT_EQ(found[0]->y, 17 * 2 + 8 - 7);
    // A Display's annotation is measured without the spaces.
    EXPECT_EQ(found[1]->x, 340 - 2 - 13 * 8);
    EXPECT_EQ(found[1]->y, 17 * 10 + 8 - 7);
    // Its cells are blocked for the wires: columns (340 - 160) / 17 = 10 to the pin.
    EXPECT_EQ(router.horizontal(10, 2), LinkRouter::kBlocked);
    EXPECT_EQ(router.horizontal(9, 2), LinkRouter::kFree);
}

TEST_F(PageRendererTest, LinksToNoOutputSayWhereTheyPoint) {
    int s = raw.add(ElementType::Summer, kPage, 20, 2);
    raw.finish();
    ecu->SetImageWord(Layout::kLogicBase + ecu->InputWordAddress(s, 0), 0x1F01, false);
    render();
    EXPECT_EQ(texts("Live Address 7936").size(), 1u);
}

TEST_F(PageRendererTest, FailedRoutesAreLabelledAndTheirWiresInvisible) {
    // The constant's pin leaves in column 7; a clipper over columns 8..22, rows 0..3,
    // walls it in.
    int k = raw.add(ElementType::Constant, kPage, 2, 2, "Walled");
    raw.add(ElementType::Clipper, kPage, 8, 0);
    int s = raw.add(ElementType::Summer, kPage, 40, 10, "Sum");
    raw.link(s, 1, k, 0);
    raw.finish();
    render();
    ASSERT_EQ(router.routes(kPage).size(), 1u);
    ASSERT_FALSE(router.routes(kPage)[0].routed());
    // After a recomputation the label is centred on the pin row.
    std::string name = ecu->OutputName(k, 0, false);
    auto found = fixedTexts(name);
    ASSERT_EQ(found.size(), 1u);
    int width = 8 * static_cast<int>(name.size() + 7);
    EXPECT_EQ(found[0]->x, 680 - 2 - width);
    EXPECT_EQ(found[0]->y, 17 * 11 + 8 - 7);
    EXPECT_FALSE(router.wireVisible(ecu->InputWordAddress(s, 1)));
    // Replayed from the cache, its top is one pixel below the row's top.
    render();
    found = fixedTexts(name);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0]->x, 680 - 2 - width);
    EXPECT_EQ(found[0]->y, 17 * 11 + 1);
    EXPECT_FALSE(router.wireVisible(ecu->InputWordAddress(s, 1)));
    EXPECT_TRUE(router.wireVisible(ecu->InputWordAddress(s, 0)));
}

TEST_F(PageRendererTest, ConnectorPinNamesComeFromThePinTable) {
    raw.add(ElementType::Ignition, kPage, 2, 2); // 217 x 272, rows of pins 16, -, 26, ...
    raw.finish();
    PinTable::SetPinName(*ecu, 16, "Coil 1");
    PinTable::SetPinName(*ecu, 26, "Coil 2");
    render();
    auto first = texts("Coil 1");
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0]->x, 34 + 217 - 130);
    EXPECT_EQ(first[0]->y, 34 + 7);
    ASSERT_EQ(texts("Coil 2").size(), 1u);
    EXPECT_EQ(texts("Coil 2")[0]->y, 34 + 7 + 2 * 17);
}

TEST_F(PageRendererTest, FinalPassRedrawsPicturesInAndModeAndBlanksAnEmptyLatch) {
    raw.add(ElementType::Latch, kPage, 4, 4);
    raw.add(ElementType::Label, kPage, 10, 10, "Text");
    raw.finish();
    render();
    std::vector<DrawOp::Kind> kinds;
    for (const auto& op : out.ops)
        kinds.push_back(op.kind);
    ASSERT_GE(kinds.size(), 2u);
    EXPECT_EQ(kinds[kinds.size() - 2], DrawOp::Kind::PictureAnd);
    const DrawOp& blank = out.ops.back();
    EXPECT_EQ(blank.kind, DrawOp::Kind::FillRect);
    EXPECT_EQ(blank.x, 68 + 10);
    EXPECT_EQ(blank.y, 68 + 17);
    EXPECT_EQ(blank.x2, 68 + 17);
    EXPECT_EQ(blank.y2, 68 + 30);
    EXPECT_EQ(blank.colour, Colours::kWhite);
}

TEST_F(PageRendererTest, SimpleViewLeavesTheCanvasBlank) {
    raw.add(ElementType::Constant, kPage, 2, 2, "Hidden");
    raw.finish();
    render(false);
    ASSERT_EQ(out.ops.size(), 1u);
    EXPECT_EQ(out.ops[0].kind, DrawOp::Kind::Clear);
    EXPECT_EQ(renderer.elementMap().at(2, 2), ElementMap::kNoElement);
}

TEST_F(PageRendererTest, DecorationsFollowTheConstants) {
    int c = raw.add(ElementType::Constant, kPage, 1, 1);
    int d = raw.add(ElementType::Delay, kPage, 1, 10);
    int cmp = raw.add(ElementType::Comparator, kPage, 20, 1);
    int t = raw.add(ElementType::Tickbox, kPage, 20, 10);
    int mux = raw.add(ElementType::Mux4, kPage, 40, 1);
    raw.finish();
    ecu->SetImageWord(Layout::kConstBase + ecu->ElementConstOffset[c], static_cast<uint16_t>(-25),
                      false);
    ecu->SetImageWord(Layout::kConstBase + ecu->ElementConstOffset[d], 1500, false);
    ecu->SetImageByte(Layout::kConstBase + ecu->ElementConstOffset[cmp], 5, false); // >=
    ecu->SetImageByte(Layout::kConstBase + ecu->ElementConstOffset[t], 1, false);   // ticked
    ecu->SetImageByte(Layout::kConstBase + ecu->ElementConstOffset[mux], 2, false);
    const char* label = "Second";
    for (int k = 0; label[k]; ++k)
        ecu->SetImageByte(Layout::kLogicBase + ecu->ElementLogicOffset[mux] + 12 + 16 + k,
                          static_cast<uint8_t>(label[k]), false);
    render();
    ASSERT_EQ(texts("-0.50").size(), 1u);
    EXPECT_EQ(texts("-0.50")[0]->x, 17 + 3);
    ASSERT_EQ(texts("1500 ms").size(), 1u);
    EXPECT_EQ(texts("1500 ms")[0]->x, 17 + 62);
    bool ge = false;
    bool tick = false;
    for (const auto& op : out.ops) {
        if (op.kind == DrawOp::Kind::Picture && op.picture == 12)
            ge = op.x == 340 - 35 + 51 && op.y == 17 + 16 - 11;
        if (op.kind == DrawOp::Kind::Picture && op.picture == 23)
            tick = op.x == 340 + 20 && op.y == 170 + 16 - 13;
    }
    EXPECT_TRUE(ge);
    EXPECT_TRUE(tick);
    auto second = texts("Second          ");
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0]->y, 17 + 17);
    EXPECT_EQ(second[0]->colour, Colours::kBlack);
    auto third = texts(std::string(16, ' '));
    bool redRowTwo = false;
    for (const DrawOp* op : third)
        redRowTwo |= op->y == 17 + 34 && op->colour == Colours::kRed;
    EXPECT_TRUE(redRowTwo);
}

TEST_F(PageRendererTest, SelectionMarksFrameThePictureOrTheLabelName) {
    raw.add(ElementType::Constant, kPage, 2, 2);
    raw.add(ElementType::Label, kPage, 10, 10, "Hi");
    raw.finish();
    render();
    DrawList marks;
    renderer.DrawSelectionMark(0, marks);
    renderer.DrawSelectionMark(1, marks);
    renderer.DrawSelectionMark(7, marks); // no such element
    ASSERT_EQ(marks.ops.size(), 2u);
    EXPECT_EQ(marks.ops[0].x, 34 - 3);
    EXPECT_EQ(marks.ops[0].y, 34 - 6);
    EXPECT_EQ(marks.ops[0].x2, 34 + 86 + 3);
    EXPECT_EQ(marks.ops[0].y2, 34 + 29 + 20);
    EXPECT_EQ(marks.ops[0].width, 2);
    EXPECT_EQ(marks.ops[1].x, 170 - 5);
    EXPECT_EQ(marks.ops[1].x2, 170 + 24 + 5);
    EXPECT_EQ(marks.ops[1].y2, 170 + 50);
}

TEST_F(PageRendererTest, ElementsOffTheGridAreDrawnButNeitherMappedNorRouted) {
    int far = raw.add(ElementType::Constant, kPage, 200, 3);
    int s = raw.add(ElementType::Summer, kPage, 20, 3);
    raw.link(s, 0, far, 0);
    raw.finish();
    render();
    EXPECT_EQ(ElementMap::element(renderer.elementMap().at(20, 3)), s);
    for (int c = 0; c < Grid::kCells; ++c)
        EXPECT_NE(ElementMap::element(renderer.elementMap().at(c, 3)), far);
    ASSERT_EQ(router.routes(kPage).size(), 1u);
    EXPECT_FALSE(router.routes(kPage)[0].routed());
}

TEST_F(PageRendererTest, TwoDecimalsOfRawValues) {
    EXPECT_EQ(Tables::TwoDecimals(125), "2.50");
    EXPECT_EQ(Tables::TwoDecimals(-1), "-0.02");
    EXPECT_EQ(Tables::TwoDecimals(0), "0.00");
    EXPECT_EQ(Tables::TwoDecimals(-32768), "-655.36");
    EXPECT_EQ(Tables::TwoDecimals(32767), "655.34");
}

} // namespace

namespace {

struct OverlayTest : PageRendererTest {
    DrawList overlay;
    void renderWithOverlay(Point mouse = {-1, -1}) {
        render();
        overlay.clear();
        renderer.RenderOverlay(kPage, mouse, overlay);
    }
    const DrawOp* lineFrom(int x, int y) const {
        for (const auto& op : overlay.ops)
            if (op.kind == DrawOp::Kind::Line && op.x == x && op.y == y)
                return &op;
        return nullptr;
    }
};

TEST_F(OverlayTest, OutputPinsAreMarkedInTheLastColumnAndTheOneBeforeIt) {
    int t = raw.add(ElementType::Table2D, kPage, 10, 5); // 206 wide, four outputs
    raw.add(ElementType::Label, kPage, 40, 40, "x");
    raw.finish();
    renderWithOverlay();
    const ElementMap& map = renderer.elementMap();
    int last = 10 + 205 / 17;
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(ElementMap::outputPlusOne(map.at(last, 5 + k)), k + 1);
        EXPECT_EQ(ElementMap::outputPlusOne(map.at(last - 1, 5 + k)), k + 1);
        EXPECT_EQ(ElementMap::outputPlusOne(map.at(last - 2, 5 + k)), 0);
        EXPECT_EQ(ElementMap::element(map.at(last, 5 + k)), t);
    }
    EXPECT_EQ(ElementMap::inputPlusOne(map.at(10, 8)), 4);
}

TEST_F(OverlayTest, SwitchLeverFollowsItsControlInput) {
    int sw = raw.add(ElementType::Switch, kPage, 4, 4);
    raw.literal(sw, 2, 50);
    raw.finish();
    renderWithOverlay();
    const DrawOp* lever = lineFrom(68 + 57, 68 + 17);
    ASSERT_NE(lever, nullptr);
    EXPECT_EQ(lever->x2, 68 + 43);
    EXPECT_EQ(lever->y2, 68 + 24);
    EXPECT_EQ(lever->width, 2);
    raw.literal(sw, 2, 0);
    renderWithOverlay();
    ASSERT_NE(lineFrom(68 + 57, 68 + 17), nullptr);
    EXPECT_EQ(lineFrom(68 + 57, 68 + 17)->y2, 68 + 10);
}

TEST_F(OverlayTest, DialNeedleAndThresholdsFollowTheAngleLaw) {
    int g = raw.add(ElementType::Gauge, kPage, 2, 2);
    raw.literal(g, 0, 250); // 5.00: the middle of 0..10
    raw.finish();
    int c = ecu->ElementConstOffset[g];
    ecu->SetImageByte(Layout::kConstBase + c + 8, 2, false); // big dial
    ecu->SetImageWord(Layout::kConstBase + c, 0, false);
    ecu->SetImageWord(Layout::kConstBase + c + 2, 500, false);
    ecu->SetImageWord(Layout::kConstBase + c + 4, 500, false); // amber at the top end
    ecu->SetImageWord(Layout::kConstBase + c + 6, 0, false);   // red at the bottom end
    renderWithOverlay();
    const DrawOp* needle = lineFrom(34 + 124, 34 + 115);
    ASSERT_NE(needle, nullptr);
    EXPECT_EQ(needle->x2, 34 + 124);
    EXPECT_EQ(needle->y2, 34 + 115 - 94);
    EXPECT_EQ(needle->colour, Colours::kRed);
    int ax = 34 + 124 + static_cast<int>(std::lround(100 * std::sin(2.3)));
    int ay = 34 + 116 + static_cast<int>(std::lround(-100 * std::cos(2.3)));
    const DrawOp* amber = lineFrom(ax, ay);
    ASSERT_NE(amber, nullptr);
    EXPECT_EQ(amber->colour, Colours::kAmber);
    EXPECT_EQ(amber->width, 7);
    // Scale labels: min, the middle at the top, max.
    bool top = false;
    for (const auto& op : overlay.ops)
        top |= op.kind == DrawOp::Kind::Text && op.text == "5.00" && op.y == 34 + 19 &&
               op.x == 34 + 124 - 4 * 10 / 2;
    EXPECT_TRUE(top);
}

TEST_F(OverlayTest, LinkedDialsShowNoNeedleWithoutLiveValues) {
    int k = raw.add(ElementType::Constant, kPage, 30, 30);
    int g = raw.add(ElementType::Gauge, kPage, 2, 2);
    raw.link(g, 0, k, 0);
    raw.finish();
    renderWithOverlay();
    EXPECT_EQ(lineFrom(34 + 82, 34 + 73), nullptr);
    ecu->Simulating = true;
    renderWithOverlay();
    EXPECT_NE(lineFrom(34 + 82, 34 + 73), nullptr);
}

TEST_F(OverlayTest, BooleanGaugesAndDisplaysWriteTheirValues) {
    int g = raw.add(ElementType::Gauge, kPage, 2, 2);
    int d = raw.add(ElementType::Display, kPage, 2, 10);
    raw.literal(g, 0, 50);
    raw.literal(d, 0, 124);
    raw.finish();
    ecu->SetImageByte(Layout::kConstBase + ecu->ElementConstOffset[g] + 8, 1, false);
    renderWithOverlay();
    auto has = [&](const std::string& text, int x, int y) {
        for (const auto& op : overlay.ops)
            if (op.kind == DrawOp::Kind::Text && op.text == text && op.x == x && op.y == y)
                return true;
        return false;
    };
    EXPECT_TRUE(has(" True   ", 34 + 24, 34 + 8));
    EXPECT_TRUE(has("2.48", 34 + 24, 170 + 8));
}

TEST_F(OverlayTest, HoverFindsLinkedInputsAndOutputsAndTheBlinkTogglesEverySixCalls) {
    int k = raw.add(ElementType::Constant, kPage, 2, 2);
    int s = raw.add(ElementType::Summer, kPage, 20, 2);
    raw.link(s, 1, k, 0);
    raw.finish();
    renderWithOverlay({17 * 20 + 3, 17 * 3 + 3}); // input 2 of the summer
    EXPECT_EQ(renderer.hoveredAddress(), ecu->ElementLiveOffset[k]);
    renderWithOverlay({17 * (2 + 86 / 17 - 1) + 1, 17 * 2 + 1}); // the constant's output
    EXPECT_EQ(renderer.hoveredAddress(), ecu->ElementLiveOffset[k]);
    renderWithOverlay({17 * 20 + 3, 17 * 2 + 3}); // a literal input
    EXPECT_EQ(renderer.hoveredAddress(), -1);
    std::vector<bool> phases;
    for (int n = 0; n < 12; ++n) {
        renderer.RenderOverlay(kPage, {-1, -1}, overlay);
        phases.push_back(renderer.blinkPhase());
    }
    int changes = 0;
    for (size_t n = 1; n < phases.size(); ++n)
        changes += phases[n] != phases[n - 1];
    EXPECT_EQ(changes, 2);
}

} // namespace

namespace {

struct LiveTextTest : OverlayTest {
    const DrawOp* overlayText(const std::string& text) const {
        for (const auto& op : overlay.ops)
            if (op.kind == DrawOp::Kind::Text && op.text == text)
                return &op;
        return nullptr;
    }
    void setLive(int element, int output, int16_t raw) {
        ecu->SetImageWord(Layout::kLiveBase + ecu->ElementLiveOffset[element] + 2 * output,
                          static_cast<uint16_t>(raw), false);
    }
};

TEST_F(LiveTextTest, LinkedOutputsShowTheirLiveValuesInsideThePicture) {
    int k = raw.add(ElementType::Constant, kPage, 2, 2);
    int t = raw.add(ElementType::Table2D, kPage, 10, 5); // 206 x 67, four outputs
    int s = raw.add(ElementType::Summer, kPage, 40, 5);
    raw.link(s, 0, t, 0);
    raw.link(s, 1, t, 3);
    raw.link(t, 0, k, 0);
    raw.finish();
    setLive(t, 0, 125);
    setLive(t, 3, -26);
    renderWithOverlay();
    // Without live values: dashes on linked outputs, blanks on the others.
    const DrawOp* first = overlayText("  ----");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->x, 170 + 206 - 62);
    EXPECT_EQ(first->colour, Colours::kLiveText);
    ecu->Simulating = true;
    renderWithOverlay();
    const DrawOp* value = overlayText("  2.50");
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->y, 17 * 5 + 8 - 7 + 2); // the first output two pixels lower
    const DrawOp* last = overlayText("  -0.5");
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->y, 17 * 8 + 8 - 7 - 3); // the last of several three pixels higher
    int blanks = 0;
    for (const auto& op : overlay.ops)
        blanks += op.kind == DrawOp::Kind::Text && op.text == "      " && op.x == 170 + 206 - 62;
    EXPECT_EQ(blanks, 2); // outputs 1 and 2 connect to nothing
    // The constant shows its own value, not a live copy over it.
    for (const auto& op : overlay.ops)
        EXPECT_FALSE(op.kind == DrawOp::Kind::Text && op.x == 34 + 86 - 62);
    ecu->ShowAllOutputs = true;
    renderWithOverlay();
    EXPECT_NE(overlayText("  0.00"), nullptr);
}

TEST_F(LiveTextTest, InputsWithoutAVisibleWireShowTheSourceValueBesideThePin) {
    int k = raw.add(ElementType::Constant, kPage + 1, 2, 2);
    int near = raw.add(ElementType::Constant, kPage, 2, 2);
    int s = raw.add(ElementType::Summer, kPage, 20, 2);
    int d = raw.add(ElementType::Display, kPage, 20, 10);
    raw.link(s, 0, k, 0);    // from another page
    raw.link(s, 1, near, 0); // wired on this page
    raw.link(d, 0, k, 0);
    raw.finish();
    setLive(k, 0, 1000);
    setLive(near, 0, 50);
    renderWithOverlay();
    // No live values: dashes beside the summer's pin, nothing for the display.
    const DrawOp* dashes = overlayText("  ----");
    ASSERT_NE(dashes, nullptr);
    EXPECT_EQ(dashes->x, 340 - 2 - 6 * 8);
    EXPECT_EQ(dashes->y, 17 * 2 + 8 - 7);
    ecu->Simulating = true;
    renderWithOverlay();
    const DrawOp* padded = overlayText(" 20.00");
    ASSERT_NE(padded, nullptr);
    EXPECT_EQ(padded->x, 340 - 2 - 6 * 8);
    EXPECT_EQ(overlayText("  1.00"), nullptr); // its wire shows where the value comes from
    // A Display's value is not padded; the widest value's place is restored first.
    const DrawOp* unpadded = nullptr;
    for (const auto& op : overlay.ops)
        if (op.kind == DrawOp::Kind::Text && op.text == "20.00" && op.y == 17 * 10 + 8 - 7)
            unpadded = &op;
    ASSERT_NE(unpadded, nullptr);
    EXPECT_EQ(unpadded->x, 340 - 2 - 5 * 8);
    bool restored = false;
    for (const auto& op : overlay.ops)
        restored |= op.kind == DrawOp::Kind::Restore && op.x2 == 340 - 2 && op.y == 17 * 10 + 1;
    EXPECT_TRUE(restored);
}

TEST_F(LiveTextTest, DialsWriteTheirValueOnTheDialAndTheHoveredValueBlinks) {
    int k = raw.add(ElementType::Constant, kPage, 40, 2);
    int g = raw.add(ElementType::Gauge, kPage, 2, 2); // small dial
    raw.link(g, 0, k, 0);
    raw.finish();
    setLive(k, 0, -50);
    renderWithOverlay();
    const DrawOp* none = overlayText(" ---- ");
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->y, 34 + 107);
    EXPECT_EQ(none->x, 34 + 82 - 3 * 8);
    ecu->Simulating = true;
    renderWithOverlay();
    const DrawOp* value = overlayText("-1.0");
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->x, 34 + 82 - 2 * 8);
    EXPECT_EQ(value->colour, Colours::kLiveText);
    // Hovering the gauge's input: its value turns green or white with the blink.
    std::set<std::tuple<int, int, int>> colours;
    for (int n = 0; n < 12; ++n) {
        renderWithOverlay({34 + 3, 34 + 3});
        const DrawOp* hovered = overlayText("-1.0");
        ASSERT_NE(hovered, nullptr);
        colours.insert({hovered->colour.r, hovered->colour.g, hovered->colour.b});
    }
    EXPECT_EQ(colours, (std::set<std::tuple<int, int, int>>{{0, 128, 0}, {255, 255, 255}}));
}

} // namespace

namespace {

// Pages of generated diagrams: every link of a page is either wired or labelled, a
// link from another page is named, and the cache replays exactly what was routed.
TEST(GeneratedPagesTest, EveryLinkIsWiredOrNamedAndReplayRepeatsTheRouting) {
    int failed = 0;
    int crossPage = 0;
    for (uint32_t seed = 1; seed <= 3; ++seed) {
        SilentMessages messages;
        auto ecu = std::make_unique<tECU>(messages);
        test::DiagramOptions options;
        options.seed = seed;
        options.elements = 120;
        options.pages = 3;
        test::GenerateDiagram(*ecu, options);
        LinkRouter router;
        FixedCellMetrics metrics;
        PageRenderer renderer(*ecu, router, metrics);
        for (int page = 1; page <= 3; ++page) {
            DrawList routed;
            renderer.RenderPage(page, true, routed);
            auto textsOf = [](const DrawList& list) {
                std::multiset<std::string> texts;
                for (const auto& op : list.ops)
                    if (op.kind == DrawOp::Kind::Text && op.font == Font::Fixed)
                        texts.insert(op.text);
                return texts;
            };
            std::multiset<std::string> written = textsOf(routed);
            size_t samePageLinks = 0;
            for (int i = 0; i < ecu->NumElements; ++i) {
                if (ecu->PageOf(i) != page)
                    continue;
                for (int k = 0; k < tECU::InputCount(ecu->TypeOf(i)); ++k) {
                    uint16_t word = ecu->InputWord(i, k);
                    int source = -1;
                    int output = 0;
                    if (!(word & 1) || !renderer.sourceOf(word, source, output))
                        continue;
                    if (ecu->PageOf(source) == page) {
                        ++samePageLinks;
                        continue;
                    }
                    ++crossPage;
                    EXPECT_GE(written.count(ecu->OutputName(source, output, true)), 1u)
                        << "seed " << seed << " element " << i << " input " << k;
                }
            }
            const auto& records = router.routes(page);
            ASSERT_EQ(records.size(), samePageLinks);
            std::vector<std::vector<Point>> wires;
            for (const RouteRecord& r : records) {
                if (r.routed())
                    continue;
                ++failed;
                int source = -1;
                int output = 0;
                ASSERT_TRUE(renderer.sourceOf(r.net, source, output));
                EXPECT_GE(written.count(ecu->OutputName(source, output, false)), 1u);
                EXPECT_FALSE(router.wireVisible(ecu->InputWordAddress(r.destElement, r.destInput)));
            }
            DrawList replayed;
            renderer.RenderPage(page, true, replayed);
            EXPECT_EQ(replayed.points, routed.points) << "seed " << seed << " page " << page;
            size_t dots = 0;
            for (const auto& op : replayed.ops)
                dots += op.kind == DrawOp::Kind::Ellipse && op.width == LinkRouter::kWireWidth;
            EXPECT_EQ(dots, router.junctions(page).size());
            // The same annotations, apart from where failed labels sit after a replay.
            EXPECT_EQ(textsOf(replayed), written);
        }
    }
    // The pages hold both kinds of annotation.
    EXPECT_GT(failed, 0);
    EXPECT_GT(crossPage, 0);
}

} // namespace

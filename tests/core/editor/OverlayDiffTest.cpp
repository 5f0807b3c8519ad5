#include "editor/OverlayDiff.h"

#include <gtest/gtest.h>

namespace zolmar {
namespace {

// Bounds in fixed cells: a text covers its cell, a line its box, a rectangle itself.
CanvasRect cellBounds(const DrawList&, const DrawOp& op) {
    FixedCellMetrics m;
    switch (op.kind) {
    case DrawOp::Kind::Text:
        return {op.x, op.y, op.x + m.width(op.font, op.text), op.y + m.height(op.font)};
    case DrawOp::Kind::Line:
        return {std::min(op.x, op.x2) - 2, std::min(op.y, op.y2) - 2, std::max(op.x, op.x2) + 3,
                std::max(op.y, op.y2) + 3};
    default:
        return {op.x, op.y, op.x2, op.y2};
    }
}

bool covers(const std::vector<CanvasRect>& rects, const CanvasRect& r) {
    for (const CanvasRect& c : rects)
        if (c.x <= r.x && c.y <= r.y && r.x2 <= c.x2 && r.y2 <= c.y2)
            return true;
    return false;
}

struct OverlayDiffTest : ::testing::Test {
    OverlayDiff diff{cellBounds};

    // A dial: white box, needle, value; and a separate value elsewhere.
    static DrawList overlay(int needleX, const std::string& value, const std::string& other) {
        DrawList list;
        list.fillRect(0, 0, 200, 200, Colours::kWhite);
        list.line(100, 100, needleX, 20, Colours::kRed, 4);
        list.text(80, 150, Font::Fixed, Colours::kLiveText, value);
        list.text(600, 600, Font::Fixed, Colours::kLiveText, other);
        return list;
    }
};

TEST_F(OverlayDiffTest, TheFirstOverlayAfterAPageIsDrawnWholeThenOnlyWhatChanged) {
    OverlayRepaint first = diff.next(overlay(100, "12.50", "1.00"));
    EXPECT_TRUE(first.everything);

    OverlayRepaint same = diff.next(overlay(100, "12.50", "1.00"));
    EXPECT_TRUE(same.nothing());
    EXPECT_TRUE(same.steps.empty());

    // The needle moves: both its old and new boxes are repainted, with the dial's
    // white box under them; the value far away is not touched.
    OverlayRepaint moved = diff.next(overlay(140, "12.50", "1.00"));
    EXPECT_FALSE(moved.everything);
    EXPECT_TRUE(covers(moved.changed, {98, 18, 103, 103}));
    EXPECT_TRUE(covers(moved.changed, {98, 18, 143, 103}));
    EXPECT_EQ(moved.steps, (std::vector<int>{0, 1}));

    // After a page render everything is drawn again.
    diff.reset();
    EXPECT_TRUE(diff.next(overlay(140, "12.50", "1.00")).everything);
}

TEST_F(OverlayDiffTest, AShorterTextRepaintsWhereTheLongerOneWas) {
    diff.next(overlay(100, "1234.50", "1.00"));
    OverlayRepaint shorter = diff.next(overlay(100, "4.5", "1.00"));
    // The old cell is 7 characters wide: all of it is restored.
    EXPECT_TRUE(covers(shorter.changed, {80, 150, 80 + 7 * 8, 165}));
    // The white box and the value are redrawn over it; the needle's box does not reach.
    EXPECT_EQ(shorter.steps, (std::vector<int>{0, 2}));
}

TEST_F(OverlayDiffTest, StepsThatDisappearOrShiftAreRepaintedWhereTheyWere) {
    diff.next(overlay(100, "12.50", "1.00"));
    DrawList fewer;
    fewer.fillRect(0, 0, 200, 200, Colours::kWhite);
    fewer.line(100, 100, 100, 20, Colours::kRed, 4);
    // The value is gone: the far text now stands in its place in the list.
    fewer.text(600, 600, Font::Fixed, Colours::kLiveText, "1.00");
    OverlayRepaint r = diff.next(fewer);
    EXPECT_TRUE(covers(r.changed, {80, 150, 120, 165}));
    EXPECT_TRUE(covers(r.changed, {600, 600, 632, 615}));
    EXPECT_EQ(r.steps, (std::vector<int>{0, 2}));
    // The fourth step of the old list has no successor: its rectangle is restored too.
    DrawList none;
    r = diff.next(none);
    EXPECT_TRUE(covers(r.changed, {0, 0, 200, 200}));
    EXPECT_TRUE(r.steps.empty());
}

TEST_F(OverlayDiffTest, ExposedRectanglesAreRedrawnOnceWithoutRestoring) {
    diff.expose({0, 0, 50, 50}); // before any overlay: nothing to redraw yet
    EXPECT_TRUE(diff.next(overlay(100, "12.50", "1.00")).everything);

    diff.expose({590, 590, 610, 610});
    OverlayRepaint r = diff.next(overlay(100, "12.50", "1.00"));
    EXPECT_FALSE(r.nothing());
    EXPECT_TRUE(r.changed.empty());
    ASSERT_EQ(r.exposed.size(), 1u);
    EXPECT_EQ(r.steps, (std::vector<int>{3}));
    EXPECT_TRUE(diff.next(overlay(100, "12.50", "1.00")).nothing());
}

TEST_F(OverlayDiffTest, StepsDifferByColourAndByTheirPoints) {
    DrawList a;
    a.text(0, 0, Font::Fixed, Colours::kLiveText, "1");
    a.polyline({{0, 0}, {10, 0}}, Colours::kBlack, 1);
    DrawList b = a;
    EXPECT_TRUE(OverlayDiff::sameStep(a, a.ops[0], b, b.ops[0]));
    EXPECT_TRUE(OverlayDiff::sameStep(a, a.ops[1], b, b.ops[1]));
    b.ops[0].colour = Colours::kGreen; // the hover blink
    EXPECT_FALSE(OverlayDiff::sameStep(a, a.ops[0], b, b.ops[0]));
    b.points[1].y = 5;
    EXPECT_FALSE(OverlayDiff::sameStep(a, a.ops[1], b, b.ops[1]));
    // A polyline whose points lie outside its list's store is compared as none.
    DrawList broken = a;
    broken.ops[1].first = 40;
    EXPECT_FALSE(OverlayDiff::sameStep(a, a.ops[1], broken, broken.ops[1]));
    EXPECT_TRUE(OverlayDiff::sameStep(broken, broken.ops[1], broken, broken.ops[1]));
}

} // namespace
} // namespace zolmar

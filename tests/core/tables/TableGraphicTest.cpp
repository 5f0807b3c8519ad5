#include "tables/TableGraphic.h"
#include "TableTestSupport.h"

#include "tables/TableEditor.h"

using namespace zolmar;
using namespace zolmar::TableGraphic;

namespace {

struct TableGraphicTest : test::TableFixture {
    TableEditor editor{*ecu};

    static int count(const Picture& p, Op::Kind kind) {
        int n = 0;
        for (const auto& op : p.ops)
            n += op.kind == kind;
        return n;
    }
    static std::vector<Op> of(const Picture& p, Op::Kind kind) {
        std::vector<Op> out;
        for (const auto& op : p.ops)
            if (op.kind == kind)
                out.push_back(op);
        return out;
    }
};

TEST_F(TableGraphicTest, ValueAxisRoundsToItsStep) {
    ValueAxis a = ValueAxisFor(0, 0);
    EXPECT_EQ(a.top, 0);
    EXPECT_EQ(a.bot, -50);
    a = ValueAxisFor(125, 125);
    EXPECT_EQ(a.top, 150);
    EXPECT_EQ(a.bot, 50);
    a = ValueAxisFor(-500, 1500);
    EXPECT_EQ(a.step, 250);
    EXPECT_EQ(a.top, 1500);
    EXPECT_EQ(a.bot, -500);
    EXPECT_EQ(ValueAxisFor(0, 2501).step, 500);
    EXPECT_EQ(ValueAxisFor(0, 25000).step, 2500);
    EXPECT_EQ(ValueAxisFor(-32768, 32766).step, 5000);
    a = ValueAxisFor(-120, -120);
    EXPECT_EQ(a.top, -50);
    EXPECT_EQ(a.bot, -150);
}

TEST_F(TableGraphicTest, TwoDimensionalLineColoursAndProjection) {
    int t = table2D("Fuel", {0, 101, 201, 300}, 500);
    ASSERT_TRUE(editor.Open(t));
    editor.SetCursor(2, 0, false);
    editor.SetCursor(3, 0, true);
    Picture p = Draw(editor, 800, 300, 56, 16);
    auto lines = of(p, Op::Kind::Line);
    std::vector<Op> thick;
    for (const auto& l : lines)
        if (l.width == 3)
            thick.push_back(l);
    ASSERT_EQ(thick.size(), 3u);
    EXPECT_EQ(thick[0].colour, Colours::kBlack);  // one end untuned
    EXPECT_EQ(thick[1].colour, (Rgb{0, 224, 0})); // both tuned
    EXPECT_EQ(thick[2].colour, (Rgb{0, 0, 255})); // both selected
    // x = (R - Rmin) sx + 150 with sx = (800 - 150 - 300) / 1500; y from the value axis.
    EXPECT_EQ(thick[0].p[0].x, 150);
    EXPECT_EQ(thick[2].p[1].x, 150 + 350);
    EXPECT_EQ(p.axis.top, 300);
    EXPECT_EQ(p.axis.bot, 0);
    EXPECT_EQ(thick[2].p[1].y, 300 - 40 - 250); // the top value reaches height - 50 above
    EXPECT_EQ(count(p, Op::Kind::Triangle), 0);
}

TEST_F(TableGraphicTest, SurfaceQuadsShadedAndCouloured) {
    int t = table3D("VE", 3, 3);
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i)
            setCell(t, i, j, 100 * (i + j) + 1); // all tuned
    ASSERT_TRUE(editor.Open(t));
    editor.SetCursor(2, 2, false);
    Picture p = Draw(editor, 900, 400, 56, 16);
    auto triangles = of(p, Op::Kind::Triangle);
    ASSERT_EQ(triangles.size(), 8u); // 2 x 2 quads, two triangles each
    // Quad (0, 0) is tuned: yellow; quad (1, 1) has its corner (2, 2) selected: blue.
    EXPECT_EQ(triangles[0].fill.b, 0);
    EXPECT_GT(triangles[0].fill.r, 0);
    EXPECT_EQ(triangles[0].fill.r, triangles[0].fill.g);
    EXPECT_EQ(triangles[6].fill.r, 0);
    EXPECT_GT(triangles[6].fill.b, 0);
    EXPECT_EQ(triangles[6].colour, Colours::kBlack);

    // While live values are available the live column is red.
    ecu->Simulating = true;
    ecu->SetLiteral(t, 0, 0.0);
    ecu->SetLiteral(t, 1, 20.0);
    editor.LiveRefresh();
    p = Draw(editor, 900, 400, 56, 16);
    triangles = of(p, Op::Kind::Triangle);
    EXPECT_GT(triangles[0].fill.r, 0);
    EXPECT_EQ(triangles[0].fill.g, 0);
    EXPECT_EQ(triangles[0].fill.b, 0);

    // Orientation 1 draws the rows of a column from the top down.
    editor.Orientation = 1;
    Picture turned = Draw(editor, 900, 400, 56, 16);
    auto t1 = of(turned, Op::Kind::Triangle);
    EXPECT_NE(t1[0].p[0].y, triangles[0].p[0].y);
    for (int k = 0; k < 3; ++k)
        editor.NextOrientation();
    EXPECT_EQ(editor.Orientation, 0);
    Picture back = Draw(editor, 900, 400, 56, 16);
    EXPECT_EQ(of(back, Op::Kind::Triangle)[0].p[0].x, triangles[0].p[0].x);
}

TEST_F(TableGraphicTest, SingleRowOrColumnHasNoSurfaceAndLabelsKeepTheirDistance) {
    int t = table3D("Row", 40, 1, 2);
    ASSERT_TRUE(editor.Open(t));
    Picture p = Draw(editor, 600, 300, 56, 16);
    EXPECT_EQ(count(p, Op::Kind::Triangle), 0);
    auto labels = of(p, Op::Kind::Text);
    ASSERT_FALSE(labels.empty());
    // The column labels come first, all on one line.
    int columnLabels = 0;
    for (const auto& l : labels)
        columnLabels += l.p[0].y == labels[0].p[0].y;
    EXPECT_LT(columnLabels, 40); // references only a few pixels apart are not all written
    EXPECT_GT(columnLabels, 0);
    const int shade =
        Shade(std::array<double, 3>{0, 0, 0}.data(), std::array<double, 3>{0, 1, 0}.data(),
              std::array<double, 3>{1, 0, 0}.data());
    EXPECT_GE(shade, 0);
    EXPECT_LE(shade, 255);
}

} // namespace

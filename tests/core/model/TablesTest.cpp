#include "model/Tables.h"
#include "files/ChangeLog.h"
#include "files/NewConfiguration.h"
#include "model/ECU.h"

#include <gtest/gtest.h>
#include <memory>

using namespace zolmar;
using namespace zolmar::Layout;
using Tables::Axis;

namespace {

struct TablesTest : ::testing::Test {
    RecordingMessages messages;
    std::unique_ptr<tECU> ecu = std::make_unique<tECU>(messages);
    TablesTest() { NewConfiguration::MakeBlank(*ecu); }

    int create(int type, const std::string& name = "Map") {
        int index = -1;
        EXPECT_TRUE(ecu->CreateElement(type, 1, 1, name, 2, &index));
        return index;
    }
    Tables::Shape shape(int element) {
        Tables::Shape s;
        EXPECT_TRUE(Tables::ShapeOf(*ecu, element, s));
        return s;
    }
    // A 2D table with the given references and cells.
    int table2D(std::vector<int> refs, std::vector<int> cells) {
        int t = create(ElementType::Table2D);
        Tables::LayOut(*ecu, t, {0, 50 * static_cast<int>(refs.size() - 1), 50}, nullptr);
        auto s = shape(t);
        for (size_t i = 0; i < refs.size(); ++i) {
            ecu->WriteConstWord(s.referenceAddress(Axis::Horizontal, static_cast<int>(i)),
                                static_cast<uint16_t>(refs[i]));
            Tables::WriteCell(*ecu, s, static_cast<int>(i), 0, static_cast<uint16_t>(cells[i]));
        }
        return t;
    }
    struct Out2D {
        int value, close, change, tuned, state;
    };
    Out2D look2D(int t, int x, uint16_t* live, int learnV = 0, int learn = 0, int tuned = 0) {
        const int16_t in[4] = {static_cast<int16_t>(x), static_cast<int16_t>(learnV),
                               static_cast<int16_t>(learn), static_cast<int16_t>(tuned)};
        Tables::LookUp(*ecu, ElementType::Table2D, ecu->ElementConstOffset[t], in, live);
        return {static_cast<int16_t>(live[0]), live[1], live[2], live[3], live[4]};
    }
};

TEST_F(TablesTest, TwoDimensionalLookUpInterpolatesAndMeasuresCloseness) {
    int t = table2D({0, 500}, {0, 5000});
    uint16_t live[5] = {};
    auto r = look2D(t, 250, live);
    EXPECT_EQ(r.value, 2500);
    EXPECT_EQ(r.close, 2500);
    EXPECT_EQ(r.state >> 8, 1); // a fraction of exactly one half: the upper reference
    EXPECT_EQ(r.change, 50);
    r = look2D(t, 249, live);
    EXPECT_EQ(r.value, 2489);
    EXPECT_EQ(r.close, 2489);
    EXPECT_EQ(r.state >> 8, 0);
    EXPECT_EQ(r.change, 50);
    r = look2D(t, 248, live);
    EXPECT_EQ(r.change, 0);
    r = look2D(t, 500, live);
    EXPECT_EQ(r.value, 5000);
    EXPECT_EQ(r.close, 0);
    r = look2D(t, 501, live);
    EXPECT_EQ(r.value, 5000);
    EXPECT_EQ(r.close, 5000);
    r = look2D(t, -50, live);
    EXPECT_EQ(r.value, 0);
    EXPECT_EQ(r.close, 5000);
}

TEST_F(TablesTest, CellsInterpolateWithoutTunedFlagAndRoundDown) {
    int t = table2D({0, 500}, {101, 200});
    uint16_t live[5] = {};
    EXPECT_EQ(look2D(t, 250, live).value, 150);
    int down = table2D({0, 3}, {100, 0});
    EXPECT_EQ(look2D(down, 1, live).value, 66);
    int neg = table2D({-32768, 32767}, {-32768, 32766});
    EXPECT_EQ(look2D(neg, 32766, live).value, 32764);
    EXPECT_EQ(look2D(neg, -32768, live).value, -32768);
}

TEST_F(TablesTest, SingleColumnsAndDisorderedReferences) {
    int one = create(ElementType::Table2D);
    Tables::LayOut(*ecu, one, {100, 100, 50}, nullptr);
    Tables::WriteCell(*ecu, shape(one), 0, 0, 777);
    uint16_t live[5] = {};
    EXPECT_EQ(look2D(one, 100, live).close, 0);
    auto r = look2D(one, 7, live);
    EXPECT_EQ(r.value, 776);
    EXPECT_EQ(r.close, 5000);

    // References that run backwards still end at the last cell.
    int back = table2D({500, 0}, {10, 20});
    r = look2D(back, 600, live);
    EXPECT_EQ(r.value, 20);
    EXPECT_EQ(r.close, 5000);

    // A corrupt block without columns keeps the previous output and learns nothing.
    ecu->WriteConstByte(ecu->ElementConstOffset[back], 0);
    uint16_t kept[5] = {1234, 99, 0, 0, 0x0100};
    auto before = std::vector<uint8_t>(ecu->Image, ecu->Image + kImageSize);
    r = look2D(back, 600, kept, 500, 50, 0);
    EXPECT_EQ(r.value, 1234);
    EXPECT_EQ(r.close, 99);
    EXPECT_EQ(r.state, 1);
    EXPECT_EQ(r.change, 50);
    EXPECT_EQ(before, std::vector<uint8_t>(ecu->Image, ecu->Image + kImageSize));
}

TEST_F(TablesTest, LearningWritesOncePerRisingEdge) {
    int t = table2D({0, 500}, {0, 0});
    auto s = shape(t);
    uint16_t live[5] = {};
    ecu->Modified = false;
    auto r = look2D(t, 450, live, 1234, 50, 50);
    EXPECT_EQ(Tables::Cell(*ecu, s, 1, 0), 1235); // bit 0 cleared, then the tuned flag
    EXPECT_EQ(r.tuned, 0);                        // read before learning
    EXPECT_EQ(r.state & 0xFF, 1);
    EXPECT_TRUE(ecu->Modified);
    r = look2D(t, 450, live, 2000, 50, 0);
    EXPECT_EQ(Tables::Cell(*ecu, s, 1, 0), 1235);
    EXPECT_EQ(r.tuned, 50);
    look2D(t, 450, live, 2000, 0, 0);
    EXPECT_EQ(live[4] & 0xFF, 0);
    look2D(t, 450, live, 2000, 1, 0);
    EXPECT_EQ(Tables::Cell(*ecu, s, 1, 0), 2000);
}

TEST_F(TablesTest, ThreeDimensionalLookUpBlendsBothAxes) {
    int t = create(ElementType::Table3D);
    Tables::AxisLayout rows{0, 1000, 1000};
    ASSERT_TRUE(Tables::LayOut(*ecu, t, {0, 500, 500}, &rows));
    auto s = shape(t);
    ASSERT_EQ(s.columns, 2);
    ASSERT_EQ(s.rows, 2);
    Tables::WriteCell(*ecu, s, 0, 0, 0);
    Tables::WriteCell(*ecu, s, 1, 0, 1000);
    Tables::WriteCell(*ecu, s, 0, 1, 2001); // tuned
    Tables::WriteCell(*ecu, s, 1, 1, 4000);
    uint16_t live[6] = {};
    auto look = [&](int x, int y, int learn = 0) {
        const int16_t in[5] = {static_cast<int16_t>(x), static_cast<int16_t>(y), 3000,
                               static_cast<int16_t>(learn), 0};
        Tables::LookUp(*ecu, ElementType::Table3D, s.constAddr, in, live);
    };
    look(250, 500);
    EXPECT_EQ(static_cast<int16_t>(live[0]), 1750); // top 500, bottom 3000
    EXPECT_EQ(live[1], 2500);
    EXPECT_EQ(live[2], 2500);
    EXPECT_EQ(live[3], 50);
    EXPECT_EQ(live[5], 1 * 2 + 1 * 256);
    look(100, 900);
    EXPECT_EQ(live[4], 50); // nearest is column 0, row 1: tuned
    EXPECT_EQ(live[5], 0 * 2 + 1 * 256);
    look(-5, 2000);
    EXPECT_EQ(static_cast<int16_t>(live[0]), 2000);
    EXPECT_EQ(live[1], 5000);
    EXPECT_EQ(live[2], 5000);
    look(500, 1000, 50);
    EXPECT_EQ(Tables::Cell(*ecu, s, 1, 1), 3000);
    EXPECT_EQ(live[5], 1 * 2 + 1 * 256 + 1);
    EXPECT_EQ(live[1], 0);
}

TEST_F(TablesTest, ThreeDimensionalTablesWithOneColumnOrRow) {
    int t = create(ElementType::Table3D);
    Tables::AxisLayout rows{0, 100, 200};
    ASSERT_TRUE(Tables::LayOut(*ecu, t, {0, 500, 500}, &rows));
    auto s = shape(t);
    ASSERT_EQ(s.rows, 1);
    Tables::WriteCell(*ecu, s, 1, 0, 600);
    uint16_t live[6] = {};
    const int16_t in[5] = {250, 50, 0, 0, 0};
    Tables::LookUp(*ecu, ElementType::Table3D, s.constAddr, in, live);
    EXPECT_EQ(live[0], 300);
    EXPECT_EQ(live[2], 5000);
}

TEST_F(TablesTest, LayOutCountsStepsAndRefusesWhatDoesNotFit) {
    int t = create(ElementType::Table2D);
    ASSERT_TRUE(Tables::LayOut(*ecu, t, {0, 500, 150}, nullptr));
    auto s = shape(t);
    ASSERT_EQ(s.columns, 4);
    EXPECT_EQ(Tables::Reference(*ecu, s, Axis::Horizontal, 3), 450);
    EXPECT_EQ(ecu->ConstEnd(), s.constAddr + 17);
    EXPECT_EQ(ecu->ImageWord(0), ecu->ConstEnd() + 1024);

    EXPECT_FALSE(Tables::LayOut(*ecu, t, {0, 550, 2}, nullptr));
    EXPECT_EQ(messages.texts().back(), "Too many entries (Max 255)");
    EXPECT_TRUE(Tables::LayOut(*ecu, t, {0, 500, 2}, nullptr));
    EXPECT_EQ(shape(t).columns, 251);

    int t3 = create(ElementType::Table3D);
    Tables::AxisLayout rows{0, 100, 50};
    EXPECT_FALSE(Tables::LayOut(*ecu, t3, {0, 127 * 2, 2}, &rows));
    EXPECT_EQ(messages.texts().back(), "Max 3D Table width is 127");
    Tables::AxisLayout many{0, 250, 2};
    EXPECT_FALSE(Tables::LayOut(*ecu, t3, {0, 250, 2}, &many));
    EXPECT_EQ(messages.texts().back(), "Not Enough Constant Memory Left");
    EXPECT_EQ(shape(t3).columns, 2); // unchanged
}

TEST_F(TablesTest, GrowingMovesTheLaterBlocks) {
    int t = create(ElementType::Table3D);
    int c = create(ElementType::Constant);
    ecu->WriteConstWord(ecu->ElementConstOffset[c], 0x4321);
    const int before = ecu->ElementConstOffset[c];
    auto s = shape(t);
    Tables::WriteCell(*ecu, s, 1, 1, 77);
    int index = -1;
    ASSERT_TRUE(Tables::Grow(*ecu, t, Axis::Horizontal, 2500, index));
    EXPECT_EQ(index, 1);
    EXPECT_EQ(ecu->ElementConstOffset[c], before + 2 * 2 + 2);
    EXPECT_EQ(ecu->ReadConstWord(ecu->ElementConstOffset[c]), 0x4321);
    s = shape(t);
    EXPECT_EQ(s.columns, 3);
    EXPECT_EQ(Tables::Reference(*ecu, s, Axis::Horizontal, 1), 2500);
    EXPECT_EQ(Tables::Reference(*ecu, s, Axis::Horizontal, 2), 5000);
    EXPECT_EQ(Tables::Reference(*ecu, s, Axis::Vertical, 1), 5000);
    EXPECT_EQ(Tables::Cell(*ecu, s, 2, 1), 77);
    ASSERT_TRUE(Tables::Grow(*ecu, t, Axis::Vertical, -10, index));
    EXPECT_EQ(index, 0);
    s = shape(t);
    EXPECT_EQ(Tables::Cell(*ecu, s, 2, 2), 77);
    EXPECT_EQ(ecu->ElementConstOffset[c], before + 6 + 2 * 3 + 2);
    EXPECT_EQ(ecu->ImageWord(0), ecu->ConstEnd() + 1024);
}

TEST_F(TablesTest, GrowingBeyondTheFreeSpaceIsRefused) {
    int t = create(ElementType::Table2D);
    // Full tables, then summers, fill the constants but for 3 bytes.
    for (int k = 0; k < 40 && Tables::FreeConstSpace(*ecu) > 1021 + 30; ++k)
        Tables::LayOut(*ecu, create(ElementType::Table2D), {0, 254 * 2, 2}, nullptr);
    for (int k = 0; k < 1100 && Tables::FreeConstSpace(*ecu) > 3; ++k)
        create(ElementType::Summer);
    ASSERT_EQ(Tables::FreeConstSpace(*ecu), 3);
    auto before = std::vector<uint8_t>(ecu->Image, ecu->Image + kImageSize);
    int index = -1;
    EXPECT_FALSE(Tables::Grow(*ecu, t, Axis::Horizontal, 100, index));
    EXPECT_EQ(messages.texts().back(),
              "Not enough memory (requires additional 1 bytes, only 3 available)");
    EXPECT_EQ(before, std::vector<uint8_t>(ecu->Image, ecu->Image + kImageSize));
}

TEST_F(TablesTest, ShrinkingPacksTheRemainingCells) {
    int t = create(ElementType::Table3D);
    Tables::AxisLayout rows{0, 300, 100};
    ASSERT_TRUE(Tables::LayOut(*ecu, t, {0, 500, 100}, &rows));
    int c = create(ElementType::Constant);
    ecu->WriteConstWord(ecu->ElementConstOffset[c], 0x55AA);
    auto s = shape(t);
    ASSERT_EQ(s.columns, 6);
    ASSERT_EQ(s.rows, 4);
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 6; ++i)
            Tables::WriteCell(*ecu, s, i, j, static_cast<uint16_t>(100 * j + 2 * i));
    const int size = s.blockSize();
    ASSERT_TRUE(Tables::Shrink(*ecu, t, Axis::Horizontal, 1, 3));
    s = shape(t);
    EXPECT_EQ(s.blockSize(), size - 30);
    EXPECT_EQ(s.columns, 3);
    EXPECT_EQ(Tables::Reference(*ecu, s, Axis::Horizontal, 1), 400);
    EXPECT_EQ(Tables::Cell(*ecu, s, 1, 2), 208);
    EXPECT_EQ(Tables::Cell(*ecu, s, 2, 3), 310);
    EXPECT_EQ(ecu->ReadConstWord(ecu->ElementConstOffset[c]), 0x55AA);
    ASSERT_TRUE(Tables::Shrink(*ecu, t, Axis::Vertical, 0, 1));
    s = shape(t);
    EXPECT_EQ(Tables::Cell(*ecu, s, 0, 0), 200);
    EXPECT_EQ(Tables::Reference(*ecu, s, Axis::Vertical, 0), 200);

    EXPECT_FALSE(Tables::Shrink(*ecu, t, Axis::Vertical, 0, 0));
    EXPECT_EQ(messages.texts().back(), "Cannot delete row; 3D Table must have at least two rows.");
    EXPECT_FALSE(Tables::Shrink(*ecu, t, Axis::Horizontal, 0, 1));
    EXPECT_EQ(messages.texts().back(),
              "Cannot delete 2 columns; table must have at least two columns.");
    int t2 = create(ElementType::Table2D);
    EXPECT_FALSE(Tables::Shrink(*ecu, t2, Axis::Vertical, 0, 0));
    EXPECT_EQ(messages.texts().back(), "Cannot delete row from 2D Table.");
}

TEST_F(TablesTest, InsertedColumnsAreCopiedOrInterpolated) {
    int t = create(ElementType::Table3D);
    Tables::AxisLayout rows{0, 100, 100};
    ASSERT_TRUE(Tables::LayOut(*ecu, t, {500, 1000, 500}, &rows));
    auto s = shape(t);
    Tables::WriteCell(*ecu, s, 0, 0, 100);
    Tables::WriteCell(*ecu, s, 1, 0, 501); // tuned: taken as stored
    Tables::WriteCell(*ecu, s, 0, 1, -100);
    Tables::WriteCell(*ecu, s, 1, 1, -300);
    int index = -1;
    ASSERT_TRUE(Tables::InsertAt(*ecu, t, Axis::Horizontal, "12.50", index));
    EXPECT_EQ(index, 1);
    s = shape(t);
    EXPECT_EQ(Tables::Cell(*ecu, s, 1, 0), 200); // round(100 + 401 / 4) = 200
    EXPECT_EQ(static_cast<int16_t>(Tables::Cell(*ecu, s, 1, 1)), -150);
    ASSERT_TRUE(Tables::InsertAt(*ecu, t, Axis::Horizontal, "-3", index));
    EXPECT_EQ(index, 0);
    EXPECT_EQ(Tables::Cell(*ecu, shape(t), 0, 0), 100);
    ASSERT_TRUE(Tables::InsertAt(*ecu, t, Axis::Vertical, "9", index));
    EXPECT_EQ(index, 2);
    EXPECT_EQ(static_cast<int16_t>(Tables::Cell(*ecu, shape(t), 3, 2)), -300);
    EXPECT_EQ(Tables::Cell(*ecu, shape(t), 3, 0), 501);

    EXPECT_FALSE(Tables::InsertAt(*ecu, t, Axis::Horizontal, "10", index));
    EXPECT_EQ(messages.texts().back(), "A column of value  10.00 already exists");
    EXPECT_FALSE(Tables::InsertAt(*ecu, t, Axis::Vertical, "700", index));
    EXPECT_EQ(messages.texts().back(), "Number out of range. Allowable range is -655 to +655");
    EXPECT_FALSE(Tables::InsertAt(*ecu, t, Axis::Vertical, "1e3", index));
    EXPECT_EQ(messages.texts().back(), "\"1e3\" not a valid real number");
}

TEST_F(TablesTest, CountLimitsAreEnforcedBeforeAnythingMoves) {
    int t = create(ElementType::Table3D);
    Tables::AxisLayout rows{0, 100, 100};
    ASSERT_TRUE(Tables::LayOut(*ecu, t, {0, 125 * 2, 2}, &rows));
    int index = -1;
    ASSERT_TRUE(Tables::Grow(*ecu, t, Axis::Horizontal, 1000, index));
    EXPECT_FALSE(Tables::Grow(*ecu, t, Axis::Horizontal, 1002, index));
    EXPECT_EQ(messages.texts().back(), "Already 127 columns (maximum) in 3D map");
    int t2 = create(ElementType::Table2D);
    ASSERT_TRUE(Tables::LayOut(*ecu, t2, {0, 253 * 2, 2}, nullptr));
    ASSERT_TRUE(Tables::Grow(*ecu, t2, Axis::Horizontal, 1000, index));
    EXPECT_FALSE(Tables::Grow(*ecu, t2, Axis::Horizontal, 1000, index));
    EXPECT_EQ(messages.texts().back(), "Already 255 columns (maximum) in 2D map");
}

TEST_F(TablesTest, SetUpChecksTheTypedValuesAndLogs) {
    ChangeLog log;
    auto captured = std::make_unique<CapturedChangeLog>();
    CapturedChangeLog* lines = captured.get();
    log.startSink(std::move(captured));
    ecu->ChangeLogger = &log;

    int t = create(ElementType::Table2D, "Fuel");
    struct Case {
        Tables::SetupTexts texts;
        const char* message;
    };
    const Case bad[] = {
        {{"abc", "10", "1"}, "\"abc\" not a valid real number"},
        {{"654.02", "655", "1"}, "Number out of range. Allowable range is -655 to +654"},
        {{"0", "-654.5", "1"}, "Number out of range. Allowable range is -654 to +655"},
        {{"5.00", "5.00", "1"}, "Lowest Reference must be less than Highest Reference"},
        {{"0", "10", "0.03"}, "Number out of range. Allowable range is +0.04 to +655"},
        {{"0.00", "11.00", "0.04"}, "Too many entries (Max 255)"},
    };
    for (const auto& c : bad) {
        EXPECT_FALSE(Tables::SetUp(*ecu, t, c.texts, nullptr));
        EXPECT_EQ(messages.texts().back(), c.message);
    }
    EXPECT_EQ(lines->bytes, "");
    ASSERT_TRUE(Tables::SetUp(*ecu, t, {"0.00", "10.00", "3.00"}, nullptr));
    EXPECT_EQ(shape(t).columns, 4);
    EXPECT_EQ(lines->bytes, "Initialised with lowest reference 0.00\n\r"
                            "Initialised with highest reference 10.00\n\r"
                            "Initialised with a step size of 3.00\n\r");
    lines->bytes.clear();
    int index = 0;
    ASSERT_TRUE(Tables::InsertAt(*ecu, t, Axis::Horizontal, "-1.5", index));
    ASSERT_TRUE(Tables::Delete(*ecu, t, Axis::Horizontal, 1, 2));
    ASSERT_TRUE(Tables::Delete(*ecu, t, Axis::Horizontal, 0, 0));
    EXPECT_EQ(lines->bytes,
              "Inserted a column at -1.50 in the table called Fuel on page 3\n\r"
              "Deleted the columns from 1 to 2 from the table called Fuel on page 3\n\r"
              "Deleted column 0 from the table called Fuel on page 3\n\r");
}

} // namespace

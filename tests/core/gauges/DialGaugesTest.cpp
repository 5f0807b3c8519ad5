#include "gauges/DialGauges.h"
#include "GaugeTestSupport.h"

#include <cmath>

using namespace zolmar;
using namespace zolmar::gauges;

namespace {

struct DialGaugesTest : test::GaugeFixture {
    DialGauges dials;
    int onDial(const std::string& name, int slot, int16_t lo = 0, int16_t hi = 500) {
        const int g = gauge(name);
        setOptions(g, static_cast<uint8_t>(slot << 3));
        setScale(g, lo, hi);
        return g;
    }
};

TEST(DialScale, NarrowScalesWidenAndMarksEndAtTheMaximum) {
    const DialScale narrow = DialScale::From(0, 1); // 0.00 .. 0.02
    EXPECT_EQ(narrow.hi, 4);
    EXPECT_EQ(narrow.major, 1);
    EXPECT_EQ(narrow.minor, 0);
    const DialScale odd = DialScale::From(-100, 403);
    EXPECT_EQ(odd.major, 125);
    EXPECT_EQ(odd.minor, 62);
    const auto marks = odd.Marks();
    EXPECT_EQ(marks[1], -38);
    EXPECT_EQ(marks[6], 275);
    EXPECT_EQ(marks[8], 403) << "hi itself, not lo + 4B";
    // The widest scale stays in range: no overflow at the top of the raw values.
    const DialScale top = DialScale::From(32767, 32767);
    EXPECT_EQ(top.hi, 32771);
    EXPECT_NEAR(top.Angle(32767), -2.3, 1e-9);
    EXPECT_NEAR(odd.Angle(403), 2.3, 1e-9);
    EXPECT_NEAR(odd.Angle(151), 0.0, 0.01);
    EXPECT_EQ(DialValueText(-75), "-1.5");
    EXPECT_EQ(DialValueText(4), "0.08");
}

TEST_F(DialGaugesTest, NegativeScaleLabelsHaveTwoDecimalsLikeThePositiveOnes) {
    onDial("Vacuum", 1, -1000, 1000); // -20.00 .. 20.00
    dials.SetUp(*ecu);
    const auto& labels = dials.SlotAt(0).labels;
    EXPECT_EQ(labels[0], "-20.00");
    EXPECT_EQ(labels[1], "-15.00") << "lo + E";
    EXPECT_EQ(labels[2], "-10.00");
    EXPECT_EQ(labels[4], "0.00");
    EXPECT_EQ(labels[8], "20.00");
    EXPECT_EQ(DialScaleText(-37), "-0.74");
}

TEST(DialScale, NeedlePointsRoundToPixels) {
    const DialPoint centre{114, 115};
    const DialPoint up = NeedlePoint(centre, 94, 0);
    EXPECT_EQ(up.x, 114);
    EXPECT_EQ(up.y, 21);
    const DialPoint right = NeedlePoint(centre, 94, M_PI / 2);
    EXPECT_EQ(right.x, 208);
    EXPECT_EQ(right.y, 115);
    const DialPoint left = NeedlePoint({75, 73}, 62, -2.3);
    EXPECT_EQ(left.x, 29);  // 62 sin(-2.3) = -46.2
    EXPECT_EQ(left.y, 114); // -62 cos(-2.3) = 41.3
}

TEST_F(DialGaugesTest, SlotsTakeTheLastGaugeAndTheirCompanionsByName) {
    onDial("Early", 2);
    const int boost = onDial("Boost", 2, 0, 100);
    const int target = add(ElementType::Summer, "Boost Target", 5); // any type, any page
    const int valid = gauge("Boost Target Valid", 9);
    dials.SetUp(*ecu);
    EXPECT_EQ(dials.SlotAt(1).gauge, boost);
    EXPECT_EQ(dials.SlotAt(1).target, target);
    EXPECT_EQ(dials.SlotAt(1).targetValid, valid);
    EXPECT_EQ(dials.SlotAt(1).labels[0], "0.00");
    EXPECT_EQ(dials.SlotAt(1).labels[8], "2.00");
    EXPECT_EQ(dials.SlotAt(0).gauge, -1);
    EXPECT_EQ(dials.SlotAt(0).name, "");
    EXPECT_EQ(dials.SlotAt(7).gauge, -1) << "outside the five slots";
    const int none = onDial("No dial", 6);
    dials.SetUp(*ecu);
    for (int k = 0; k < DialGauges::kSlots; ++k)
        EXPECT_NE(dials.SlotAt(k).gauge, none);
}

TEST_F(DialGaugesTest, NeedlesOnlyInsideTheScaleAndTargetsOnlyWhenValid) {
    const int boost = onDial("Boost", 1, 0, 100);
    linkToConstant(boost);
    const int target = gauge("Boost Target", 4);
    const int valid = gauge("Boost Target Valid", 5);
    dials.SetUp(*ecu);
    setLive(boost, 50);
    EXPECT_FALSE(dials.Refresh(*ecu, 0).drawn) << "no live values: blank faces";
    simulate();
    auto frame = dials.Refresh(*ecu, 0);
    EXPECT_TRUE(frame.drawn);
    EXPECT_EQ(frame.readout, "1.00");
    EXPECT_TRUE(frame.actualNeedle);
    EXPECT_TRUE(frame.legends) << "the Valid companion's input is not linked";
    EXPECT_FALSE(frame.targetNeedle) << "the Target companion's input is not linked";

    linkToConstant(target);
    linkToConstant(valid);
    dials.SetUp(*ecu);
    setLive(target, 60);
    setLive(valid, 0);
    frame = dials.Refresh(*ecu, 0);
    EXPECT_FALSE(frame.legends);
    EXPECT_FALSE(frame.targetNeedle);
    setLive(valid, 50);
    frame = dials.Refresh(*ecu, 0);
    EXPECT_TRUE(frame.targetNeedle);
    EXPECT_EQ(frame.target, 60);
    setLive(target, 101);
    EXPECT_FALSE(dials.Refresh(*ecu, 0).targetNeedle);

    setLive(boost, 101);
    frame = dials.Refresh(*ecu, 0);
    EXPECT_EQ(frame.readout, "2.02") << "the readout shows values off the scale";
    EXPECT_FALSE(frame.actualNeedle);
    EXPECT_FALSE(frame.legends);
}

TEST_F(DialGaugesTest, AnUnlinkedGaugeShowsItsFixedValue) {
    const int fixed = onDial("Fixed", 3, 0, 200);
    ecu->WriteLogicWord(ecu->InputWordAddress(fixed, 0), 100, false);
    dials.SetUp(*ecu);
    simulate();
    const auto frame = dials.Refresh(*ecu, 2);
    EXPECT_TRUE(frame.actualNeedle);
    EXPECT_EQ(frame.actual, 100);
}

TEST_F(DialGaugesTest, ConfigureMovesTheSlotAndChecksEachValue) {
    const int a = onDial("A", 4);
    const int b = onDial("B", 2);
    std::string error;
    ASSERT_TRUE(DialGauges::Configure(*ecu, 2, a, {"-1", "10.5", "8", "9"}, error)) << error;
    dials.SetUp(*ecu);
    EXPECT_EQ(dials.SlotAt(1).gauge, a);
    EXPECT_EQ(dials.SlotAt(3).gauge, -1) << "slot 4 is empty after the move";
    EXPECT_EQ(ReadGaugeSettings(*ecu, b).dialSlot(), 0);
    const auto s = ReadGaugeSettings(*ecu, a);
    EXPECT_EQ(s.minimum, -50);
    EXPECT_EQ(s.maximum, 525);
    EXPECT_EQ(s.softAlarm, 400);
    EXPECT_EQ(s.hardAlarm, 450);
    EXPECT_EQ(ecu->SyncAt(Layout::kConstBase + ecu->ElementConstOffset[a] + 2), Sync::ToWrite);

    EXPECT_FALSE(DialGauges::Configure(*ecu, 2, a, {"1", "656", "2", "3"}, error));
    EXPECT_EQ(error, "Number out of range. Allowable range is -655 to +655");
    EXPECT_EQ(ReadGaugeSettings(*ecu, a).minimum, 50) << "fields before the failing one stay";
    EXPECT_EQ(ReadGaugeSettings(*ecu, a).maximum, 525);
    EXPECT_FALSE(DialGauges::Configure(*ecu, 2, a, {"1", "2", "x1", "3"}, error));
    EXPECT_EQ(error, "\"x1\" not a valid real number");
    EXPECT_TRUE(DialGauges::Configure(*ecu, 2, -1, {"", "", "", ""}, error))
        << "no gauge chosen: the dialog only closes";
}

TEST_F(DialGaugesTest, TheListOffersNumericGaugesThatAreNoTargets) {
    const int rpm = gauge("RPM");
    gauge("RPM Target");
    const int flag = gauge("Flag");
    setOptions(flag, GaugeSettings::kBoolean);
    const int valid = gauge("RPM Valid");
    gauge("Other page", 1, 1);
    EXPECT_EQ(DialGauges::Selectable(*ecu), (std::vector<int>{rpm, valid}));
}

} // namespace

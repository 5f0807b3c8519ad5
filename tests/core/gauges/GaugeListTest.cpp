#include "GaugeTestSupport.h"

using namespace zolmar;
using namespace zolmar::gauges;

namespace {

struct GaugeListTest : test::GaugeFixture {
    GaugeList list;
};

TEST_F(GaugeListTest, CompanionsAttachByExactNameAndColourTheirRow) {
    const int lambda = gauge("Lambda", 3);
    const int target = gauge("Lambda Target", 4);
    const int targetValid = gauge("Lambda Target Valid", 5);
    const int effort = gauge("Lambda Effort", 6);
    gauge("lambda Valid", 7); // differs in case only: no companion
    list.Build(*ecu);
    ASSERT_EQ(list.Rows().size(), 1u);
    const auto& row = list.Rows()[0];
    EXPECT_EQ(row.gauge, lambda);
    EXPECT_EQ(row.target, target);
    EXPECT_EQ(row.targetValid, targetValid);
    EXPECT_EQ(row.effort, effort);
    EXPECT_EQ(row.valid, -1);
    EXPECT_TRUE(ecu->GaugesWindowOpen);

    simulate();
    setLive(lambda, 51);
    setLive(target, 50);
    setLive(effort, -75);
    setLive(targetValid, 0);
    auto view = list.Refresh(*ecu, 0);
    EXPECT_EQ(view.value, "  1.02");
    EXPECT_FALSE(view.valueRed) << "only a Valid companion turns the value red";
    EXPECT_EQ(view.target, "(  1.00,  -1.5)");
    EXPECT_TRUE(view.targetRed) << "target valid reads 0: open loop";
    setLive(targetValid, 50);
    EXPECT_FALSE(list.Refresh(*ecu, 0).targetRed);

    const int valid = gauge("Lambda Valid", 8);
    list.Build(*ecu);
    EXPECT_EQ(list.Rows()[0].valid, valid);
    setLive(valid, 0);
    EXPECT_TRUE(list.Refresh(*ecu, 0).valueRed);
    setLive(valid, 1);
    EXPECT_FALSE(list.Refresh(*ecu, 0).valueRed);
}

TEST_F(GaugeListTest, RowsFollowThePageTopToBottomAndOnlyTheGaugePage) {
    const int low = gauge("Low", 20);
    const int high = gauge("High", 2);
    const int equalFirst = gauge("Equal A", 10);
    const int equalSecond = gauge("Equal B", 10);
    gauge("Elsewhere", 1, 1);              // second page: never listed
    const int hidden = gauge("Hidden", 1); // left out by its option
    setOptions(hidden, GaugeSettings::kNotInList);
    list.Build(*ecu);
    ASSERT_EQ(list.Rows().size(), 4u);
    EXPECT_EQ(list.Rows()[0].gauge, high);
    EXPECT_EQ(list.Rows()[1].gauge, equalFirst);
    EXPECT_EQ(list.Rows()[2].gauge, equalSecond);
    EXPECT_EQ(list.Rows()[3].gauge, low);
    EXPECT_EQ(list.Rows()[1].name, "Equal A");
}

TEST_F(GaugeListTest, ThirtySixRowsAtMostAndTheWindowGrowsToTwoGroups) {
    for (int k = 0; k < 18; ++k)
        gauge("G" + std::to_string(k), k);
    list.Build(*ecu);
    EXPECT_EQ(list.Width(), 424);
    EXPECT_EQ(list.Height(), 18 * 24 + 87);
    gauge("G18", 40);
    list.Build(*ecu);
    EXPECT_EQ(list.Width(), 848);
    EXPECT_EQ(list.Height(), 519);
    for (int k = 19; k < 37; ++k)
        gauge("G" + std::to_string(k), 50);
    list.Build(*ecu);
    ASSERT_EQ(list.Rows().size(), 36u);
    EXPECT_EQ(list.Rows().back().name, "G35") << "the 37th eligible gauge is not shown";
}

TEST_F(GaugeListTest, ValuesReadDashesUntilLiveValuesExist) {
    const int rpm = gauge("RPM", 1);
    const int fan = gauge("Fan", 2);
    setOptions(fan, GaugeSettings::kBoolean);
    gauge("RPM Target", 3);
    list.Build(*ecu);
    setLive(rpm, 150);
    EXPECT_EQ(list.Refresh(*ecu, 0).value, "  ----");
    EXPECT_EQ(list.Refresh(*ecu, 1).value, "  ----");
    EXPECT_EQ(list.Refresh(*ecu, 0).target, "(  ----)") << "no Effort companion";
    EXPECT_EQ(list.Refresh(*ecu, 1).target, std::string(16, ' '));

    // An ECU that is online but does not calculate shows no numbers, only booleans.
    ecu->EcuPresent = true;
    ecu->OnlineCapable = true;
    ecu->CalcRate = 0;
    EXPECT_EQ(list.Refresh(*ecu, 0).value, "  ----");
    EXPECT_EQ(list.Refresh(*ecu, 1).value, " false");
    ecu->CalcRate = 100;
    EXPECT_EQ(list.Refresh(*ecu, 0).value, "  3.00");
    setLive(fan, 1);
    EXPECT_EQ(list.Refresh(*ecu, 1).value, "  true");
    EXPECT_EQ(list.Refresh(*ecu, 5).value, "") << "a row that does not exist shows nothing";
}

TEST(GaugeCompanions, TheLongestSuffixDecides) {
    std::string base;
    EXPECT_EQ(CompanionOf("AFR Target Valid", &base), Companion::TargetValid);
    EXPECT_EQ(base, "AFR");
    EXPECT_EQ(CompanionOf("AFR Target", &base), Companion::Target);
    EXPECT_EQ(CompanionOf("AFR Valid", &base), Companion::Valid);
    EXPECT_EQ(CompanionOf("AFR Effort", &base), Companion::Effort);
    EXPECT_EQ(CompanionOf("AFRTarget", &base), Companion::None);
    EXPECT_EQ(base, "AFRTarget");
    EXPECT_EQ(CompanionOf(" Target", &base), Companion::Target);
    EXPECT_EQ(base, "");
}

} // namespace

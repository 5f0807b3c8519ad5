#include "diagnostics/Checklist.h"
#include "files/NewConfiguration.h"
#include "files/SettingsFile.h"
#include "link/SyncEngine.h"
#include "model/Tables.h"

#include <gtest/gtest.h>
#include <memory>

using namespace zolmar;
using diagnostics::Checklist;
using Named = Checklist::Named;
using Mark = Checklist::Mark;

namespace {

constexpr int kPage = 7;

// A blank configuration with the checklist's elements made one by one.
struct ChecklistTest : ::testing::Test {
    SilentMessages quiet;
    std::unique_ptr<tECU> ecu = std::make_unique<tECU>(quiet);
    Checklist checklist;
    int row = 0;

    void SetUp() override { NewConfiguration::MakeBlank(*ecu); }

    int make(int type, Named what) { return make(type, Checklist::NameOf(what)); }
    int make(int type, const std::string& name) {
        int e = -1;
        EXPECT_TRUE(ecu->CreateElement(type, 2, 2 + 4 * row++, name, kPage, &e));
        return e;
    }
    void setLive(long address, int raw) {
        ecu->SetImageWord(Layout::kLiveBase + address, static_cast<uint16_t>(raw), false);
    }
    void setLiveOf(Named what, int raw) {
        int e = Checklist::Find(*ecu, what);
        ASSERT_GE(e, 0);
        setLive(ecu->ElementLiveOffset[e], raw);
    }
    uint8_t constByteOf(Named what) const {
        return ecu->ReadConstByte(ecu->ElementConstOffset[Checklist::Find(*ecu, what)]);
    }
    int16_t constWordOf(Named what) const {
        return static_cast<int16_t>(
            ecu->ReadConstWord(ecu->ElementConstOffset[Checklist::Find(*ecu, what)]));
    }
    void clearMarks() { std::fill(std::begin(ecu->SyncState), std::end(ecu->SyncState), 0); }
    bool progressMarked() const {
        for (long a = 0x5E; a <= 0x61; ++a)
            if (ecu->SyncAt(a) != Sync::ToWrite)
                return false;
        return true;
    }
    void online() {
        ecu->LinkState = Link::Online;
        ecu->OnlineCapable = true;
    }
    // A 3D table laid out over the given columns, two rows, every cell 15.00.
    int table3D(Named what, int lowest, int highest, int step) {
        int t = make(ElementType::Table3D, what);
        Tables::AxisLayout rows{0, 50, 50};
        EXPECT_TRUE(Tables::LayOut(*ecu, t, {lowest, highest, step}, &rows));
        fillTable(t, 15 * 50);
        return t;
    }
    void fillTable(int t, int raw) {
        Tables::Shape s;
        ASSERT_TRUE(Tables::ShapeOf(*ecu, t, s));
        for (int i = 0; i < s.columns; ++i)
            for (int j = 0; j < s.rows; ++j)
                Tables::WriteCell(*ecu, s, i, j, static_cast<uint16_t>(raw));
    }
    void setCell(int t, int column, int raw) {
        Tables::Shape s;
        ASSERT_TRUE(Tables::ShapeOf(*ecu, t, s));
        Tables::WriteCell(*ecu, s, column, 0, static_cast<uint16_t>(raw));
    }
};

TEST(ChecklistDefaults, TheDefaultConfigurationHoldsEveryNamedElementOfItsKind) {
    SilentMessages quiet;
    auto ecu = std::make_unique<tECU>(quiet);
    std::string error;
    ASSERT_TRUE(SettingsFile::load(*ecu, ZOLMAR_DEFAULT_CONFIG, error)) << error;
    for (int k = 0; k < Checklist::kNamedCount; ++k)
        EXPECT_GE(Checklist::Find(*ecu, static_cast<Named>(k)), 0)
            << Checklist::NameOf(static_cast<Named>(k));
    // The degree sign is the single Windows-1252 byte, as the image stores names.
    EXPECT_STREQ(Checklist::NameOf(Named::TriggerOffset), "Trigger Offset (Crank\xB0)");
    EXPECT_EQ(Checklist::LiveAddresses(*ecu).size(), 2u + 7u);
}

TEST_F(ChecklistTest, TheHighestIndexWinsAndAnElementOfTheWrongKindCountsAsMissing) {
    int first = make(ElementType::Tickbox, Named::TimingLock);
    int second = make(ElementType::Tickbox, Named::TimingLock);
    EXPECT_EQ(Checklist::Find(*ecu, Named::TimingLock), second);
    EXPECT_EQ(Checklist::SetTimingLock(*ecu, true), second);
    EXPECT_EQ(ecu->ReadConstByte(ecu->ElementConstOffset[first]), 0);

    // A label renamed like the tickbox hides it: the checklist writes nothing.
    int label = make(ElementType::Label, Named::TimingLock);
    EXPECT_EQ(Checklist::Find(*ecu, Named::TimingLock), -1);
    EXPECT_FALSE(Checklist::TimingLockTicked(*ecu).has_value());
    ecu->Modified = false;
    EXPECT_EQ(Checklist::SetTimingLock(*ecu, false), -1);
    EXPECT_FALSE(ecu->Modified);
    // Looked up at each use: once the label is gone the tickbox is found again, at
    // its new index after the deletion moved it.
    ecu->DeleteElement(first);
    ecu->DeleteElement(label - 1);
    EXPECT_EQ(Checklist::Find(*ecu, Named::TimingLock), second - 1);
    EXPECT_EQ(Checklist::TimingLockTicked(*ecu), std::optional<bool>(true));

    // Each kind: a live word needs an output, the angles a Constant, the links a table.
    make(ElementType::Display, Named::MapSensor);
    make(ElementType::Tickbox, Named::TimingLockAngle);
    make(ElementType::Table2D, Named::VeTable);
    make(ElementType::Constant, Named::BaseIdle);
    for (Named n : {Named::MapSensor, Named::TimingLockAngle, Named::VeTable, Named::BaseIdle})
        EXPECT_EQ(Checklist::Find(*ecu, n), -1) << Checklist::NameOf(n);
    EXPECT_EQ(Checklist::AngleText(*ecu, Named::TimingLockAngle), "???");
    int map = make(ElementType::Summer, Named::MapSensor);
    int idle = make(ElementType::Table2D, Named::BaseIdle);
    EXPECT_EQ(Checklist::Find(*ecu, Named::MapSensor), map);
    EXPECT_EQ(Checklist::Find(*ecu, Named::BaseIdle), idle);
    // The poll cycle fetches the battery, the engine speed and the live words found.
    EXPECT_EQ(Checklist::LiveAddresses(*ecu),
              (std::vector<long>{0x0F4, 0x058, ecu->ElementLiveOffset[map]}));
}

TEST_F(ChecklistTest, TheProgressWordIsWrittenOnlyWhenABitChanges) {
    ecu->SetImageWord(0x60, 0xA5C3, false);
    ecu->Modified = false;
    EXPECT_TRUE(Checklist::SetDone(*ecu, 1, true));
    EXPECT_TRUE(Checklist::SetDone(*ecu, 15, true));
    EXPECT_EQ(Checklist::Progress(*ecu), 0x4001);
    EXPECT_EQ(ecu->ImageWord(0x60), 0xA5C3) << "the high word is kept";
    EXPECT_TRUE(progressMarked());
    EXPECT_TRUE(ecu->Modified);

    clearMarks();
    ecu->Modified = false;
    EXPECT_FALSE(Checklist::SetDone(*ecu, 1, true));
    EXPECT_FALSE(Checklist::SetDone(*ecu, 2, false));
    EXPECT_FALSE(Checklist::SetDone(*ecu, 16, true));
    EXPECT_FALSE(Checklist::SetDone(*ecu, 0, true));
    EXPECT_EQ(ecu->SyncAt(0x5E), Sync::InStep);
    EXPECT_FALSE(ecu->Modified);

    Checklist::ToggleStep(*ecu, 1);
    EXPECT_EQ(Checklist::Progress(*ecu), 0x4000);
    EXPECT_TRUE(progressMarked());
}

TEST_F(ChecklistTest, TheArrowPointsAtTheFirstOpenStepAndStaysWhenAllAreDone) {
    EXPECT_EQ(Checklist::CheckTables(*ecu).arrowStep, 1);
    for (int step = 1; step <= 11; ++step)
        Checklist::SetDone(*ecu, step, true);
    EXPECT_EQ(Checklist::CheckTables(*ecu).arrowStep, 12);
    for (int step = 12; step <= 15; ++step)
        Checklist::SetDone(*ecu, step, true);
    EXPECT_EQ(Checklist::CheckTables(*ecu).arrowStep, 0);
    EXPECT_EQ(Checklist::ArrowY(1), 29);
    EXPECT_EQ(Checklist::ArrowY(10), 245);
    EXPECT_EQ(Checklist::ArrowY(11), 317); // below the two timing-light rows
    EXPECT_EQ(Checklist::ArrowY(15), 413);
}

TEST_F(ChecklistTest, BatteryTicksUpTo16VoltsAndACrossClearsItsBit) {
    online();
    setLive(Checklist::kBatteryLive, 800); // 16.00 V
    auto r = Checklist::PollCycle(*ecu);
    ASSERT_TRUE(r.live);
    EXPECT_EQ(r.battery, "Current Battery Voltage: 16.00");
    EXPECT_EQ(r.marks[0], Mark::Tick);
    EXPECT_TRUE(r.progressChanged);
    EXPECT_TRUE(Checklist::Done(*ecu, 3));

    setLive(Checklist::kBatteryLive, 801); // 16.02 V
    r = Checklist::PollCycle(*ecu);
    EXPECT_EQ(r.battery, "Current Battery Voltage: 16.02");
    EXPECT_EQ(r.marks[0], Mark::Cross);
    EXPECT_FALSE(Checklist::Done(*ecu, 3));

    setLive(Checklist::kBatteryLive, 550); // 11.00 V
    EXPECT_EQ(Checklist::PollCycle(*ecu).marks[0], Mark::Tick);
    clearMarks();
    EXPECT_FALSE(Checklist::PollCycle(*ecu).progressChanged) << "no change, nothing to write";
    EXPECT_EQ(ecu->SyncAt(0x5E), Sync::InStep);
    setLive(Checklist::kBatteryLive, 549);
    EXPECT_EQ(Checklist::PollCycle(*ecu).marks[0], Mark::Cross);
}

TEST_F(ChecklistTest, MapIsJudgedOnlyWithTheEngineStopped) {
    online();
    make(ElementType::Summer, Named::MapSensor);
    setLiveOf(Named::MapSensor, 101 * 50);
    setLive(Checklist::kRpmLive, 450); // 900 RPM: turning
    auto r = Checklist::PollCycle(*ecu);
    EXPECT_EQ(r.map, "Current MAP (kPa): 101.00");
    EXPECT_EQ(r.rpm, "Current RPM: 900");
    EXPECT_EQ(r.marks[1], Mark::Hidden);
    EXPECT_FALSE(Checklist::Done(*ecu, 4)) << "bit 3 unchanged";
    Checklist::SetDone(*ecu, 4, true);
    Checklist::PollCycle(*ecu);
    EXPECT_TRUE(Checklist::Done(*ecu, 4)) << "bit 3 unchanged";

    setLive(Checklist::kRpmLive, 0);
    EXPECT_EQ(Checklist::PollCycle(*ecu).marks[1], Mark::Tick);
    setLiveOf(Named::MapSensor, 102 * 50 + 1);
    EXPECT_EQ(Checklist::PollCycle(*ecu).marks[1], Mark::Cross);
    EXPECT_FALSE(Checklist::Done(*ecu, 4));
    setLiveOf(Named::MapSensor, 99 * 50);
    EXPECT_EQ(Checklist::PollCycle(*ecu).marks[1], Mark::Tick);
}

TEST_F(ChecklistTest, TemperaturesAndMissingSensors) {
    online();
    auto r = Checklist::PollCycle(*ecu);
    EXPECT_EQ(r.map, "Current MAP (kPa): ???");
    EXPECT_EQ(r.coolant, "Current ECT (degrees): ???");
    EXPECT_EQ(r.air, "Current Air Temp (degrees): ???");
    EXPECT_EQ(r.tps, "Current TPS (%): ???");
    EXPECT_EQ(r.marks[1], Mark::Hidden);
    EXPECT_EQ(r.marks[2], Mark::Hidden);
    EXPECT_EQ(r.marks[3], Mark::Hidden);

    make(ElementType::Summer, Named::Coolant);
    make(ElementType::Summer, Named::AirTemperature);
    make(ElementType::Summer, Named::Tps);
    setLiveOf(Named::Coolant, 90 * 50);
    setLiveOf(Named::AirTemperature, -1);
    setLiveOf(Named::Tps, 1234);
    r = Checklist::PollCycle(*ecu);
    EXPECT_EQ(r.coolant, "Current ECT (degrees): 90.00");
    EXPECT_EQ(r.marks[2], Mark::Tick);
    EXPECT_EQ(r.air, "Current Air Temp (degrees): -0.02");
    EXPECT_EQ(r.marks[3], Mark::Cross);
    EXPECT_EQ(r.tps, "Current TPS (%): 24.68");
    EXPECT_TRUE(Checklist::Done(*ecu, 5));
    EXPECT_FALSE(Checklist::Done(*ecu, 6));
    setLiveOf(Named::Coolant, 20 * 50 - 1);
    setLiveOf(Named::AirTemperature, 50 * 50);
    r = Checklist::PollCycle(*ecu);
    EXPECT_EQ(r.marks[2], Mark::Cross);
    EXPECT_EQ(r.marks[3], Mark::Tick);
}

TEST_F(ChecklistTest, OfflineTheAutomaticStepsKeepTheirBitsAndSimulatingCountsAsLive) {
    setLive(Checklist::kBatteryLive, 1000);
    Checklist::SetDone(*ecu, 3, true);
    ecu->OnlineCapable = false;
    auto r = Checklist::PollCycle(*ecu);
    EXPECT_FALSE(r.live);
    EXPECT_TRUE(r.battery.empty());
    EXPECT_EQ(r.marks[0], Mark::Hidden);
    EXPECT_TRUE(Checklist::Done(*ecu, 3));
    // TPS and the questions show regardless.
    EXPECT_EQ(r.tps, "Current TPS (%): ???");

    ecu->Simulating = true;
    r = Checklist::PollCycle(*ecu);
    EXPECT_TRUE(r.live);
    EXPECT_EQ(r.marks[0], Mark::Cross);
    EXPECT_FALSE(Checklist::Done(*ecu, 3));
}

TEST_F(ChecklistTest, TheThreeQuestionsKeepTheirSpacing) {
    auto r = Checklist::PollCycle(*ecu);
    EXPECT_EQ(r.closedLoopIdle, "Closed-Loop Idle Control?  ???");
    EXPECT_EQ(r.elecLoads, "All Elec Loads Disabled?  ???");
    EXPECT_EQ(r.closedLoopFuel, "Closed-Loop Fuel Control?  ???");
    make(ElementType::Comparator, Named::ClosedLoopIdle);
    make(ElementType::Comparator, Named::ElecLoadsDisabled);
    make(ElementType::Comparator, Named::ClosedLoopFuel);
    setLiveOf(Named::ClosedLoopIdle, 0);
    setLiveOf(Named::ElecLoadsDisabled, 1);
    setLiveOf(Named::ClosedLoopFuel, -50);
    r = Checklist::PollCycle(*ecu);
    EXPECT_EQ(r.closedLoopIdle, "Closed-Loop Idle Control?   NO");
    EXPECT_EQ(r.elecLoads, "All Elec Loads Disabled?  YES");
    EXPECT_EQ(r.closedLoopFuel, "Closed-Loop Fuel Control?   NO");
}

TEST_F(ChecklistTest, RpmIsUnstableOnlyBelow1000AndNotOnTheFirstTick) {
    setLive(Checklist::kRpmLive, 1000); // 2000 RPM when the window opens
    checklist.Open(*ecu);
    EXPECT_TRUE(ecu->ChecklistOpen);
    setLive(Checklist::kRpmLive, 300); // 600 RPM
    EXPECT_FALSE(checklist.WarningsTick(*ecu).rpmUnstable) << "the first reading is taken";
    setLive(Checklist::kRpmLive, 450); // 900 RPM
    EXPECT_TRUE(checklist.WarningsTick(*ecu).rpmUnstable);
    setLive(Checklist::kRpmLive, 600); // 1200
    EXPECT_FALSE(checklist.WarningsTick(*ecu).rpmUnstable);
    setLive(Checklist::kRpmLive, 800); // 1600
    EXPECT_FALSE(checklist.WarningsTick(*ecu).rpmUnstable);
    setLive(Checklist::kRpmLive, 400); // 800, 800 below the previous
    EXPECT_TRUE(checklist.WarningsTick(*ecu).rpmUnstable);
    setLive(Checklist::kRpmLive, 525); // 1050: above the idle range
    EXPECT_FALSE(checklist.WarningsTick(*ecu).rpmUnstable);
    Checklist::Close(*ecu);
    EXPECT_FALSE(ecu->ChecklistOpen);
    // Reopening starts afresh.
    setLive(Checklist::kRpmLive, 100);
    checklist.Open(*ecu);
    EXPECT_FALSE(checklist.WarningsTick(*ecu).rpmUnstable);
}

TEST_F(ChecklistTest, TheLabelsFollowTheSwitchesAndTheCoolant) {
    auto w = checklist.WarningsTick(*ecu);
    EXPECT_FALSE(w.injectors.has_value());
    EXPECT_FALSE(w.tpsLearning.has_value());
    EXPECT_FALSE(w.coolantTooHigh);
    make(ElementType::Tickbox, Named::EnableInjectors);
    make(ElementType::Tickbox, Named::LearnTps);
    make(ElementType::Summer, Named::Coolant);
    setLiveOf(Named::Coolant, 110 * 50);
    w = checklist.WarningsTick(*ecu);
    EXPECT_EQ(w.injectors, "Injectors Disabled");
    EXPECT_EQ(w.tpsLearning, "TPS Learning Disabled");
    EXPECT_FALSE(w.coolantTooHigh);
    Checklist::ReEnableInjectors(*ecu);
    Checklist::EnableTpsLearning(*ecu);
    setLiveOf(Named::Coolant, 110 * 50 + 1);
    w = checklist.WarningsTick(*ecu);
    EXPECT_EQ(w.injectors, "Injectors Enabled");
    EXPECT_EQ(w.tpsLearning, "TPS Learning Enabled");
    EXPECT_TRUE(w.coolantTooHigh);
}

TEST_F(ChecklistTest, TheSwitchesWriteTheirTickboxAndToggleTheirStep) {
    int learn = make(ElementType::Tickbox, Named::LearnTps);
    int injectors = make(ElementType::Tickbox, Named::EnableInjectors);
    ecu->WriteConstByte(ecu->ElementConstOffset[injectors], 1);
    clearMarks();
    EXPECT_EQ(Checklist::EnableTpsLearning(*ecu), learn);
    EXPECT_EQ(constByteOf(Named::LearnTps), 1);
    EXPECT_EQ(ecu->SyncAt(Layout::kConstBase + ecu->ElementConstOffset[learn]), Sync::ToWrite);
    EXPECT_TRUE(Checklist::Done(*ecu, 7));
    EXPECT_EQ(Checklist::FinishTpsLearning(*ecu), learn);
    EXPECT_EQ(constByteOf(Named::LearnTps), 0);
    EXPECT_TRUE(Checklist::Done(*ecu, 8));

    // Pressed twice: the injectors stay disabled, but step 9 is open again.
    EXPECT_EQ(Checklist::DisableInjectors(*ecu), injectors);
    EXPECT_EQ(constByteOf(Named::EnableInjectors), 0);
    EXPECT_TRUE(Checklist::Done(*ecu, 9));
    Checklist::DisableInjectors(*ecu);
    EXPECT_EQ(constByteOf(Named::EnableInjectors), 0);
    EXPECT_FALSE(Checklist::Done(*ecu, 9));
    EXPECT_EQ(Checklist::ReEnableInjectors(*ecu), injectors);
    EXPECT_EQ(constByteOf(Named::EnableInjectors), 1);
    EXPECT_TRUE(Checklist::Done(*ecu, 11));
}

TEST_F(ChecklistTest, WithoutLearnTpsStepsSevenAndEightCannotBeToggled) {
    make(ElementType::Constant, Named::LearnTps); // of the wrong kind
    const uint16_t before = Checklist::Progress(*ecu);
    EXPECT_EQ(Checklist::EnableTpsLearning(*ecu), -1);
    EXPECT_EQ(Checklist::FinishTpsLearning(*ecu), -1);
    EXPECT_EQ(Checklist::DisableInjectors(*ecu), -1);
    EXPECT_EQ(Checklist::ReEnableInjectors(*ecu), -1);
    EXPECT_EQ(Checklist::Progress(*ecu), before);
}

TEST_F(ChecklistTest, TheAnglesMoveByOneDegreeAndStopAtTheTypedRange) {
    make(ElementType::Constant, Named::TimingLockAngle);
    make(ElementType::Constant, Named::TriggerOffset);
    EXPECT_GE(Checklist::NudgeAngle(*ecu, Named::TimingLockAngle, +1), 0);
    EXPECT_EQ(constWordOf(Named::TimingLockAngle), 50);
    EXPECT_EQ(Checklist::AngleText(*ecu, Named::TimingLockAngle), "1.00");
    Checklist::NudgeAngle(*ecu, Named::TriggerOffset, -1);
    EXPECT_EQ(Checklist::AngleText(*ecu, Named::TriggerOffset), "-1.00");
    EXPECT_EQ(Checklist::NudgeAngle(*ecu, Named::TimingLock, +1), -1) << "no angle";

    int offset = Checklist::Find(*ecu, Named::TriggerOffset);
    ecu->WriteConstWord(ecu->ElementConstOffset[offset], 32730); // 654.60
    Checklist::NudgeAngle(*ecu, Named::TriggerOffset, +1);
    EXPECT_EQ(constWordOf(Named::TriggerOffset), 32750);
    Checklist::NudgeAngle(*ecu, Named::TriggerOffset, +1);
    EXPECT_EQ(constWordOf(Named::TriggerOffset), 32750) << "no wrap to negative";
    ecu->WriteConstWord(ecu->ElementConstOffset[offset], static_cast<uint16_t>(-32740));
    Checklist::NudgeAngle(*ecu, Named::TriggerOffset, -1);
    EXPECT_EQ(constWordOf(Named::TriggerOffset), -32750);
    Checklist::NudgeAngle(*ecu, Named::TriggerOffset, -1);
    EXPECT_EQ(constWordOf(Named::TriggerOffset), -32750);
    // A value stored beyond the range moves back towards it, never further out.
    ecu->WriteConstWord(ecu->ElementConstOffset[offset], 32767);
    Checklist::NudgeAngle(*ecu, Named::TriggerOffset, +1);
    EXPECT_EQ(constWordOf(Named::TriggerOffset), 32767);
    Checklist::NudgeAngle(*ecu, Named::TriggerOffset, -1);
    EXPECT_EQ(constWordOf(Named::TriggerOffset), 32717);
}

TEST_F(ChecklistTest, TheIgnitionWarningWeighsLowSpeedColumnsMoreStrictly) {
    EXPECT_FALSE(Checklist::CheckTables(*ecu).ignitionExcessive);
    int ignition = table3D(Named::IgnitionMap, 500, 1500, 500); // references 10, 20, 30
    EXPECT_FALSE(Checklist::CheckTables(*ecu).ignitionExcessive);
    setCell(ignition, 0, 25 * 50); // 25.00 under 10.00
    EXPECT_TRUE(Checklist::CheckTables(*ecu).ignitionExcessive);
    setCell(ignition, 0, 20 * 50); // 20.00 under 10.00: at the limit
    EXPECT_FALSE(Checklist::CheckTables(*ecu).ignitionExcessive);
    setCell(ignition, 1, 25 * 50); // 25.00 under 20.00
    EXPECT_FALSE(Checklist::CheckTables(*ecu).ignitionExcessive);
    setCell(ignition, 2, 2251); // just above 45.00 anywhere
    EXPECT_TRUE(Checklist::CheckTables(*ecu).ignitionExcessive);
    setCell(ignition, 2, 2250);
    EXPECT_FALSE(Checklist::CheckTables(*ecu).ignitionExcessive);
    // A negative reference compares as a large unsigned one.
    int low = table3D(Named::IgnitionMap, -500, 500, 500);
    setCell(low, 0, 25 * 50);
    EXPECT_FALSE(Checklist::CheckTables(*ecu).ignitionExcessive);
    setCell(low, 1, 25 * 50); // under 0.00
    EXPECT_TRUE(Checklist::CheckTables(*ecu).ignitionExcessive);
}

TEST_F(ChecklistTest, TheVeWarningFlagsCellsOutside40To300Percent) {
    EXPECT_FALSE(Checklist::CheckTables(*ecu).veUnreasonable);
    int ve = table3D(Named::VeTable, 0, 500, 500);
    fillTable(ve, 2000);
    EXPECT_FALSE(Checklist::CheckTables(*ecu).veUnreasonable);
    setCell(ve, 1, 1999);
    EXPECT_TRUE(Checklist::CheckTables(*ecu).veUnreasonable);
    fillTable(ve, 15000);
    EXPECT_FALSE(Checklist::CheckTables(*ecu).veUnreasonable);
    setCell(ve, 0, 15001);
    EXPECT_TRUE(Checklist::CheckTables(*ecu).veUnreasonable);
    fillTable(ve, -50);
    EXPECT_TRUE(Checklist::CheckTables(*ecu).veUnreasonable) << "cells are signed";
}

TEST(ChecklistRules, TheWizardLinkFollowsTheLinkState) {
    std::string available;
    for (int state = 0; state <= 13; ++state)
        available += Checklist::WizardLinkAvailable(state) ? '1' : '0';
    EXPECT_EQ(available, "00001101001010");
    EXPECT_TRUE(Checklist::HasManualMark(8));
    EXPECT_FALSE(Checklist::HasOkButton(8));
    for (int step : {3, 4, 5, 6, 7, 9, 11})
        EXPECT_FALSE(Checklist::HasManualMark(step)) << step;
}

} // namespace

#include "scope/Scope.h"
#include "../gauges/GaugeTestSupport.h"
#include "emu/VirtualEcu.h"
#include "emu/VirtualEcuLink.h"
#include "link/ModbusDriver.h"

using namespace zolmar;
using namespace zolmar::scope;

namespace {

TEST(ScopeGeometry, ValueTracesScaleByMultiplyingOrDividing) {
    EXPECT_EQ(ValueY(50, 2, 0), 288 - 96) << "0.5 / div: 1.00 is two divisions up";
    EXPECT_EQ(ValueY(50, 5, 0), 288 - 9) << "5 / div truncates 9.6 to 9";
    EXPECT_EQ(ValueY(-50, 5, 0), 288 + 9);
    EXPECT_EQ(ValueY(50, 3, 2), 288 + 96 - 48);
    EXPECT_EQ(ValueY(32767, 0, 0), 288 - 314563) << "no overflow at the extremes";
    EXPECT_EQ(ValueY(100, 65535, 0), ValueY(100, 9, 0)) << "a stored index past the list";
    EXPECT_EQ(RawY(1280, 3, 0), 288 - 10);
    EXPECT_EQ(RawY(1280, 4, 0), 288 - 5);
    EXPECT_EQ(RawY(-32768, 0, -1), 288 - 48 + 2560);
}

TEST(ScopeGeometry, TheEngineAngleWrapsAroundTheReference) {
    EXPECT_FALSE(AngleInTurnUnits(0, 27));
    EXPECT_TRUE(AngleInTurnUnits(0, 28));
    EXPECT_TRUE(AngleInTurnUnits(1, 0));
    EXPECT_EQ(AngleY(-9000, 0, false, 0), 288 + 90);
    EXPECT_EQ(AngleY(-16375, 0, true, 0), 288 + 90) << "a 16-bit turn: 16375 is 90 degrees";
    EXPECT_EQ(AngleY(-9000, -20000, false, 0), 288 - 70) << "29000 is -7000 hundredths";
    EXPECT_EQ(AngleY(32767, 32767, false, 1), 288 + 48 + 64) << "-65534 comes back as 6466";
}

TEST(ScopeSources, CodesMapToItemsAndBands) {
    EXPECT_EQ(ItemOfCode(0xFFFF), 0);
    EXPECT_EQ(ItemOfCode(17), 0);
    EXPECT_EQ(ItemOfCode(4136), 14);
    EXPECT_EQ(ItemOfCode(4143), 18);
    EXPECT_EQ(ItemOfCode(5000), -1);
    EXPECT_FALSE(IsBitSet(14));
    EXPECT_TRUE(IsBitSet(7));
    EXPECT_EQ(LabelBands({0, 7, 0, 10}), (std::array<int, 4>{0, kLowerBand, 0, kUpperBand}));
    EXPECT_EQ(LabelBands({9, 8, 15, 14}),
              (std::array<int, 4>{kLowerBand, kUpperBand, kLowerBand, 0}));
    EXPECT_EQ(BitNames(7, false)[0], "Arm 1 Raw");
    EXPECT_EQ(BitNames(8, false)[15], "VSS 4 Filtered");
    EXPECT_EQ(BitNames(8, true)[9], "ZERO5");
    EXPECT_EQ(BitNames(7, true)[10], "");
    EXPECT_EQ(BitNames(9, false)[10], "Have 720 Degrees of Info");
    EXPECT_EQ(BitNames(17, false)[5], "Inj Enable 6");
    EXPECT_EQ(BitNames(17, true)[15], "InjCurrent 8");
    EXPECT_EQ(BitNames(15, true)[8], "Aux1H");
    EXPECT_EQ(FixedLabel(14), "CurAng");
    EXPECT_EQ(TriggerLevelPosition(600), -12);
    EXPECT_EQ(TriggerBitIndex(0x0400), 10);
    EXPECT_EQ(TriggerBitIndex(0x0401), 0) << "no single bit: the first entry";
}

TEST(ScopeSources, CursorTimesUseTheUnitOfTheTimeBase) {
    EXPECT_EQ(CursorTime(24, 6), "1.000 ms");
    EXPECT_EQ(CursorTime(119, 4), "991.670 us") << "five significant digits";
    EXPECT_EQ(CursorTime(12, 5), "0.250 ms") << "500 microseconds count in milliseconds";
    EXPECT_EQ(CursorTime(24, 14), "0.500 s");
    EXPECT_EQ(CursorTime(-24, 15), "-1.000 s");
    EXPECT_EQ(CursorTime(0, 0), "0.000 us");
    EXPECT_EQ(CursorTime(1, 0), "0.417 us");
}

struct ScopeModelTest : test::GaugeFixture {
    void sample(int channel, int i, uint16_t value) {
        ecu->SetImageWord(ScopeMap::kSamples + 512L * channel + 2L * i, value, false);
    }
};

TEST_F(ScopeModelTest, SettingsTravelAsConstantsAndReadBack) {
    ScopeWrite::TriggerLevel(*ecu, -12);
    EXPECT_EQ(ecu->ReadConstWord(ScopeMap::kTriggerLevel), 600);
    EXPECT_EQ(ecu->SyncAt(Layout::kConstBase + ScopeMap::kTriggerLevel), Sync::ToWrite);
    ScopeWrite::Timebase(*ecu, 9);
    ScopeWrite::Edge(*ecu, true);
    ScopeWrite::Timebase(*ecu, 3);
    ScopeWrite::Horizontal(*ecu, 200);
    ScopeWrite::Offset(*ecu, 3, -4);
    ScopeWrite::Scale(*ecu, 1, 7);
    ScopeWrite::ChannelSource(*ecu, 2, 4132);
    ScopeWrite::ChannelSource(*ecu, 4, 4132); // no fifth channel: nothing written
    const ScopeSettings s = ScopeSettings::Read(*ecu);
    EXPECT_EQ(s.timebase, 3);
    EXPECT_TRUE(s.falling);
    EXPECT_EQ(s.horizontal, 200);
    EXPECT_EQ(ecu->ReadConstByte(ScopeMap::kHorizontal), 48);
    EXPECT_EQ(s.offset[3], -4);
    EXPECT_EQ(s.scale[1], 7);
    EXPECT_EQ(s.source[2], 4132);
    EXPECT_EQ(s.triggerLevel, 600);
}

TEST_F(ScopeModelTest, TracesComeFromTheCaptureBufferAndStopAtTheImageEnd) {
    EXPECT_EQ(SampleCount(0), 256);
    EXPECT_EQ(SampleCount(3), 248);
    EXPECT_EQ(SampleCount(4), 0);
    sample(0, 0, 50);
    sample(0, 255, static_cast<uint16_t>(-50));
    ScopeSettings s;
    s.scale = {3, 3, 3, 3};
    const auto trace = Trace(*ecu, 0, 0, s, 0);
    ASSERT_EQ(trace.size(), 256u);
    EXPECT_EQ(trace[0].y, 288 - 48);
    EXPECT_EQ(trace[255].x, 510);
    EXPECT_EQ(trace[255].y, 288 + 48);
    EXPECT_EQ(Trace(*ecu, 3, 0, s, 0).size(), 248u);
    EXPECT_TRUE(Trace(*ecu, 0, 7, s, 0).empty()) << "bit sets are drawn bit by bit";

    sample(1, 1, 0x0004);
    const auto bits = BitTrace(*ecu, 1, 2, kUpperBand);
    ASSERT_EQ(bits.size(), 512u);
    EXPECT_EQ(bits[0].y, kUpperBand + 32);
    EXPECT_EQ(bits[2].y, kUpperBand + 32 - 13);
    EXPECT_EQ(bits[3].x, 4);
}

TEST_F(ScopeModelTest, TheAngleIsMeasuredFromTheTriggerOffsetConstant) {
    EXPECT_EQ(AngleReference(*ecu), 0);
    const int offset = add(ElementType::Constant, "Trigger Offset (Crank\xB0)", 3);
    ecu->WriteConstWord(ecu->ElementConstOffset[offset], static_cast<uint16_t>(-1500));
    add(ElementType::Constant, "Trigger Offset (Crank\xB0)", 3);
    EXPECT_EQ(AngleReference(*ecu), -1500);
}

TEST_F(ScopeModelTest, ACycleWaitsTriggersFetchesAndRearms) {
    ScopeCycle cycle;
    ScopeCycle::Controls controls;
    controls.run = true;
    controls.shown = {true, false, true, false};
    ecu->EcuModeBits = 0;
    auto r = cycle.Cycle(*ecu, controls, false);
    EXPECT_EQ(r.status, "WAIT");
    EXPECT_FALSE(r.forceTrigger) << "only Auto forces";
    ecu->EcuModeBits = 2;
    EXPECT_EQ(cycle.Cycle(*ecu, controls, false).status, "TRIGGERED");
    ecu->EcuModeBits = 3;
    r = cycle.Cycle(*ecu, controls, false);
    EXPECT_EQ(r.status, "TRIGGERED");
    EXPECT_FALSE(r.draw);
    ASSERT_TRUE(cycle.Fetching());
    EXPECT_EQ(ecu->SyncAt(ScopeMap::kSamples), Sync::ToRead);
    EXPECT_EQ(ecu->SyncAt(ScopeMap::kSamples + 511), Sync::ToRead);
    EXPECT_EQ(ecu->SyncAt(ScopeMap::kSamples + 512), Sync::InStep) << "channel 2 is hidden";
    EXPECT_EQ(ecu->SyncAt(ScopeMap::kSamples + 1024), Sync::ToRead);
    // The read pass has fetched half of it: still fetching.
    for (long a = ScopeMap::kSamples; a < ScopeMap::kSamples + 512; ++a)
        ecu->SetSync(a, Sync::InStep);
    EXPECT_FALSE(cycle.Cycle(*ecu, controls, false).draw);
    ScopeCycle::DropPendingReads(*ecu);
    r = cycle.Cycle(*ecu, controls, true);
    EXPECT_TRUE(r.draw);
    EXPECT_FALSE(r.clear) << "accumulating";
    EXPECT_TRUE(r.rearm);
    EXPECT_FALSE(cycle.Fetching());

    controls.run = false;
    ecu->EcuModeBits = 3;
    r = cycle.Cycle(*ecu, controls, false);
    EXPECT_EQ(r.status, "STOPPED");
    EXPECT_FALSE(cycle.Fetching()) << "not running: a finished capture is not fetched";
}

// What is drawn belongs to the capture: its sources as they were when it was fetched,
// its age, and never a buffer half fetched before the window was hidden.
TEST_F(ScopeModelTest, ACaptureKeepsItsSourcesAndAgeAndAHiddenFetchIsAbandoned) {
    ScopeCycle cycle;
    ScopeCycle::Controls controls;
    controls.run = true;
    controls.shown = {true, true, false, false};
    controls.items = {14, 10, 0, 0};
    controls.nowMs = 1000;
    EXPECT_EQ(cycle.CaptureAgeText(1000), "No capture");
    ecu->EcuModeBits = 3;
    ASSERT_FALSE(cycle.Cycle(*ecu, controls, false).draw);
    ASSERT_TRUE(cycle.Fetching());
    controls.items = {14, 7, 0, 0}; // channel 2 switched to a bit set meanwhile
    controls.nowMs = 1100;
    ScopeCycle::DropPendingReads(*ecu); // as if the read pass had fetched it all
    auto r = cycle.Cycle(*ecu, controls, false);
    ASSERT_TRUE(r.draw);
    EXPECT_EQ(r.items, (std::array<int, 4>{14, 10, 0, 0})) << "the capture's own sources";
    EXPECT_TRUE(cycle.CaptureShown());
    EXPECT_EQ(cycle.CaptureAgeText(3450), "Capture 2.4 s old");

    // Hidden during the next fetch: the half-read buffer is never drawn.
    ASSERT_FALSE(cycle.Cycle(*ecu, controls, false).draw);
    ASSERT_TRUE(cycle.Fetching());
    cycle.Abandon(*ecu);
    EXPECT_EQ(ecu->SyncAt(ScopeMap::kSamples), Sync::InStep) << "its reads are dropped";
    r = cycle.Cycle(*ecu, controls, false);
    EXPECT_FALSE(r.draw) << "shown again: a new fetch starts instead";
    EXPECT_TRUE(cycle.Fetching());
    EXPECT_EQ(ecu->SyncAt(ScopeMap::kSamples), Sync::ToRead);
    cycle.ForgetCapture();
    EXPECT_EQ(cycle.CaptureAgeText(4000), "No capture");
}

TEST_F(ScopeModelTest, AutoForcesEveryThirdWaitingCycleAndSingleStopsAfterOne) {
    ScopeCycle cycle;
    ScopeCycle::Controls controls;
    controls.mode = ScopeCycle::Auto;
    controls.run = true;
    ecu->EcuModeBits = 1;
    EXPECT_FALSE(cycle.Cycle(*ecu, controls, false).forceTrigger);
    EXPECT_FALSE(cycle.Cycle(*ecu, controls, false).forceTrigger);
    ecu->EcuModeBits = 2; // a triggered cycle leaves the count alone
    EXPECT_FALSE(cycle.Cycle(*ecu, controls, false).forceTrigger);
    ecu->EcuModeBits = 0;
    EXPECT_TRUE(cycle.Cycle(*ecu, controls, false).forceTrigger);
    EXPECT_EQ(cycle.AutoCounter(), 0);

    ScopeCycle single;
    controls.mode = ScopeCycle::Single;
    controls.shown = {false, false, false, false};
    ecu->EcuModeBits = 3;
    const auto r = single.Cycle(*ecu, controls, false);
    EXPECT_TRUE(r.untickRun);
    EXPECT_EQ(r.status, "STOPPED");
    EXPECT_TRUE(r.draw) << "nothing shown: the fetch is complete at once";
    EXPECT_FALSE(r.rearm) << "single captures once";
}

// The virtual ECU's capture: armed, it waits for the cam edge and fills the buffer.
struct VirtualScopeTest : test::GaugeFixture {
    emu::VirtualEcu virtualEcu;
    emu::VirtualEcuLink link{virtualEcu};
    TModbusDriver driver{link};

    void load() {
        virtualEcu.LoadConfiguration(*ecu);
        virtualEcu.Diagram().running = false;
        virtualEcu.WriteWord(emu::EcuMap::kLiveBase + 2 * 44, 1500); // 3000 RPM
    }
    uint16_t sample(int channel, int i) {
        return virtualEcu.ReadWord(0x2A810 + 512u * channel + 2u * i);
    }
};

TEST_F(VirtualScopeTest, ACamEdgeTriggersACaptureAroundIt) {
    ScopeWrite::TriggerSource(*ecu, 4128);
    ScopeWrite::TriggerBit(*ecu, 1); // the cam input
    ScopeWrite::ChannelSource(*ecu, 0, 4128);
    ScopeWrite::ChannelSource(*ecu, 1, 4136);
    ScopeWrite::ChannelSource(*ecu, 2, 44); // live word 44
    ScopeWrite::Timebase(*ecu, 8);          // 5 ms / div: 50 ms on the screen
    ScopeWrite::Horizontal(*ecu, 120);
    load();
    std::string error;
    ASSERT_TRUE(driver.WriteRegister(ScopeMap::kModeWord, ScopeMap::kArm, error)) << error;
    for (int k = 0; k < 20 && virtualEcu.ModeBits() != 3; ++k)
        virtualEcu.Advance(10);
    ASSERT_EQ(virtualEcu.ModeBits(), 3);
    // Sample 120 is the trigger: the cam bit rose there.
    EXPECT_EQ(sample(0, 119) & 2, 0);
    EXPECT_EQ(sample(0, 120) & 2, 2);
    EXPECT_EQ(sample(2, 130), 1500);
    // 50 ms at 3000 RPM is 2.5 revolutions: the crank teeth toggle many times.
    int edges = 0;
    for (int i = 1; i < 256; ++i)
        edges += ((sample(0, i) ^ sample(0, i - 1)) & 1) != 0;
    EXPECT_GT(edges, 100);
    uint16_t words[2];
    ASSERT_TRUE(driver.ReadRegisters(0x2A03E, 1, words, error)) << error;
    EXPECT_EQ(words[0] >> 14, 3) << "the status block shows the capture complete";

    // It stays complete until armed again; a forced trigger captures at once.
    virtualEcu.Advance(100);
    EXPECT_EQ(virtualEcu.ModeBits(), 3);
    ASSERT_TRUE(driver.WriteRegister(ScopeMap::kModeWord, ScopeMap::kForce, error));
    EXPECT_EQ(virtualEcu.ModeBits(), 2);
    virtualEcu.Advance(60);
    EXPECT_EQ(virtualEcu.ModeBits(), 3);
}

TEST_F(VirtualScopeTest, AStoppedEngineNeverTriggersOnTheCam) {
    ScopeWrite::TriggerSource(*ecu, 4128);
    ScopeWrite::TriggerBit(*ecu, 1);
    load();
    virtualEcu.WriteWord(emu::EcuMap::kLiveBase + 2 * 44, 0);
    virtualEcu.SetModeBits(0);
    virtualEcu.Advance(500);
    EXPECT_EQ(virtualEcu.ModeBits(), 0);
}

} // namespace

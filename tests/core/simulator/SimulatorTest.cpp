#include "simulator/Simulator.h"
#include "files/NewConfiguration.h"
#include "link/SyncEngine.h"
#include "model/PinTable.h"
#include "simulator/SimulationArguments.h"

#include <gtest/gtest.h>
#include <memory>

using namespace zolmar;
using namespace zolmar::Layout;
using zolmar::sim::SimulatedInputs;
using zolmar::sim::Simulator;

namespace {

struct SimulatorTest : ::testing::Test {
    SilentMessages quiet;
    std::unique_ptr<tECU> ecu = std::make_unique<tECU>(quiet);
    Simulator simulator;

    SimulatorTest() {
        NewConfiguration::MakeBlank(*ecu);
        ecu->LinkState = Link::Offline;
    }
    int live(int word) const { return static_cast<int16_t>(ecu->ImageWord(kLiveBase + 2L * word)); }
    static int control(const std::string& caption) {
        SilentMessages quiet;
        auto blank = std::make_unique<tECU>(quiet);
        ImageMemory memory(*blank);
        return SimulatedInputs::Find(caption, memory.view());
    }
    int element(int type, const std::string& name) {
        int index = -1;
        EXPECT_TRUE(ecu->CreateElement(type, 1, 1, name, 2, &index));
        return index;
    }
    int out(int element, int word = 0) const {
        return live(ecu->ElementLiveOffset[element] / 2 + word);
    }
};

TEST_F(SimulatorTest, ControlsWriteTheirLiveWords) {
    ASSERT_TRUE(simulator.Open(*ecu));
    const int rpm = control("RPM / 100");
    ASSERT_TRUE(simulator.SetControl(*ecu, rpm, 3000));
    EXPECT_EQ(live(44), 3000);
    EXPECT_EQ(simulator.Inputs().ValueText(rpm), "60.00");

    const int ana1 = control("Ana 1");
    ASSERT_TRUE(simulator.SetControl(*ecu, ana1, 25000));
    EXPECT_EQ(live(80), 12500);
    EXPECT_EQ(simulator.Inputs().ValueText(ana1), "2.500 V ");
    simulator.SetControl(*ecu, ana1, 12345);
    EXPECT_EQ(simulator.Inputs().ValueText(ana1), "1.235 V ");

    struct Case {
        const char* caption;
        int position;
        int word;
        int value;
        const char* text;
    };
    const Case cases[] = {
        {"Serial 1.1", -655, 0, -32750, "-655"},
        {"Serial 2.8", 3, 15, 150, "3"},
        {"VSS 4", 400, 19, 20000, "400.00 km/h"},
        {"Knock 1 in phase", 7, 24, 350, "7"},
        {"Knock 8 background", 200, 39, 10000, "200"},
        {"VVT 2", -40, 41, -2000, "-40.00"},
        {"Dig Inp 8", 1, 52, 50, ""},
        {"Ana 16", 50000, 95, 25000, "5.000 V "},
        {"Battery Voltage", 700, 122, 700, "14.00"},
    };
    for (const Case& c : cases) {
        const int k = control(c.caption);
        ASSERT_GE(k, 0) << c.caption;
        ASSERT_TRUE(simulator.SetControl(*ecu, k, c.position)) << c.caption;
        EXPECT_EQ(live(c.word), c.value) << c.caption;
        EXPECT_EQ(simulator.Inputs().ValueText(k), c.text) << c.caption;
    }
    EXPECT_FALSE(simulator.SetControl(*ecu, rpm, 8001));
    EXPECT_FALSE(simulator.SetControl(*ecu, control("Dig Inp 1"), 2));
    EXPECT_EQ(simulator.Inputs().Position(rpm), 3000);
    EXPECT_EQ(SimulatedInputs::kControls, 66);
}

TEST_F(SimulatorTest, VehicleSpeedsDeriveTheirPeriodWords) {
    ecu->WriteConstWord(30, 1000); // VSS 1: 1000 ms at 1 km/h
    ecu->WriteConstWord(34, 60000);
    ASSERT_TRUE(simulator.Open(*ecu));
    const int vss1 = control("VSS 1");
    EXPECT_EQ(live(20), 0) << "standing still";
    simulator.SetControl(*ecu, vss1, 100);
    EXPECT_EQ(live(16), 5000);
    EXPECT_EQ(live(20), 500);
    simulator.SetControl(*ecu, vss1, 0);
    EXPECT_EQ(live(20), 0);
    simulator.SetControl(*ecu, control("VSS 3"), 1);
    EXPECT_EQ(live(22), 32767) << "60000 x 50 does not fit the word";
}

TEST_F(SimulatorTest, CaptionsShowTheChannelNames) {
    PinTable::SetPinName(*ecu, PinTable::AnalogueInputRecord(1), "MAP");
    PinTable::SetPinName(*ecu, PinTable::DigitalInputRecord(3), "Clutch");
    PinTable::SetPinName(*ecu, 68, "Front"); // the VSS 1 pin
    PinTable::SetPinName(*ecu, 57, "InCam"); // CAS 2, the first cam
    const auto captions = Simulator::Captions(*ecu);
    ASSERT_EQ(captions.size(), 66u);
    EXPECT_EQ(captions[49], "Ana1: MAP");
    EXPECT_EQ(captions[50], "Ana2: ");
    EXPECT_EQ(captions[43], "Dig Inp 3: Clutch");
    EXPECT_EQ(captions[16], "VSS 1: Front");
    EXPECT_EQ(captions[36], "VVT 1: InCam");
    EXPECT_EQ(captions[40], "RPM / 100");
    ImageMemory memory(*ecu);
    EXPECT_EQ(SimulatedInputs::Find("Ana1: MAP", memory.view()), 49);
    EXPECT_EQ(SimulatedInputs::Find("Ana 1", memory.view()), 49);
    EXPECT_EQ(SimulatedInputs::Find("Ana2:", memory.view()), 50);
    EXPECT_EQ(SimulatedInputs::Find("Ana 17", memory.view()), -1);
}

TEST_F(SimulatorTest, OpeningAgainResetsTheElementsButKeepsTheControls) {
    const int counter = element(ElementType::Summer, "Count");
    ecu->LinkInput(counter, 0, counter, 0);
    ecu->SetLiteral(counter, 1, 1.0);
    ASSERT_TRUE(simulator.Open(*ecu));
    EXPECT_TRUE(ecu->Simulating);
    simulator.SetControl(*ecu, control("RPM / 100"), 4000);
    EXPECT_EQ(simulator.Tick(*ecu), 50);
    EXPECT_EQ(out(counter), 50 * 50);
    EXPECT_EQ(simulator.Evaluator().StepCount(), 50);
    simulator.Close(*ecu);
    EXPECT_FALSE(ecu->Simulating);
    EXPECT_EQ(simulator.Tick(*ecu), 0) << "closed";
    EXPECT_EQ(out(counter), 2500) << "the live area keeps its last values";

    ASSERT_TRUE(simulator.Open(*ecu));
    EXPECT_EQ(out(counter), 0);
    EXPECT_EQ(simulator.Evaluator().StepCount(), 0);
    EXPECT_EQ(live(44), 4000) << "the control kept its position";
}

TEST_F(SimulatorTest, TheLinkStateDecidesWhetherItOpensAndRuns) {
    for (int state = 0; state <= 13; ++state) {
        ecu->LinkState = state;
        const bool permitted = state == Link::Online || state == Link::LostWhileOnline ||
                               state == Link::WritingChanges || state == Link::Offline ||
                               state == Link::LostDuringWrite || state == Link::NewConfiguration;
        EXPECT_EQ(Simulator::RunPermitted(state), permitted) << state;
        ecu->Simulating = false;
        EXPECT_EQ(simulator.Open(*ecu), permitted) << state;
        EXPECT_EQ(ecu->Simulating, permitted) << state;
    }
    ecu->LinkState = Link::Offline;
    ASSERT_TRUE(simulator.Open(*ecu));
    ecu->LinkState = Link::WritingAll;
    EXPECT_EQ(simulator.Tick(*ecu), 0) << "writing all settings: the timer does nothing";
    EXPECT_EQ(simulator.Evaluator().StepCount(), 0);
    ecu->LinkState = Link::LostDuringWrite;
    EXPECT_EQ(simulator.Tick(*ecu), 50);
}

TEST_F(SimulatorTest, HeldWordsAreWrittenBeforeEveryPass) {
    const int sum = element(ElementType::Summer, "Sum");
    ecu->LinkInput(sum, 0, 0, 7); // Serial1.8
    ASSERT_TRUE(simulator.Open(*ecu));
    simulator.held.Hold(7, 0xFFFF);
    simulator.held.Hold(7, 123); // the later value counts
    simulator.Run(*ecu, 1);
    EXPECT_EQ(out(sum), 123);
}

TEST(SimulationArguments, ParseHeldWordsAndControls) {
    namespace Args = sim::SimulationArguments;
    int word = 0;
    uint16_t raw = 0;
    std::string error;
    ASSERT_TRUE(Args::ParseHeldWord("44=-50", word, raw, error));
    EXPECT_EQ(word, 44);
    EXPECT_EQ(raw, 0xFFCE);
    ASSERT_TRUE(Args::ParseHeldWord("4095=65535", word, raw, error));
    EXPECT_EQ(raw, 0xFFFF);
    for (const char* bad : {"4096=1", "1=65536", "1=-32769", "=5", "5=", "x=1", "1=2=3", "5"})
        EXPECT_FALSE(Args::ParseHeldWord(bad, word, raw, error)) << bad;

    std::string caption;
    int position = 0;
    ASSERT_TRUE(Args::ParseControl("RPM / 100=3000", caption, position, error));
    EXPECT_EQ(caption, "RPM / 100");
    EXPECT_EQ(position, 3000);
    ASSERT_TRUE(Args::ParseControl("Ana1: A=B=-5", caption, position, error));
    EXPECT_EQ(caption, "Ana1: A=B");
    EXPECT_EQ(position, -5);
    EXPECT_FALSE(Args::ParseControl("=3", caption, position, error));
    EXPECT_FALSE(Args::ParseControl("RPM / 100=3.5", caption, position, error));
}

} // namespace

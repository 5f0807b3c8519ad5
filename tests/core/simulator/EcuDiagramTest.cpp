// The virtual ECU running its diagram, seen through the real synchronisation engine.
#include "LinkTestSupport.h"
#include "RealisticDiagram.h"
#include "emu/VirtualEcu.h"
#include "emu/VirtualEcuLink.h"
#include "files/NewConfiguration.h"
#include "link/SyncEngine.h"
#include "model/Tables.h"
#include "simulator/Simulator.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>

using namespace zolmar;
using namespace zolmar::emu;
using namespace zolmar::Layout;

namespace {

constexpr int kRpm = 40;         // "RPM / 100"
constexpr int kSerial11 = 0;     // "Serial 1.1"
constexpr int kDigInp1 = 41;     // "Dig Inp 1"
constexpr int kRpmWord = 44;     // its live word, an output of element 0
constexpr int kSerialWord = 0;   // Serial1.1
constexpr int kDigitalWord = 45; // Dig 1

struct Learnt : LinkObserver {
    void learnHistoryLine(const std::string& line) override { lines.push_back(line); }
    std::vector<std::string> lines;
};

struct RunningEcuTest : ::testing::Test {
    SilentMessages quiet;
    std::unique_ptr<tECU> config = std::make_unique<tECU>(quiet);
    std::unique_ptr<tECU> pc = std::make_unique<tECU>(quiet);
    std::unique_ptr<VirtualEcu> ecu = std::make_unique<VirtualEcu>();
    VirtualEcuLink link{*ecu};
    Learnt observer;
    SyncEngine engine{*pc, link, observer};
    PollContext context;

    RunningEcuTest() { NewConfiguration::MakeBlank(*config); }
    int create(int type, const std::string& name, int page = 2) {
        int index = -1;
        EXPECT_TRUE(config->CreateElement(type, 1, 1, name, page, &index));
        return index;
    }
    // One 50 ms poll cycle of the main window, with the ECU's 50 ms between cycles.
    void cycle(int n = 1) {
        for (int i = 0; i < n; ++i) {
            ecu->Advance(50);
            engine.PollCycle(context);
        }
    }
    void goOnline() {
        ecu->LoadConfiguration(*config);
        engine.StartUp();
        for (int i = 0; i < 400 && pc->LinkState != Link::Online; ++i)
            cycle();
        ASSERT_EQ(pc->LinkState, Link::Online);
    }
    int pcLive(int element, int word = 0) const {
        return static_cast<int16_t>(
            pc->ImageWord(kLiveBase + pc->ElementLiveOffset[element] + 2 * word));
    }
    int ecuLive(int element, int word = 0) const {
        return static_cast<int16_t>(
            ecu->ReadWord(kLiveBase + config->ElementLiveOffset[element] + 2 * word));
    }
};

TEST_F(RunningEcuTest, ServesTheLiveValuesOfItsRunningDiagram) {
    const int speed = create(ElementType::Summer, "Speed");
    config->LinkInput(speed, 0, 0, kRpmWord);
    config->SetLiteral(speed, 1, 1.0);
    const int counter = create(ElementType::Summer, "Count");
    config->LinkInput(counter, 0, counter, 0);
    config->SetLiteral(counter, 1, 0.04);
    ecu->Diagram().inputs.SetPosition(kRpm, 3000);
    goOnline();

    context.currentPage = 2;
    pc->ShowAllOutputs = true;
    cycle(2);
    EXPECT_EQ(pcLive(0, kRpmWord), 3000) << "the linked input word";
    EXPECT_EQ(pcLive(speed), 3050);
    const int seen = pcLive(counter);
    EXPECT_EQ(seen, ecuLive(counter)) << "the value of the ECU's last pass";
    cycle();
    EXPECT_EQ(pcLive(counter), seen + 100) << "50 passes of 0.04 in 50 ms";

    ecu->Diagram().inputs.SetPosition(kRpm, 4000);
    cycle();
    EXPECT_EQ(pcLive(speed), 4050);
}

TEST_F(RunningEcuTest, LearntCellsReachTheImageAndTheLearnHistory) {
    const int fuel = create(ElementType::Table2D, "Fuel");
    config->LinkInput(fuel, 0, 0, kRpmWord);
    config->LinkInput(fuel, 1, 0, kSerialWord);  // LearnV
    config->LinkInput(fuel, 2, 0, kDigitalWord); // Learn
    config->SetLiteral(fuel, 3, 1.0);            // learnt cells are tuned
    Tables::LayOut(*config, fuel, {0, 4000, 1000}, nullptr);
    ecu->Diagram().inputs.SetPosition(kRpm, 2100); // nearest column 2
    ecu->Diagram().inputs.SetPosition(kSerial11, 3);
    goOnline();
    Tables::Shape shape;
    ASSERT_TRUE(Tables::ShapeOf(*pc, fuel, shape));
    const int cell = shape.cellAddress(2, 0);

    ecu->Diagram().inputs.SetPosition(kDigInp1, 1);
    cycle(10);
    EXPECT_EQ(pc->ReadConstWord(cell), 151) << "3.00 with the tuned flag";
    EXPECT_EQ(pc->SyncAt(kConstBase + cell), Sync::InStep) << "the ECU has it already";
    EXPECT_EQ(ecu->Committed()[kConstBase + cell], 151);
    ASSERT_EQ(observer.lines.size(), 1u) << "the trigger held: learnt once";
    EXPECT_EQ(observer.lines[0], "Learnt 3.02 to Constant Address " + std::to_string(cell) +
                                     " (Which is part of the table called Fuel) \n\r");

    ecu->Diagram().inputs.SetPosition(kDigInp1, 0);
    ecu->Diagram().inputs.SetPosition(kSerial11, -2);
    cycle();
    ecu->Diagram().inputs.SetPosition(kDigInp1, 1);
    cycle(3);
    EXPECT_EQ(pc->ReadConstWord(cell), static_cast<uint16_t>(-100 | 1));
    ASSERT_EQ(observer.lines.size(), 2u);
    EXPECT_EQ(observer.lines[1], "Learnt -2.0 to Constant Address " + std::to_string(cell) +
                                     " (Which is part of the table called Fuel) \n\r");
    EXPECT_EQ(ecu->PendingLearnReports(), 0);
}

// Writes one register as the link does.
void writeRegister(VirtualEcu& ecu, uint32_t address, uint16_t value) {
    auto frame = test::withCrc(
        {1, 0x06, static_cast<uint8_t>(address >> 9), static_cast<uint8_t>((address >> 1) & 0xFF),
         static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value & 0xFF)});
    uint8_t reply[256];
    ASSERT_EQ(ecu.HandleRequest(frame.data(), static_cast<int>(frame.size()), reply), 8);
}

TEST_F(RunningEcuTest, OnlyTheCommittedConfigurationRuns) {
    create(ElementType::Summer, "Pad"); // puts the constant's word at an even address
    const int constant = create(ElementType::Constant, "Idle");
    config->WriteConstWord(config->ElementConstOffset[constant], 100);
    const int counter = create(ElementType::Summer, "Count");
    config->LinkInput(counter, 0, counter, 0);
    config->SetLiteral(counter, 1, 0.04);
    ecu->LoadConfiguration(*config);
    ecu->Advance(10);
    EXPECT_EQ(ecuLive(constant), 100);
    EXPECT_EQ(ecuLive(counter), 20);

    // Staged, not committed: the ECU keeps running what it had.
    const uint32_t address = kConstBase + config->ElementConstOffset[constant];
    ASSERT_EQ(address % 2, 0u);
    writeRegister(*ecu, address, 300);
    ecu->Advance(10);
    EXPECT_EQ(ecuLive(constant), 100);
    writeRegister(*ecu, 0x1FFFE, 0);
    ecu->Advance(10);
    EXPECT_EQ(ecuLive(constant), 300);
    EXPECT_EQ(ecuLive(counter), 60) << "new constants: the diagram runs on";

    // New logic: the diagram starts afresh, from a cleared live area.
    const uint32_t literal = kLogicBase + config->InputWordAddress(counter, 1);
    writeRegister(*ecu, literal, 4);
    ecu->Advance(10);
    EXPECT_EQ(ecuLive(counter), 80) << "not yet committed";
    writeRegister(*ecu, 0x1FFFE, 0);
    EXPECT_EQ(ecuLive(counter), 0);
    EXPECT_EQ(ecu->Diagram().Evaluator().StepCount(), 0);
    ecu->Advance(5);
    EXPECT_EQ(ecuLive(counter), 20);
}

TEST_F(RunningEcuTest, LearnReportsQueueWhileTheSlotsAreTaken) {
    for (int k = 0; k < 10; ++k)
        ecu->LearnConstant(static_cast<uint16_t>(0x500 + 2 * k), static_cast<uint16_t>(k));
    ecu->LearnConstant(0x502, 77); // still in its slot: the slot shows the latest value
    ecu->LearnConstant(0x50E, 99); // still queued: reported once, with the latest value
    EXPECT_EQ(ecu->PendingLearnReports(), 7);
    EXPECT_EQ(ecu->QueuedLearnReports(), 3);
    EXPECT_EQ(ecu->Committed()[0x50E], 99);

    auto status = [this] {
        auto frame = test::withCrc({1, 0x04, 0x50, 0x00, 0x00, 32});
        uint8_t reply[256];
        EXPECT_EQ(ecu->HandleRequest(frame.data(), static_cast<int>(frame.size()), reply), 5 + 64);
        std::vector<std::pair<int, int>> reports;
        for (int k = 0; k < 7; ++k) {
            const int a = reply[3 + 2 * (16 + 2 * k)] << 8 | reply[4 + 2 * (16 + 2 * k)];
            const int v = reply[3 + 2 * (17 + 2 * k)] << 8 | reply[4 + 2 * (17 + 2 * k)];
            if (a != 0)
                reports.emplace_back(a, v);
        }
        return reports;
    };
    const std::vector<std::pair<int, int>> first = {{0x500, 0}, {0x502, 77}, {0x504, 2}, {0x506, 3},
                                                    {0x508, 4}, {0x50A, 5},  {0x50C, 6}};
    EXPECT_EQ(status(), first);
    const std::vector<std::pair<int, int>> second = {{0x50E, 99}, {0x510, 8}, {0x512, 9}};
    EXPECT_EQ(status(), second);
    EXPECT_TRUE(status().empty());

    // A cell the link has written but not committed keeps the written value for the
    // commit; the running configuration has learnt meanwhile.
    ecu->WriteWord(0x600, 0x1111);
    ecu->LearnConstant(0x600, 0x2222);
    EXPECT_EQ(ecu->ReadWord(0x600), 0x1111);
    EXPECT_EQ(ecu->Committed()[0x601], 0x22);
    writeRegister(*ecu, 0x1FFFE, 0);
    EXPECT_EQ(ecu->Committed()[0x601], 0x11);
}

TEST_F(RunningEcuTest, InputsHeldWordsAndSpeedAreTheEcusToSet) {
    const int sum = create(ElementType::Summer, "Sum");
    config->LinkInput(sum, 0, 0, kRpmWord);
    config->LinkInput(sum, 1, 0, 7); // Serial1.8
    ecu->LoadConfiguration(*config);
    std::string error;
    ASSERT_TRUE(ecu->Diagram().SetInput("RPM / 100", 1234, ecu->DiagramMemory(), error));
    EXPECT_FALSE(ecu->Diagram().SetInput("RPM / 100", 9000, ecu->DiagramMemory(), error));
    EXPECT_EQ(error, "\"RPM / 100\" takes 0 to 8000");
    EXPECT_FALSE(ecu->Diagram().SetInput("Boost", 1, ecu->DiagramMemory(), error));
    ecu->Diagram().held.Hold(7, 6);
    ecu->Diagram().passesPerMs = 3;
    ecu->Advance(10);
    EXPECT_EQ(ecuLive(sum), 1240);
    EXPECT_EQ(ecu->Diagram().PassesRun(), 30u);
    EXPECT_EQ(ecu->Diagram().Evaluator().StepCount(), 30);

    ecu->Diagram().running = false;
    ecu->WriteWord(kLiveBase + config->ElementLiveOffset[sum], 5);
    ecu->Advance(10);
    EXPECT_EQ(ecuLive(sum), 5);
    EXPECT_EQ(ecu->NowMs(), 20u);
}

// One evaluator: the simulator on the model and the ECU on its own memory agree to the
// byte, learnt cells included, on a big engine diagram.
TEST(OneEvaluator, TheSimulatorAndTheVirtualEcuComputeTheSame) {
    SilentMessages quiet;
    auto pc = std::make_unique<tECU>(quiet);
    ASSERT_EQ(test::GenerateRealisticDiagram(*pc, 1200, 3), 1200);
    ASSERT_LE(pc->LiveEnd(), kLiveSize);
    ASSERT_LE(pc->ConstEnd(), kConstSize);
    auto ecu = std::make_unique<VirtualEcu>();
    ecu->LoadConfiguration(*pc);

    sim::Simulator simulator;
    pc->LinkState = Link::Offline;
    for (auto* inputs : {&simulator.Inputs(), &ecu->Diagram().inputs}) {
        inputs->SetPosition(kRpm, 3100);
        inputs->SetPosition(49, 21000); // Ana 1
        inputs->SetPosition(kDigInp1, 1);
    }
    ASSERT_TRUE(simulator.Open(*pc));
    pc->Modified = false;
    simulator.Run(*pc, 300);
    ecu->Advance(300);
    EXPECT_TRUE(pc->Modified) << "some of its tables learn";
    EXPECT_TRUE(std::equal(pc->Image + kLiveBase, pc->Image + kLiveBase + kLiveSize,
                           ecu->Memory() + kLiveBase));
    EXPECT_TRUE(std::equal(pc->Image + kConstBase, pc->Image + kConstBase + kConstSize,
                           ecu->Committed() + kConstBase));
    EXPECT_GT(ecu->PendingLearnReports(), 0);
}

} // namespace

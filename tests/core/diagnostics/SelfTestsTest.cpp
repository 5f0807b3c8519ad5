#include "diagnostics/SelfTests.h"
#include "emu/EcuSelfTests.h"
#include "emu/VirtualEcuLink.h"
#include "files/NewConfiguration.h"
#include "model/PinTable.h"

#include <gtest/gtest.h>
#include <memory>

using namespace zolmar;
namespace AV = zolmar::SelfTests::AnalogueVoltages;

namespace {

TEST(SelfTestTexts, RamRecordsPrintAddressAndBothBytes) {
    EXPECT_EQ(SelfTests::RamRecordLine(0x1234, 0x5AA5), "Address: $02468 Wrote: $A5 Read: $5A");
    EXPECT_EQ(SelfTests::RamRecordLine(0xFFFF, 0x00FF), "Address: $1FFFE Wrote: $FF Read: $00");
    uint16_t words[70] = {};
    for (int r = 0; r < 35; ++r)
        words[2 * r] = static_cast<uint16_t>(r);
    auto lines = SelfTests::RamResultLines(40, words);
    ASSERT_EQ(lines.size(), 36u);
    EXPECT_EQ(lines[0], "Only first 35 results shown:");
    EXPECT_EQ(lines[35], "Address: $00044 Wrote: $00 Read: $00");
    EXPECT_EQ(SelfTests::RamResultLines(3, words).size(), 3u);
    EXPECT_EQ(SelfTests::RamResultLines(35, words).size(), 35u);
}

TEST(SelfTestTexts, CapacitorVerdictsAtTheirBoundaries) {
    EXPECT_EQ(SelfTests::CapacitorLine(1, 9), "Input 1: 9 ms FAIL - no cap / cap too small");
    EXPECT_EQ(SelfTests::CapacitorLine(2, 10), "Input 2: 10 ms PASS");
    EXPECT_EQ(SelfTests::CapacitorLine(3, 39), "Input 3: 39 ms PASS");
    EXPECT_EQ(SelfTests::CapacitorLine(4, 40), "Input 4: 40 ms FAIL - cap too big");
    EXPECT_EQ(SelfTests::CapacitorLine(5, 998), "Input 5: 998 ms FAIL - cap too big");
    EXPECT_EQ(SelfTests::CapacitorLine(6, 999),
              "Input 6: Error (connected externally / short on PCB / no 12V power)");
    EXPECT_EQ(SelfTests::CapacitorLine(7, 0), "Input 7: 0 ms FAIL - no cap / cap too small");
    uint16_t times[8] = {20, 20, 20, 20, 20, 20, 20, 65535};
    std::string report = SelfTests::CapacitorReport(times);
    EXPECT_EQ(report.substr(0, 21), "Input 1: 20 ms PASS\r\n");
    EXPECT_EQ(report.substr(report.size() - 2), "\r\n");
    EXPECT_NE(report.find("Input 8: Error"), std::string::npos);
    EXPECT_EQ(SelfTests::CalibrationReport(65535), "3V3 reference calibrated (offset = 65535");
}

TEST(SelfTestTexts, TracesRoundHalvesToEven) {
    // 10 v / 248: 12.4 exactly halfway between 12 and 13 needs v = 310 (3100 / 248 = 12.5).
    EXPECT_EQ(SelfTests::TraceY(310, 248), 166 - 12);
    EXPECT_EQ(SelfTests::TraceY(372, 248), 166 - 15);  // 15.0
    EXPECT_EQ(SelfTests::TraceY(1054, 248), 166 - 42); // 42.5 -> 42
    EXPECT_EQ(SelfTests::TraceY(1078, 248), 166 - 43); // 43.47 -> 43
    EXPECT_EQ(SelfTests::TraceY(34, 68), 166 - 5);     // 5.0
    EXPECT_EQ(SelfTests::TraceY(102, 68), 166 - 15);   // 15.0
    EXPECT_EQ(SelfTests::TraceY(238, 68), 166 - 35);   // 35.0
    EXPECT_EQ(SelfTests::TraceY(221, 68), 166 - 32);   // 32.5 -> 32
    EXPECT_EQ(SelfTests::TraceY(255, 68), 166 - 38);   // 37.5 -> 38
    EXPECT_EQ(SelfTests::TraceY(65535, 68), 166 - 9638);
    EXPECT_EQ(SelfTests::TraceX(69), 300);
    EXPECT_EQ(SelfTests::InjectorColour(10), 0xFFFF00u);
    EXPECT_EQ(SelfTests::InjectorColour(13), 0u);
}

TEST(SelfTestTexts, AnalogueVoltageTexts) {
    EXPECT_EQ(AV::InputText(12345), "2.4690 V");
    EXPECT_EQ(AV::InputText(65535), "13.1070 V");
    EXPECT_EQ(AV::InputText(0), "0.0000 V");
    EXPECT_EQ(AV::RailText(16500), "3.30 V");
    EXPECT_EQ(AV::RailText(16524), "3.30 V");
    EXPECT_EQ(AV::RailText(16525), "3.31 V");
    EXPECT_EQ(AV::BatteryText(695), "13.90 V");
    EXPECT_EQ(AV::InjectorCurrentText(1), "0.02 A");
    EXPECT_EQ(AV::InjectorVoltageText(65535), "1310.70 V");
    RecordingMessages messages;
    auto ecu = std::make_unique<tECU>(messages);
    PinTable::SetPinName(*ecu, 37, "TPS");
    EXPECT_EQ(AV::InputPinLabel(*ecu, 2), "'TPS'");
    EXPECT_EQ(AV::InputPinLabel(*ecu, 1), "''");
    EXPECT_EQ(AV::InputPinLabel(*ecu, 17), "''");
}

// The tests against the virtual ECU through the real driver.
struct SelfTestLink : ::testing::Test {
    RecordingMessages messages;
    std::unique_ptr<tECU> ecu = std::make_unique<tECU>(messages);
    emu::VirtualEcu virtualEcu;
    emu::EcuSelfTests tests{virtualEcu};
    emu::VirtualEcuLink link{virtualEcu};
    ManualClock clock;
    TModbusDriver driver{link};
    SelfTests::Runner runner{*ecu, driver, messages};

    void SetUp() override {
        link.clock = &clock;
        std::string error;
        ASSERT_TRUE(driver.FindAndOpen(error)) << error;
    }
};

TEST_F(SelfTestLink, RamTestPassesOrListsTheFaultsOnRequest) {
    std::vector<std::string> shown;
    auto show = [&](const std::vector<std::string>& lines) { shown = lines; };
    runner.RamTest(show);
    ASSERT_EQ(messages.texts(), (std::vector<std::string>{"RAM test passed"}));
    EXPECT_EQ(tests.ramTestsRun(), 1);

    tests.ramFaults = {{0x2468, 0xA5, 0x5A}, {0x10000, 0xFF, 0x7F}};
    messages.shown.clear();
    runner.RamTest(show); // the question is answered No
    EXPECT_EQ(messages.texts(),
              (std::vector<std::string>{"RAM test failed (2 errors). Show details?"}));
    EXPECT_TRUE(shown.empty());
    messages.answers.push_back(Messages::Answer::Yes);
    runner.RamTest(show);
    EXPECT_EQ(shown, (std::vector<std::string>{"Address: $02468 Wrote: $A5 Read: $5A",
                                               "Address: $10000 Wrote: $FF Read: $7F"}));

    for (uint32_t a = 0; a < 40; ++a)
        tests.ramFaults.push_back({0x1000 + 2 * a, 0x55, 0xAA});
    messages.answers.push_back(Messages::Answer::Yes);
    runner.RamTest(show);
    ASSERT_EQ(shown.size(), 36u);
    EXPECT_EQ(shown[0], "Only first 35 results shown:");
    EXPECT_EQ(shown[35], "Address: $01040 Wrote: $55 Read: $AA");
}

TEST_F(SelfTestLink, CapacitorTestReportsEveryInput) {
    tests.chargeTimesMs = {9, 10, 39, 40, 998, 999, 22, 22};
    runner.DigitalInputTest();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, Messages::Kind::Information);
    EXPECT_EQ(messages.shown[0].text,
              "Input 1: 9 ms FAIL - no cap / cap too small\r\nInput 2: 10 ms PASS\r\n"
              "Input 3: 39 ms PASS\r\nInput 4: 40 ms FAIL - cap too big\r\n"
              "Input 5: 998 ms FAIL - cap too big\r\n"
              "Input 6: Error (connected externally / short on PCB / no 12V power)\r\n"
              "Input 7: 22 ms PASS\r\nInput 8: 22 ms PASS\r\n");
    EXPECT_EQ(virtualEcu.LastCommand(), 0x2000);
}

TEST_F(SelfTestLink, CalibrationShowsTheStoredOffsetAndAsksForItsBytes) {
    tests.calibrationOffset = 40000;
    runner.CalibrateAnalog();
    EXPECT_EQ(messages.texts(),
              (std::vector<std::string>{"3V3 reference calibrated (offset = 40000"}));
    EXPECT_EQ(ecu->SyncAt(0xAE), Sync::ToRead);
    EXPECT_EQ(ecu->SyncAt(0xAF), Sync::ToRead);
    EXPECT_EQ(virtualEcu.ReadWord(0xAE), 40000);
}

TEST_F(SelfTestLink, InjectorTestReadsAllCapturesAndKeepsStaleOnesAfterAFailure) {
    std::array<std::array<uint16_t, 70>, 24> captures{};
    EXPECT_EQ(runner.InjectorTest(captures), 24);
    for (int n = 0; n < 24; ++n)
        for (int k = 0; k < 70; ++k)
            ASSERT_EQ(captures[n][k], emu::EcuSelfTests::TraceSample(n, k)) << n << " " << k;
    // The opened injector's voltage is low and its current rises.
    EXPECT_LT(captures[0][30], captures[0][5]);
    EXPECT_GT(captures[1][45], captures[1][15]);

    for (auto& c : captures)
        c.fill(7);
    virtualEcu.Unplug();
    EXPECT_EQ(runner.InjectorTest(captures), 0);
    EXPECT_EQ(captures[23][69], 7);
    EXPECT_TRUE(messages.shown.empty()); // fails silently
}

TEST_F(SelfTestLink, TransportFailuresCarryTheDriversMessage) {
    virtualEcu.Unplug();
    runner.RamTest([](const std::vector<std::string>&) {});
    runner.DigitalInputTest();
    runner.CalibrateAnalog();
    ASSERT_EQ(messages.shown.size(), 3u);
    EXPECT_EQ(messages.shown[0].text.rfind("ECU comms error: ", 0), 0u);
    EXPECT_GT(messages.shown[0].text.size(), 17u);
    EXPECT_EQ(messages.shown[1].text.rfind("Unable to perform digital input test (", 0), 0u);
    EXPECT_EQ(messages.shown[1].text.back(), '.');
    EXPECT_EQ(messages.shown[2].text.rfind("Calibration failed (", 0), 0u);
    for (const auto& m : messages.shown)
        EXPECT_EQ(m.kind, Messages::Kind::Error);
}

TEST_F(SelfTestLink, RailsAndInjectorReadingsStandInTheLiveArea) {
    virtualEcu.Advance(5);
    uint16_t words[3] = {};
    std::string error;
    ASSERT_TRUE(driver.ReadRegisters(0x1E000 + 0xF0, 3, words, error)) << error;
    EXPECT_EQ(AV::RailText(words[0]), "3.30 V");
    EXPECT_EQ(AV::RailText(words[1]), "5.00 V");
}

} // namespace

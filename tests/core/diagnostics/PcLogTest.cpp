#include "diagnostics/PcLog.h"
#include "../gauges/GaugeTestSupport.h"
#include "TempDir.h"
#include "link/SyncEngine.h"

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace zolmar;
using namespace zolmar::diagnostics;

namespace {

struct PcLogTest : test::GaugeFixture {
    test::TempDir dir;
    std::string read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
};

TEST(PcLogText, ValuesAndTimesAsTheLogWritesThem) {
    EXPECT_EQ(PcLog::ValueText(51), "1.02");
    EXPECT_EQ(PcLog::ValueText(-75), "-1.50");
    EXPECT_EQ(PcLog::ValueText(4), "0.08");
    EXPECT_EQ(PcLog::ValueText(0), "0.00");
    EXPECT_EQ(PcLog::ValueText(-32768), "-655.36");
    EXPECT_EQ(SecondsText(0), "0.000");
    EXPECT_EQ(SecondsText(65736), "65.736");
    EXPECT_EQ(SecondsText(50), "0.050");
    std::tm afternoon{};
    afternoon.tm_year = 126;
    afternoon.tm_mon = 11;
    afternoon.tm_mday = 8;
    afternoon.tm_hour = 14;
    afternoon.tm_min = 5;
    EXPECT_EQ(DefaultLogFileName(afternoon), "2026-12-08_1405.csv");
    afternoon.tm_hour = 0;
    EXPECT_EQ(DefaultLogFileName(afternoon), "2026-12-08_0005.csv");
}

TEST_F(PcLogTest, ColumnsAreGaugePageGaugesTopToBottom) {
    EXPECT_EQ(PcLog::HeaderLine(*ecu, PcLog::Columns(*ecu)), "\"Time (s)\",\r\n");
    const int lower = gauge("Lower", 9);
    const int first = gauge("First", 3);
    const int second = gauge("Second", 3);
    gauge("Not logged", 1, 2);
    add(ElementType::Label, "A label", 0);
    const auto columns = PcLog::Columns(*ecu);
    EXPECT_EQ(columns, (std::vector<int>{first, second, lower}));
    EXPECT_EQ(PcLog::HeaderLine(*ecu, columns), "\"Time (s)\",\"First\",\"Second\",\"Lower\",\r\n");
}

TEST_F(PcLogTest, LinesShowValuesOnlineOrSimulatingAndDashesOtherwise) {
    const int linked = gauge("Linked", 1);
    linkToConstant(linked);
    const int fixed = gauge("Fixed", 2);
    // A literal: bit 0 clear, so -76 rather than the -75 that would be a link.
    ecu->WriteLogicWord(ecu->InputWordAddress(fixed, 0), static_cast<uint16_t>(-76), false);
    const int flag = gauge("Flag", 3);
    setOptions(flag, gauges::GaugeSettings::kBoolean);
    linkToConstant(flag);
    setLive(linked, 51);
    setLive(flag, 0);
    const auto columns = PcLog::Columns(*ecu);
    const PcLog::ReadThisCycle allRead = [](long) { return true; };
    const PcLog::ReadThisCycle noneRead = [](long) { return false; };
    ecu->LinkState = Link::Offline;
    EXPECT_EQ(PcLog::DataLine(*ecu, columns, 0, allRead), "0.000,----,----,----,\r\n");
    ecu->LinkState = Link::Online;
    EXPECT_EQ(PcLog::DataLine(*ecu, columns, 1234, allRead), "1.234,1.02,-1.52,false,\r\n");
    // A linked value not read in its cycle is no value of that time; a literal is.
    EXPECT_EQ(PcLog::DataLine(*ecu, columns, 1284, noneRead), "1.284,----,-1.52,----,\r\n");
    const long linkedWord = ecu->ElementLiveOffset[linked];
    EXPECT_EQ(PcLog::DataLine(*ecu, columns, 1334, [&](long a) { return a == linkedWord; }),
              "1.334,1.02,-1.52,----,\r\n");
    setLive(flag, 1);
    ecu->LinkState = Link::Offline;
    simulate();
    EXPECT_EQ(PcLog::DataLine(*ecu, columns, 50, noneRead), "0.050,1.02,-1.52,true,\r\n");
}

TEST_F(PcLogTest, TheFileHoldsHeaderAndLinesUntilStopped) {
    gauge("RPM", 1);
    const std::string path = dir.path("log.csv");
    std::string error;
    {
        std::ofstream old(path);
        old << "previous content that must go";
    }
    PcLog log;
    ASSERT_TRUE(log.Start(*ecu, path, 1000, error)) << error;
    EXPECT_TRUE(ecu->LoggingToPc);
    ecu->LinkState = Link::Offline;
    ASSERT_TRUE(log.WriteLine(*ecu, 1000, {}, error));
    ASSERT_TRUE(log.WriteLine(*ecu, 1050, {}, error));
    // Lines are on disk at once, while the log is still open.
    EXPECT_EQ(read(path), "\"Time (s)\",\"RPM\",\r\n0.000,----,\r\n0.050,----,\r\n");
    // The tick count wraps; the elapsed time does not.
    ASSERT_TRUE(log.Start(*ecu, path, 0xFFFFFFF0u, error));
    ASSERT_TRUE(log.WriteLine(*ecu, 0x10u, {}, error));
    log.Stop(*ecu);
    EXPECT_FALSE(ecu->LoggingToPc);
    EXPECT_EQ(read(path), "\"Time (s)\",\"RPM\",\r\n0.032,----,\r\n");
    EXPECT_TRUE(log.WriteLine(*ecu, 0x20u, {}, error)) << "a stopped log writes nothing";
    EXPECT_EQ(read(path), "\"Time (s)\",\"RPM\",\r\n0.032,----,\r\n");

    EXPECT_FALSE(log.Start(*ecu, dir.path("missing/log.csv"), 0, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(ecu->LoggingToPc);
}

TEST_F(PcLogTest, AFullDiskIsReportedAndLeavesNoLogRunning) {
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full here";
    gauge("RPM", 1);
    std::string error;
    PcLog log;
    EXPECT_FALSE(log.Start(*ecu, "/dev/full", 0, error));
    EXPECT_NE(error.find("Cannot write"), std::string::npos) << error;
    EXPECT_FALSE(log.Active());
    EXPECT_FALSE(ecu->LoggingToPc);
}

TEST_F(PcLogTest, AtMost201Columns) {
    for (int k = 0; k < 205; ++k)
        gauge("G" + std::to_string(k), 1);
    const auto columns = PcLog::Columns(*ecu);
    ASSERT_EQ(columns.size(), 201u);
    EXPECT_EQ(ecu->NameOf(columns.back() + 128), "G200");
}

} // namespace

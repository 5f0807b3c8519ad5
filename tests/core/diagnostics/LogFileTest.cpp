#include "diagnostics/LogFile.h"
#include "../gauges/GaugeTestSupport.h"
#include "TempDir.h"
#include "diagnostics/OnboardLog.h"
#include "diagnostics/PcLog.h"
#include "link/SyncEngine.h"
#include "model/Tables.h"

#include <cmath>
#include <random>

using namespace zolmar;
using namespace zolmar::diagnostics;

namespace {

LogFile parse(const std::string& text) {
    LogFile log;
    std::string error;
    EXPECT_TRUE(ParseLog(text.data(), text.size(), log, error)) << error;
    return log;
}

struct LogFileTest : test::GaugeFixture {
    test::TempDir dir;
};

TEST_F(LogFileTest, ThePcLogReadsBackAsWritten) {
    const int rpm = gauge("RPM", 1);
    linkToConstant(rpm);
    const int flag = gauge("Fan \xB0", 2); // a Windows-1252 name
    setOptions(flag, gauges::GaugeSettings::kBoolean);
    linkToConstant(flag);
    const std::string path = dir.path("pc.csv");
    PcLog pcLog;
    std::string error;
    ASSERT_TRUE(pcLog.Start(*ecu, path, 0, error));
    const long rpmWord = ecu->ElementLiveOffset[rpm];
    const auto onlyRpm = [rpmWord](long a) { return a == rpmWord; };
    ecu->LinkState = Link::Online;
    setLive(rpm, -75);
    setLive(flag, 1);
    ASSERT_TRUE(pcLog.WriteLine(
        *ecu, 0, [](long) { return true; }, error));
    setLive(rpm, 51);
    ASSERT_TRUE(pcLog.WriteLine(*ecu, 50, onlyRpm, error));
    ecu->LinkState = Link::Offline;
    ASSERT_TRUE(pcLog.WriteLine(*ecu, 100, onlyRpm, error));
    pcLog.Stop(*ecu);

    LogFile log;
    ASSERT_TRUE(ReadLogFile(path, log, error)) << error;
    EXPECT_EQ(log.format, LogFile::Format::PcLog);
    ASSERT_EQ(log.channels.size(), 2u) << "the trailing comma is no column";
    EXPECT_EQ(log.channels[1].name, "Fan \xB0");
    EXPECT_EQ(log.seconds, (std::vector<double>{0, 0.05, 0.1}));
    EXPECT_FLOAT_EQ(log.channels[0].values[0], -1.5f);
    EXPECT_FLOAT_EQ(log.channels[0].values[1], 1.02f);
    EXPECT_TRUE(std::isnan(log.channels[0].values[2])) << "offline: ----";
    EXPECT_FLOAT_EQ(log.channels[1].values[0], 1.0f) << "true";
    EXPECT_TRUE(std::isnan(log.channels[1].values[1])) << "not read in its cycle";
    EXPECT_EQ(log.channels[0].invalid, 1u);
    EXPECT_EQ(log.channels[1].invalid, 2u);
    EXPECT_EQ(StatsLine("RPM", Statistics(log.channels[0], 0, log.lines())),
              "RPM: count 2 invalid 1 min -1.50 max 1.02 mean -0.24");
}

TEST(LogFileOnboard, TheOnboardLogReadsBackWithItsInvalidValuesWrapsAnd65535) {
    std::array<std::string, OnboardLog::kChannels> names;
    for (size_t k = 0; k < names.size(); ++k)
        names[k] = "Ch" + std::to_string(k);
    names[0] = "Temp \xB0"
               "C";
    std::vector<uint16_t> words;
    for (uint16_t t : {65000, 200, 65535}) {
        std::vector<uint16_t> r(16, 0x0065); // 2.00, valid
        r[0] = t;
        r[1] = 0x0064; // 2.00 marked invalid
        words.insert(words.end(), r.begin(), r.end());
    }
    const std::string csv =
        OnboardLog::CsvHeader(names) + OnboardLog::CsvRecords(words.data(), words.size());
    const LogFile log = parse(csv);
    EXPECT_EQ(log.format, LogFile::Format::Onboard);
    ASSERT_EQ(log.channels.size(), 15u);
    EXPECT_EQ(log.channels[0].name, names[0]);
    ASSERT_EQ(log.lines(), 3u);
    EXPECT_DOUBLE_EQ(log.seconds[0], 65.0);
    EXPECT_DOUBLE_EQ(log.seconds[1], 65.736);
    EXPECT_DOUBLE_EQ(log.seconds[2], 65.536 + 65.535) << "a record at 65535 ms is data";
    EXPECT_EQ(log.channels[0].invalid, 3u) << "\"*\" counts as invalid";
    EXPECT_EQ(log.channels[1].invalid, 0u);
    EXPECT_FLOAT_EQ(log.channels[1].values[2], 2.0f);

    // Raw time words written without their wrap count still make a rising time base.
    const LogFile raw = parse("Time (sec),A\r\n65.000,1\r\n0.200,2\r\n0.100,3\r\n");
    EXPECT_DOUBLE_EQ(raw.seconds[1], 65.736);
    EXPECT_DOUBLE_EQ(raw.seconds[2], 131.172);
}

TEST(LogFileParse, WrongAndDamagedTextIsRefusedOrSkippedSafely) {
    LogFile log;
    std::string error;
    EXPECT_FALSE(ParseLog("", 0, log, error));
    const std::string other = "a,b,c\r\n1,2,3\r\n";
    EXPECT_FALSE(ParseLog(other.data(), other.size(), log, error));
    EXPECT_NE(error.find("no log file"), std::string::npos);
    // Short, long, unterminated and timeless lines.
    const LogFile odd =
        parse("\"Time (s)\",\"A\",\"B\",\r\n0.000,1.00\r\nnope,1,2\r\n0.050,2,3,4,5\r\n0.1,*,x");
    ASSERT_EQ(odd.lines(), 3u);
    EXPECT_TRUE(std::isnan(odd.channels[1].values[0])) << "missing field";
    EXPECT_FLOAT_EQ(odd.channels[1].values[1], 3.0f);
    EXPECT_EQ(odd.channels[0].invalid, 1u);
    EXPECT_EQ(odd.channels[1].invalid, 2u);

    // Following a log being written: only whole lines are taken.
    std::string text = "\"Time (s)\",\"A\",\r\n0.000,1.00,\r\n0.05";
    LogFile live = parse(text.substr(0, text.find('\n') + 1));
    size_t consumed = 0;
    AppendLog(text.data(), text.size(), consumed, live);
    EXPECT_EQ(live.lines(), 1u);
    text += "0,2.00,\r\n";
    AppendLog(text.data(), text.size(), consumed, live);
    ASSERT_EQ(live.lines(), 2u);
    EXPECT_DOUBLE_EQ(live.seconds[1], 0.05);
    EXPECT_EQ(consumed, text.size());
}

TEST(LogFileDecimate, EveryColumnKeepsItsMinimumAndMaximum) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> value(-100, 100);
    LogFile log;
    log.channels.resize(1);
    for (int i = 0; i < 5000; ++i) {
        log.seconds.push_back(i * 0.05 + (i % 3) * 0.001);
        log.channels[0].values.push_back(i % 17 == 0 ? NAN : value(random));
    }
    const double t0 = 12.3, t1 = 200.1;
    const int columns = 333;
    const auto decimated = Decimate(log, 0, t0, t1, columns);
    ASSERT_EQ(decimated.size(), 333u);
    std::vector<LogColumn> brute(columns);
    for (size_t i = 0; i < log.lines(); ++i) {
        const double t = log.seconds[i];
        const float v = log.channels[0].values[i];
        if (t < t0 || t > t1 || std::isnan(v))
            continue;
        const int k = std::min(columns - 1, static_cast<int>((t - t0) * columns / (t1 - t0)));
        LogColumn& c = brute[static_cast<size_t>(k)];
        c.min = c.any ? std::min(c.min, v) : v;
        c.max = c.any ? std::max(c.max, v) : v;
        c.any = true;
    }
    for (int k = 0; k < columns; ++k) {
        ASSERT_EQ(decimated[k].any, brute[k].any) << k;
        EXPECT_EQ(decimated[k].min, brute[k].min) << k;
        EXPECT_EQ(decimated[k].max, brute[k].max) << k;
    }
    // A stretch without values is a gap, never a zero.
    LogFile gap = parse("\"Time (s)\",\"A\",\r\n0.000,5,\r\n1.000,----,\r\n2.000,7,\r\n");
    const auto three = Decimate(gap, 0, 0, 3, 3);
    EXPECT_TRUE(three[0].any);
    EXPECT_FALSE(three[1].any);
    EXPECT_FLOAT_EQ(three[2].max, 7.0f);
}

// A 3D table of 3 x 2 cells on RPM/100 (10, 20, 30) and MAP (50, 100).
struct LogCellsTest : test::GaugeFixture {
    int table = -1;
    void SetUp() override {
        test::GaugeFixture::SetUp();
        const int rpm = add(ElementType::Constant, "RPM", 1);
        const int map = add(ElementType::Constant, "MAP", 1);
        table = add(ElementType::Table3D, "VE", 1, 3);
        ASSERT_TRUE(ecu->LinkInput(table, 0, rpm, 0));
        ASSERT_TRUE(ecu->LinkInput(table, 1, map, 0));
        const Tables::AxisLayout x{500, 1500, 500};
        const Tables::AxisLayout y{2500, 5000, 2500};
        ASSERT_TRUE(Tables::LayOut(*ecu, table, x, &y));
        Tables::Shape shape;
        ASSERT_TRUE(Tables::ShapeOf(*ecu, table, shape));
        for (int r = 0; r < 2; ++r)
            for (int c = 0; c < 3; ++c)
                Tables::WriteCell(*ecu, shape, c, r, 4000); // 80.00
    }
    uint16_t cell(int c, int r) {
        Tables::Shape shape;
        Tables::ShapeOf(*ecu, table, shape);
        return Tables::Cell(*ecu, shape, c, r);
    }
};

const char* const kDrive = "\"Time (s)\",\"rpm\",\"MAP\",\"Lambda\",\"Target\",\r\n"
                           "0.000,9,40,1.10,1.00,\r\n"    // cell (0, 0)
                           "0.050,14,60,1.00,1.00,\r\n"   // (0, 0): 14 is nearer 10
                           "0.100,16,80,0.90,1.00,\r\n"   // (1, 1)
                           "0.200,29,90,----,1.00,\r\n"   // (2, 1), no lambda
                           "0.250,----,90,1.00,1.00,\r\n" // no RPM: in no cell
                           "0.300,31,100,0.80,1.00,\r\n"; // (2, 1)

TEST_F(LogCellsTest, LinesFallIntoTheNearestCellByTheTablesInputs) {
    const LogFile log = parse(kDrive);
    EXPECT_EQ(ChannelOfTableInput(*ecu, log, table, 0), 0) << "letter case aside";
    EXPECT_EQ(ChannelOfTableInput(*ecu, log, table, 1), 1);
    LogCells cells;
    std::string error;
    ASSERT_TRUE(BinCells(*ecu, log, table, log.find("Lambda"), cells, error)) << error;
    ASSERT_EQ(cells.columns, 3);
    ASSERT_EQ(cells.rows, 2);
    EXPECT_EQ(cells.at(0, 0), 2u);
    EXPECT_NEAR(cells.mean(0, 0), 1.05, 1e-6);
    EXPECT_EQ(cells.at(1, 1), 1u);
    EXPECT_EQ(cells.at(2, 1), 1u) << "the line without lambda counts for time only";
    EXPECT_DOUBLE_EQ(cells.mean(2, 1), 0.80f);
    EXPECT_EQ(cells.at(1, 0) + cells.at(2, 0) + cells.at(0, 1), 0u);
    EXPECT_NEAR(cells.seconds[0], 0.1, 1e-9);
    EXPECT_NEAR(cells.seconds[5], 0.05 + 0.0, 1e-9); // 0.200 -> 0.250; the last line has none

    LogFile noMap = parse("\"Time (s)\",\"RPM\",\r\n0.000,1000,\r\n");
    EXPECT_FALSE(BinCells(*ecu, noMap, table, -1, cells, error));
    EXPECT_NE(error.find("second input"), std::string::npos);
    EXPECT_FALSE(BinCells(*ecu, log, 0, -1, cells, error)) << "no table";
}

TEST_F(LogCellsTest, TheVeCorrectionScalesCellsWithEnoughSamplesThroughTheModel) {
    const LogFile log = parse(kDrive);
    std::string error;
    const auto none =
        ProposeVeCorrection(*ecu, log, table, log.find("Lambda"), log.find("Target"), 3, error);
    EXPECT_TRUE(none.empty()) << "no cell has three samples";
    const auto proposal =
        ProposeVeCorrection(*ecu, log, table, log.find("Lambda"), log.find("Target"), 1, error);
    ASSERT_EQ(proposal.size(), 3u) << error;
    EXPECT_EQ(proposal[0].cell, 0);
    EXPECT_EQ(proposal[0].samples, 2u);
    EXPECT_EQ(proposal[0].after, 4200) << "80.00 x 1.05 = 84.00";
    EXPECT_EQ(proposal[1].cell, 4);
    EXPECT_EQ(proposal[1].after, 3600) << "x 0.90";
    EXPECT_EQ(proposal[2].after, 3200) << "x 0.80";
    ecu->Modified = false;
    EXPECT_EQ(ApplyVeCorrection(*ecu, table, proposal), 3);
    EXPECT_EQ(cell(0, 0), 4200);
    EXPECT_EQ(cell(1, 1), 3600);
    EXPECT_EQ(cell(1, 0), 4000) << "cells without samples stay";
    EXPECT_TRUE(ecu->Modified);
}

} // namespace

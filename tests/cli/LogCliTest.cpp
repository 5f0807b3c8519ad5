#include "Cli.h"
#include "CliRunner.h"
#include "TempDir.h"
#include "files/ProgramFiles.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sstream>

using namespace zolmar;
using zolmar::test::TempDir;
namespace fs = std::filesystem;

namespace {

struct LogCliTest : ::testing::Test {
    TempDir start;

    // zolmar-cli as started in a folder that holds the default configuration.
    int run(const std::vector<std::string>& args, std::string& out, std::string& err) {
        if (!fs::exists(start.path("q7700xDefaultConfig.ecu")))
            fs::copy_file(ZOLMAR_DEFAULT_CONFIG, start.path("q7700xDefaultConfig.ecu"));
        test::CliResult r = test::runCliIn(start.dir(), args);
        out = r.out;
        err = r.err;
        return r.code;
    }
    static std::string contents(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
};

TEST_F(LogCliTest, TheVirtualEcusLogIsRetrievedIntoACsvFile) {
    std::string out, err;
    const std::string file = start.path("onboard.csv");
    ASSERT_EQ(run({"retrieve-log", "--virtual-ecu", "--run", "3", "--pages", "1", file}, out, err),
              0)
        << err;
    EXPECT_NE(out.find("bytes: 65536\n"), std::string::npos) << out;
    EXPECT_NE(out.find("start_page: 0\n"), std::string::npos) << out;
    EXPECT_NE(out.find("file: " + file + "\n"), std::string::npos) << out;
    const std::string csv = contents(file);
    EXPECT_EQ(csv.substr(0, 26), "Time (sec),RPM/100,MAP,TPS") << csv.substr(0, 80);
    const auto lines = std::count(csv.begin(), csv.end(), '\n');
    EXPECT_NE(out.find("records: " + std::to_string(lines - 1) + "\n"), std::string::npos);
    // Three seconds at the configured period, one record at time 0 as well.
    const auto period = out.find("period_ms: ");
    ASSERT_NE(period, std::string::npos);
    const long ms = std::stol(out.substr(period + 11));
    EXPECT_EQ(lines - 1, 3000 / ms + 1);
    EXPECT_NE(csv.find("\r\n0.000,"), std::string::npos);
}

TEST_F(LogCliTest, UsageErrorsAndASilentPort) {
    std::string out, err;
    EXPECT_EQ(run({"retrieve-log"}, out, err), 2);
    EXPECT_NE(err.find("usage: zolmar-cli retrieve-log"), std::string::npos);
    EXPECT_EQ(run({"retrieve-log", "--pages", "7", "x.csv"}, out, err), 2);
    EXPECT_NE(err.find("--pages needs a whole number from 1 to 6"), std::string::npos);
    EXPECT_EQ(run({"retrieve-log", "--virtual-ecu", "--port", "/dev/null", "x.csv"}, out, err), 2);
    EXPECT_EQ(run({"retrieve-log", "--port", start.path("no-such-device"), "--timeout", "1",
                   start.path("x.csv")},
                  out, err),
              1);
    EXPECT_NE(err.find("no answer from the ECU"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(start.path("x.csv")));
}

TEST_F(LogCliTest, LogStatsAndCellsReadTheLogBack) {
    const std::string log = start.path("drive.csv");
    {
        std::ofstream out(log, std::ios::binary);
        out << "Time (sec),RPM/100,MAP,Temp \xB0"
               "C\r\n"
               "0.000,10.00,40.00,*80.00\r\n"
               "0.050,10.20,41.00,81.00\r\n"
               "0.100,29.90,99.00,----\r\n";
    }
    std::string out, err;
    ASSERT_EQ(run({"log-stats", log}, out, err), 0) << err;
    EXPECT_EQ(out, "RPM/100: count 3 invalid 0 min 10.00 max 29.90 mean 16.70\n"
                   "MAP: count 3 invalid 0 min 40.00 max 99.00 mean 60.00\n"
                   "Temp \xC2\xB0"
                   "C: count 1 invalid 2 min 81.00 max 81.00 mean 81.00\n");
    ASSERT_EQ(run({"log-stats", log, "--channel", "MAP", "--channel",
                   "Temp \xC2\xB0"
                   "C"},
                  out, err),
              0)
        << err;
    EXPECT_EQ(out.substr(0, 5), "MAP: ");
    EXPECT_NE(out.find("\nTemp"), std::string::npos);
    EXPECT_EQ(run({"log-stats", log, "--channel", "Nope"}, out, err), 1);
    EXPECT_NE(err.find("no channel \"Nope\""), std::string::npos);
    EXPECT_EQ(run({"log-stats", start.path("none.csv")}, out, err), 1);

    // The default configuration's VE table is read by RPM/100 and MAP.
    ASSERT_EQ(run({"log-cells", log, "q7700xDefaultConfig.ecu", "%Volumetric Efficiency 1",
                   "--channel", "MAP"},
                  out, err),
              0)
        << err;
    EXPECT_NE(out.find("x_channel: RPM/100\ny_channel: MAP\nchannel: MAP\n"), std::string::npos)
        << out;
    EXPECT_NE(out.find("cell 1 2: x 10.00 y 40.00 count 2 seconds 0.10 mean 40.50\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("cell 0 0: x 5.00 y 20.00 count 0 seconds 0.00 mean ----\n"),
              std::string::npos);
    EXPECT_EQ(run({"log-cells", log, "q7700xDefaultConfig.ecu", "No table", "--channel", "MAP"},
                  out, err),
              1);
    EXPECT_EQ(
        run({"log-cells", log, "q7700xDefaultConfig.ecu", "%Volumetric Efficiency 1"}, out, err),
        1);
    EXPECT_NE(err.find("needs --channel"), std::string::npos);
}

} // namespace

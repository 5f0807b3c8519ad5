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

} // namespace

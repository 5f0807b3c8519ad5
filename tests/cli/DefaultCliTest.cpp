#include "Cli.h"
#include "CliRunner.h"
#include "TempDir.h"
#include "files/ProgramFiles.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sstream>

using namespace zolmar;
using zolmar::test::TempDir;
namespace fs = std::filesystem;

namespace {

struct DefaultCliTest : ::testing::Test {
    TempDir start;

    // zolmar-cli as started in the temporary folder.
    int run(const std::vector<std::string>& args, std::string& out, std::string& err) {
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

TEST_F(DefaultCliTest, NewCompleteCopiesTheDefaultConfigurationOfTheStartFolder) {
    std::string out, err;
    // Neither here nor beside the test program: refused.
    EXPECT_EQ(run({"new-complete", start.path("out.ecu")}, out, err), 1);
    EXPECT_NE(err.find("q7700xDefaultConfig.ecu"), std::string::npos);
    EXPECT_FALSE(fs::exists(start.path("out.ecu")));
    fs::copy_file(ZOLMAR_DEFAULT_CONFIG, start.path("q7700xDefaultConfig.ecu"));
    ASSERT_EQ(run({"new-complete", start.path("out.ecu")}, out, err), 0) << err;
    EXPECT_EQ(contents(start.path("out.ecu")), contents(ZOLMAR_DEFAULT_CONFIG));
}

TEST_F(DefaultCliTest, HintAndSettingsReadTheHintsFile) {
    std::string out, err;
    EXPECT_EQ(run({"hint", "Learn TPS"}, out, err), 1);
    fs::copy_file(ZOLMAR_SETTINGS_HINTS, start.path("q7700xSettingsHints.txt"));
    ASSERT_EQ(run({"hint", "Trigger Offset (Crank°)"}, out, err), 0) << err;
    EXPECT_NE(out.find("timing light"), std::string::npos);
    EXPECT_EQ(run({"hint", "No Such Setting"}, out, err), 1);

    ASSERT_EQ(run({"settings", ZOLMAR_DEFAULT_CONFIG}, out, err), 0) << err;
    EXPECT_NE(out.find("setting: 2 \"Trigger Offset (Crank°)\"\n"), std::string::npos);
    EXPECT_EQ(out.find("no hint"), std::string::npos);
    // A hints file that lacks entries names the settings without one.
    std::ofstream(start.path("few.txt")) << "**sname: Inputs**h = The triggers.**end\n";
    EXPECT_EQ(run({"settings", ZOLMAR_DEFAULT_CONFIG, start.path("few.txt")}, out, err), 1);
    EXPECT_NE(out.find("setting: 2 \"Inputs\""), std::string::npos);
    EXPECT_NE(out.find("no hint: 8 \"Learn TPS\""), std::string::npos);
}

} // namespace

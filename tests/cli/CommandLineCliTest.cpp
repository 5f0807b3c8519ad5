#include "CliRunner.h"
#include "TempDir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using namespace zolmar;
using zolmar::test::runCli;
using zolmar::test::TempDir;

namespace {

TEST(CommandLineCliTest, EveryCommandExplainsItselfWithHelp) {
    auto all = runCli({"--help"});
    ASSERT_EQ(all.code, 0);
    for (const auto& c : cli::allCommands()) {
        for (const char* ask : {"--help", "-h"}) {
            auto r = runCli({c.name, ask});
            EXPECT_EQ(r.code, 0) << c.name;
            EXPECT_EQ(r.out.rfind("usage: zolmar-cli " + c.usage + "\n", 0), 0u) << r.out;
            EXPECT_TRUE(r.err.empty()) << c.name;
        }
        // Help also comes after other arguments, and as "help COMMAND".
        EXPECT_EQ(runCli({c.name, "x.ecu", "--help"}).code, 0);
        EXPECT_EQ(runCli({"help", c.name}).out, runCli({c.name, "--help"}).out);
        EXPECT_NE(all.out.find("  " + c.usage + "\n"), std::string::npos) << c.name;
    }
    auto read = runCli({"read", "--help"});
    EXPECT_NE(read.out.find("  --timeout SECONDS"), std::string::npos) << read.out;
    EXPECT_EQ(runCli({"help", "nosuch"}).code, 2);
}

TEST(CommandLineCliTest, VersionAndUnknownOptionsAtTheTop) {
    auto v = runCli({"--version"});
    EXPECT_EQ(v.code, 0);
    EXPECT_EQ(v.out.rfind("zolmar-cli ", 0), 0u);
    auto bogus = runCli({"--bogus"});
    EXPECT_EQ(bogus.code, 2);
    EXPECT_NE(bogus.err.find("unknown option \"--bogus\""), std::string::npos) << bogus.err;
}

TEST(CommandLineCliTest, OptionsTakeEqualsAndUnknownOnesAreUsageErrors) {
    TempDir dir;
    const std::string file = dir.path("t.ecu");
    ASSERT_EQ(runCli({"new-blank", file}).code, 0);
    auto spaced = runCli({"simulate", file, "--passes", "3", "--print", "0.0"});
    auto equals = runCli({"simulate", "--passes=3", file, "--print=0.0"});
    EXPECT_EQ(spaced.code, 0) << spaced.err;
    EXPECT_EQ(equals.out, spaced.out);
    // The operand may come after "--" even when it looks like an option.
    ASSERT_EQ(runCli({"copy", file, "--", dir.path("-odd.ecu")}).code, 0);
    EXPECT_TRUE(std::filesystem::exists(dir.path("-odd.ecu")));

    struct Case {
        std::vector<std::string> args;
        std::string text;
    };
    const Case cases[] = {
        {{"info", "--port=x", file}, "unknown option \"--port\""},
        {{"info", file, "extra"}, "unexpected argument \"extra\""},
        {{"read", "--timeout=0", "x.ecu"}, "--timeout needs a number above 0"},
        {{"read", "--timeout", "soon", "x.ecu"}, "not \"soon\""},
        {{"flash", "--verify-only=yes", "x.zfw"}, "--verify-only takes no value"},
        {{"retrieve-log", "--run", "5", "x.csv"}, "--run needs --virtual-ecu"},
        {{"simulate", file, "--every", "0", "t.csv"}, "--every needs a whole number from 1"},
        {{"table-export", file}, "missing TABLE"},
    };
    for (const Case& c : cases) {
        auto r = runCli(c.args);
        EXPECT_EQ(r.code, 2) << c.text;
        EXPECT_NE(r.err.find(c.text), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("usage: zolmar-cli " + c.args[0]), std::string::npos) << r.err;
    }
}

TEST(CommandLineCliTest, InputFilesAreReadWithABoundAndFoldersAreNamed) {
    TempDir dir;
    const std::string file = dir.path("t.ecu");
    ASSERT_EQ(runCli({"new-blank", file}).code, 0);
    // An endless script is refused, nothing is written.
    auto zero = runCli({"edit", file, "/dev/zero", dir.path("out.ecu")});
    EXPECT_EQ(zero.code, 1);
    EXPECT_NE(zero.err.find("larger than"), std::string::npos) << zero.err;
    EXPECT_FALSE(std::filesystem::exists(dir.path("out.ecu")));
    // A folder given as the hints file says so.
    auto folder = runCli({"settings", file, dir.dir().string()});
    EXPECT_EQ(folder.code, 1);
    EXPECT_NE(folder.err.find("Is a directory"), std::string::npos) << folder.err;
    EXPECT_TRUE(folder.out.empty());
}

} // namespace

#include "CliRunner.h"
#include "RawConfig.h"
#include "TempDir.h"
#include "files/AtomicFile.h"
#include "files/SettingsFile.h"

#include <gtest/gtest.h>
#include <memory>
#include <sstream>

using namespace zolmar;
using zolmar::test::RawConfig;
using zolmar::test::runCli;
using zolmar::test::TempDir;

namespace {

struct FileCliTest : ::testing::Test {
    SilentMessages quiet;
    std::unique_ptr<tECU> ecu = std::make_unique<tECU>(quiet);
    TempDir dir;

    std::string save(const std::string& name) {
        std::string path = dir.path(name);
        std::string error;
        EXPECT_TRUE(SettingsFile::save(*ecu, path, error)) << error;
        return path;
    }
};

TEST_F(FileCliTest, InfoPrintsUsageAndElements) {
    RawConfig raw(*ecu);
    raw.add(ElementType::Constant, 2, 10, 1, "Idle \xB0");
    raw.add(ElementType::Table2D, 127, 3, 4, "Fuel", 3);
    raw.finish();
    auto r = runCli({"info", save("i.ecu")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "NumElements: 2\n"
                     "ConstUsage: 15\n"
                     "LogicUsage: 16\n"
                     "LiveUsage: 12\n"
                     "ConstMemUsageWord: 0x040F\n"
                     "ConfigMemUsageWord: 0x0011\n"
                     "element: 0 1 3 10 1 \"Idle \xC2\xB0\"\n"
                     "element: 1 2 128 3 4 \"Fuel\"\n"
                     "6       Dedicated Elements  \n"
                     "0       Inj Aux Output block  \n"
                     "1       Constants  \n"
                     "1       2D Tables  \n"
                     "0       3D Tables  \n"
                     "0       Summers  \n"
                     "0       Comparators  \n"
                     "0       Multipliers  \n"
                     "0       PID Controllers  \n"
                     "0       Clippers  \n"
                     "0       Switches  \n"
                     "0       Tickboxes  \n"
                     "0       4-Way Muxes  \n"
                     "0       Timers  \n"
                     "0       Delays  \n"
                     "0       Latches  \n"
                     "0       Gauges  \n"
                     "0       Displays  \n"
                     "0       Labels  \n"
                     "0       Steppers  \n"
                     "0       Wrappers  \n"
                     "0       32-Way Muxes  \n"
                     "2       Total  \n");
}

TEST_F(FileCliTest, CheckReportsInconsistentUsageWords) {
    RawConfig raw(*ecu);
    raw.add(ElementType::Constant);
    raw.finish();
    auto good = runCli({"check", save("good.ecu")});
    EXPECT_EQ(good.code, 0);
    EXPECT_EQ(good.out, "");
    ecu->SetImageWord(2, 77, false);
    auto bad = runCli({"check", save("bad.ecu")});
    EXPECT_EQ(bad.code, 1);
    EXPECT_NE(bad.out.find("ConfigMemUsage (including finish byte) = 77, but actual "
                           "configuration indicates 5!"),
              std::string::npos)
        << bad.out;
}

TEST_F(FileCliTest, CopyIsByteIdenticalAndErrorsAreReported) {
    for (int k = 0; k < 0x2A000; k += 7)
        ecu->Image[k] = static_cast<uint8_t>(k * 31);
    std::string in = save("in.ecu");
    std::string out = dir.path("out.ecu");
    auto r = runCli({"copy", in, out});
    EXPECT_EQ(r.code, 0) << r.err;
    std::vector<uint8_t> a, b;
    std::string error;
    ASSERT_TRUE(readWholeFile(in, a, error));
    ASSERT_TRUE(readWholeFile(out, b, error));
    EXPECT_EQ(a, b);

    auto missing = runCli({"copy", dir.path("none.ecu"), out});
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.err.find("none.ecu"), std::string::npos);
    EXPECT_EQ(runCli({"copy", in}).code, 2);
    EXPECT_EQ(runCli({"frobnicate"}).code, 2);
    auto help = runCli({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("copy IN.ecu OUT.ecu"), std::string::npos);
}

} // namespace

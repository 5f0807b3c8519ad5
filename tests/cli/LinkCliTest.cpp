// zolmar-cli read and write against the virtual ECU served in this process.
#include "CliRunner.h"
#include "LinkTestSupport.h"
#include "TempDir.h"

#include "files/SettingsFile.h"
#include "link/ModbusDriver.h"
#include "link/SerialUsbXpress.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace zolmar;
using namespace zolmar::test;

namespace {

// An ECU that answers its status block but refuses every read of the logic area, as
// one with another memory map would: the full read can never finish.
TEST(LinkCli, ATransferThatMakesNoProgressFailsInsteadOfWaitingForever) {
    ServedEcu served;
    ASSERT_TRUE(served.opened) << served.openError;
    served.ecu.AddHandler({0x08000, 0x13000, [](uint32_t, uint16_t&) { return false; }, nullptr});
    TempDir dir;
    std::string file = dir.path("never.ecu");
    CliResult read = runCli({"read", "--port", served.server.Path(), "--timeout", "0.5", file});
    EXPECT_EQ(read.code, 1);
    EXPECT_NE(read.err.find("zolmar-cli: the transfer made no progress for 0.5 seconds "
                            "(Packet shape error - 01 83 "),
              std::string::npos)
        << read.err;
    EXPECT_FALSE(std::filesystem::exists(file));
}

// Two programs on one port would take each other's replies: the second is told the
// device is busy, naming it, and saves nothing.
TEST(LinkCli, ASecondProgramIsToldThePortIsBusy) {
    ServedEcu served;
    ASSERT_TRUE(served.opened) << served.openError;
    HeldPort other(served.server.Path());
    ASSERT_TRUE(other.held) << other.error;
    TempDir dir;
    CliResult read = runCli({"read", "--port", served.server.Path(), dir.path("b.ecu")});
    EXPECT_EQ(read.code, 1);
    EXPECT_NE(read.err.find("zolmar-cli: " + served.server.Path() + " is busy"), std::string::npos)
        << read.err;
    EXPECT_FALSE(std::filesystem::exists(dir.path("b.ecu")));
    other.driver.Close();
    read = runCli({"read", "--port", served.server.Path(), dir.path("b.ecu")});
    EXPECT_EQ(read.code, 0) << read.err;
}

// A configuration that fails its usage-word check three times is not saved.
TEST(LinkCli, AReadThatFailsItsChecksSavesNothingAndExitsNonZero) {
    ServedEcu served(false, false);
    ASSERT_TRUE(served.opened) << served.openError;
    SilentMessages quiet;
    auto config = std::make_unique<tECU>(quiet);
    makeConfiguration(*config, 60, 3);
    served.ecu.LoadConfiguration(*config);
    served.ecu.WriteWord(0, static_cast<uint16_t>(served.ecu.ReadWord(0) + 2));
    TempDir dir;
    CliResult read = runCli({"read", "--port", served.server.Path(), dir.path("bad.ecu")});
    EXPECT_EQ(read.code, 1);
    EXPECT_NE(read.err.find("did not pass their checks after 3 attempts"), std::string::npos)
        << read.err;
    EXPECT_FALSE(std::filesystem::exists(dir.path("bad.ecu")));
}

// An ECU that does not keep what it is sent at one address gets no commit.
TEST(LinkCli, AWriteThatDoesNotReadBackTheSameIsNotCommitted) {
    ServedEcu served(false, false);
    ASSERT_TRUE(served.opened) << served.openError;
    emu::VirtualEcu& e = served.ecu;
    e.AddHandler({0x00440, 0x00442, [](uint32_t, uint16_t& v) { return v = 0x1234, true; },
                  [](uint32_t, uint16_t) { return true; }});
    SilentMessages quiet;
    auto config = std::make_unique<tECU>(quiet);
    makeConfiguration(*config, 40, 4);
    TempDir dir;
    std::string error;
    ASSERT_TRUE(SettingsFile::save(*config, dir.path("w.ecu"), error)) << error;
    CliResult write = runCli({"write", "--port", served.server.Path(), dir.path("w.ecu")});
    EXPECT_EQ(write.code, 1);
    EXPECT_NE(write.err.find("were not committed"), std::string::npos) << write.err;
    EXPECT_EQ(e.CommitCount(), 0);
}

// --timeout is time without progress: a transfer far longer than it, that keeps
// moving bytes, finishes.
TEST(LinkCli, ATransferThatKeepsMovingNeverTimesOut) {
    ServedEcu served(true, false);
    ASSERT_TRUE(served.opened) << served.openError;
    served.ecu.faults.delayMs = 2;
    served.ecu.faults.delayMaxMs = 12;
    SilentMessages quiet;
    auto config = std::make_unique<tECU>(quiet);
    makeConfiguration(*config, 30, 5);
    TempDir dir;
    std::string error;
    ASSERT_TRUE(SettingsFile::save(*config, dir.path("w.ecu"), error)) << error;
    CliResult write =
        runCli({"write", "--port", served.server.Path(), "--timeout", "0.3", dir.path("w.ecu")});
    EXPECT_EQ(write.code, 0) << write.err;
    CliResult read =
        runCli({"read", "--port", served.server.Path(), "--timeout", "0.3", dir.path("r.ecu")});
    ASSERT_EQ(read.code, 0) << read.err;
    auto back = std::make_unique<tECU>(quiet);
    ASSERT_TRUE(SettingsFile::load(*back, dir.path("r.ecu"), error)) << error;
    EXPECT_EQ(firstDifference(back->Image, config->Image, transferredRanges(*config)), -1);
}

// A transaction whose own time-out is longer than --timeout (the first word of the
// logic area: 8 s) fails once; the transfer goes on, and nothing is lost.
TEST(LinkCli, OneSlowFailureLongerThanTheTimeOutIsNotTheEnd) {
    ServedEcu served(false, false);
    ASSERT_TRUE(served.opened) << served.openError;
    emu::VirtualEcu& e = served.ecu;
    bool first = true;
    e.AddHandler({0x08000, 0x08002,
                  [&e](uint32_t a, uint16_t& v) { return v = e.ReadWord(a), true; },
                  [&e, &first](uint32_t a, uint16_t v) {
                      e.WriteWord(a, v);
                      if (first)
                          e.faults.dropNext = 1; // its acknowledgement is lost
                      first = false;
                      return true;
                  }});
    SilentMessages quiet;
    auto config = std::make_unique<tECU>(quiet);
    makeConfiguration(*config, 20, 6);
    TempDir dir;
    std::string error;
    ASSERT_TRUE(SettingsFile::save(*config, dir.path("w.ecu"), error)) << error;
    CliResult write =
        runCli({"write", "--port", served.server.Path(), "--timeout", "1", dir.path("w.ecu")});
    EXPECT_EQ(write.code, 0) << write.err;
    EXPECT_FALSE(first);
    EXPECT_EQ(e.CommitCount(), 1);
}

} // namespace

// zolmar-cli flash against the virtual ECU and its boot loader on a pseudo-terminal.
#include "CliRunner.h"
#include "LinkTestSupport.h"
#include "TempDir.h"
#include "emu/EcuBootLoader.h"
#include "files/AtomicFile.h"
#include "link/FirmwarePackage.h"
#include "link/ModbusDriver.h"
#include "link/SerialUsbXpress.h"

#include <gtest/gtest.h>

using namespace zolmar;
using namespace zolmar::test;

namespace {

std::vector<FirmwarePackage::Segment> firmware(uint8_t seed) {
    std::vector<FirmwarePackage::Segment> segments;
    // A complete package carries its version text at address 0.
    FirmwarePackage::Segment version{};
    const std::string text = "q7700x firmware 3.2" + std::to_string(seed);
    std::copy(text.begin(), text.end(), version.data.begin());
    segments.push_back(version);
    for (uint32_t a : {0x0400u, 0x0480u, 0x0600u, 0x82000u}) {
        FirmwarePackage::Segment s{};
        s.address = a;
        for (int k = 0; k < 128; ++k)
            s.data[static_cast<size_t>(k)] = static_cast<uint8_t>(seed + a / 64 + k);
        segments.push_back(s);
    }
    return segments;
}

std::string writePackage(const TempDir& dir, const std::string& name, uint8_t seed) {
    auto bytes = FirmwarePackage::Build(firmware(seed));
    bytes.push_back(0xEE); // a trailing remainder is ignored
    std::string path = dir.path(name);
    std::string error;
    EXPECT_TRUE(writeFileAtomically(path, bytes.data(), bytes.size(), error)) << error;
    return path;
}

TEST(FirmwareCli, FlashesARunningEcuAndVerifies) {
    ServedEcu served(false, false);
    ASSERT_TRUE(served.opened) << served.openError;
    served.ecu.SetSerial("EMU-77");
    emu::EcuBootLoader loader(served.ecu);
    TempDir dir;
    std::string path = writePackage(dir, "new.zfw", 3);

    CliResult r = runCli({"flash", "--port", served.server.Path(), path});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("serial: EMU-77\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("segments: 5\nprogrammed: yes\nverify-errors: 0\n"), std::string::npos)
        << r.out;
    EXPECT_NE(r.err.find("Program will write 5 segments"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("  main flash: 4 segments, 3 blocks of 512 bytes erased\n"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("  PLD flash: 1 segment, 1 block of 64 KB erased\n"), std::string::npos);
    EXPECT_NE(r.err.find("  firmware version: \"q7700x firmware 3.23\""), std::string::npos);
    EXPECT_NE(r.err.find("Finished writing the following file: \"" + path + "\""),
              std::string::npos);
    EXPECT_FALSE(loader.Running()); // the new firmware runs
    for (const auto& s : firmware(3))
        EXPECT_EQ(loader.FlashByte(s.address + 127), s.data[127]);

    // The same package verifies; another one does not, and the boot loader stays.
    r = runCli({"flash", "--port", served.server.Path(), "--verify-only", path});
    EXPECT_EQ(r.code, 0) << r.err;
    std::string other = writePackage(dir, "other.zfw", 4);
    r = runCli({"flash", "--port", served.server.Path(), "--verify-only", other});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("verify-errors: 257\n"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("Verify finished (stopped after 257 errors)"), std::string::npos);
    EXPECT_TRUE(loader.Running());
}

TEST(FirmwareCli, InterruptedProgrammingCanBeRepeated) {
    ServedEcu served(false, false);
    ASSERT_TRUE(served.opened) << served.openError;
    emu::EcuBootLoader loader(served.ecu);
    loader.failWrites = 11;
    TempDir dir;
    std::string path = writePackage(dir, "p.zfw", 9);
    CliResult r = runCli({"flash", "--port", served.server.Path(), path});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("programmed: no\n"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("Failed too many times"), std::string::npos) << r.err;
    EXPECT_TRUE(loader.Running());
    r = runCli({"flash", "--port", served.server.Path(), path});
    EXPECT_EQ(r.code, 0) << r.err;
}

TEST(FirmwareCli, RefusesWhatIsNoPackage) {
    TempDir dir;
    std::string path = dir.path("short.zfw");
    std::string error;
    ASSERT_TRUE(writeFileAtomically(path, "abc", 3, error));
    CliResult r = runCli({"flash", "--port", "/dev/null", path});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("holds no whole segment"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("boot loader"), std::string::npos) << "refused before the ECU is touched";
    EXPECT_EQ(runCli({"flash"}).code, 2);
    EXPECT_EQ(runCli({"flash", "--bogus", path}).code, 2);
    r = runCli(
        {"flash", "--port", dir.path("none"), "--timeout", "0.2", writePackage(dir, "p.zfw", 1)});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("boot loader did not answer"), std::string::npos) << r.err;
}

// What no package can be is refused before the ECU is touched, whatever the options:
// a settings file renamed, a short file, segments outside the flash or written twice.
TEST(FirmwareCli, WhatNoFirmwarePackageCanBeIsRefusedBeforeAnythingIsErased) {
    ServedEcu served(false, false);
    ASSERT_TRUE(served.opened) << served.openError;
    emu::EcuBootLoader loader(served.ecu);
    TempDir dir;
    std::string error;
    std::vector<uint8_t> settings(163840);
    for (size_t k = 0; k < settings.size(); ++k)
        settings[k] = static_cast<uint8_t>(k * 37 + k / 131);
    ASSERT_TRUE(
        writeFileAtomically(dir.path("settings.zfw"), settings.data(), settings.size(), error));
    std::vector<uint8_t> hundred(100, 0x41);
    ASSERT_TRUE(writeFileAtomically(dir.path("tiny.zfw"), hundred.data(), hundred.size(), error));
    auto twice = firmware(1);
    twice.push_back(twice[1]);
    auto bytes = FirmwarePackage::Build(twice);
    ASSERT_TRUE(writeFileAtomically(dir.path("twice.zfw"), bytes.data(), bytes.size(), error));
    for (const char* name : {"settings.zfw", "tiny.zfw", "twice.zfw"}) {
        CliResult r = runCli({"flash", "--port", served.server.Path(), "--force", dir.path(name)});
        EXPECT_EQ(r.code, 1) << name;
        EXPECT_NE(r.err.find("cannot be a firmware package for the q7700x"), std::string::npos)
            << r.err;
    }
    EXPECT_TRUE(loader.erases.empty());
    EXPECT_TRUE(loader.writes.empty());
    EXPECT_FALSE(loader.Running()) << "the ECU was never asked to restart";
}

// A package that a real one would not be (no version text, the serial number touched)
// is programmed only with --force.
TEST(FirmwareCli, ADoubtfulPackageNeedsForce) {
    ServedEcu served(false, false);
    ASSERT_TRUE(served.opened) << served.openError;
    emu::EcuBootLoader loader(served.ecu);
    TempDir dir;
    auto segments = firmware(2);
    segments.erase(segments.begin()); // no version text
    auto bytes = FirmwarePackage::Build(segments);
    std::string error;
    ASSERT_TRUE(writeFileAtomically(dir.path("part.zfw"), bytes.data(), bytes.size(), error));
    CliResult r = runCli({"flash", "--port", served.server.Path(), dir.path("part.zfw")});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("warning: It carries no firmware version text"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("add --force"), std::string::npos);
    EXPECT_TRUE(loader.erases.empty());
    r = runCli({"flash", "--port", served.server.Path(), "--force", dir.path("part.zfw")});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_FALSE(loader.erases.empty());
}

} // namespace

namespace {

TEST(FirmwareCli, ABusyDeviceIsNamedAtOnce) {
    ServedEcu served(false, false);
    ASSERT_TRUE(served.opened) << served.openError;
    HeldPort other(served.server.Path());
    ASSERT_TRUE(other.held) << other.error;
    TempDir dir;
    CliResult r = runCli({"flash", "--port", served.server.Path(), writePackage(dir, "p.zfw", 1)});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("zolmar-cli: " + served.server.Path() + " is busy"), std::string::npos)
        << r.err;
}

} // namespace

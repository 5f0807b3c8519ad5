// zolmar-cli flash against the virtual ECU and its boot loader on a pseudo-terminal.
#include "CliRunner.h"
#include "LinkTestSupport.h"
#include "TempDir.h"
#include "emu/EcuBootLoader.h"
#include "files/AtomicFile.h"
#include "link/FirmwarePackage.h"

#include <gtest/gtest.h>

using namespace zolmar;
using namespace zolmar::test;

namespace {

std::vector<FirmwarePackage::Segment> firmware(uint8_t seed) {
    std::vector<FirmwarePackage::Segment> segments;
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
    EXPECT_NE(r.out.find("segments: 4\nprogrammed: yes\nverify-errors: 0\n"), std::string::npos)
        << r.out;
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
    EXPECT_NE(r.out.find("verify-errors: 256\n"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("Verify finished (stopped after 256 errors)"), std::string::npos);
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
    EXPECT_EQ(runCli({"flash"}).code, 2);
    EXPECT_EQ(runCli({"flash", "--bogus", path}).code, 2);
    r = runCli(
        {"flash", "--port", dir.path("none"), "--timeout", "0.2", writePackage(dir, "p.zfw", 1)});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("boot loader did not answer"), std::string::npos) << r.err;
}

} // namespace

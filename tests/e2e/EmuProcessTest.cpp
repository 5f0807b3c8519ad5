// zolmar-cli read and write against the q7700x-emu program, with faults and unplugging.
#include "ChildProcess.h"
#include "EmuFixture.h"
#include "LinkTestSupport.h"
#include "TempDir.h"
#include "files/AtomicFile.h"
#include "files/NewConfiguration.h"
#include "files/SettingsFile.h"
#include "link/FirmwarePackage.h"
#include "link/ModbusDriver.h"
#include "link/SerialUsbXpress.h"
#include "model/ECU.h"
#include "model/Tables.h"

#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

using namespace zolmar;
using namespace zolmar::test;

namespace {

TEST_F(EmuProcessTest, ReadAndWriteAreByteExact) {
    std::string first = configuration("first.ecu", 80, 1);
    std::string second = configuration("second.ecu", 130, 2);
    std::string saved = dir.path("saved.ecu");
    // The generated tables learn from random links: keep the constants still.
    startEmu({"--config", first, "--serial", "E2E-1", "--save-on-exit", saved, "--no-diagram"});

    std::string out = dir.path("out.ecu");
    auto read = cli({"read", "--port", port, out});
    ASSERT_EQ(read.code, 0) << read.err;
    EXPECT_NE(read.out.find("serial: E2E-1"), std::string::npos) << read.out;
    EXPECT_NE(read.out.find("NumElements: 80\n"), std::string::npos) << read.out;
    EXPECT_NE(read.err.find("Reading All Settings: 172032 / 172032 bytes"), std::string::npos)
        << read.err;
    expectSameConfiguration(first, out);

    auto write = cli({"write", "--port", port, second});
    ASSERT_EQ(write.code, 0) << write.err;
    EXPECT_NE(write.err.find("Writing All Settings"), std::string::npos) << write.err;
    ASSERT_EQ(stopEmu(), 0) << emu.err;
    expectSameConfiguration(second, saved);
}

TEST_F(EmuProcessTest, ReadAndWriteSurviveDroppedAndCorruptedReplies) {
    std::string first = configuration("first.ecu", 120, 3);
    std::string second = configuration("second.ecu", 100, 4);
    std::string saved = dir.path("saved.ecu");
    startEmu({"--config", first, "--drop", "0.05", "--corrupt", "0.02", "--seed", "11",
              "--save-on-exit", saved, "--no-diagram"});
    std::string out = dir.path("out.ecu");
    auto read = cli({"read", "--port", port, out});
    ASSERT_EQ(read.code, 0) << read.err;
    expectSameConfiguration(first, out);
    auto write = cli({"write", "--port", port, second});
    ASSERT_EQ(write.code, 0) << write.err;
    ASSERT_EQ(stopEmu(), 0);
    expectSameConfiguration(second, saved);
}

TEST_F(EmuProcessTest, AnUnplugInTheMiddleIsSurvived) {
    std::string first = configuration("first.ecu", 900, 5);
    std::string second = configuration("second.ecu", 120, 6);
    std::string saved = dir.path("saved.ecu");
    startEmu({"--config", first, "--save-on-exit", saved, "--no-diagram"});
    auto unplugFor = [this](int afterMs, int forMs) {
        return std::thread([this, afterMs, forMs] {
            std::this_thread::sleep_for(std::chrono::milliseconds(afterMs));
            emu.signal(SIGUSR1);
            std::this_thread::sleep_for(std::chrono::milliseconds(forMs));
            emu.signal(SIGUSR2);
        });
    };
    std::string out = dir.path("out.ecu");
    std::thread plug = unplugFor(500, 600);
    auto read = cli({"read", "--port", port, out});
    plug.join();
    ASSERT_EQ(read.code, 0) << read.err;
    EXPECT_NE(read.err.find("the ECU stopped answering"), std::string::npos) << read.err;
    EXPECT_NE(read.err.find("the ECU answers again"), std::string::npos) << read.err;
    expectSameConfiguration(first, out);

    // A silent ECU costs each write run its 500 ms time-out, so a short unplug during a
    // write is bridged by the retries before three status reads have failed.
    plug = unplugFor(700, 600);
    auto write = cli({"write", "--port", port, second});
    plug.join();
    ASSERT_EQ(write.code, 0) << write.err;
    ASSERT_EQ(stopEmu(), 0);
    expectSameConfiguration(second, saved);
}

TEST_F(EmuProcessTest, NoAnswerIsAClearFailure) {
    startEmu({});
    emu.signal(SIGUSR1);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    auto read = cli({"read", "--port", port, "--timeout", "0.5", dir.path("never.ecu")});
    EXPECT_EQ(read.code, 1);
    EXPECT_NE(read.err.find("zolmar-cli: no answer from the ECU on " + port +
                            " for 0.5 seconds (No response)"),
              std::string::npos)
        << read.err;
    EXPECT_FALSE(std::filesystem::exists(dir.path("never.ecu")));

    auto missing = cli(
        {"write", "--port", dir.path("nothing"), "--timeout", "0.2", configuration("c.ecu", 3, 1)});
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.err.find("(Could not find ECU on USB chain (0 devices))"), std::string::npos)
        << missing.err;

    EXPECT_EQ(cli({"read", "--port", port}).code, 2);
    EXPECT_EQ(cli({"read", "--timeout", "-1", "x.ecu"}).code, 2);
    EXPECT_EQ(stopEmu(), 0);
}

TEST_F(EmuProcessTest, TheProgramRunsItsDiagramAndReportsWhatItLearns) {
    auto config = std::make_unique<tECU>(quiet);
    NewConfiguration::MakeBlank(*config);
    int speed = -1;
    int fuel = -1;
    ASSERT_TRUE(config->CreateElement(ElementType::Summer, 1, 1, "Speed", 2, &speed));
    ASSERT_TRUE(config->CreateElement(ElementType::Table2D, 1, 5, "Fuel", 2, &fuel));
    config->LinkInput(speed, 0, 0, 44); // RPM / 100
    config->LinkInput(speed, 1, 0, 7);  // Serial1.8, held by --set
    config->SetLiteral(fuel, 1, 3.0);   // LearnV
    config->LinkInput(fuel, 2, 0, 45);  // Learn: Dig 1
    std::string path = dir.path("diagram.ecu");
    std::string error;
    ASSERT_TRUE(SettingsFile::save(*config, path, error)) << error;
    Tables::Shape shape;
    ASSERT_TRUE(Tables::ShapeOf(*config, fuel, shape));
    const uint32_t cell = 0x400 + static_cast<uint32_t>(shape.cellAddress(0, 0));

    startEmu(
        {"--config", path, "--input", "RPM / 100=3000", "--input", "Dig Inp 1=1", "--set", "7=50"});
    SerialUsbXpress usb({{port}, false});
    TModbusDriver driver(usb);
    ASSERT_TRUE(driver.FindAndOpen(error)) << error;
    uint16_t live = 0;
    uint16_t status[32] = {};
    bool learnt = false;
    for (int i = 0; i < 100 && !learnt; ++i) {
        if (driver.ReadRegisters(0x2A000, 32, status, error))
            learnt = status[16] != 0;
        if (!learnt)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(learnt) << "no learn report";
    EXPECT_EQ(status[16], cell);
    EXPECT_EQ(status[17], 150);
    ASSERT_TRUE(driver.ReadRegisters(0x1E000 + config->ElementLiveOffset[speed], 1, &live, error))
        << error;
    EXPECT_EQ(live, 3050);
    driver.Close();

    // The ECU keeps what it learnt: a full read brings it along.
    std::string out = dir.path("read.ecu");
    auto read = cli({"read", "--port", port, out});
    ASSERT_EQ(read.code, 0) << read.err;
    EXPECT_EQ(load(out)->ReadConstWord(shape.cellAddress(0, 0)), 150);
    EXPECT_EQ(stopEmu(), 0);
}

TEST_F(EmuProcessTest, HelpTexts) {
    auto emuHelp = runProgram({ZOLMAR_EMU, "--help"});
    EXPECT_EQ(emuHelp.code, 0);
    EXPECT_NE(emuHelp.out.find("--save-on-exit FILE.ecu"), std::string::npos);
    EXPECT_NE(emuHelp.out.find("--input \"CONTROL=VALUE\""), std::string::npos);
    EXPECT_EQ(runProgram({ZOLMAR_EMU, "--pty", "--input", "Boost=1"}).code, 2);
    EXPECT_EQ(runProgram({ZOLMAR_EMU, "--pty", "--speed", "0"}).code, 2);
    EXPECT_EQ(runProgram({ZOLMAR_EMU, "--drop", "2", "--pty"}).code, 2);
    auto cliHelp = cli({"--help"});
    EXPECT_NE(cliHelp.out.find("read [--port PATH] [--timeout SECONDS] OUT.ecu"),
              std::string::npos);
    EXPECT_NE(cliHelp.out.find("write [--port PATH] [--timeout SECONDS] IN.ecu"),
              std::string::npos);
    EXPECT_NE(cliHelp.out.find("simulate FILE.ecu [--passes N]"), std::string::npos);
}

// Flashing the program's boot loader: a running emulator is restarted into it,
// programmed, verified and started again, after which it serves its configuration.
TEST_F(EmuProcessTest, FirmwareIsFlashedVerifiedAndStarted) {
    std::string config = configuration("config.ecu", 40, 5);
    startEmu({"--config", config, "--serial", "EMU-FLASH-1", "--no-diagram"});
    const auto segments = sampleFirmware("q7700x firmware 3.14");
    auto bytes = FirmwarePackage::Build(segments);
    std::string package = dir.path("fw.zfw");
    std::string error;
    ASSERT_TRUE(writeFileAtomically(package, bytes.data(), bytes.size(), error)) << error;

    RunResult flashed = cli({"flash", "--port", port, package});
    ASSERT_EQ(flashed.code, 0) << flashed.err;
    EXPECT_NE(flashed.out.find("serial: EMU-FLASH-1\n"), std::string::npos) << flashed.out;
    EXPECT_NE(flashed.out.find("verify-errors: 0\n"), std::string::npos) << flashed.out;
    RunResult again = cli({"flash", "--port", port, "--verify-only", package});
    EXPECT_EQ(again.code, 0) << again.err;
    // Programming the same blocks again erases them first: still no difference.
    again = cli({"flash", "--port", port, package});
    EXPECT_EQ(again.code, 0) << again.err;
    std::string read = dir.path("read.ecu");
    RunResult r = cli({"read", "--port", port, read});
    ASSERT_EQ(r.code, 0) << r.err;
    expectSameConfiguration(config, read);
    EXPECT_EQ(stopEmu(), 0);
}

} // namespace

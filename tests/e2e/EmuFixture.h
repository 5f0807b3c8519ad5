#pragma once

// zolmar-cli and q7700x-emu as programs: the emulator started with options, settings
// files made by the tests, and what the emulator committed read back.
#include "ChildProcess.h"
#include "LinkTestSupport.h"
#include "TempDir.h"
#include "files/SettingsFile.h"
#include "model/ECU.h"

#include <csignal>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace zolmar::test {

struct EmuProcessTest : ::testing::Test {
    TempDir dir;
    SilentMessages quiet;
    ChildProcess emu;
    std::string port;

    // Saves a generated configuration and returns its path.
    std::string configuration(const std::string& name, int elements, uint32_t seed) {
        auto ecu = std::make_unique<tECU>(quiet);
        makeConfiguration(*ecu, elements, seed);
        std::string path = dir.path(name);
        std::string error;
        EXPECT_TRUE(SettingsFile::save(*ecu, path, error)) << error;
        return path;
    }
    std::unique_ptr<tECU> load(const std::string& path) {
        auto ecu = std::make_unique<tECU>(quiet);
        std::string error;
        EXPECT_TRUE(SettingsFile::load(*ecu, path, error)) << error;
        return ecu;
    }
    // Both files agree in everything the reference configuration uses.
    void expectSameConfiguration(const std::string& reference, const std::string& other) {
        auto a = load(reference);
        auto b = load(other);
        EXPECT_EQ(firstDifference(a->Image, b->Image, transferredRanges(*a)), -1);
    }
    void startEmu(std::vector<std::string> options) {
        std::vector<std::string> argv = {ZOLMAR_EMU, "--pty"};
        argv.insert(argv.end(), options.begin(), options.end());
        ASSERT_TRUE(emu.start(argv));
        port = emu.readLine(5000);
        ASSERT_FALSE(port.empty()) << emu.err;
    }
    int stopEmu() {
        emu.signal(SIGTERM);
        return emu.wait(10000);
    }
    static RunResult cli(std::vector<std::string> args) {
        args.insert(args.begin(), ZOLMAR_CLI);
        return runProgram(args, 120000);
    }
};

} // namespace zolmar::test

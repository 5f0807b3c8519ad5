// The fault matrix against the q7700x-emu program: full reads and writes under dropped
// and damaged replies, replies around the read time-out, and an unplug in the middle
// end byte-exact or with a clear failure; never a wrong file or a commit of wrong
// bytes. Two programs never share the port; long transfers finish with default options.
#include "EmuFixture.h"
#include "files/NewConfiguration.h"

#include <chrono>
#include <filesystem>
#include <thread>

using namespace zolmar;
using namespace zolmar::test;

namespace {

struct Scenario {
    const char* name;
    std::vector<std::string> options;
    int unplugAfterMs = -1; // SIGUSR1 then, SIGUSR2 after unplugForMs
    int unplugForMs = 0;
};

std::ostream& operator<<(std::ostream& out, const Scenario& s) {
    return out << s.name;
}

const Scenario kScenarios[] = {
    {"drops5corrupt2", {"--drop", "0.05", "--corrupt", "0.02", "--seed", "21"}},
    {"drops20", {"--drop", "0.2", "--seed", "22"}},
    {"late35to39", {"--delay", "35-39", "--seed", "23"}},
    {"unplugged", {}, 400, 700},
};

struct FaultMatrix : EmuProcessTest, ::testing::WithParamInterface<Scenario> {
    // A transfer under the scenario's faults, with the unplug when it has one.
    RunResult transfer(std::vector<std::string> args) {
        std::thread plug;
        const Scenario& s = GetParam();
        if (s.unplugAfterMs >= 0)
            plug = std::thread([this, s] {
                std::this_thread::sleep_for(std::chrono::milliseconds(s.unplugAfterMs));
                emu.signal(SIGUSR1);
                std::this_thread::sleep_for(std::chrono::milliseconds(s.unplugForMs));
                emu.signal(SIGUSR2);
            });
        RunResult r = cli(std::move(args));
        if (plug.joinable())
            plug.join();
        return r;
    }
    std::vector<std::string> emuOptions(std::vector<std::string> more) const {
        std::vector<std::string> all = GetParam().options;
        all.insert(all.end(), more.begin(), more.end());
        all.push_back("--no-diagram");
        return all;
    }
};

TEST_P(FaultMatrix, AFullReadIsByteExactOrAClearFailure) {
    std::string held = configuration("held.ecu", 110, 51);
    startEmu(emuOptions({"--config", held}));
    std::string out = dir.path("out.ecu");
    RunResult r = transfer({"read", "--port", port, out});
    if (r.code == 0) {
        expectSameConfiguration(held, out);
    } else {
        EXPECT_EQ(r.code, 1);
        EXPECT_NE(r.err.find("zolmar-cli: "), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(out)) << "a failed read saves nothing";
    }
    // Under these faults the read is expected to get through.
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(stopEmu(), 0);
}

TEST_P(FaultMatrix, AFullWriteCommitsExactlyTheFileOrNothing) {
    std::string before = configuration("before.ecu", 60, 52);
    std::string wanted = configuration("wanted.ecu", 70, 53);
    std::string saved = dir.path("saved.ecu");
    startEmu(emuOptions({"--config", before, "--save-on-exit", saved}));
    RunResult r = transfer({"write", "--port", port, wanted});
    ASSERT_EQ(stopEmu(), 0) << emu.err;
    // Committed: the whole file; not committed: the ECU's previous configuration.
    expectSameConfiguration(r.code == 0 ? wanted : before, saved);
    EXPECT_EQ(r.code, 0) << r.err;
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultMatrix, ::testing::ValuesIn(kScenarios),
                         [](const auto& info) { return std::string(info.param.name); });

// Two programs started on one port at once: one reads, the other is told the port is
// busy. Never two files from one interleaved conversation.
TEST_F(EmuProcessTest, TwoProgramsNeverShareThePort) {
    std::string held = configuration("held.ecu", 150, 54);
    startEmu({"--config", held, "--no-diagram", "--realtime"});
    RunResult results[2];
    std::thread second([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        results[1] = cli({"read", "--port", port, dir.path("b.ecu")});
    });
    results[0] = cli({"read", "--port", port, dir.path("a.ecu")});
    second.join();
    // Whichever opened the port first reads; the other is told it is busy.
    const int reader = results[0].code == 0 ? 0 : 1;
    const int refused = 1 - reader;
    const std::string files[2] = {dir.path("a.ecu"), dir.path("b.ecu")};
    EXPECT_EQ(results[reader].code, 0) << results[reader].err;
    expectSameConfiguration(held, files[reader]);
    EXPECT_EQ(results[refused].code, 1);
    EXPECT_NE(results[refused].err.find(port + " is busy"), std::string::npos)
        << results[refused].err;
    EXPECT_FALSE(std::filesystem::exists(files[refused]));
    EXPECT_EQ(stopEmu(), 0);
}

// Transfers far longer than the default --timeout finish: the default configuration
// written, and the largest configuration read, at the link's real pace.
TEST_F(EmuProcessTest, LongTransfersFinishWithDefaultOptions) {
    std::string saved = dir.path("saved.ecu");
    startEmu({"--realtime", "--no-diagram", "--save-on-exit", saved});
    RunResult write = cli({"write", "--port", port, ZOLMAR_DEFAULT_CONFIG});
    ASSERT_EQ(write.code, 0) << write.err;
    ASSERT_EQ(stopEmu(), 0);
    expectSameConfiguration(ZOLMAR_DEFAULT_CONFIG, saved);

    auto largest = std::make_unique<tECU>(quiet);
    makeConfiguration(*largest, Layout::kMaxElements, 55);
    ASSERT_EQ(largest->NumElements, Layout::kMaxElements);
    std::string held = dir.path("largest.ecu");
    std::string error;
    ASSERT_TRUE(SettingsFile::save(*largest, held, error)) << error;
    startEmu({"--realtime", "--no-diagram", "--config", held});
    std::string out = dir.path("out.ecu");
    RunResult read = cli({"read", "--port", port, out});
    ASSERT_EQ(read.code, 0) << read.err;
    EXPECT_NE(read.out.find("NumElements: 3454\n"), std::string::npos);
    expectSameConfiguration(held, out);
    EXPECT_EQ(stopEmu(), 0);
}

} // namespace

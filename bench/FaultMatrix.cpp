// The link's fault matrix, with figures: zolmar-cli read and write of the default and
// of the largest configuration against q7700x-emu under each fault, several runs each.
// Every run ends byte-exact, with a clear failure (exit 1, nothing saved, nothing new
// committed), or silently wrong: a file or commit that differs. Prints one line per
// scenario: runs, byte-exact, clear failures, silent failures, mean time and its ratio
// to the fault-free time.
//
//   zolmar_fault_matrix [--runs N] [--largest-runs N] [--only SCENARIO] [--default FILE]
// ZOLMAR_EMU and ZOLMAR_CLI name other copies of the two programs.
#include "ChildProcess.h"
#include "LinkTestSupport.h"
#include "TempDir.h"
#include "files/SettingsFile.h"
#include "model/ECU.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace zolmar;
using namespace zolmar::test;

namespace {

struct Scenario {
    std::string name;
    std::vector<std::string> options;
    bool unplug = false; // SIGUSR1 a third of the way through, SIGUSR2 a second later
};

struct Tally {
    int runs = 0;
    int exact = 0;
    int clear = 0;
    int silent = 0;
    double seconds = 0;
};

SilentMessages g_quiet;

// The programs, from the environment when given (so that a long run can use copies
// while the build goes on), else those of this build.
std::string program(const char* variable, const char* built) {
    const char* given = std::getenv(variable);
    return given != nullptr && *given != 0 ? given : built;
}
const std::string g_emu = program("ZOLMAR_EMU", ZOLMAR_EMU);
const std::string g_cli = program("ZOLMAR_CLI", ZOLMAR_CLI);

std::unique_ptr<tECU> load(const std::string& path) {
    auto ecu = std::make_unique<tECU>(g_quiet);
    std::string error;
    if (!SettingsFile::load(*ecu, path, error))
        return nullptr;
    return ecu;
}

bool same(const std::string& reference, const std::string& other) {
    auto a = load(reference);
    auto b = load(other);
    return a && b && firstDifference(a->Image, b->Image, transferredRanges(*a)) == -1;
}

class Matrix {
public:
    explicit Matrix(std::string defaultConfig) {
        configs_["default"] = defaultConfig;
        auto largest = std::make_unique<tECU>(g_quiet);
        makeConfiguration(*largest, Layout::kMaxElements, 77);
        std::string error;
        configs_["largest"] = dir_.path("largest.ecu");
        SettingsFile::save(*largest, configs_["largest"], error);
        auto small = std::make_unique<tECU>(g_quiet);
        makeConfiguration(*small, 30, 78);
        before_ = dir_.path("before.ecu");
        SettingsFile::save(*small, before_, error);
    }

    // One transfer; counts it into the tally.
    void run(const Scenario& s, const std::string& config, bool write, int seed,
             double faultFreeSeconds, Tally& tally) {
        const std::string file = configs_[config];
        const std::string out = dir_.path("out.ecu");
        const std::string saved = dir_.path("saved.ecu");
        std::filesystem::remove(out);
        std::filesystem::remove(saved);
        std::vector<std::string> argv = {g_emu,
                                         "--pty",
                                         "--no-diagram",
                                         "--seed",
                                         std::to_string(seed),
                                         "--save-on-exit",
                                         saved,
                                         "--config",
                                         write ? before_ : file};
        argv.insert(argv.end(), s.options.begin(), s.options.end());
        ChildProcess emu;
        if (!emu.start(argv))
            return;
        const std::string port = emu.readLine(5000);
        std::thread plug;
        if (s.unplug)
            plug = std::thread([&emu, faultFreeSeconds] {
                std::this_thread::sleep_for(
                    std::chrono::milliseconds(static_cast<int>(faultFreeSeconds * 1000 / 3)));
                emu.signal(SIGUSR1);
                std::this_thread::sleep_for(std::chrono::seconds(1));
                emu.signal(SIGUSR2);
            });
        const auto start = std::chrono::steady_clock::now();
        RunResult r = runProgram(
            {g_cli, write ? "write" : "read", "--port", port, write ? file : out}, 3600 * 1000);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (plug.joinable())
            plug.join();
        emu.signal(SIGTERM);
        emu.wait(20000);
        ++tally.runs;
        tally.seconds += seconds;
        bool exact = false;
        bool clear = false;
        if (write) {
            exact = r.code == 0 && same(file, saved);
            clear = r.code == 1 && same(before_, saved);
        } else {
            exact = r.code == 0 && same(file, out);
            clear = r.code == 1 && !std::filesystem::exists(out);
        }
        tally.exact += exact;
        tally.clear += clear;
        tally.silent += !exact && !clear;
        if (!exact)
            std::fprintf(stderr, "  %s %s %s: exit %d%s\n%s", s.name.c_str(), config.c_str(),
                         write ? "write" : "read", r.code, clear ? " (clear failure)" : " (SILENT)",
                         r.err.substr(r.err.size() > 400 ? r.err.size() - 400 : 0).c_str());
    }

private:
    TempDir dir_;
    std::map<std::string, std::string> configs_;
    std::string before_;
};

} // namespace

int main(int argc, char** argv) {
    int runs = 3;
    int largestRuns = 2;
    std::string only;
    std::string defaultConfig = ZOLMAR_DEFAULT_CONFIG;
    for (int k = 1; k + 1 < argc; k += 2) {
        const std::string a = argv[k];
        if (a == "--runs")
            runs = std::atoi(argv[k + 1]);
        else if (a == "--largest-runs")
            largestRuns = std::atoi(argv[k + 1]);
        else if (a == "--only")
            only = argv[k + 1];
        else if (a == "--default")
            defaultConfig = argv[k + 1];
    }
    const std::vector<Scenario> scenarios = {
        {"fault-free", {}},
        {"drop 5% + corrupt 2%", {"--drop", "0.05", "--corrupt", "0.02"}},
        {"drop 20%", {"--drop", "0.2"}},
        {"replies 35-39 ms late", {"--delay", "35-39"}},
        {"unplug 1 s in the middle", {}, true},
    };
    Matrix matrix(defaultConfig);
    std::map<std::string, double> faultFree; // per config and direction
    std::printf("%-26s %-8s %-5s %4s %6s %6s %6s %9s %7s\n", "scenario", "config", "dir", "runs",
                "exact", "clear", "silent", "mean s", "x free");
    for (const char* config : {"default", "largest"}) {
        for (bool write : {false, true}) {
            const std::string key = std::string(config) + (write ? "w" : "r");
            for (const auto& s : scenarios) {
                if (!only.empty() && s.name != only && s.name != "fault-free")
                    continue;
                Tally tally;
                const int n = std::string(config) == "largest" ? largestRuns : runs;
                for (int k = 0; k < n; ++k)
                    matrix.run(s, config, write, 100 + k, faultFree[key], tally);
                const double mean = tally.runs ? tally.seconds / tally.runs : 0;
                if (s.name == "fault-free")
                    faultFree[key] = mean;
                std::printf("%-26s %-8s %-5s %4d %6d %6d %6d %9.1f %7.1f\n", s.name.c_str(), config,
                            write ? "write" : "read", tally.runs, tally.exact, tally.clear,
                            tally.silent, mean, faultFree[key] > 0 ? mean / faultFree[key] : 0);
                std::fflush(stdout);
            }
        }
    }
    return 0;
}

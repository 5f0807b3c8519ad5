// Figures of the ECU link: the CPU cost of one poll cycle with a full-size
// configuration, and the wall time of full reads and writes through q7700x-emu
// --realtime against the least the run rules allow.
#include "ChildProcess.h"
#include "LinkTestSupport.h"
#include "TempDir.h"
#include "emu/VirtualEcu.h"
#include "emu/VirtualEcuLink.h"
#include "files/SettingsFile.h"
#include "link/PollSchedule.h"
#include "link/SerialUsbXpress.h"
#include "link/SyncEngine.h"
#include "link/TransferBound.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <csignal>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace zolmar;

namespace {

constexpr int kFullSize = Layout::kMaxElements;

// The engine online with the in-process virtual ECU holding a full-size configuration.
struct OnlineRig {
    SilentMessages quiet;
    std::unique_ptr<tECU> pc = std::make_unique<tECU>(quiet);
    emu::VirtualEcu ecu;
    emu::VirtualEcuLink link{ecu};
    LinkObserver none;
    SyncEngine engine{*pc, link, none};
    PollContext context;

    OnlineRig() {
        auto config = std::make_unique<tECU>(quiet);
        test::makeConfiguration(*config, kFullSize, 1);
        ecu.LoadConfiguration(*config);
        engine.StartUp();
        runTo(Link::Online);
    }
    int runTo(int state) {
        int cycles = 0;
        do {
            engine.PollCycle(context);
            ++cycles;
        } while (pc->LinkState != state && cycles < 100000);
        return cycles;
    }
};

// One cycle online in the advanced view of a busy page, every live-value consumer open:
// status read, learn reports, counting, live marking and up to four live reads.
void BM_PollCycleOnline(benchmark::State& state) {
    OnlineRig rig;
    rig.context.currentPage = 1;
    rig.context.advancedView = true;
    rig.pc->ShowAllOutputs = true;
    rig.pc->LoggingToPc = rig.pc->ChecklistOpen = rig.pc->AnaVoltsOpen = true;
    for (auto _ : state)
        rig.engine.PollCycle(rig.context);
    state.counters["elements"] = rig.pc->NumElements;
    state.counters["share_of_50ms_%"] = benchmark::Counter(
        0.050 / 100.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_PollCycleOnline)->Unit(benchmark::kMicrosecond);

// Cycles of a full read and of a full write of the full-size configuration, per cycle.
void BM_PollCycleFullTransfer(benchmark::State& state) {
    OnlineRig rig;
    const bool write = state.range(0) == 1;
    long cycles = 0;
    for (auto _ : state) {
        if (write)
            rig.engine.WriteToEcu();
        else
            rig.engine.ReadFromEcu();
        cycles += rig.runTo(Link::Online);
    }
    state.SetLabel(write ? "full write" : "full read");
    state.counters["cycles"] =
        static_cast<double>(cycles) / static_cast<double>(state.iterations());
    state.counters["per_cycle"] = benchmark::Counter(
        static_cast<double>(cycles), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_PollCycleFullTransfer)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The transport of a realtime benchmark, timing every call: how long the driver waits
// for replies against the wire time of what went each way.
class TimedUsb : public SerialUsbXpress {
public:
    using SerialUsbXpress::SerialUsbXpress;
    Status Write(Handle handle, const uint8_t* data, uint32_t length, uint32_t& written) override {
        const auto t = Clock::now();
        Status status = SerialUsbXpress::Write(handle, data, length, written);
        writeMicros += micros(Clock::now() - t);
        wireBytes += length;
        ++transactions;
        return status;
    }
    Status Read(Handle handle, uint8_t* buffer, uint32_t length, uint32_t& read) override {
        const auto t = Clock::now();
        Status status = SerialUsbXpress::Read(handle, buffer, length, read);
        readMicros += micros(Clock::now() - t);
        wireBytes += read;
        return status;
    }
    using Clock = std::chrono::steady_clock;
    static double micros(Clock::duration d) {
        return std::chrono::duration<double, std::micro>(d).count();
    }
    double writeMicros = 0;
    double readMicros = 0;
    long wireBytes = 0;
    long transactions = 0;
};

// CPU seconds a process has used (user and system), from /proc.
double cpuSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t close = stat.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    double ticks = 0;
    for (int k = 3; fields >> field && k <= 15; ++k)
        if (k >= 14)
            ticks += std::stod(field);
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// The configuration of a realtime benchmark: 0 the shipped default, 1 the largest.
bool transferConfiguration(int which, tECU& ecu, std::string& error) {
    if (which == 0)
        return SettingsFile::load(ecu, ZOLMAR_DEFAULT_CONFIG, error);
    test::makeConfiguration(ecu, kFullSize, 2);
    return true;
}

// A full read (or write) through q7700x-emu --realtime on a pseudo-terminal, driven like
// zolmar-cli: the cycles kept to a 50 ms rhythm. Reports the wall time against the
// bound the run rules allow (the same runs and cycles on a fault-free link), the wall
// time of the cycles, and where it went: waiting for replies beyond their wire time,
// the engine's own work, lateness of the cycles' starts.
void fullTransferThroughEmu(benchmark::State& state, bool write) {
    const int which = static_cast<int>(state.range(0));
    test::TempDir dir;
    SilentMessages quiet;
    auto config = std::make_unique<tECU>(quiet);
    std::string error;
    if (!transferConfiguration(which, *config, error) ||
        !SettingsFile::save(*config, dir.path("config.ecu"), error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    // The ECU of a write holds the same configuration: its diagram runs meanwhile.
    test::ChildProcess emu;
    if (!emu.start({ZOLMAR_EMU, "--pty", "--realtime", "--config", dir.path("config.ecu")})) {
        state.SkipWithError("q7700x-emu did not start");
        return;
    }
    const std::string port = emu.readLine(5000);
    const TransferBound bound = write ? FullWriteBound(*config, TransferStart::StartUp)
                                      : FullReadBound(*config, TransferStart::StartUp);
    using Clock = std::chrono::steady_clock;
    for (auto _ : state) {
        TimedUsb usb({{port}, false});
        auto pc = std::make_unique<tECU>(quiet);
        if (write && !SettingsFile::load(*pc, dir.path("config.ecu"), error)) {
            state.SkipWithError(error.c_str());
            break;
        }
        LinkObserver none;
        SyncEngine engine(*pc, usb, none);
        std::vector<double> cycleMs;
        double waitOverWireMs = 0; // replies later than their bytes' wire time
        double engineMs = 0;       // the cycles' time outside the transport
        double lateMs = 0;         // starts after their due time
        const double emuCpu0 = cpuSeconds(emu.pid());
        const auto start = Clock::now();
        engine.StartUp();
        if (write)
            engine.ConfigurationOpened();
        PollSchedule schedule(Clock::now());
        PollContext context;
        context.currentPage = 1;
        while (pc->LinkState != Link::Online && cycleMs.size() < 20000) {
            const auto begun = Clock::now();
            const auto next = schedule.Begin(begun);
            lateMs += std::chrono::duration<double, std::milli>(schedule.Lateness()).count();
            const double io0 = usb.readMicros + usb.writeMicros;
            const long bytes0 = usb.wireBytes;
            engine.PollCycle(context);
            const double ms = TimedUsb::micros(Clock::now() - begun) / 1000.0;
            const double ioMs = (usb.readMicros + usb.writeMicros - io0) / 1000.0;
            const double wireMs =
                static_cast<double>(usb.wireBytes - bytes0) * 10.0 / 250000.0 * 1000.0;
            cycleMs.push_back(ms);
            waitOverWireMs += std::max(0.0, ioMs - wireMs);
            engineMs += ms - ioMs;
            if (pc->LinkState == Link::AskLoadOrWrite)
                engine.WriteAllToEcu();
            std::this_thread::sleep_until(next);
        }
        const double wall = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(wall);
        const auto cycles = static_cast<double>(cycleMs.size());
        std::vector<double> sorted = cycleMs;
        std::sort(sorted.begin(), sorted.end());
        state.counters["wall_s"] = wall;
        state.counters["bound_s"] = bound.Seconds();
        state.counters["ratio"] = wall / bound.Seconds();
        state.counters["cycles"] = cycles;
        state.counters["bound_cycles"] = bound.cycles;
        state.counters["transactions"] = static_cast<double>(usb.transactions);
        state.counters["bound_transactions"] = static_cast<double>(bound.transactions);
        state.counters["bytes"] = static_cast<double>(bound.bytes);
        state.counters["cycle_median_ms"] = sorted.empty() ? 0 : sorted[sorted.size() / 2];
        state.counters["cycle_max_ms"] = sorted.empty() ? 0 : sorted.back();
        state.counters["cycles_over_50ms"] = static_cast<double>(
            std::count_if(sorted.begin(), sorted.end(), [](double ms) { return ms > 50.0; }));
        state.counters["busiest_wire_ms"] = bound.busiestCycleWireMicros / 1000.0;
        state.counters["wait_over_wire_ms_per_cycle"] = waitOverWireMs / cycles;
        state.counters["engine_ms_per_cycle"] = engineMs / cycles;
        state.counters["late_ms_per_cycle"] = lateMs / cycles;
        state.counters["emu_cpu_s"] = cpuSeconds(emu.pid()) - emuCpu0;
        if (pc->LinkState != Link::Online)
            state.SkipWithError("the transfer did not end");
    }
    state.SetLabel(std::string(which == 0 ? "default" : "3454 elements") +
                   (write ? " full write" : " full read"));
    emu.signal(SIGTERM);
    emu.wait(5000);
}

// Tens of seconds each; select them with --benchmark_filter=ThroughEmuRealtime.
void BM_FullReadThroughEmuRealtime(benchmark::State& state) {
    fullTransferThroughEmu(state, false);
}
BENCHMARK(BM_FullReadThroughEmuRealtime)
    ->ArgName("large")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

void BM_FullWriteThroughEmuRealtime(benchmark::State& state) {
    fullTransferThroughEmu(state, true);
}
BENCHMARK(BM_FullWriteThroughEmuRealtime)
    ->ArgName("large")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();

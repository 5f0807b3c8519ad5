// Figures of the ECU link: the CPU cost of one poll cycle with a full-size
// configuration, and the wall time of a full read through q7700x-emu --realtime
// against the protocol's bound of (bytes to read) / 800 cycles of 50 ms.
#include "ChildProcess.h"
#include "LinkTestSupport.h"
#include "TempDir.h"
#include "emu/VirtualEcu.h"
#include "emu/VirtualEcuLink.h"
#include "files/SettingsFile.h"
#include "link/SerialUsbXpress.h"
#include "link/SyncEngine.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <csignal>
#include <memory>
#include <thread>

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

// A full read through q7700x-emu --realtime on a pseudo-terminal, driven like
// zolmar-cli: one cycle every 50 ms.
void BM_FullReadThroughEmuRealtime(benchmark::State& state) {
    test::TempDir dir;
    SilentMessages quiet;
    {
        auto config = std::make_unique<tECU>(quiet);
        test::makeConfiguration(*config, kFullSize, 2);
        std::string error;
        if (!SettingsFile::save(*config, dir.path("large.ecu"), error)) {
            state.SkipWithError(error.c_str());
            return;
        }
    }
    test::ChildProcess emu;
    if (!emu.start({ZOLMAR_EMU, "--pty", "--realtime", "--config", dir.path("large.ecu")})) {
        state.SkipWithError("q7700x-emu did not start");
        return;
    }
    std::string port = emu.readLine(5000);
    double bound = 0;
    long bytes = 0;
    for (auto _ : state) {
        SerialUsbXpress usb({{port}, false});
        auto pc = std::make_unique<tECU>(quiet);
        LinkObserver none;
        SyncEngine engine(*pc, usb, none);
        engine.StartUp();
        PollContext context;
        auto start = std::chrono::steady_clock::now();
        auto next = start;
        int cycles = 0;
        while (pc->LinkState != Link::Online && cycles < 20000) {
            engine.PollCycle(context);
            ++cycles;
            if (pc->LinkState == Link::ReadingAll && bytes == 0)
                bytes = std::count(pc->SyncState, pc->SyncState + Layout::kImageSize, Sync::ToRead);
            next += std::chrono::milliseconds(50);
            auto now = std::chrono::steady_clock::now();
            if (next < now)
                next = now;
            std::this_thread::sleep_until(next);
        }
        auto elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start);
        state.SetIterationTime(elapsed.count());
        bound = static_cast<double>(bytes) / 800.0 * 0.050;
        state.counters["cycles"] = cycles;
        state.counters["bytes"] = static_cast<double>(bytes);
        state.counters["bound_s"] = bound;
        state.counters["wall_s"] = elapsed.count();
        state.counters["over_bound_%"] = (elapsed.count() / bound - 1.0) * 100.0;
    }
    emu.signal(SIGTERM);
    emu.wait(5000);
}
BENCHMARK(BM_FullReadThroughEmuRealtime)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();

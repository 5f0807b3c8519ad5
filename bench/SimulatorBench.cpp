// Evaluation speed of the diagram: the simulator's tick (50 passes) on the largest
// diagram the model allows and on a typical one, and the virtual ECU's 50 ms.
#include "RealisticDiagram.h"
#include "emu/VirtualEcu.h"
#include "files/SettingsFile.h"
#include "model/EcuMemoryView.h"
#include "simulator/Simulator.h"

#include <benchmark/benchmark.h>
#include <memory>

using namespace zolmar;

namespace {

constexpr int kTypicalElements = 300;

std::unique_ptr<tECU> diagram(Messages& messages, int elements) {
    auto ecu = std::make_unique<tECU>(messages);
    test::GenerateRealisticDiagram(*ecu, elements, 7);
    return ecu;
}

// Counters: passes per second and how many times faster than the ECU's 1 kHz.
void rates(benchmark::State& state, int passesPerIteration, int elements) {
    const double passes = static_cast<double>(state.iterations()) * passesPerIteration;
    state.counters["elements"] = elements;
    state.counters["passes_per_s"] = benchmark::Counter(passes, benchmark::Counter::kIsRate);
    state.counters["x_realtime"] = benchmark::Counter(passes / 1000.0, benchmark::Counter::kIsRate);
}

void tickTimes(benchmark::State& state, tECU& ecu) {
    sim::Simulator simulator;
    ecu.LinkState = 7;                         // offline: the simulator may run
    simulator.Inputs().SetPosition(40, 3000);  // RPM / 100
    simulator.Inputs().SetPosition(49, 25000); // Ana 1
    simulator.Open(ecu);
    simulator.Tick(ecu); // past the first learning and table changes
    for (auto _ : state)
        benchmark::DoNotOptimize(simulator.Tick(ecu));
    rates(state, sim::Simulator::kPassesPerTick, ecu.NumElements);
}

void simulatorTick(benchmark::State& state, int elements) {
    SilentMessages messages;
    auto ecu = diagram(messages, elements);
    tickTimes(state, *ecu);
}

// The configuration a new user starts from.
void BM_SimulatorTickDefaultConfiguration(benchmark::State& state) {
    SilentMessages messages;
    auto ecu = std::make_unique<tECU>(messages);
    std::string error;
    if (!SettingsFile::load(*ecu, ZOLMAR_DEFAULT_CONFIG, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    tickTimes(state, *ecu);
}
BENCHMARK(BM_SimulatorTickDefaultConfiguration)->Unit(benchmark::kMicrosecond);

void BM_SimulatorTickLargestDiagram(benchmark::State& state) {
    simulatorTick(state, Layout::kMaxElements);
}
BENCHMARK(BM_SimulatorTickLargestDiagram)->Unit(benchmark::kMillisecond);

void BM_SimulatorTickTypicalDiagram(benchmark::State& state) {
    simulatorTick(state, kTypicalElements);
}
BENCHMARK(BM_SimulatorTickTypicalDiagram)->Unit(benchmark::kMicrosecond);

// The virtual ECU's 50 ms: inputs written and the committed diagram evaluated 50 times.
void BM_VirtualEcu50msLargestDiagram(benchmark::State& state) {
    SilentMessages messages;
    auto config = diagram(messages, Layout::kMaxElements);
    auto ecu = std::make_unique<emu::VirtualEcu>();
    ecu->LoadConfiguration(*config);
    ecu->Advance(50);
    for (auto _ : state)
        ecu->Advance(50);
    rates(state, 50, config->NumElements);
}
BENCHMARK(BM_VirtualEcu50msLargestDiagram)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

// OptimiseOrder on the largest diagram the model allows, and the literal bubble
// sort it replaces on smaller ones.
#include "DiagramGenerator.h"
#include "LiteralOptimise.h"
#include "model/ECU.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <memory>

using namespace zolmar;

namespace {

// A model with a saved image to restore before every run.
struct Fixture {
    SilentMessages messages;
    std::unique_ptr<tECU> ecu = std::make_unique<tECU>(messages);
    std::unique_ptr<uint8_t[]> saved = std::make_unique<uint8_t[]>(Layout::kImageSize);

    void save() { std::memcpy(saved.get(), ecu->Image, Layout::kImageSize); }
    void restore() {
        std::memcpy(ecu->Image, saved.get(), Layout::kImageSize);
        ecu->RebuildIndex(true, true);
    }
};

void BM_OptimiseOrderLargest(benchmark::State& state) {
    Fixture f;
    test::GenerateBackwardChains(*f.ecu, 7);
    f.save();
    const bool balanced = state.range(0) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        f.restore();
        state.ResumeTiming();
        f.ecu->OptimiseOrder(balanced);
    }
    state.SetLabel(balanced ? "balanced" : "latency");
    state.counters["elements"] = f.ecu->NumElements;
}
BENCHMARK(BM_OptimiseOrderLargest)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// The literal algorithm on n elements of a random diagram (a few pages, most
// inputs linked), both modes.
void BM_LiteralOptimiseOrder(benchmark::State& state) {
    Fixture f;
    test::DiagramOptions o;
    o.seed = 7;
    o.elements = static_cast<int>(state.range(0));
    o.pages = 4;
    o.linkPercent = 70;
    o.resizeTables = false;
    test::GenerateDiagram(*f.ecu, o);
    f.save();
    const bool balanced = state.range(1) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        f.restore();
        state.ResumeTiming();
        test::LiteralOptimiseOrder(*f.ecu, balanced);
    }
    state.SetLabel(balanced ? "balanced" : "latency");
}
BENCHMARK(BM_LiteralOptimiseOrder)
    ->Args({500, 1})
    ->Args({500, 0})
    ->Args({1000, 1})
    ->Args({1000, 0})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

// The model's OptimiseOrder on the same diagrams, for comparison.
void BM_OptimiseOrderRandom(benchmark::State& state) {
    Fixture f;
    test::DiagramOptions o;
    o.seed = 7;
    o.elements = static_cast<int>(state.range(0));
    o.pages = 4;
    o.linkPercent = 70;
    o.resizeTables = false;
    test::GenerateDiagram(*f.ecu, o);
    f.save();
    const bool balanced = state.range(1) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        f.restore();
        state.ResumeTiming();
        f.ecu->OptimiseOrder(balanced);
    }
    state.SetLabel(balanced ? "balanced" : "latency");
}
BENCHMARK(BM_OptimiseOrderRandom)
    ->Args({500, 1})
    ->Args({500, 0})
    ->Args({1000, 1})
    ->Args({1000, 0})
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

// Walk and index figures of the configuration model on a full-size diagram.
#include "RawConfig.h"
#include "files/SettingsFile.h"
#include "model/ECU.h"

#include <benchmark/benchmark.h>
#include <memory>

using namespace zolmar;

namespace {

// 3454 elements of mixed types, each linked to its predecessors.
std::unique_ptr<tECU> fullDiagram(Messages& messages) {
    auto ecu = std::make_unique<tECU>(messages);
    test::RawConfig raw(*ecu);
    const int types[] = {ElementType::Summer,  ElementType::Multiplier, ElementType::Table2D,
                         ElementType::Clipper, ElementType::Constant,   ElementType::Switch};
    for (int i = 0; i < Layout::kMaxElements; ++i) {
        int type = types[i % 6];
        raw.add(type, 1 + i % 100, 0, 0, "E", 2);
        for (int k = 0; k < tECU::InputCount(type) && i > 0; ++k)
            raw.link(i, k, (i * 7 + k * 13) % i, 0);
    }
    raw.finish();
    return ecu;
}

void BM_RebuildIndexWithDepthsAndLinks(benchmark::State& state) {
    SilentMessages messages;
    auto ecu = fullDiagram(messages);
    for (auto _ : state)
        ecu->RebuildIndex(true, true);
    state.counters["elements"] = ecu->NumElements;
}
BENCHMARK(BM_RebuildIndexWithDepthsAndLinks)->Unit(benchmark::kMillisecond);

void BM_RebuildIndexPlain(benchmark::State& state) {
    SilentMessages messages;
    auto ecu = fullDiagram(messages);
    for (auto _ : state)
        ecu->RebuildIndex(false, false);
}
BENCHMARK(BM_RebuildIndexPlain)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();

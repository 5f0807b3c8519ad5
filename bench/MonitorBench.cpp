// The per-poll work of the monitoring views and the onboard log: the gauge list's
// refresh and a PC log line with the most columns, decoding a whole onboard log into
// CSV, the virtual ECU's 50 ms with its log ring and scope running, and drawing a
// scope capture.
#include "diagnostics/OnboardLog.h"
#include "diagnostics/PcLog.h"
#include "emu/VirtualEcu.h"
#include "files/NewConfiguration.h"
#include "gauges/GaugeList.h"
#include "scope/Scope.h"

#include <benchmark/benchmark.h>
#include <memory>
#include <string>
#include <vector>

using namespace zolmar;

namespace {

// A blank configuration with n gauges on the gauge page, each with all companions.
std::unique_ptr<tECU> gauges(Messages& messages, int n) {
    auto ecu = std::make_unique<tECU>(messages);
    NewConfiguration::MakeBlank(*ecu);
    for (int k = 0; k < n; ++k) {
        const std::string name = "G" + std::to_string(k);
        for (const char* suffix : {"", " Target", " Valid", " Target Valid", " Effort"})
            ecu->CreateElement(ElementType::Gauge, 1, k % 60, name + suffix, 0);
    }
    ecu->Simulating = true;
    return ecu;
}

void GaugeListRefresh(benchmark::State& state) {
    SilentMessages messages;
    auto ecu = gauges(messages, 36);
    gauges::GaugeList list;
    list.Build(*ecu);
    for (auto _ : state)
        for (int row = 0; row < 36; ++row)
            benchmark::DoNotOptimize(list.Refresh(*ecu, row));
}
BENCHMARK(GaugeListRefresh)->Unit(benchmark::kMicrosecond);

void GaugeListBuild(benchmark::State& state) {
    SilentMessages messages;
    auto ecu = gauges(messages, 36);
    gauges::GaugeList list;
    for (auto _ : state)
        list.Build(*ecu);
}
BENCHMARK(GaugeListBuild)->Unit(benchmark::kMicrosecond);

void PcLogLine(benchmark::State& state) {
    SilentMessages messages;
    auto ecu = gauges(messages, 41); // 205 gauges: the 201 columns
    const auto columns = diagnostics::PcLog::Columns(*ecu);
    uint32_t ms = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(diagnostics::PcLog::DataLine(*ecu, columns, ms += 50));
    state.counters["columns"] = static_cast<double>(columns.size());
}
BENCHMARK(PcLogLine)->Unit(benchmark::kMicrosecond);

void OnboardLogCsv(benchmark::State& state) {
    std::vector<uint16_t> words(diagnostics::OnboardLog::kRingWords);
    for (size_t k = 0; k < words.size(); ++k)
        words[k] = static_cast<uint16_t>(k % 16 == 0 ? (k / 16) * 10 : k * 37);
    for (auto _ : state)
        benchmark::DoNotOptimize(diagnostics::OnboardLog::CsvRecords(words.data(), words.size()));
    state.counters["records"] = static_cast<double>(words.size() / 16);
}
BENCHMARK(OnboardLogCsv)->Unit(benchmark::kMillisecond);

void VirtualEcu50ms(benchmark::State& state) {
    SilentMessages messages;
    auto image = gauges(messages, 15);
    emu::VirtualEcu ecu;
    ecu.LoadConfiguration(*image);
    ecu.WriteWord(emu::EcuMap::kLiveBase + 2 * 44, 1500);
    for (auto _ : state)
        ecu.Advance(50);
}
BENCHMARK(VirtualEcu50ms)->Unit(benchmark::kMicrosecond);

void ScopeTraces(benchmark::State& state) {
    SilentMessages messages;
    auto ecu = std::make_unique<tECU>(messages);
    const auto settings = scope::ScopeSettings::Read(*ecu);
    for (auto _ : state) {
        for (int channel = 0; channel < 3; ++channel)
            benchmark::DoNotOptimize(scope::Trace(*ecu, channel, 0, settings, 0));
        for (int bit = 0; bit < 16; ++bit)
            benchmark::DoNotOptimize(scope::BitTrace(*ecu, 3, bit, scope::kLowerBand));
    }
}
BENCHMARK(ScopeTraces)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();

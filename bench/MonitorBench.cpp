// The per-poll work of the monitoring views and the onboard log: the gauge list's
// refresh and a PC log line with the most columns, decoding a whole onboard log into
// CSV, the virtual ECU's 50 ms with its log ring and scope running, and drawing a
// scope capture; the setup checklist's work per poll, per 50 ms and per 200 ms in a
// configuration with the most elements (its names are looked up at every use).
#include "diagnostics/Checklist.h"
#include "diagnostics/OnboardLog.h"
#include "diagnostics/PcLog.h"
#include "emu/VirtualEcu.h"
#include "files/NewConfiguration.h"
#include "gauges/GaugeList.h"
#include "model/Tables.h"
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
    const diagnostics::PcLog::ReadThisCycle allRead = [](long) { return true; };
    for (auto _ : state)
        benchmark::DoNotOptimize(diagnostics::PcLog::DataLine(*ecu, columns, ms += 50, allRead));
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

// A blank configuration filled up to 3454 elements, the checklist's sixteen last, with
// 16 x 14 maps.
std::unique_ptr<tECU> fullChecklist(Messages& messages) {
    using diagnostics::Checklist;
    using Named = Checklist::Named;
    auto ecu = std::make_unique<tECU>(messages);
    NewConfiguration::MakeBlank(*ecu);
    auto typeOf = [](Named n) {
        switch (n) {
        case Named::LearnTps:
        case Named::EnableInjectors:
        case Named::TimingLock:
            return ElementType::Tickbox;
        case Named::TimingLockAngle:
        case Named::TriggerOffset:
            return ElementType::Constant;
        case Named::BaseIdle:
        case Named::VeTable:
        case Named::IgnitionMap:
        case Named::MapPrediction:
            return ElementType::Table3D;
        default:
            return ElementType::Summer;
        }
    };
    int k = 0;
    while (ecu->NumElements < Layout::kMaxElements - Checklist::kNamedCount &&
           ecu->CreateElement(ElementType::Label, k % 100, (k / 100) % 100,
                              "Label " + std::to_string(k), 7 + k / 10000))
        ++k;
    for (int n = 0; n < Checklist::kNamedCount; ++n) {
        int e = -1;
        const auto named = static_cast<Named>(n);
        ecu->CreateElement(typeOf(named), 2 * n, 110, Checklist::NameOf(named), 8, &e);
        if (typeOf(named) == ElementType::Table3D) {
            Tables::AxisLayout rows{0, 13 * 500, 500};
            Tables::LayOut(*ecu, e, {0, 15 * 500, 500}, &rows);
        }
    }
    ecu->OnlineCapable = true;
    return ecu;
}

void ChecklistPollCycle(benchmark::State& state) {
    SilentMessages messages;
    auto ecu = fullChecklist(messages);
    for (auto _ : state)
        benchmark::DoNotOptimize(diagnostics::Checklist::PollCycle(*ecu));
    state.counters["elements"] = ecu->NumElements;
}
BENCHMARK(ChecklistPollCycle)->Unit(benchmark::kMicrosecond);

void ChecklistWarnings(benchmark::State& state) {
    SilentMessages messages;
    auto ecu = fullChecklist(messages);
    diagnostics::Checklist checklist;
    for (auto _ : state)
        benchmark::DoNotOptimize(checklist.WarningsTick(*ecu));
}
BENCHMARK(ChecklistWarnings)->Unit(benchmark::kMicrosecond);

// The 200 ms tick: the table checks and the window's look-ups of its twelve features.
void ChecklistTick(benchmark::State& state) {
    using diagnostics::Checklist;
    SilentMessages messages;
    auto ecu = fullChecklist(messages);
    for (auto _ : state) {
        benchmark::DoNotOptimize(Checklist::CheckTables(*ecu));
        for (int n = 7; n < Checklist::kNamedCount; ++n)
            benchmark::DoNotOptimize(Checklist::Find(*ecu, static_cast<Checklist::Named>(n)));
        benchmark::DoNotOptimize(Checklist::AngleText(*ecu, Checklist::Named::TriggerOffset));
    }
}
BENCHMARK(ChecklistTick)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();

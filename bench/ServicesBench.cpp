// Import/merge of the largest configurations, and flashing a full 2 MiB package
// through the boot-loader protocol against the virtual ECU (wire time excluded).
#include "DiagramGenerator.h"
#include "emu/EcuBootLoader.h"
#include "emu/VirtualEcuLink.h"
#include "files/ImportMerge.h"
#include "files/SettingsFile.h"
#include "link/FirmwareFlasher.h"
#include "setup/SetupWizard.h"

#include <benchmark/benchmark.h>
#include <memory>

using namespace zolmar;

namespace {

void BM_ImportMergeLargest(benchmark::State& state) {
    SilentMessages messages;
    auto ecu = std::make_unique<tECU>(messages);
    test::GenerateBackwardChains(*ecu, 7);
    auto bytes = SettingsFile::fromImage(*ecu);
    std::vector<uint8_t> result;
    std::string error;
    for (auto _ : state) {
        ImportMerge::Merge(bytes, bytes, result, error);
        benchmark::DoNotOptimize(result.data());
    }
    state.counters["elements"] = ecu->NumElements;
}
BENCHMARK(BM_ImportMergeLargest)->Unit(benchmark::kMillisecond);

void BM_ImportSummaryLargest(benchmark::State& state) {
    SilentMessages messages;
    auto ecu = std::make_unique<tECU>(messages);
    test::GenerateBackwardChains(*ecu, 7);
    ImportMerge::Source source;
    source.useCurrent = true;
    source.bytes = SettingsFile::fromImage(*ecu);
    for (auto _ : state)
        benchmark::DoNotOptimize(ImportMerge::Validate(source, source, true).text.size());
}
BENCHMARK(BM_ImportSummaryLargest)->Unit(benchmark::kMillisecond);

// The shipped default configuration; null (the benchmark skipped) when it is missing.
std::unique_ptr<tECU> defaultConfiguration(benchmark::State& state, Messages& messages) {
    auto ecu = std::make_unique<tECU>(messages);
    std::string error;
    if (SettingsFile::load(*ecu, ZOLMAR_DEFAULT_CONFIG, error))
        return ecu;
    state.SkipWithError(error.c_str());
    return nullptr;
}

// The setup wizard on the default configuration: opening reads every named setting,
// Finish writes them and the assignment (each looks its elements up by name).
void BM_SetupWizardOpen(benchmark::State& state) {
    SilentMessages messages;
    auto ecu = defaultConfiguration(state, messages);
    if (!ecu)
        return;
    SetupWizard wizard(*ecu);
    for (auto _ : state) {
        wizard.open();
        benchmark::DoNotOptimize(wizard.answers().engineCap);
    }
    state.counters["elements"] = ecu->NumElements;
}
BENCHMARK(BM_SetupWizardOpen)->Unit(benchmark::kMillisecond);

void BM_SetupWizardFinish(benchmark::State& state) {
    SilentMessages messages;
    auto ecu = defaultConfiguration(state, messages);
    if (!ecu)
        return;
    SetupWizard wizard(*ecu);
    wizard.open();
    wizard.set(WizardControl::IgnArrangement, 1);
    for (auto _ : state)
        benchmark::DoNotOptimize(applySetupWizard(*ecu, wizard.answers()).missing.size());
}
BENCHMARK(BM_SetupWizardFinish)->Unit(benchmark::kMillisecond);

void BM_FlashFullPackage(benchmark::State& state) {
    std::vector<FirmwarePackage::Segment> segments;
    for (uint32_t a = 0; a < 0x10000; a += 128)
        segments.push_back({a, {}});
    for (uint32_t a = 0x80000; segments.size() < FirmwarePackage::kMaxFileSize / 131; a += 128)
        segments.push_back({a, {}});
    auto bytes = FirmwarePackage::Build(segments);
    auto package = FirmwarePackage::Parse(bytes.data(), bytes.size());
    for (auto _ : state) {
        emu::VirtualEcu ecu;
        ecu.Diagram().running = false;
        emu::EcuBootLoader loader(ecu);
        emu::VirtualEcuLink link(ecu);
        ManualClock clock;
        link.clock = &clock;
        FlashView view;
        FirmwareFlasher flasher(link, view);
        flasher.pause = [&clock](uint32_t ms) { clock.advance(ms); };
        while (flasher.PingTick() != 1000) {
        }
        flasher.SetPackage(package, "full.zfw");
        flasher.Program();
        int errors = 0;
        flasher.Verify(errors);
        benchmark::DoNotOptimize(errors);
    }
    state.counters["segments"] = static_cast<double>(package.Segments().size());
}
BENCHMARK(BM_FlashFullPackage)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

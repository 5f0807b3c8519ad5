// Figures of the editor's bulk commands on a large diagram: group copy and paste,
// page duplication and group deletion. Each iteration starts from the same image.
#include "RawConfig.h"
#include "editor/ElementClipboard.h"
#include "editor/PageOperations.h"
#include "model/ECU.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <memory>
#include <vector>

using namespace zolmar;

namespace {

constexpr int kElements = 2500;
constexpr int kPages = 7; // not a multiple of the 5 types: every page mixes them

// kElements elements of mixed types on pages 1..kPages, each linked to predecessors.
std::unique_ptr<tECU> largeDiagram(Messages& messages) {
    auto ecu = std::make_unique<tECU>(messages);
    test::RawConfig raw(*ecu);
    const int types[] = {ElementType::Summer, ElementType::Multiplier, ElementType::Clipper,
                         ElementType::Constant, ElementType::Switch};
    for (int i = 0; i < kElements; ++i) {
        int type = types[i % 5];
        raw.add(type, 1 + i % kPages, (i / kPages) % 100, (i / kPages) / 100, "E");
        for (int k = 0; k < tECU::InputCount(type) && i > 0; ++k)
            raw.link(i, k, (i * 7 + k * 13) % i, 0);
    }
    raw.finish();
    return ecu;
}

struct Saved {
    explicit Saved(const tECU& ecu)
        : image(ecu.Image, ecu.Image + Layout::kImageSize),
          sync(ecu.SyncState, ecu.SyncState + Layout::kImageSize) {}
    void restore(tECU& ecu) const {
        std::memcpy(ecu.Image, image.data(), image.size());
        std::memcpy(ecu.SyncState, sync.data(), sync.size());
        ecu.RebuildIndex(false, true);
    }
    std::vector<uint8_t> image;
    std::vector<uint8_t> sync;
};

std::vector<int> firstOnPage(const tECU& ecu, int page, size_t count) {
    std::vector<int> elements = PageOps::elementsOnPage(ecu, page);
    if (elements.size() > count)
        elements.resize(count);
    return elements;
}

void BM_CopyAndPasteGroupOf249(benchmark::State& state) {
    RecordingMessages messages;
    auto ecu = largeDiagram(messages);
    Saved saved(*ecu);
    std::vector<int> group = firstOnPage(*ecu, 3, 249);
    ElementClipboard clip;
    std::vector<int> pasted;
    for (auto _ : state) {
        state.PauseTiming();
        saved.restore(*ecu);
        state.ResumeTiming();
        if (!clip.copyGroup(*ecu, group) || !clip.paste(*ecu, 20, pasted)) {
            state.SkipWithError(messages.shown.empty() ? "refused"
                                                       : messages.shown.back().text.c_str());
            break;
        }
    }
    state.counters["pasted"] = static_cast<double>(pasted.size());
}
BENCHMARK(BM_CopyAndPasteGroupOf249)->Unit(benchmark::kMillisecond);

void BM_DuplicatePageOf357(benchmark::State& state) {
    SilentMessages messages;
    auto ecu = largeDiagram(messages);
    Saved saved(*ecu);
    int target = -1;
    for (auto _ : state) {
        state.PauseTiming();
        saved.restore(*ecu);
        state.ResumeTiming();
        target = PageOps::duplicatePage(*ecu, 4);
    }
    state.counters["target"] = target;
}
BENCHMARK(BM_DuplicatePageOf357)->Unit(benchmark::kMillisecond);

void BM_DeleteGroupOf249(benchmark::State& state) {
    SilentMessages messages;
    auto ecu = largeDiagram(messages);
    Saved saved(*ecu);
    std::vector<int> group = firstOnPage(*ecu, 5, 249);
    for (auto _ : state) {
        state.PauseTiming();
        saved.restore(*ecu);
        state.ResumeTiming();
        PageOps::deleteElements(*ecu, group);
    }
    state.counters["left"] = ecu->NumElements;
}
BENCHMARK(BM_DeleteGroupOf249)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

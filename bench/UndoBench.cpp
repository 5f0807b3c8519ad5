// Undo and redo of the largest steps a user makes: an optimise of the fullest diagram,
// a paste of the most elements the clipboard takes (249), a percentage over a 127 x 93
// table; and what each step holds against the bytes it changed.
#include "DiagramGenerator.h"
#include "editor/ElementClipboard.h"
#include "files/NewConfiguration.h"
#include "model/ECU.h"
#include "model/Tables.h"
#include "model/UndoHistory.h"
#include "tables/TableEditor.h"

#include <benchmark/benchmark.h>
#include <functional>
#include <memory>
#include <numeric>

using namespace zolmar;

namespace {

struct Model {
    SilentMessages quiet;
    std::unique_ptr<tECU> ecu = std::make_unique<tECU>(quiet);
};

// Records the step once, then times undo and redo in turn (one iteration = one of each).
void undoRedo(benchmark::State& state, tECU& ecu, const std::function<void()>& command) {
    UndoHistory history(ecu);
    const size_t before = history.MemoryBytes();
    if (!history.Record("step", command)) {
        state.SkipWithError("the command changed nothing");
        return;
    }
    state.counters["step_bytes"] = static_cast<double>(history.MemoryBytes() - before);
    for (auto _ : state) {
        history.Undo();
        history.Redo();
    }
    state.counters["elements"] = ecu.NumElements;
}

void BM_UndoRedoOptimiseOfAFullDiagram(benchmark::State& state) {
    Model m;
    test::GenerateBackwardChains(*m.ecu, 7);
    undoRedo(state, *m.ecu, [&] { m.ecu->OptimiseOrder(true); });
}
BENCHMARK(BM_UndoRedoOptimiseOfAFullDiagram)->Unit(benchmark::kMillisecond);

void BM_UndoRedoPasteOf249Elements(benchmark::State& state) {
    Model m;
    // Small elements, so that a full group fits the clipboard (it takes fewer than 250).
    test::GenerateBackwardChains(*m.ecu, 4, 600);
    std::vector<int> group;
    for (int i = m.ecu->NumElements - (ElementClipboard::kMaxItems - 1); i < m.ecu->NumElements;
         ++i)
        group.push_back(i);
    ElementClipboard clip;
    if (!clip.copyGroup(*m.ecu, group)) {
        state.SkipWithError("the group does not fit the clipboard");
        return;
    }
    state.counters["pasted"] = clip.count();
    undoRedo(state, *m.ecu, [&] {
        std::vector<int> pasted;
        clip.paste(*m.ecu, 5, pasted);
    });
}
BENCHMARK(BM_UndoRedoPasteOf249Elements)->Unit(benchmark::kMillisecond);

void BM_UndoRedoPercentOfA127x93Table(benchmark::State& state) {
    Model m;
    NewConfiguration::MakeBlank(*m.ecu);
    int table = -1;
    m.ecu->CreateElement(ElementType::Table3D, 1, 1, "Big", 1, &table);
    Tables::AxisLayout h{0, 126 * 10, 10}, v{0, 92 * 10, 10};
    Tables::LayOut(*m.ecu, table, h, &v);
    Tables::Shape s;
    Tables::ShapeOf(*m.ecu, table, s);
    for (int j = 0; j < s.rows; ++j)
        for (int i = 0; i < s.columns; ++i)
            Tables::WriteCell(*m.ecu, s, i, j,
                              static_cast<uint16_t>(100 + (i * 37 + j * 91) % 4000));
    TableEditor editor(*m.ecu);
    editor.Open(table);
    editor.SelectAll();
    state.counters["cells"] = s.columns * s.rows;
    undoRedo(state, *m.ecu, [&] { editor.ChangeByPercent(5); });
}
BENCHMARK(BM_UndoRedoPercentOfA127x93Table)->Unit(benchmark::kMillisecond);

// The checkpoint after a user input that changed nothing: the cost every click pays.
void BM_CheckpointWithoutChange(benchmark::State& state) {
    Model m;
    test::GenerateBackwardChains(*m.ecu, 7);
    UndoHistory history(*m.ecu);
    for (auto _ : state)
        benchmark::DoNotOptimize(history.Checkpoint());
}
BENCHMARK(BM_CheckpointWithoutChange)->Unit(benchmark::kMicrosecond);

// Memory of 10,000 one-cell steps.
void BM_TenThousandCellSteps(benchmark::State& state) {
    Model m;
    NewConfiguration::MakeBlank(*m.ecu);
    int table = -1;
    m.ecu->CreateElement(ElementType::Table3D, 1, 1, "T", 1, &table);
    const int at = m.ecu->ElementConstOffset[table] + 4;
    size_t bytes = 0;
    for (auto _ : state) {
        UndoHistory history(*m.ecu);
        for (int k = 0; k < 10000; ++k)
            history.Record("cell", [&] {
                m.ecu->WriteConstWord(at + 2 * (k % 50), static_cast<uint16_t>(k * 2));
            });
        bytes = history.MemoryBytes();
    }
    state.counters["history_MB"] = static_cast<double>(bytes) / (1 << 20);
}
BENCHMARK(BM_TenThousandCellSteps)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

// The table editor's costs on the largest 3D table (127 x 123 cells fill the
// constant area's share): the picture, the grid colours, a full-table command and
// the CSV exchange.
#include "files/NewConfiguration.h"
#include "model/ECU.h"
#include "model/Tables.h"
#include "tables/TableCsv.h"
#include "tables/TableEditor.h"
#include "tables/TableGraphic.h"

#include <benchmark/benchmark.h>
#include <memory>

using namespace zolmar;

namespace {

struct BigTable {
    SilentMessages quiet;
    std::unique_ptr<tECU> ecu = std::make_unique<tECU>(quiet);
    int table = -1;
    TableEditor editor{*ecu};
    explicit BigTable(int rows) {
        NewConfiguration::MakeBlank(*ecu);
        ecu->CreateElement(ElementType::Table3D, 1, 1, "Big", 1, &table);
        Tables::AxisLayout h{0, 126 * 10, 10}, v{0, (rows - 1) * 10, 10};
        Tables::LayOut(*ecu, table, h, &v);
        Tables::Shape s;
        Tables::ShapeOf(*ecu, table, s);
        for (int j = 0; j < s.rows; ++j)
            for (int i = 0; i < s.columns; ++i)
                Tables::WriteCell(*ecu, s, i, j, static_cast<uint16_t>((i * 37 + j * 91) % 5000));
        editor.Open(table);
    }
};

void BM_PictureOfA3DTable(benchmark::State& state) {
    BigTable t(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto picture = TableGraphic::Draw(t.editor, 1000, 350, 56, 16);
        benchmark::DoNotOptimize(picture.ops.data());
    }
    state.counters["cells"] = t.editor.Columns() * t.editor.Rows();
}
BENCHMARK(BM_PictureOfA3DTable)->Arg(16)->Arg(120)->Unit(benchmark::kMillisecond);

void BM_GridColoursOfAScreen(benchmark::State& state) {
    BigTable t(120);
    TableEditor::Options options;
    for (auto _ : state) {
        int sum = 0;
        for (int j = 0; j < 40; ++j)
            for (int i = 0; i < 25; ++i)
                sum += t.editor.CellBackground(i, j, options).r;
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_GridColoursOfAScreen)->Unit(benchmark::kMicrosecond);

void BM_LiveRefresh(benchmark::State& state) {
    BigTable t(120);
    t.ecu->Simulating = true;
    for (auto _ : state)
        benchmark::DoNotOptimize(t.editor.LiveRefresh());
}
BENCHMARK(BM_LiveRefresh)->Unit(benchmark::kMicrosecond);

void BM_InterpolateWholeTable(benchmark::State& state) {
    BigTable t(120);
    t.editor.SelectAll();
    for (auto _ : state)
        t.editor.InterpolateCorners();
}
BENCHMARK(BM_InterpolateWholeTable)->Unit(benchmark::kMillisecond);

void BM_CsvExportAndParse(benchmark::State& state) {
    BigTable t(120);
    Tables::Shape s;
    Tables::ShapeOf(*t.ecu, t.table, s);
    for (auto _ : state) {
        std::string text = TableCsv::Export(*t.ecu, t.table);
        TableCsv::Content content;
        std::string message;
        benchmark::DoNotOptimize(TableCsv::Parse(text, s, content, message));
    }
}
BENCHMARK(BM_CsvExportAndParse)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

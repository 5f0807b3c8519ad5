// The log viewer's figures: opening and first drawing a one-hour PC log (20 Hz, 30
// channels, 72,000 lines) and a full onboard log, redrawing while panning, and binning
// onto a 16 x 16 table. Memory is reported as the parsed log's bytes per file byte.
#include "diagnostics/LogFile.h"
#include "diagnostics/LogViewerForm.h"
#include "diagnostics/OnboardLog.h"
#include "files/NewConfiguration.h"
#include "model/ECU.h"
#include "model/Tables.h"

#include <QApplication>
#include <QImage>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

using namespace zolmar;

namespace {

const std::string& pcLogPath() {
    static const std::string path = [] {
        const std::string p =
            (std::filesystem::temp_directory_path() / "zolmar-bench-pc.csv").string();
        std::ofstream out(p, std::ios::binary);
        out << "\"Time (s)\",\"RPM/100\",\"MAP\",";
        for (int c = 2; c < 30; ++c)
            out << "\"Channel " << c << "\",";
        out << "\r\n";
        char field[32];
        for (int line = 0; line < 72000; ++line) {
            const int ms = line * 50;
            out << ms / 1000 << '.' << (ms % 1000) / 100 << (ms % 100) / 10 << ms % 10 << ',';
            for (int c = 0; c < 30; ++c) {
                const double v = c == 0   ? 40 + 35 * std::sin(line / 300.0)
                                 : c == 1 ? 110 + 90 * std::sin(line / 170.0)
                                          : (line * (c + 3) % 5000) / 50.0 - 20;
                if (line % 997 == c)
                    out << "----,";
                else {
                    std::snprintf(field, sizeof field, "%.2f,", v);
                    out << field;
                }
            }
            out << "\r\n";
        }
        return p;
    }();
    return path;
}

const std::string& onboardLogPath() {
    static const std::string path = [] {
        const std::string p =
            (std::filesystem::temp_directory_path() / "zolmar-bench-onboard.csv").string();
        std::vector<uint16_t> words(diagnostics::OnboardLog::kRingWords);
        for (size_t r = 0; r < words.size() / 16; ++r) {
            words[r * 16] = static_cast<uint16_t>(r * 10);
            for (int c = 1; c < 16; ++c)
                words[r * 16 + c] = static_cast<uint16_t>((r * c) % 20000 | 1);
        }
        std::array<std::string, 15> names;
        for (int c = 0; c < 15; ++c)
            names[c] = "Ch" + std::to_string(c);
        const std::string csv = diagnostics::OnboardLog::CsvHeader(names) +
                                diagnostics::OnboardLog::CsvRecords(words.data(), words.size());
        std::ofstream(p, std::ios::binary) << csv;
        return p;
    }();
    return path;
}

struct Viewer {
    SilentMessages quiet;
    std::unique_ptr<tECU> ecu = std::make_unique<tECU>(quiet);
    gui::TLogViewerForm form{*ecu, quiet};
    QImage image{1100, 760, QImage::Format_ARGB32};
    Viewer() {
        NewConfiguration::MakeBlank(*ecu);
        form.resize(1100, 760);
    }
    void draw() { form.plot()->render(&image); }
};

void openAndDraw(benchmark::State& state, const std::string& path) {
    Viewer viewer;
    for (auto _ : state) {
        viewer.form.openLog(path);
        viewer.draw();
    }
    viewer.form.hide();
    const auto& log = viewer.form.log();
    size_t bytes = log.seconds.capacity() * sizeof(double);
    for (const auto& c : log.channels)
        bytes += c.values.capacity() * sizeof(float);
    state.counters["lines"] = static_cast<double>(log.lines());
    state.counters["memory_per_file_byte"] =
        static_cast<double>(bytes) / static_cast<double>(std::filesystem::file_size(path));
}

void BM_OpenAndDrawPcLog(benchmark::State& state) {
    openAndDraw(state, pcLogPath());
}
BENCHMARK(BM_OpenAndDrawPcLog)->Unit(benchmark::kMillisecond);

void BM_OpenAndDrawOnboardLog(benchmark::State& state) {
    openAndDraw(state, onboardLogPath());
}
BENCHMARK(BM_OpenAndDrawOnboardLog)->Unit(benchmark::kMillisecond);

// Panning the whole hour (the widest view: every line is decimated each frame).
void BM_RedrawWhilePanning(benchmark::State& state) {
    Viewer viewer;
    viewer.form.openLog(pcLogPath());
    gui::LogPlot* plot = viewer.form.plot();
    for (auto _ : state) {
        plot->pan(0.01);
        viewer.draw();
    }
}
BENCHMARK(BM_RedrawWhilePanning)->Unit(benchmark::kMillisecond);

void BM_BinOnto16x16(benchmark::State& state) {
    SilentMessages quiet;
    auto ecu = std::make_unique<tECU>(quiet);
    NewConfiguration::MakeBlank(*ecu);
    int rpm = -1, map = -1, table = -1;
    ecu->CreateElement(ElementType::Constant, 1, 1, "RPM/100", 1, &rpm);
    ecu->CreateElement(ElementType::Constant, 1, 2, "MAP", 1, &map);
    ecu->CreateElement(ElementType::Table3D, 1, 3, "VE", 1, &table);
    ecu->LinkInput(table, 0, rpm, 0);
    ecu->LinkInput(table, 1, map, 0);
    const Tables::AxisLayout x{250, 4000, 250}, y{1000, 11500, 700};
    Tables::LayOut(*ecu, table, x, &y);
    diagnostics::LogFile log;
    std::string error;
    diagnostics::ReadLogFile(pcLogPath(), log, error);
    diagnostics::LogCells cells;
    for (auto _ : state) {
        diagnostics::BinCells(*ecu, log, table, 2, cells, error);
        benchmark::DoNotOptimize(cells.count.data());
    }
    state.counters["columns"] = cells.columns;
    state.counters["rows"] = cells.rows;
}
BENCHMARK(BM_BinOnto16x16)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

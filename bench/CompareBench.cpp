// Comparison of two full-size configurations and the listing of restore points.
#include "RawConfig.h"
#include "TempDir.h"
#include "files/Comparison.h"
#include "files/RestorePoints.h"
#include "files/SettingsFile.h"
#include "model/Tables.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <fstream>
#include <memory>

using namespace zolmar;

namespace {

// 3454 elements with their own names: 200 maps of 4 x 4, 300 curves of 8 points,
// 700 constants, 600 summers linked to them, and labels.
std::unique_ptr<tECU> fullTune(Messages& messages) {
    auto ecu = std::make_unique<tECU>(messages);
    test::RawConfig raw(*ecu);
    int constants = 0;
    for (int i = 0; i < Layout::kMaxElements; ++i) {
        const std::string name = "Element " + std::to_string(i);
        const int page = 1 + i % 100;
        if (i < 200) {
            raw.add(ElementType::Table3D, page, i % 200, 0, name, 4, 4);
        } else if (i < 500) {
            raw.add(ElementType::Table2D, page, i % 200, 10, name, 8);
        } else if (i < 1200) {
            raw.add(ElementType::Constant, page, i % 200, 20, name);
            ++constants;
        } else if (i < 1800) {
            const int e = raw.add(ElementType::Summer, page, i % 200, 30, name);
            raw.link(e, 0, 500 + (i * 7) % constants, 0);
            raw.link(e, 1, 500 + (i * 13) % constants, 0);
        } else {
            raw.add(ElementType::Label, page, i % 200, 40, name);
        }
    }
    raw.finish();
    return ecu;
}

std::unique_ptr<tECU> copyOf(const tECU& from, Messages& messages) {
    auto ecu = std::make_unique<tECU>(messages);
    SettingsFile::toImage(*ecu, SettingsFile::fromImage(from));
    ecu->RebuildIndex(true, true);
    return ecu;
}

void BM_Compare200ChangedTables(benchmark::State& state) {
    SilentMessages messages;
    auto a = fullTune(messages);
    auto b = copyOf(*a, messages);
    // Every map gets four changed cells.
    for (int e = 0; e < 200; ++e) {
        Tables::Shape shape;
        Tables::ShapeOf(*b, e, shape);
        for (int c = 0; c < 4; ++c)
            Tables::WriteCell(*b, shape, c, c, static_cast<uint16_t>(100 + 2 * e));
    }
    size_t differences = 0;
    for (auto _ : state) {
        Comparison::Report report = Comparison::Compare(*a, *b);
        differences = report.differences.size();
        benchmark::DoNotOptimize(report);
    }
    state.counters["elements"] = a->NumElements;
    state.counters["differences"] = static_cast<double>(differences);
}
BENCHMARK(BM_Compare200ChangedTables)->Unit(benchmark::kMillisecond);

void BM_ApplyAll200ChangedTables(benchmark::State& state) {
    SilentMessages messages;
    auto a = fullTune(messages);
    auto b = copyOf(*a, messages);
    for (int e = 0; e < 200; ++e) {
        Tables::Shape shape;
        Tables::ShapeOf(*b, e, shape);
        for (int c = 0; c < 4; ++c)
            Tables::WriteCell(*b, shape, c, c, static_cast<uint16_t>(100 + 2 * e));
    }
    for (auto _ : state) {
        state.PauseTiming();
        auto work = copyOf(*a, messages);
        state.ResumeTiming();
        std::vector<std::string> problems;
        std::string error;
        Comparison::ApplyDifferences(*work, *b, {}, problems, error);
    }
}
BENCHMARK(BM_ApplyAll200ChangedTables)->Unit(benchmark::kMillisecond);

// 1000 points of several owners. The bodies are sparse copies: listing reads only
// each point's header and size.
void BM_List1000RestorePoints(benchmark::State& state) {
    SilentMessages messages;
    auto ecu = fullTune(messages);
    test::TempDir dir;
    RestorePoints::Store store(dir.path("points"), 1ull << 40);
    std::string error, first;
    store.Add(*ecu, "ecu:1", RestorePoints::Reason::kSaved, 0, error, &first);
    const auto size = std::filesystem::file_size(first);
    std::ifstream in(first, std::ios::binary);
    std::string head(4096, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    const size_t body = head.find("\n\n") + 2;
    for (int k = 1; k < 1000; ++k) {
        const std::string path = dir.path("points/" + std::to_string(k) + "-0.zrp");
        {
            std::ofstream out(path, std::ios::binary);
            out << "ZOLMAR restore point 1\ntime: " << k << "\nreason: Saved\nowner: ecu:" << k % 5
                << "\n\n";
        }
        std::filesystem::resize_file(path, size - body + std::filesystem::file_size(path));
    }
    size_t listed = 0;
    for (auto _ : state) {
        auto points = store.List("ecu:1");
        listed = points.size();
        benchmark::DoNotOptimize(points);
    }
    state.counters["points"] = static_cast<double>(store.List().size());
    state.counters["listed"] = static_cast<double>(listed);
}
BENCHMARK(BM_List1000RestorePoints)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

// Any two settings files compared and merged: the matching, the link and table
// descriptions and every merge operation must stay inside both images whatever the
// records, sizes, links and names say.
#include "files/Comparison.h"
#include "files/SettingsFile.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

using namespace zolmar;

unsigned g_sink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    static SilentMessages messages;
    static auto a = std::make_unique<tECU>(messages);
    static auto b = std::make_unique<tECU>(messages);
    // The first half shapes A, the second B; short inputs repeat to fill whole files.
    const size_t half = size / 2;
    std::vector<uint8_t> fa(SettingsFile::kFileSize), fb(SettingsFile::kFileSize);
    for (size_t k = 0; k < fa.size(); ++k) {
        fa[k] = data[k % half];
        fb[k] = data[half + k % (size - half)];
    }
    SettingsFile::toImage(*a, fa);
    a->RebuildIndex(true, true);
    SettingsFile::toImage(*b, fb);
    b->RebuildIndex(true, true);
    const Comparison::Report report = Comparison::Compare(*a, *b);
    for (const std::string& line : Comparison::Lines(report))
        g_sink += static_cast<unsigned>(line.size());
    for (const Comparison::Difference& d : report.differences)
        if (d.kind == Comparison::Kind::Cells || d.kind == Comparison::Kind::Axes)
            g_sink += static_cast<unsigned>(Comparison::PairOfTables(*a, *b, d).cellsA.size());
    std::vector<std::string> problems;
    std::string error;
    Comparison::ApplyDifferences(*a, *b, {}, problems, error);
    g_sink += static_cast<unsigned>(Comparison::Compare(*a, *b).differences.size());
    return 0;
}

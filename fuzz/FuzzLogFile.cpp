// Reads any bytes as a log file of either kind, then runs what the viewer and the
// command-line tool do with one: statistics, decimation, following its end, binning
// onto a table of a configuration and a VE correction proposal.
#include "diagnostics/LogFile.h"
#include "files/NewConfiguration.h"
#include "model/ECU.h"
#include "model/Tables.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

using namespace zolmar;
using namespace zolmar::diagnostics;

namespace {

struct Configuration {
    SilentMessages quiet;
    std::unique_ptr<tECU> ecu = std::make_unique<tECU>(quiet);
    int table = -1;
    Configuration() {
        NewConfiguration::MakeBlank(*ecu);
        int a = -1, b = -1;
        ecu->CreateElement(ElementType::Constant, 1, 1, "A", 1, &a);
        ecu->CreateElement(ElementType::Constant, 1, 2, "B", 1, &b);
        ecu->CreateElement(ElementType::Table3D, 1, 3, "T3", 1, &table);
        ecu->LinkInput(table, 0, a, 0);
        ecu->LinkInput(table, 1, b, 0);
        Tables::AxisLayout h{0, 400, 50}, v{0, 300, 50};
        Tables::LayOut(*ecu, table, h, &v);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Configuration config;
    const char* text = reinterpret_cast<const char*>(data);
    LogFile log;
    std::string error;
    if (!ParseLog(text, size, log, error))
        return 0;
    for (size_t c = 0; c < log.channels.size(); ++c) {
        Statistics(log.channels[c], 0, log.lines());
        const double end = log.lines() ? log.seconds.back() + 1 : 1;
        Decimate(log, static_cast<int>(c), 0, end, 64);
    }
    // Following the end: the same text again, parsed in two pieces.
    LogFile live;
    const size_t header = std::string(text, size).find('\n');
    if (header != std::string::npos && ParseLog(text, header + 1, live, error)) {
        size_t consumed = 0;
        AppendLog(text, size / 2, consumed, live);
        AppendLog(text, size, consumed, live);
    }
    LogCells cells;
    BinCells(*config.ecu, log, config.table, 0, cells, error);
    if (log.channels.size() >= 2) {
        const auto proposal = ProposeVeCorrection(*config.ecu, log, config.table, 0, 1, 1, error);
        (void)proposal;
    }
    return 0;
}

#include "diagnostics/PcLog.h"

#include "gauges/GaugeList.h"
#include "link/SyncEngine.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace zolmar::diagnostics {

std::string DefaultLogFileName(const std::tm& local) {
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d_%02d%02d.csv", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min);
    return text;
}

std::string DefaultLogFileName() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return DefaultLogFileName(local);
}

std::string SecondsText(uint64_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%llu.%03u", static_cast<unsigned long long>(ms / 1000),
                  static_cast<unsigned>(ms % 1000));
    return text;
}

std::string PcLog::ValueText(int raw) {
    const int magnitude = raw < 0 ? -raw : raw;
    char text[24];
    std::snprintf(text, sizeof text, "%s%d.%02d", raw < 0 ? "-" : "", magnitude / 50,
                  2 * (magnitude % 50));
    return text;
}

PcLog::~PcLog() {
    if (file_)
        std::fclose(file_);
}

std::vector<int> PcLog::Columns(const tECU& ecu) {
    std::vector<int> columns;
    for (int i = 0; i < ecu.NumElements && static_cast<int>(columns.size()) < kMaxColumns; ++i)
        if (gauges::IsGaugePageGauge(ecu, i))
            columns.push_back(i);
    // Top to bottom as on the page; equal rows keep their logic order.
    std::stable_sort(columns.begin(), columns.end(),
                     [&ecu](int a, int b) { return ecu.RowOf(a) < ecu.RowOf(b); });
    return columns;
}

std::string PcLog::HeaderLine(const tECU& ecu, const std::vector<int>& columns) {
    std::string line = "\"Time (s)\",";
    for (int g : columns)
        line += "\"" + ecu.NameOf(g + 128) + "\",";
    return line + "\r\n";
}

std::string PcLog::DataLine(const tECU& ecu, const std::vector<int>& columns, uint32_t elapsedMs,
                            const ReadThisCycle& fresh) {
    std::string line = SecondsText(elapsedMs) + ",";
    const bool live = ecu.LinkState == Link::Online || ecu.Simulating;
    for (int g : columns) {
        // A logged gauge that was deleted keeps its column, empty, so the file stays
        // rectangular and no other element's value appears under its name.
        if (g < 0 || g >= ecu.NumElements) {
            line += ",";
            continue;
        }
        // The simulator computes every value each cycle; online a linked value counts
        // only when it was read in this cycle.
        const bool linked = (ecu.InputWord(g, 0) & 1) != 0;
        if (!live || (!ecu.Simulating && linked &&
                      !(fresh && fresh(ecu.ElementLiveOffset[static_cast<size_t>(g)])))) {
            line += "----,";
            continue;
        }
        const int v = gauges::GaugeInputValue(ecu, g);
        if (gauges::ReadGaugeSettings(ecu, g).boolean())
            line += v <= 0 ? "false," : "true,";
        else
            line += ValueText(v) + ",";
    }
    return line + "\r\n";
}

std::vector<int> PcLog::ColumnList(const tECU& ecu) const {
    std::vector<int> now;
    now.reserve(columns_.size());
    for (const ElementRef& r : columns_)
        now.push_back(r.index(ecu));
    return now;
}

bool PcLog::Start(tECU& ecu, const std::string& path, uint32_t nowMs, std::string& error) {
    Stop(ecu);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        error = "Cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    const std::vector<int> columns = Columns(ecu);
    columns_.clear();
    for (int g : columns)
        columns_.emplace_back(ecu, g);
    const std::string header = HeaderLine(ecu, columns);
    if (std::fwrite(header.data(), 1, header.size(), file) != header.size() ||
        std::fflush(file) != 0) {
        error = "Cannot write " + path + ": " + std::strerror(errno);
        std::fclose(file);
        return false;
    }
    file_ = file;
    startMs_ = nowMs;
    ecu.LoggingToPc = true;
    return true;
}

void PcLog::Stop(tECU& ecu) {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    ecu.LoggingToPc = false;
}

bool PcLog::WriteLine(tECU& ecu, uint32_t nowMs, const ReadThisCycle& fresh, std::string& error) {
    if (!file_)
        return true;
    const std::string line = DataLine(ecu, ColumnList(ecu), nowMs - startMs_, fresh);
    if (std::fwrite(line.data(), 1, line.size(), file_) != line.size() || std::fflush(file_) != 0) {
        error = std::string("Cannot write the datalog: ") + std::strerror(errno);
        Stop(ecu);
        return false;
    }
    return true;
}

} // namespace zolmar::diagnostics

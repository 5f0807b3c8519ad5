#pragma once

#include "model/ECU.h"

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace zolmar::diagnostics {

// The proposed name of a new log file: year-month-day, "_", 24-hour HHMM, ".csv".
std::string DefaultLogFileName(const std::tm& local);
std::string DefaultLogFileName(); // from the local time now

// Milliseconds as seconds with three decimals, as both logs write them ("65.736").
std::string SecondsText(uint64_t ms);

// Logging to the PC: one CSV line per poll cycle with the value of every Gauge on
// the gauge page. The file stays open from Start to Stop and each line is appended
// at once, so a crash loses at most the line being written.
class PcLog {
public:
    static constexpr int kMaxColumns = 201;

    PcLog() = default;
    PcLog(const PcLog&) = delete;
    PcLog& operator=(const PcLog&) = delete;
    ~PcLog();

    // Creates (or replaces) the file, writes the header and sets LoggingToPc. An
    // ongoing log is stopped first. False with the reason when the file cannot be made.
    bool Start(tECU& ecu, const std::string& path, uint32_t nowMs, std::string& error);
    void Stop(tECU& ecu);
    bool Active() const { return file_ != nullptr; }
    // Whether the live word at a byte offset of the live area was read from the ECU in
    // the cycle the line is written for.
    using ReadThisCycle = std::function<bool(long liveAddress)>;

    // Appends one line. A failed write stops the log (false with the reason), so a
    // full disk is reported once rather than every 50 ms.
    bool WriteLine(tECU& ecu, uint32_t nowMs, const ReadThisCycle& fresh, std::string& error);

    // The Gauge elements of the gauge page, top to bottom (equal rows in logic order);
    // the first 201 of them.
    static std::vector<int> Columns(const tECU& ecu);
    static std::string HeaderLine(const tECU& ecu, const std::vector<int>& columns);
    // A column of -1 (a gauge that has gone) is left empty. Online, a linked gauge whose
    // live word was not read in this cycle is written "----": the line's time stamp
    // never carries an older value (nor the 0 of a word never read since the start).
    static std::string DataLine(const tECU& ecu, const std::vector<int>& columns,
                                uint32_t elapsedMs, const ReadThisCycle& fresh);
    // A raw value in 1/50 units with two decimals ("1.02", "-1.50", "0.08").
    static std::string ValueText(int raw);

    // The logged gauges as they are numbered now; -1 for one that has gone.
    std::vector<int> ColumnList(const tECU& ecu) const;

private:
    std::FILE* file_ = nullptr;
    uint32_t startMs_ = 0;
    std::vector<ElementRef> columns_; // fixed at Start: the file's columns
};

} // namespace zolmar::diagnostics

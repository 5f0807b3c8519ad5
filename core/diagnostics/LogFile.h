#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zolmar {
class tECU;
}

namespace zolmar::diagnostics {

// A log read back from its CSV file: the PC log ("Time (s)" and one column per logged
// gauge) or the onboard log ("Time (sec)" and fifteen channels). Values are kept as
// floats; a value marked invalid ("*"), not read ("----") or empty has no value (NaN)
// and is counted per channel. Names stay as the file holds them (Windows-1252).
struct LogFile {
    enum class Format { PcLog, Onboard };
    struct Channel {
        std::string name;
        std::vector<float> values; // one per line; NaN where there is no value
        size_t invalid = 0;        // lines without a value
    };

    Format format = Format::PcLog;
    std::vector<double> seconds; // one per line, never decreasing
    std::vector<Channel> channels;

    size_t lines() const { return seconds.size(); }
    // The channel of that exact name, or -1.
    int find(const std::string& name) const;
    // The first line at or after the time (lines() when none).
    size_t lineAt(double t) const;
    // The first line after the time (lines() when none).
    size_t lineAfter(double t) const;
};

inline constexpr size_t kMaxLogBytes = size_t{1} << 30; // 1 GiB
inline constexpr size_t kMaxLogChannels = 1024;
inline constexpr size_t kMaxLogField = 256; // bytes of a header name

// Parses the whole text. Lines that end without CR LF, a last line without an end,
// fields beyond the header's and missing fields are all accepted; a line whose time is
// no number is skipped. False with the reason when the text is no log of either kind.
// A time that goes back is read as a wrap of the onboard log's 16-bit millisecond
// word (65.536 s on), so the time base keeps rising.
bool ParseLog(const char* data, size_t size, LogFile& log, std::string& error);
bool ReadLogFile(const std::string& path, LogFile& log, std::string& error);
// Parses lines appended since the last parse of a log that is being written (the PC
// log follows the end): consumed is how many bytes of the text are already in the log;
// only whole lines are taken. The header must already be in the log.
void AppendLog(const char* data, size_t size, size_t& consumed, LogFile& log);

// One field as the logs write it: a number, "*" then a number (marked invalid),
// "----", "true", "false". False when the field holds no valid value.
bool ParseLogValue(const char* begin, const char* end, float& value);

// Figures of a channel over lines [begin, end).
struct LogStats {
    size_t count = 0;   // lines with a value
    size_t invalid = 0; // lines without one
    double min = 0, max = 0, mean = 0;
};
LogStats Statistics(const LogFile::Channel& channel, size_t begin, size_t end);
// "NAME: count N invalid K min X max Y mean Z", two decimals (names as given).
std::string StatsLine(const std::string& name, const LogStats& stats);

// Minimum and maximum of a channel per pixel column: a column holds the lines whose
// time falls in its 1/columns share of [t0, t1] (the last column takes a line at t1).
// A column without a value is a gap.
struct LogColumn {
    float min = 0, max = 0;
    bool any = false;
};
std::vector<LogColumn> Decimate(const LogFile& log, int channel, double t0, double t1, int columns);

// The log binned onto the cells of a 2D or 3D table by the channels of the table's
// inputs: per cell the lines that fell there (nearest reference on each axis) and the
// mean of a chosen channel over those lines.
struct LogCells {
    int element = -1;
    int columns = 0, rows = 1;
    int xChannel = -1, yChannel = -1, valueChannel = -1;
    std::vector<double> xRefs, yRefs; // axis references as values
    std::vector<uint32_t> count;      // columns x rows, row-major (row * columns + column)
    std::vector<double> sum;
    std::vector<double> seconds; // time spent in each cell
    double mean(int column, int row) const;
    uint32_t at(int column, int row) const;
};
// The channel a table input is logged under: the name of the value linked to the
// input, matched exactly, then ignoring letter case; -1 when the log has none.
int ChannelOfTableInput(const tECU& ecu, const LogFile& log, int element, int input);
// False with the reason when the element is no table or an axis channel is missing.
// xChannel / yChannel of -1 take the channels of the table's inputs.
bool BinCells(const tECU& ecu, const LogFile& log, int element, int valueChannel, LogCells& cells,
              std::string& error, int xChannel = -1, int yChannel = -1);

// A VE correction: each cell with at least minSamples lines gets its value times the
// mean of measured / target lambda over its lines. Returns the number of cells written;
// the table is written through the model (so the writes go to the ECU and are one
// edit), nothing when no cell qualifies. Lines where either lambda has no value or the
// target is not positive are left out.
struct VeCorrection {
    int cell = 0; // row * columns + column
    uint16_t before = 0, after = 0;
    uint32_t samples = 0;
    double factor = 1;
};
std::vector<VeCorrection> ProposeVeCorrection(const tECU& ecu, const LogFile& log, int element,
                                              int measuredChannel, int targetChannel,
                                              uint32_t minSamples, std::string& error);
int ApplyVeCorrection(tECU& ecu, int element, const std::vector<VeCorrection>& corrections);

} // namespace zolmar::diagnostics

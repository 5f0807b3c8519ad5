#include "diagnostics/LogFile.h"

#include "model/ECU.h"
#include "model/Tables.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>

namespace zolmar::diagnostics {

namespace {

constexpr float kNoValue = std::numeric_limits<float>::quiet_NaN();
constexpr double kWrapSeconds = 65.536; // the onboard log's 16-bit millisecond word

struct Field {
    const char* begin;
    const char* end;
};

// Splits one line (without its end) at commas; quotes around a field are dropped.
void splitLine(const char* begin, const char* end, std::vector<Field>& fields) {
    fields.clear();
    const char* p = begin;
    while (true) {
        const char* comma = static_cast<const char*>(std::memchr(p, ',', end - p));
        const char* stop = comma ? comma : end;
        const char* b = p;
        const char* e = stop;
        while (b < e && (*b == ' ' || *b == '\t'))
            ++b;
        while (e > b && (e[-1] == ' ' || e[-1] == '\t'))
            --e;
        if (e - b >= 2 && *b == '"' && e[-1] == '"') {
            ++b;
            --e;
        }
        fields.push_back({b, e});
        if (!comma)
            break;
        p = comma + 1;
    }
}

bool parseSeconds(const Field& f, double& seconds) {
    if (f.begin == f.end)
        return false;
    auto [end, ec] = std::from_chars(f.begin, f.end, seconds);
    return ec == std::errc() && end == f.end && std::isfinite(seconds) && seconds >= 0;
}

// The next line of the text from p: its content (without CR LF) and where the one after
// it starts. False at the end; withEnd tells whether the line was ended by LF.
bool nextLine(const char*& p, const char* end, const char*& lineBegin, const char*& lineEnd,
              bool& withEnd) {
    if (p >= end)
        return false;
    lineBegin = p;
    const char* lf = static_cast<const char*>(std::memchr(p, '\n', end - p));
    withEnd = lf != nullptr;
    lineEnd = lf ? lf : end;
    p = lf ? lf + 1 : end;
    if (lineEnd > lineBegin && lineEnd[-1] == '\r')
        --lineEnd;
    return true;
}

// One data line into the log; false when its time is no number (the line is skipped).
bool addLine(LogFile& log, const char* begin, const char* end, std::vector<Field>& fields) {
    splitLine(begin, end, fields);
    double t = 0;
    if (!parseSeconds(fields[0], t))
        return false;
    if (!log.seconds.empty()) {
        const double last = log.seconds.back();
        // Times written from the raw 16-bit word without its wrap count: carry it on.
        if (log.format == LogFile::Format::Onboard && t < last)
            t += std::ceil((last - t) / kWrapSeconds) * kWrapSeconds;
        t = std::max(t, last); // the time base never goes back
    }
    log.seconds.push_back(t);
    for (size_t c = 0; c < log.channels.size(); ++c) {
        LogFile::Channel& channel = log.channels[c];
        float v = kNoValue;
        if (c + 1 >= fields.size() || !ParseLogValue(fields[c + 1].begin, fields[c + 1].end, v)) {
            v = kNoValue;
            ++channel.invalid;
        }
        channel.values.push_back(v);
    }
    return true;
}

bool ieq(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

// The index of the reference nearest to v (references as values).
int nearest(const std::vector<double>& refs, double v) {
    int best = 0;
    double distance = std::numeric_limits<double>::infinity();
    const bool ascending = std::is_sorted(refs.begin(), refs.end());
    if (ascending) {
        const auto it = std::lower_bound(refs.begin(), refs.end(), v);
        const int k = static_cast<int>(it - refs.begin());
        if (k <= 0)
            return 0;
        if (k >= static_cast<int>(refs.size()))
            return static_cast<int>(refs.size()) - 1;
        return (v - refs[static_cast<size_t>(k - 1)] <= refs[static_cast<size_t>(k)] - v) ? k - 1
                                                                                          : k;
    }
    for (size_t k = 0; k < refs.size(); ++k) {
        const double d = std::fabs(refs[k] - v);
        if (d < distance) {
            distance = d;
            best = static_cast<int>(k);
        }
    }
    return best;
}

} // namespace

int LogFile::find(const std::string& name) const {
    for (size_t c = 0; c < channels.size(); ++c)
        if (channels[c].name == name)
            return static_cast<int>(c);
    return -1;
}

size_t LogFile::lineAt(double t) const {
    return static_cast<size_t>(std::lower_bound(seconds.begin(), seconds.end(), t) -
                               seconds.begin());
}

size_t LogFile::lineAfter(double t) const {
    return static_cast<size_t>(std::upper_bound(seconds.begin(), seconds.end(), t) -
                               seconds.begin());
}

bool ParseLogValue(const char* begin, const char* end, float& value) {
    const size_t n = static_cast<size_t>(end - begin);
    if (n == 0 || *begin == '*')
        return false; // empty, or marked invalid by the ECU
    if (n == 4 && std::memcmp(begin, "true", 4) == 0) {
        value = 1;
        return true;
    }
    if (n == 5 && std::memcmp(begin, "false", 5) == 0) {
        value = 0;
        return true;
    }
    auto [stop, ec] = std::from_chars(begin, end, value);
    return ec == std::errc() && stop == end && std::isfinite(value);
}

bool ParseLog(const char* data, size_t size, LogFile& log, std::string& error) {
    log = LogFile{};
    if (size > kMaxLogBytes) {
        error = "The log is larger than 1 GiB";
        return false;
    }
    const char* p = data;
    const char* end = data + size;
    const char* lineBegin = nullptr;
    const char* lineEnd = nullptr;
    bool withEnd = false;
    if (!nextLine(p, end, lineBegin, lineEnd, withEnd)) {
        error = "The file is empty";
        return false;
    }
    std::vector<Field> fields;
    splitLine(lineBegin, lineEnd, fields);
    const std::string first(fields[0].begin, fields[0].end);
    if (first == "Time (s)")
        log.format = LogFile::Format::PcLog;
    else if (first == "Time (sec)")
        log.format = LogFile::Format::Onboard;
    else {
        error = "This is no log file: its first column is not \"Time (s)\" or \"Time (sec)\"";
        return false;
    }
    // The PC log ends every field, the last included, with a comma.
    if (fields.size() > 1 && fields.back().begin == fields.back().end)
        fields.pop_back();
    if (fields.size() - 1 > kMaxLogChannels) {
        error = "The log has more than 1024 columns";
        return false;
    }
    for (size_t k = 1; k < fields.size(); ++k) {
        LogFile::Channel channel;
        channel.name.assign(fields[k].begin,
                            std::min<size_t>(kMaxLogField, fields[k].end - fields[k].begin));
        log.channels.push_back(std::move(channel));
    }
    // One pass to size the columns, so a long log is not copied while it grows.
    size_t lines = 0;
    for (const char* q = p; (q = static_cast<const char*>(std::memchr(q, '\n', end - q))); ++q)
        ++lines;
    log.seconds.reserve(lines + 1);
    for (auto& channel : log.channels)
        channel.values.reserve(lines + 1);
    while (nextLine(p, end, lineBegin, lineEnd, withEnd))
        if (lineEnd > lineBegin)
            addLine(log, lineBegin, lineEnd, fields);
    return true;
}

bool ReadLogFile(const std::string& path, LogFile& log, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "Cannot open " + path;
        return false;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff length = in.tellg();
    if (length < 0 || static_cast<unsigned long long>(length) > kMaxLogBytes) {
        error = "The log is larger than 1 GiB";
        return false;
    }
    in.seekg(0);
    std::string text(static_cast<size_t>(length), '\0');
    if (!in.read(text.data(), length)) {
        error = "Cannot read " + path;
        return false;
    }
    return ParseLog(text.data(), text.size(), log, error);
}

void AppendLog(const char* data, size_t size, size_t& consumed, LogFile& log) {
    if (consumed >= size)
        return;
    const char* p = data + consumed;
    const char* end = data + size;
    if (consumed == 0) {
        // The header is in the log already: skip it.
        const char* lf = static_cast<const char*>(std::memchr(p, '\n', end - p));
        if (!lf)
            return;
        p = lf + 1;
    }
    std::vector<Field> fields;
    const char* lineBegin = nullptr;
    const char* lineEnd = nullptr;
    bool withEnd = false;
    const char* from = p;
    while (nextLine(p, end, lineBegin, lineEnd, withEnd)) {
        if (!withEnd)
            break; // a line still being written waits for its end
        if (lineEnd > lineBegin)
            addLine(log, lineBegin, lineEnd, fields);
        from = p;
    }
    consumed = static_cast<size_t>(from - data);
}

LogStats Statistics(const LogFile::Channel& channel, size_t begin, size_t end) {
    LogStats s;
    end = std::min(end, channel.values.size());
    double sum = 0;
    for (size_t i = begin; i < end; ++i) {
        const float v = channel.values[i];
        if (std::isnan(v)) {
            ++s.invalid;
            continue;
        }
        if (s.count == 0 || v < s.min)
            s.min = v;
        if (s.count == 0 || v > s.max)
            s.max = v;
        sum += v;
        ++s.count;
    }
    s.mean = s.count ? sum / static_cast<double>(s.count) : 0;
    return s;
}

std::string StatsLine(const std::string& name, const LogStats& s) {
    char text[160];
    std::snprintf(text, sizeof text, ": count %zu invalid %zu min %.2f max %.2f mean %.2f", s.count,
                  s.invalid, s.min, s.max, s.mean);
    return name + text;
}

std::vector<LogColumn> Decimate(const LogFile& log, int channel, double t0, double t1,
                                int columns) {
    std::vector<LogColumn> out(static_cast<size_t>(std::max(columns, 0)));
    if (columns <= 0 || channel < 0 || channel >= static_cast<int>(log.channels.size()) ||
        !(t1 > t0))
        return out;
    const std::vector<float>& values = log.channels[static_cast<size_t>(channel)].values;
    const double perColumn = columns / (t1 - t0);
    for (size_t i = log.lineAt(t0); i < log.lines() && log.seconds[i] <= t1; ++i) {
        const float v = values[i];
        if (std::isnan(v))
            continue;
        const int k = std::min(columns - 1, static_cast<int>((log.seconds[i] - t0) * perColumn));
        LogColumn& c = out[static_cast<size_t>(k)];
        if (!c.any) {
            c.min = c.max = v;
            c.any = true;
        } else {
            c.min = std::min(c.min, v);
            c.max = std::max(c.max, v);
        }
    }
    return out;
}

double LogCells::mean(int column, int row) const {
    const size_t k =
        static_cast<size_t>(row) * static_cast<size_t>(columns) + static_cast<size_t>(column);
    return k < count.size() && count[k] ? sum[k] / count[k] : 0;
}

uint32_t LogCells::at(int column, int row) const {
    const size_t k =
        static_cast<size_t>(row) * static_cast<size_t>(columns) + static_cast<size_t>(column);
    return k < count.size() ? count[k] : 0;
}

int ChannelOfTableInput(const tECU& ecu, const LogFile& log, int element, int input) {
    if (element < 0 || element >= ecu.NumElements)
        return -1;
    uint16_t word = ecu.InputWord(element, input);
    std::vector<std::string> names;
    // Follow the value back through the elements it passes (a clipper, a pointer from
    // another page): the log may hold it under any of their names. Logged gauges of
    // the same value first, as the PC log names its columns after them.
    for (int hop = 0; hop < 8 && (word & 1) != 0; ++hop) {
        const int address = word & 0xFFFE;
        for (int g = 0; g < ecu.NumElements; ++g)
            if (ecu.TypeOf(g) == ElementType::Gauge && ecu.InputWord(g, 0) == word)
                names.push_back(ecu.NameOf(Layout::kNumPages + g));
        int source = -1;
        for (int i = 0; i < ecu.NumElements && source < 0; ++i) {
            const int outputs = ecu.OutputCount(ecu.TypeOf(i));
            for (int k = 0; k < outputs; ++k)
                if (ecu.ElementLiveOffset[i] + 2 * k == address) {
                    names.push_back(ecu.OutputName(i, k, false));
                    names.push_back(ecu.NameOf(Layout::kNumPages + i));
                    source = i;
                }
        }
        if (source < 0 || tECU::InputCount(ecu.TypeOf(source)) == 0)
            break;
        word = ecu.InputWord(source, 0);
    }
    for (const std::string& name : names)
        if (int c = log.find(name); c >= 0)
            return c;
    for (const std::string& name : names)
        for (size_t c = 0; c < log.channels.size(); ++c)
            if (ieq(log.channels[c].name, name))
                return static_cast<int>(c);
    return -1;
}

bool BinCells(const tECU& ecu, const LogFile& log, int element, int valueChannel, LogCells& cells,
              std::string& error, int xChannel, int yChannel) {
    Tables::Shape shape;
    if (element < 0 || element >= ecu.NumElements || !Tables::ShapeOf(ecu, element, shape) ||
        shape.columns <= 0 || shape.rows <= 0) {
        error = "No 2D or 3D table";
        return false;
    }
    const int n = static_cast<int>(log.channels.size());
    if (xChannel < 0)
        xChannel = ChannelOfTableInput(ecu, log, element, 0);
    if (shape.is3D() && yChannel < 0)
        yChannel = ChannelOfTableInput(ecu, log, element, 1);
    if (xChannel < 0 || xChannel >= n) {
        error = "The log has no channel for the table's " +
                std::string(shape.is3D() ? "first input" : "input");
        return false;
    }
    if (shape.is3D() && (yChannel < 0 || yChannel >= n)) {
        error = "The log has no channel for the table's second input";
        return false;
    }
    if (valueChannel >= n)
        valueChannel = -1;
    cells = LogCells{};
    cells.element = element;
    cells.columns = shape.columns;
    cells.rows = shape.is3D() ? shape.rows : 1;
    cells.xChannel = xChannel;
    cells.yChannel = shape.is3D() ? yChannel : -1;
    cells.valueChannel = valueChannel;
    for (int k = 0; k < cells.columns; ++k)
        cells.xRefs.push_back(Tables::Reference(ecu, shape, Tables::Axis::Horizontal, k) / 50.0);
    for (int k = 0; shape.is3D() && k < cells.rows; ++k)
        cells.yRefs.push_back(Tables::Reference(ecu, shape, Tables::Axis::Vertical, k) / 50.0);
    const size_t size = static_cast<size_t>(cells.columns) * static_cast<size_t>(cells.rows);
    cells.count.assign(size, 0);
    cells.sum.assign(size, 0);
    cells.seconds.assign(size, 0);
    const auto& xs = log.channels[static_cast<size_t>(xChannel)].values;
    const std::vector<float>* ys =
        shape.is3D() ? &log.channels[static_cast<size_t>(yChannel)].values : nullptr;
    const std::vector<float>* vs =
        valueChannel >= 0 ? &log.channels[static_cast<size_t>(valueChannel)].values : nullptr;
    for (size_t i = 0; i < log.lines(); ++i) {
        const float x = xs[i];
        const float y = ys ? (*ys)[i] : 0.0f;
        if (std::isnan(x) || std::isnan(y))
            continue;
        const int column = nearest(cells.xRefs, x);
        const int row = ys ? nearest(cells.yRefs, y) : 0;
        const size_t k = static_cast<size_t>(row) * static_cast<size_t>(cells.columns) +
                         static_cast<size_t>(column);
        if (i + 1 < log.lines())
            cells.seconds[k] += log.seconds[i + 1] - log.seconds[i];
        if (vs) {
            const float v = (*vs)[i];
            if (std::isnan(v))
                continue; // the line counts for the time, not for the mean
            cells.sum[k] += v;
        }
        ++cells.count[k];
    }
    return true;
}

std::vector<VeCorrection> ProposeVeCorrection(const tECU& ecu, const LogFile& log, int element,
                                              int measuredChannel, int targetChannel,
                                              uint32_t minSamples, std::string& error) {
    std::vector<VeCorrection> out;
    const int n = static_cast<int>(log.channels.size());
    if (measuredChannel < 0 || measuredChannel >= n || targetChannel < 0 || targetChannel >= n) {
        error = "The log has no channel of measured or target lambda";
        return out;
    }
    const int xChannel = ChannelOfTableInput(ecu, log, element, 0);
    const int yChannel = ChannelOfTableInput(ecu, log, element, 1);
    // The mean of measured / target per cell: bin a ratio channel beside the axes.
    LogFile ratio;
    ratio.format = log.format;
    ratio.seconds = log.seconds;
    for (int c : {xChannel, yChannel}) {
        if (c >= 0)
            ratio.channels.push_back(log.channels[static_cast<size_t>(c)]);
        else
            ratio.channels.push_back({});
    }
    if (xChannel < 0) {
        error = "The log has no channel for the table's input";
        return out;
    }
    if (yChannel < 0)
        ratio.channels[1] = ratio.channels[0]; // a 2D table does not use it
    LogFile::Channel r;
    r.name = "ratio";
    r.values.resize(log.lines());
    const auto& measured = log.channels[static_cast<size_t>(measuredChannel)].values;
    const auto& target = log.channels[static_cast<size_t>(targetChannel)].values;
    for (size_t i = 0; i < log.lines(); ++i) {
        const float m = measured[i];
        const float t = target[i];
        r.values[i] = (std::isnan(m) || std::isnan(t) || !(t > 0) || !(m > 0))
                          ? std::numeric_limits<float>::quiet_NaN()
                          : m / t;
    }
    ratio.channels.push_back(std::move(r));
    LogCells cells;
    if (!BinCells(ecu, ratio, element, 2, cells, error, 0, yChannel < 0 ? -1 : 1))
        return out;
    Tables::Shape shape;
    Tables::ShapeOf(ecu, element, shape);
    for (int row = 0; row < cells.rows; ++row)
        for (int column = 0; column < cells.columns; ++column) {
            const uint32_t samples = cells.at(column, row);
            if (samples == 0 || samples < minSamples)
                continue;
            VeCorrection c;
            c.cell = row * cells.columns + column;
            c.samples = samples;
            c.factor = cells.mean(column, row);
            c.before = Tables::Cell(ecu, shape, column, row);
            const double value = static_cast<int16_t>(c.before & 0xFFFE) * c.factor;
            const long raw = std::lround(std::clamp(value, -32768.0, 32766.0));
            // The tuned flag (bit 0) stays as it was.
            c.after = static_cast<uint16_t>((static_cast<uint16_t>(raw) & 0xFFFE) | (c.before & 1));
            if (c.after != c.before)
                out.push_back(c);
        }
    return out;
}

int ApplyVeCorrection(tECU& ecu, int element, const std::vector<VeCorrection>& corrections) {
    Tables::Shape shape;
    if (!Tables::ShapeOf(ecu, element, shape) || shape.columns <= 0)
        return 0;
    int written = 0;
    for (const VeCorrection& c : corrections) {
        const int column = c.cell % shape.columns;
        const int row = c.cell / shape.columns;
        if (row >= shape.rows)
            continue;
        written += Tables::WriteCell(ecu, shape, column, row, c.after) ? 1 : 0;
    }
    return written;
}

} // namespace zolmar::diagnostics

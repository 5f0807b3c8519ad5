// zolmar-cli commands that read a log file back: figures per channel and the cells of
// a table the log passed through.
#include "Cli.h"
#include "CliSupport.h"

#include "diagnostics/LogFile.h"
#include "model/Cp1252.h"
#include "model/Tables.h"

#include <cstdio>
#include <memory>
#include <ostream>

namespace zolmar::cli {

namespace {

using diagnostics::LogFile;

bool readLog(const std::string& path, LogFile& log, std::ostream& err) {
    std::string error;
    if (diagnostics::ReadLogFile(path, log, error))
        return true;
    err << "zolmar-cli: " << error << "\n";
    return false;
}

// The channel the user named (typed in UTF-8), or -1 with the reason printed.
int channelNamed(const LogFile& log, const std::string& name, std::ostream& err) {
    const int c = log.find(utf8ToCp1252(name));
    if (c < 0)
        err << "zolmar-cli: the log has no channel \"" << name << "\"\n";
    return c;
}

int logStats(const ParsedCommandLine& args, std::ostream& out, std::ostream& err) {
    LogFile log;
    if (!readLog(args.operand(0), log, err))
        return 1;
    std::vector<int> channels;
    for (const std::string& name : args.texts("--channel")) {
        const int c = channelNamed(log, name, err);
        if (c < 0)
            return 1;
        channels.push_back(c);
    }
    if (channels.empty())
        for (size_t c = 0; c < log.channels.size(); ++c)
            channels.push_back(static_cast<int>(c));
    for (int c : channels) {
        const auto& channel = log.channels[static_cast<size_t>(c)];
        out << diagnostics::StatsLine(cp1252ToUtf8(channel.name),
                                      diagnostics::Statistics(channel, 0, log.lines()))
            << "\n";
    }
    return 0;
}

int logCells(const ParsedCommandLine& args, std::ostream& out, std::ostream& err) {
    LogFile log;
    if (!readLog(args.operand(0), log, err))
        return 1;
    SilentMessages messages;
    auto ecu = loadOrReport(args.operand(1), messages, err);
    if (!ecu)
        return 1;
    const std::string which = args.operand(2);
    int element = -1;
    if (!which.empty() && which.find_first_not_of("0123456789") == std::string::npos &&
        which.size() < 6)
        element = std::stoi(which);
    else
        element = ecu->FindElementByName(utf8ToCp1252(which), false);
    if (element < 0 || element >= ecu->NumElements || !Tables::IsTable(ecu->TypeOf(element))) {
        err << "zolmar-cli: no 2D or 3D table \"" << which << "\"\n";
        return 1;
    }
    if (!args.has("--channel")) {
        err << "zolmar-cli: log-cells needs --channel NAME\n";
        return 1;
    }
    const int value = channelNamed(log, args.text("--channel"), err);
    if (value < 0)
        return 1;
    int x = -1, y = -1;
    if (args.has("--x") && (x = channelNamed(log, args.text("--x"), err)) < 0)
        return 1;
    if (args.has("--y") && (y = channelNamed(log, args.text("--y"), err)) < 0)
        return 1;
    diagnostics::LogCells cells;
    std::string error;
    if (!diagnostics::BinCells(*ecu, log, element, value, cells, error, x, y)) {
        err << "zolmar-cli: " << error << "\n";
        return 1;
    }
    const auto name = [&log](int c) {
        return c < 0 ? std::string("-") : cp1252ToUtf8(log.channels[static_cast<size_t>(c)].name);
    };
    out << "element: " << element << "\n"
        << "columns: " << cells.columns << "\n"
        << "rows: " << cells.rows << "\n"
        << "x_channel: " << name(cells.xChannel) << "\n"
        << "y_channel: " << name(cells.yChannel) << "\n"
        << "channel: " << name(cells.valueChannel) << "\n";
    for (int row = 0; row < cells.rows; ++row)
        for (int column = 0; column < cells.columns; ++column) {
            const size_t k = static_cast<size_t>(row * cells.columns + column);
            char text[200];
            const double yRef = cells.yRefs.empty() ? 0 : cells.yRefs[static_cast<size_t>(row)];
            std::snprintf(text, sizeof text, "cell %d %d: x %.2f y %.2f count %u seconds %.2f",
                          column, row, cells.xRefs[static_cast<size_t>(column)], yRef,
                          cells.count[k], cells.seconds[k]);
            out << text;
            if (cells.count[k] == 0) {
                out << " mean ----\n";
            } else {
                std::snprintf(text, sizeof text, " mean %.2f\n", cells.mean(column, row));
                out << text;
            }
        }
    return 0;
}

} // namespace

std::vector<Command> logViewCommands() {
    return {
        parsedCommand(
            "log-stats",
            "Prints one line per channel of a PC log or onboard log CSV file:\n"
            "'NAME: count N invalid K min X max Y mean Z' (two decimals). Values marked\n"
            "invalid ('*'), not read ('----') or empty are counted in K and left out of the\n"
            "figures. Every channel, or those named with --channel (repeatable).",
            CommandLine("log-stats LOG.csv [--channel NAME ...]")
                .texts("--channel", "NAME", "a channel to report (default: all)")
                .operand("LOG.csv"),
            logStats),
        parsedCommand(
            "log-cells",
            "Bins a log onto the cells of a 2D or 3D table of a settings file by the table's\n"
            "input channels (the nearest reference on each axis) and prints per cell the\n"
            "number of lines, the time spent there and the mean of --channel:\n"
            "'cell COLUMN ROW: x X y Y count N seconds S mean M' ('mean ----' for an empty\n"
            "cell), after 'element:', 'columns:', 'rows:', 'x_channel:', 'y_channel:' and\n"
            "'channel:'. An input's channel is the log column named like the gauge or the\n"
            "value linked to it; --x and --y name them instead. TABLE is the element's\n"
            "index or its exact name.",
            CommandLine("log-cells LOG.csv FILE.ecu TABLE --channel NAME [--x NAME] [--y NAME]")
                .text("--channel", "NAME", "the channel whose mean each cell shows")
                .text("--x", "NAME", "the channel of the table's (first) input")
                .text("--y", "NAME", "the channel of a 3D table's second input")
                .operand("LOG.csv")
                .operand("FILE.ecu")
                .operand("TABLE"),
            logCells),
    };
}

} // namespace zolmar::cli

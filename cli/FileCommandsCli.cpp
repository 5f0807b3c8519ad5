// zolmar-cli commands that inspect, check and copy settings files.
#include "Cli.h"
#include "CliSupport.h"

#include "files/ConfigurationReport.h"
#include "files/SettingsFile.h"
#include "model/Cp1252.h"
#include "model/ECU.h"

#include <cstdio>
#include <memory>
#include <ostream>

namespace zolmar::cli {

namespace {

std::string hex4(unsigned value) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "0x%04X", value & 0xFFFF);
    return buffer;
}

int info(const ParsedCommandLine& args, std::ostream& out, std::ostream& err) {
    RecordingMessages messages;
    auto ecu = loadOrReport(args.operand(0), messages, err);
    if (!ecu)
        return 1;
    out << "NumElements: " << ecu->NumElements << "\n";
    out << "ConstUsage: " << ecu->ConstEnd() << "\n";
    out << "LogicUsage: " << ecu->LogicEnd() << "\n";
    out << "LiveUsage: " << ecu->LiveEnd() << "\n";
    out << "ConstMemUsageWord: " << hex4(ecu->ImageWord(0)) << "\n";
    out << "ConfigMemUsageWord: " << hex4(ecu->ImageWord(2)) << "\n";
    for (int i = 0; i < ecu->NumElements; ++i) {
        out << "element: " << i << " " << ecu->TypeOf(i) << " " << ecu->PageOf(i) + 1 << " "
            << ecu->ColumnOf(i) << " " << ecu->RowOf(i) << " \""
            << cp1252ToUtf8(ecu->NameOf(Layout::kNumPages + i)) << "\"\n";
    }
    // The "Num Elements" message, one line per line of the message.
    std::string report = ConfigurationReport::NumElementsText(*ecu);
    for (size_t start = 0; start < report.size();) {
        size_t end = report.find("\n\r", start);
        if (end == std::string::npos)
            end = report.size();
        out << report.substr(start, end - start) << "\n";
        start = end + 2;
    }
    return 0;
}

int check(const ParsedCommandLine& args, std::ostream& out, std::ostream& err) {
    RecordingMessages messages;
    auto ecu = loadOrReport(args.operand(0), messages, err);
    if (!ecu)
        return 1;
    ecu->CheckUsageWords();
    for (const auto& text : messages.texts())
        out << cp1252ToUtf8(text) << "\n";
    return messages.shown.empty() ? 0 : 1;
}

int copy(const ParsedCommandLine& args, std::ostream&, std::ostream& err) {
    RecordingMessages messages;
    auto ecu = loadOrReport(args.operand(0), messages, err);
    if (!ecu)
        return 1;
    return saveOrReport(*ecu, args.operand(1), err);
}

} // namespace

std::vector<Command> fileCommands() {
    return {
        parsedCommand(
            "info",
            "Prints the usage figures of the configuration and one line per element:\n"
            "NumElements, ConstUsage, LogicUsage, LiveUsage, ConstMemUsageWord, "
            "ConfigMemUsageWord,\n"
            "then 'element: INDEX TYPE PAGE COLUMN ROW \"NAME\"' (type code decimal, page "
            "1-based),\n"
            "then the lines of the \"Num Elements\" message: the count of each element type.",
            CommandLine("info FILE.ecu").operand("FILE.ecu"), info),
        parsedCommand("check",
                      "Checks the usage words against the diagram. Prints every problem found and\n"
                      "exits 1 when there is any, 0 when the file is consistent.",
                      CommandLine("check FILE.ecu").operand("FILE.ecu"), check),
        parsedCommand(
            "copy",
            "Loads a settings file and saves it again (byte-identical for a complete file).",
            CommandLine("copy IN.ecu OUT.ecu").operand("IN.ecu").operand("OUT.ecu"), copy),
    };
}

} // namespace zolmar::cli

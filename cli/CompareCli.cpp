// zolmar-cli commands that compare two settings files and take differences of one onto the other.
#include "Cli.h"
#include "CliSupport.h"

#include "files/Comparison.h"
#include "model/Cp1252.h"

#include <ostream>

namespace zolmar::cli {

namespace {

int diff(const ParsedCommandLine& args, std::ostream& out, std::ostream& err) {
    RecordingMessages messages;
    auto a = loadOrReport(args.operand(0), messages, err);
    if (!a)
        return 2;
    auto b = loadOrReport(args.operand(1), messages, err);
    if (!b)
        return 2;
    Comparison::Group group = Comparison::Group::All;
    if (args.has("--only"))
        Comparison::ParseGroup(args.text("--only"), group);
    const Comparison::Report report = Comparison::Filtered(Comparison::Compare(*a, *b), group);
    for (const std::string& line : Comparison::Lines(report))
        out << cp1252ToUtf8(line) << "\n";
    out << "differences: " << report.differences.size() << "\n";
    return report.equal() ? 0 : 1;
}

int applyDiff(const ParsedCommandLine& args, std::ostream& out, std::ostream& err) {
    RecordingMessages messages;
    auto a = loadOrReport(args.operand(0), messages, err);
    if (!a)
        return 1;
    auto b = loadOrReport(args.operand(1), messages, err);
    if (!b)
        return 1;
    // Keys are ASCII; a name typed in UTF-8 matches its escaped form only.
    const std::vector<std::string> keys = Comparison::ParseSelection(args.operand(2));
    std::vector<std::string> problems;
    std::string error;
    if (!Comparison::ApplyDifferences(*a, *b, keys, problems, error)) {
        err << "zolmar-cli: " << error << "\n";
        return 1;
    }
    for (const std::string& problem : problems)
        out << "not applied: " << cp1252ToUtf8(problem) << "\n";
    for (const std::string& text : messages.texts())
        out << "message: " << cp1252ToUtf8(text) << "\n";
    if (int code = saveOrReport(*a, args.operand(3), err))
        return code;
    const auto left = Comparison::Compare(*a, *b);
    out << "applied: " << (keys.empty() ? "all" : std::to_string(keys.size())) << "\n";
    out << "differences left: " << left.differences.size() << "\n";
    return problems.empty() ? 0 : 1;
}

} // namespace

std::vector<Command> compareCommands() {
    return {
        parsedCommand(
            "diff",
            "Compares two settings files by element name and type (pages by number), so\n"
            "that renumbered elements compare equal. Prints one 'KEY: VALUE' line per\n"
            "difference, then 'KEY/cCOLUMNrROW: ...' per changed table cell, 'ambiguous: ...'\n"
            "for names that are not unique (matched by order, KEY ends in #N), and\n"
            "'differences: N'. Keys start with only-in-a, only-in-b, moved, record, input,\n"
            "constant, axes, cells, setting, page, pin or property; names in them have %,\n"
            "/, ',', ':', '#' and bytes outside printable ASCII as %XX. --only keeps one\n"
            "group: tables (axes, cells), constants, diagram (elements, positions, links,\n"
            "records, page names) or settings (dedicated elements, wiring, properties).\n"
            "Exits 0 when equal, 1 when they differ, 2 when a file cannot be read.",
            CommandLine("diff A.ecu B.ecu [--only tables|constants|diagram|settings]")
                .choice("--only", "GROUP", {"tables", "constants", "diagram", "settings"},
                        "report only this group")
                .operand("A.ecu")
                .operand("B.ecu"),
            diff),
        parsedCommand(
            "apply-diff",
            "Takes differences of B onto A and saves the result as OUT.ecu (A is not\n"
            "changed). SELECTION is 'all' or a comma-separated list of the keys diff prints\n"
            "for its records (not the cell lines). Each is applied with the checks of the\n"
            "edit it stands for; one that cannot be (memory, a link to an element A lacks)\n"
            "prints 'not applied: KEY: REASON'. Then 'applied: N' and 'differences left: N'.\n"
            "Exits 0 when everything was applied, 1 otherwise (an unknown key saves nothing).",
            CommandLine("apply-diff A.ecu B.ecu SELECTION OUT.ecu")
                .operand("A.ecu")
                .operand("B.ecu")
                .operand("SELECTION")
                .operand("OUT.ecu"),
            applyDiff),
    };
}

} // namespace zolmar::cli

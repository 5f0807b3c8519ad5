// zolmar-cli commands that exchange a table with a CSV file.
#include "Cli.h"
#include "CliSupport.h"

#include "model/Cp1252.h"
#include "model/Tables.h"
#include "tables/TableCsv.h"

#include <memory>
#include <ostream>

namespace zolmar::cli {

namespace {

// The table named by its element index or its exact name; -1 (with the reason
// printed) when there is no such table.
int findTable(const tECU& ecu, const std::string& which, std::ostream& err) {
    int element = -1;
    const bool number =
        !which.empty() && which.find_first_not_of("0123456789") == std::string::npos;
    if (number && which.size() < 6)
        element = std::stoi(which);
    else if (!number)
        element = ecu.FindElementByName(utf8ToCp1252(which), false);
    if (element < 0 || element >= ecu.NumElements || !Tables::IsTable(ecu.TypeOf(element))) {
        err << "zolmar-cli: no 2D or 3D table \"" << which << "\"\n";
        return -1;
    }
    return element;
}

// The configuration with the table found in it; null (reason printed) otherwise.
std::unique_ptr<tECU> loadTable(const std::string& path, const std::string& which,
                                Messages& messages, int& element, std::ostream& err) {
    auto ecu = loadOrReport(path, messages, err);
    if (!ecu)
        return nullptr;
    element = findTable(*ecu, which, err);
    return element < 0 ? nullptr : std::move(ecu);
}

int tableExport(const ParsedCommandLine& args, std::ostream& out, std::ostream& err) {
    SilentMessages messages;
    int element = -1;
    auto ecu = loadTable(args.operand(0), args.operand(1), messages, element, err);
    if (!ecu)
        return 1;
    std::string error;
    if (!TableCsv::ExportFile(*ecu, element, args.operand(2), error)) {
        err << "zolmar-cli: " << error << "\n";
        return 1;
    }
    Tables::Shape shape;
    Tables::ShapeOf(*ecu, element, shape);
    out << "element: " << element << "\n"
        << "columns: " << shape.columns << "\n"
        << "rows: " << shape.rows << "\n";
    return 0;
}

int tableImport(const ParsedCommandLine& args, std::ostream& out, std::ostream& err) {
    RecordingMessages messages;
    int element = -1;
    auto ecu = loadTable(args.operand(0), args.operand(1), messages, element, err);
    if (!ecu)
        return 1;
    if (!TableCsv::ImportFile(*ecu, element, args.operand(2))) {
        for (const auto& text : messages.texts())
            err << "zolmar-cli: " << cp1252ToUtf8(text) << "\n";
        return 1;
    }
    out << "element: " << element << "\n";
    return saveOrReport(*ecu, args.operands().size() == 4 ? args.operand(3) : args.operand(0), err);
}

} // namespace

std::vector<Command> tableCommands() {
    return {
        parsedCommand(
            "table-export",
            "Writes a 2D or 3D table as CSV, as the table editor exports it. TABLE is the\n"
            "element's index or its exact name. Prints 'element:', 'columns:' and 'rows:'.",
            CommandLine("table-export FILE.ecu TABLE OUT.csv")
                .operand("FILE.ecu")
                .operand("TABLE")
                .operand("OUT.csv"),
            tableExport),
        parsedCommand(
            "table-import",
            "Reads a CSV file into a table as the table editor imports it: references and\n"
            "cells are replaced (imported cells are untuned), the table keeps its size. The\n"
            "result is saved to OUT.ecu, or over FILE.ecu when OUT is not given. A refused\n"
            "file prints the reason and nothing is saved (exit 1).",
            CommandLine("table-import FILE.ecu TABLE IN.csv [OUT.ecu]")
                .operand("FILE.ecu")
                .operand("TABLE")
                .operand("IN.csv")
                .optionalOperand("OUT.ecu"),
            tableImport),
    };
}

} // namespace zolmar::cli

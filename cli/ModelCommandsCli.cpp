// zolmar-cli commands that make, edit and describe configurations.
#include "Cli.h"
#include "CliSupport.h"

#include "editor/SimpleViewSettings.h"
#include "files/AtomicFile.h"
#include "files/ConstantExport.h"
#include "files/EditScript.h"
#include "files/NewConfiguration.h"
#include "files/ProgramFiles.h"
#include "files/SettingsFile.h"
#include "files/SettingsHints.h"
#include "model/Cp1252.h"
#include "model/ECU.h"

#include <memory>
#include <ostream>

namespace zolmar::cli {

namespace {

std::string trimmed(const std::string& s) {
    size_t first = s.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : s.substr(first);
}

std::string typeCaption(int type) {
    switch (type) {
    case ElementType::Inputs:
        return "Inputs and Triggering";
    case ElementType::AnalogueInputs:
        return "Analogue Inputs";
    case ElementType::AuxOutputs:
        return "Aux Outputs";
    case ElementType::Injectors:
        return "Injectors";
    case ElementType::Ignition:
        return "Ignition";
    case ElementType::General:
        return "General";
    default:
        return tECU::TypeName(type);
    }
}

int newBlank(const ParsedCommandLine& args, std::ostream&, std::ostream& err) {
    RecordingMessages messages;
    auto ecu = std::make_unique<tECU>(messages);
    NewConfiguration::MakeBlank(*ecu);
    for (const auto& text : messages.texts())
        err << "zolmar-cli: " << cp1252ToUtf8(text) << "\n";
    return saveOrReport(*ecu, args.operand(0), err);
}

int newComplete(const ParsedCommandLine& args, std::ostream&, std::ostream& err) {
    SilentMessages messages;
    auto ecu = std::make_unique<tECU>(messages);
    std::string error;
    if (!NewConfiguration::LoadComplete(*ecu, error)) {
        err << "zolmar-cli: " << error << "\n";
        return 1;
    }
    return saveOrReport(*ecu, args.operand(0), err);
}

// The hints file found as the program finds it, or the one given.
bool readHints(const std::string& given, std::string& bytes, std::ostream& err) {
    std::string path = given.empty() ? ProgramFiles::Find(ProgramFiles::kSettingsHints) : given;
    std::string error;
    if (path.empty()) {
        err << "zolmar-cli: cannot find " << ProgramFiles::kSettingsHints << "\n";
        return false;
    }
    if (!SettingsHints::Read(path, bytes, error)) {
        err << "zolmar-cli: cannot read the hints: " << error << "\n";
        return false;
    }
    return true;
}

int hint(const ParsedCommandLine& args, std::ostream& out, std::ostream& err) {
    std::string bytes;
    if (!readHints("", bytes, err))
        return 1;
    std::string text = SettingsHints::Lookup(bytes, utf8ToCp1252(args.operand(0)));
    if (text.empty()) {
        err << "zolmar-cli: no hint for \"" << args.operand(0) << "\"\n";
        return 1;
    }
    out << cp1252ToUtf8(text);
    if (text.back() != '\n')
        out << "\n";
    return 0;
}

int settings(const ParsedCommandLine& args, std::ostream& out, std::ostream& err) {
    SilentMessages messages;
    auto ecu = loadOrReport(args.operand(0), messages, err);
    if (!ecu)
        return 1;
    std::string bytes;
    if (!readHints(args.operands().size() == 2 ? args.operand(1) : "", bytes, err))
        return 1;
    int missing = 0;
    for (const auto& s : SimpleViewSettings::List(*ecu)) {
        std::string name = ecu->NameOf(Layout::kNumPages + s.element);
        bool hinted = !SettingsHints::Lookup(bytes, name).empty();
        missing += hinted ? 0 : 1;
        out << (hinted ? "setting: " : "no hint: ") << s.page + 1 << " \"" << cp1252ToUtf8(name)
            << "\"\n";
    }
    return missing == 0 ? 0 : 1;
}

int edit(const ParsedCommandLine& args, std::ostream&, std::ostream& err) {
    RecordingMessages messages;
    auto ecu = loadOrReport(args.operand(0), messages, err);
    if (!ecu)
        return 1;
    std::vector<uint8_t> bytes;
    std::string error;
    if (!readFileAtMost(args.operand(1), bytes, error, EditScript::kMaxScriptBytes)) {
        err << "zolmar-cli: " << error << "\n";
        return 1;
    }
    if (!EditScript::Run(*ecu, std::string(bytes.begin(), bytes.end()), error)) {
        err << "zolmar-cli: " << cp1252ToUtf8(error) << "\n";
        return 1;
    }
    return saveOrReport(*ecu, args.operand(2), err);
}

int names(const ParsedCommandLine& args, std::ostream& out, std::ostream& err) {
    RecordingMessages messages;
    auto ecu = loadOrReport(args.operand(0), messages, err);
    if (!ecu)
        return 1;
    for (int i = 0; i < ecu->NumElements; ++i) {
        const int type = ecu->TypeOf(i);
        out << "element " << i << ": \"" << cp1252ToUtf8(ecu->NameOf(Layout::kNumPages + i))
            << "\" " << typeCaption(type) << " (type " << type << ") on page " << ecu->PageOf(i) + 1
            << "\n";
        for (int k = 0; k < tECU::InputCount(type); ++k) {
            out << "  input " << k << ": " << cp1252ToUtf8(ecu->InputName(i, k));
            uint16_t w = ecu->InputWord(i, k);
            if (w & 1) {
                std::string source;
                if (ecu->NameOfLiveAddress(w & 0xFFFE, source))
                    out << " <- " << cp1252ToUtf8(source);
                else
                    out << " <- ? (live address " << (w & 0xFFFE) << ")";
            } else {
                out << " = " << trimmed(tECU::ValueText50(static_cast<int16_t>(w)));
            }
            out << "\n";
        }
        for (int k = 0; k < ecu->OutputCount(type); ++k)
            out << "  output " << k << ": " << cp1252ToUtf8(ecu->OutputName(i, k, true)) << "\n";
    }
    return 0;
}

int exportConstants(const ParsedCommandLine& args, std::ostream&, std::ostream& err) {
    RecordingMessages messages;
    auto ecu = loadOrReport(args.operand(0), messages, err);
    if (!ecu)
        return 1;
    std::string error;
    if (!ConstantExport::Write(*ecu, args.operand(1), error)) {
        err << "zolmar-cli: " << error << "\n";
        return 1;
    }
    return 0;
}

} // namespace

std::vector<Command> modelCommands() {
    return {
        parsedCommand(
            "new-blank",
            "Writes the new blank configuration of a freshly started program: seven named\n"
            "pages and the six dedicated elements.",
            CommandLine("new-blank OUT.ecu").operand("OUT.ecu"), newBlank),
        parsedCommand(
            "new-complete",
            "Writes the new complete configuration: the default configuration\n"
            "q7700xDefaultConfig.ecu, looked for in the start-up folder, then beside zolmar-cli.",
            CommandLine("new-complete OUT.ecu").operand("OUT.ecu"), newComplete),
        parsedCommand("hint",
                      "Prints the hint that the simple view shows for the setting NAME, from\n"
                      "q7700xSettingsHints.txt (start-up folder, then beside zolmar-cli).",
                      CommandLine("hint NAME").operand("NAME"), hint),
        parsedCommand(
            "settings",
            "Lists the settings the simple view shows, page by page ('setting: PAGE \"NAME\"'),\n"
            "and those without a hint ('no hint: ...'; exit 1 when there is any).",
            CommandLine("settings FILE.ecu [HINTS.txt]")
                .operand("FILE.ecu")
                .optionalOperand("HINTS.txt"),
            settings),
        parsedCommand(
            "edit",
            "Loads IN, applies the script's operations in order and saves OUT. One operation\n"
            "per line, '#' starts a comment line. Numbers are decimal; element indices,\n"
            "inputs, outputs and pages are 0-based; TEXT is the rest of the line after one\n"
            "blank (UTF-8, cut to what its field holds):\n"
            "  create TYPE COLUMN ROW PAGE TEXT   (TYPE is the type code)\n"
            "  delete INDEX\n"
            "  link ELEM INPUT SRCELEM OUTPUT\n"
            "  literal ELEM INPUT VALUE           (e.g. 1.25; -655 to +655)\n"
            "  unlink ELEM INPUT\n"
            "  rename SLOT TEXT                   (0..127 pages, 128 + i element i)\n"
            "  optimise balanced|latency\n"
            "  const-byte ELEM OFFSET VALUE       (offset within the element's constants)\n"
            "  const-word ELEM OFFSET VALUE       (signed or unsigned)\n"
            "  table-layout ELEM LOW HIGH STEP [LOW2 HIGH2 STEP2]\n"
            "  table-insert ELEM col|row VALUE\n"
            "  table-delete ELEM col|row FIRST LAST\n"
            "  undo                               (takes back the last line still applied)\n"
            "  redo                               (applies again the last line taken back)\n"
            "A refused operation prints the model's message, and OUT is not written (exit 1).",
            CommandLine("edit IN.ecu SCRIPT OUT.ecu")
                .operand("IN.ecu")
                .operand("SCRIPT")
                .operand("OUT.ecu"),
            edit),
        parsedCommand(
            "names",
            "Prints every element with its inputs (the input's name, then '<- ' and the\n"
            "source output's name with its page, or '= ' and the literal) and its outputs.",
            CommandLine("names FILE.ecu").operand("FILE.ecu"), names),
        parsedCommand(
            "export-constants",
            "Writes every element's constant bytes as the constant-data export (CSV text).",
            CommandLine("export-constants FILE.ecu OUT.csv").operand("FILE.ecu").operand("OUT.csv"),
            exportConstants),
    };
}

} // namespace zolmar::cli

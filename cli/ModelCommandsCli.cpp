// zolmar-cli commands that make, edit and describe configurations.
#include "Cli.h"
#include "CliSupport.h"

#include "files/AtomicFile.h"
#include "files/ConstantExport.h"
#include "files/EditScript.h"
#include "files/NewConfiguration.h"
#include "files/SettingsFile.h"
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

int newBlank(const std::vector<std::string>& args, std::ostream&, std::ostream& err) {
    if (args.size() != 1)
        return usageError(err, "new-blank OUT.ecu");
    RecordingMessages messages;
    auto ecu = std::make_unique<tECU>(messages);
    NewConfiguration::MakeBlank(*ecu);
    for (const auto& text : messages.texts())
        err << "zolmar-cli: " << cp1252ToUtf8(text) << "\n";
    return saveOrReport(*ecu, args[0], err);
}

int edit(const std::vector<std::string>& args, std::ostream&, std::ostream& err) {
    if (args.size() != 3)
        return usageError(err, "edit IN.ecu SCRIPT OUT.ecu");
    RecordingMessages messages;
    auto ecu = loadOrReport(args[0], messages, err);
    if (!ecu)
        return 1;
    std::vector<uint8_t> bytes;
    std::string error;
    if (!readWholeFile(args[1], bytes, error)) {
        err << "zolmar-cli: " << error << "\n";
        return 1;
    }
    if (!EditScript::Run(*ecu, std::string(bytes.begin(), bytes.end()), error)) {
        err << "zolmar-cli: " << cp1252ToUtf8(error) << "\n";
        return 1;
    }
    return saveOrReport(*ecu, args[2], err);
}

int names(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 1)
        return usageError(err, "names FILE.ecu");
    RecordingMessages messages;
    auto ecu = loadOrReport(args[0], messages, err);
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

int exportConstants(const std::vector<std::string>& args, std::ostream&, std::ostream& err) {
    if (args.size() != 2)
        return usageError(err, "export-constants FILE.ecu OUT.csv");
    RecordingMessages messages;
    auto ecu = loadOrReport(args[0], messages, err);
    if (!ecu)
        return 1;
    std::string error;
    if (!ConstantExport::Write(*ecu, args[1], error)) {
        err << "zolmar-cli: " << error << "\n";
        return 1;
    }
    return 0;
}

} // namespace

std::vector<Command> modelCommands() {
    return {
        {"new-blank", "new-blank OUT.ecu",
         "Writes the new blank configuration of a freshly started program: seven named\n"
         "pages and the six dedicated elements.",
         newBlank},
        {"edit", "edit IN.ecu SCRIPT OUT.ecu",
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
         "A refused operation prints the model's message, and OUT is not written (exit 1).",
         edit},
        {"names", "names FILE.ecu",
         "Prints every element with its inputs (the input's name, then '<- ' and the\n"
         "source output's name with its page, or '= ' and the literal) and its outputs.",
         names},
        {"export-constants", "export-constants FILE.ecu OUT.csv",
         "Writes every element's constant bytes as the constant-data export (CSV text).",
         exportConstants},
    };
}

} // namespace zolmar::cli

// zolmar-cli simulate: the simulator without its window.
#include "Cli.h"
#include "CliSupport.h"

#include "files/AtomicFile.h"
#include "files/SettingsFile.h"
#include "model/Cp1252.h"
#include "model/ECU.h"
#include "model/Tables.h"
#include "simulator/SimulationArguments.h"
#include "simulator/Simulator.h"

#include <algorithm>
#include <memory>
#include <ostream>

namespace zolmar::cli {

namespace {

namespace Args = sim::SimulationArguments;

const char* const kUsage =
    "simulate FILE.ecu [--passes N] [--set WORD=RAW ...] [--input \"CONTROL=VALUE\" ...] "
    "[--print ELEM.OUTPUT ...] [--trace ELEM.OUTPUT,... --every K OUT.csv] [--save OUT.ecu]";

constexpr long kDefaultPasses = 1000;
constexpr long kMaxPasses = 2000000000;

// One live word of an element: ELEM.OUTPUT, both 0-based.
struct Probe {
    std::string text;
    int element = 0;
    int word = 0;
    int liveAddr = 0;
};

bool parseProbe(const tECU& ecu, const std::string& text, Probe& probe, std::string& error) {
    const size_t dot = text.find('.');
    long element = 0;
    long word = 0;
    if (dot == std::string::npos ||
        !Args::ParseInteger(text.substr(0, dot), 0, Layout::kMaxElements - 1, element) ||
        !Args::ParseInteger(text.substr(dot + 1), 0, 1000, word)) {
        error = "\"" + text + "\" is not ELEM.OUTPUT (element and output numbers from 0)";
        return false;
    }
    if (element >= ecu.NumElements) {
        error = "there is no element " + std::to_string(element) + " (the configuration has " +
                std::to_string(ecu.NumElements) + ")";
        return false;
    }
    const int type = ecu.TypeOf(static_cast<int>(element));
    const int words = tECU::LiveSize(type) / 2;
    if (word >= words) {
        error = "element " + std::to_string(element) + " (" + tECU::TypeName(type) + ") has " +
                (words == 0 ? std::string("no live words")
                            : "live words 0 to " + std::to_string(words - 1));
        return false;
    }
    probe.text = text;
    probe.element = static_cast<int>(element);
    probe.word = static_cast<int>(word);
    probe.liveAddr = ecu.ElementLiveOffset[element] + 2 * static_cast<int>(word);
    return true;
}

int16_t probeValue(const tECU& ecu, const Probe& probe) {
    if (probe.liveAddr + 1 >= Layout::kLiveSize)
        return 0;
    return static_cast<int16_t>(ecu.ImageWord(Layout::kLiveBase + probe.liveAddr));
}

std::vector<std::string> splitList(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma - start));
        if (comma == std::string::npos)
            return parts;
        start = comma + 1;
    }
}

struct Options {
    std::string file;
    long passes = kDefaultPasses;
    std::vector<std::string> held;
    std::vector<std::string> controls;
    std::vector<std::string> prints;
    std::string trace;
    long every = 0;
    std::string traceFile;
    std::string save;
};

CommandLine simulateSyntax() {
    return CommandLine(kUsage)
        .integer("--passes", "N", 0, kMaxPasses, "run N passes (default 1000)")
        .texts("--set", "WORD=RAW", "hold live word WORD (0-4095) at RAW before every pass")
        .texts("--input", "CONTROL=VALUE", "set a simulator control by its caption")
        .texts("--print", "ELEM.OUTPUT", "print a live word after the last pass")
        .text("--trace", "ELEM.OUTPUT,...", "write these words to a CSV file")
        .integer("--every", "K", 1, kMaxPasses, "with --trace: every K passes, into OUT.csv")
        .thenValues({"OUT.csv"})
        .text("--save", "OUT.ecu", "save the configuration after the passes")
        .operand("FILE.ecu");
}

// Fills the options; false with the problem for a usage error.
bool parseOptions(const ParsedCommandLine& args, Options& o, std::string& problem) {
    o.file = args.operand(0);
    o.passes = static_cast<long>(args.integer("--passes", kDefaultPasses));
    o.held = args.texts("--set");
    o.controls = args.texts("--input");
    o.prints = args.texts("--print");
    o.trace = args.text("--trace");
    o.every = static_cast<long>(args.integer("--every", 0));
    const auto extra = args.extra("--every");
    o.traceFile = extra.empty() ? std::string() : extra.front();
    o.save = args.text("--save");
    if (o.trace.empty() != (o.every == 0)) {
        problem = "--trace and --every K OUT.csv go together";
        return false;
    }
    return true;
}

int simulate(const ParsedCommandLine& args, std::ostream& out, std::ostream& err) {
    Options o;
    std::string problem;
    if (!parseOptions(args, o, problem))
        return usageError(err, kUsage, problem);
    RecordingMessages messages;
    auto ecu = std::make_unique<tECU>(messages);
    std::string error;
    if (!SettingsFile::load(*ecu, o.file, error)) {
        err << "zolmar-cli: " << error << "\n";
        return 1;
    }

    sim::Simulator simulator;
    for (const std::string& h : o.held) {
        int word = 0;
        uint16_t raw = 0;
        if (!Args::ParseHeldWord(h, word, raw, error)) {
            err << "zolmar-cli: " << error << "\n";
            return 2;
        }
        simulator.held.Hold(word, raw);
    }
    {
        ImageMemory memory(*ecu);
        for (const std::string& c : o.controls) {
            std::string caption;
            int position = 0;
            if (!Args::ParseControl(c, caption, position, error)) {
                err << "zolmar-cli: " << error << "\n";
                return 2;
            }
            const int control = sim::SimulatedInputs::Find(utf8ToCp1252(caption), memory.view());
            if (control < 0) {
                err << "zolmar-cli: no simulator control is called \"" << caption << "\"\n";
                return 2;
            }
            if (!simulator.Inputs().SetPosition(control, position)) {
                err << "zolmar-cli: \"" << caption << "\" takes "
                    << sim::SimulatedInputs::Minimum(control) << " to "
                    << sim::SimulatedInputs::Maximum(control) << "\n";
                return 2;
            }
        }
    }
    std::vector<Probe> prints;
    std::vector<Probe> traced;
    for (const std::string& p : o.prints) {
        Probe probe;
        if (!parseProbe(*ecu, p, probe, error)) {
            err << "zolmar-cli: " << error << "\n";
            return 2;
        }
        prints.push_back(probe);
    }
    if (!o.trace.empty()) {
        for (const std::string& p : splitList(o.trace)) {
            Probe probe;
            if (!parseProbe(*ecu, p, probe, error)) {
                err << "zolmar-cli: " << error << "\n";
                return 2;
            }
            traced.push_back(probe);
        }
    }

    // As the simulator opens: live area cleared, counters at 0, the controls written.
    simulator.Start(*ecu);
    ecu->Modified = false;
    std::string csv;
    if (!traced.empty()) {
        csv = "Pass";
        for (const Probe& p : traced)
            csv += "," + p.text;
        csv += "\r\n";
    }
    for (long done = 0; done < o.passes;) {
        const long chunk = traced.empty() ? o.passes - done : std::min(o.every, o.passes - done);
        simulator.Run(*ecu, static_cast<int>(chunk));
        done += chunk;
        if (!traced.empty() && done % o.every == 0) {
            csv += std::to_string(done);
            for (const Probe& p : traced)
                csv += "," + Tables::TwoDecimals(probeValue(*ecu, p));
            csv += "\r\n";
        }
    }

    for (const Probe& p : prints) {
        const int16_t raw = probeValue(*ecu, p);
        out << p.text << ": " << raw << " " << Tables::TwoDecimals(raw) << "\n";
    }
    int code = 0;
    if (!traced.empty() && !writeFileAtomically(o.traceFile, csv.data(), csv.size(), error)) {
        err << "zolmar-cli: " << error << "\n";
        code = 1;
    }
    if (!o.save.empty()) {
        if (!SettingsFile::save(*ecu, o.save, error)) {
            err << "zolmar-cli: " << error << "\n";
            code = 1;
        }
    } else if (ecu->Modified) {
        err << "zolmar-cli: tables learnt during the simulation; nothing was saved "
               "(--save OUT.ecu keeps them)\n";
    }
    return code;
}

} // namespace

std::vector<Command> simulatorCommands() {
    return {
        parsedCommand(
            "simulate",
            "Runs the diagram as the simulator does: the live area cleared, the counters at 0,\n"
            "then N passes (default 1000), one per millisecond of ECU time. --set holds live\n"
            "word WORD (0-4095) at RAW (signed or unsigned 16-bit) before every pass. --input\n"
            "sets a simulator control by its caption to a position, e.g. \"RPM / 100=3000\",\n"
            "\"Ana 1=25000\" (0.1 mV), \"VSS 1=100\", \"Dig Inp 1=1\". After the passes each\n"
            "--print prints 'ELEM.OUTPUT: RAW VALUE' (element and live word from 0, RAW the\n"
            "signed word, VALUE RAW/50 with two decimals). --trace writes the listed words\n"
            "every K passes to a CSV file. Table learning changes the configuration; it is\n"
            "saved only with --save.",
            simulateSyntax(), simulate),
    };
}

} // namespace zolmar::cli

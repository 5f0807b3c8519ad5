// zolmar-cli commands of the onboard log.
#include "Cli.h"
#include "CliSupport.h"

#include "diagnostics/OnboardLog.h"
#include "emu/EngineProfile.h"
#include "emu/VirtualEcu.h"
#include "emu/VirtualEcuLink.h"
#include "files/AtomicFile.h"
#include "files/NewConfiguration.h"
#include "link/ModbusDriver.h"
#include "link/SerialUsbXpress.h"

#include <chrono>
#include <memory>
#include <ostream>
#include <thread>

namespace zolmar::cli {

namespace {

const char* const kUsage = "retrieve-log [--port PATH | --virtual-ecu [--run SECONDS]] "
                           "[--pages 1-6] [--timeout SECONDS] OUT.csv";

using SteadyTime = std::chrono::steady_clock;

struct Options {
    std::string port;
    bool virtualEcu = false;
    long runSeconds = 120;
    long pages = 6;
    long timeoutSeconds = 5;
    std::string file;
};

CommandLine retrieveSyntax() {
    return CommandLine(kUsage)
        .text("--port", "PATH", "the ECU's serial device")
        .flag("--virtual-ecu", "read the virtual ECU with the default configuration")
        .integer("--run", "SECONDS", 0, 86400,
                 "with --virtual-ecu: seconds of ECU time its engine runs first (default 120)")
        .integer("--pages", "N", 1, 6, "read the newest N pages of 64 KB (default 6)")
        .integer("--timeout", "SECONDS", 1, 86400,
                 "give up after SECONDS without an answer or progress (default 5)")
        .operand("OUT.csv");
}

bool parse(const ParsedCommandLine& args, Options& o, std::string& problem) {
    o.port = args.text("--port");
    o.virtualEcu = args.has("--virtual-ecu");
    o.runSeconds = static_cast<long>(args.integer("--run", o.runSeconds));
    o.pages = static_cast<long>(args.integer("--pages", o.pages));
    o.timeoutSeconds = static_cast<long>(args.integer("--timeout", o.timeoutSeconds));
    o.file = args.operand(0);
    if (o.virtualEcu && !o.port.empty()) {
        problem = "--port and --virtual-ecu exclude each other";
        return false;
    }
    if (args.has("--run") && !o.virtualEcu) {
        problem = "--run needs --virtual-ecu";
        return false;
    }
    return true;
}

// The virtual ECU with the default configuration, its engine run for a while so the
// log holds something.
std::unique_ptr<emu::VirtualEcu> recordedVirtualEcu(long seconds) {
    auto ecu = std::make_unique<emu::VirtualEcu>();
    SilentMessages quiet;
    auto image = std::make_unique<tECU>(quiet);
    std::string error;
    if (!NewConfiguration::LoadComplete(*image, error))
        NewConfiguration::MakeBlank(*image);
    ecu->LoadConfiguration(*image);
    for (long ms = 0; ms < seconds * 1000; ms += 10) {
        emu::EngineProfile::Apply(ecu->Diagram(), ecu->DiagramMemory(), ecu->NowMs());
        ecu->Advance(10);
    }
    return ecu;
}

int retrieveLog(const ParsedCommandLine& args, std::ostream& out, std::ostream& err) {
    Options o;
    std::string problem;
    if (!parse(args, o, problem))
        return usageError(err, kUsage, problem);
    std::unique_ptr<emu::VirtualEcu> virtualEcu;
    std::unique_ptr<UsbXpress> usb;
    if (o.virtualEcu) {
        virtualEcu = recordedVirtualEcu(o.runSeconds);
        usb = std::make_unique<emu::VirtualEcuLink>(*virtualEcu);
    } else {
        usb = std::make_unique<SerialUsbXpress>(portOptions(o.port));
    }
    TModbusDriver driver(*usb);
    SilentMessages quiet;
    auto ecu = std::make_unique<tECU>(quiet);
    const auto timeout = std::chrono::seconds(o.timeoutSeconds);
    auto lastProgress = SteadyTime::now();
    std::string error;
    while (!diagnostics::OnboardLog::ReadSettings(driver, *ecu, error)) {
        if (SteadyTime::now() - lastProgress > timeout) {
            err << "zolmar-cli: no answer from the ECU (" << error << ")\n";
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }

    diagnostics::LogRetrieval retrieval;
    retrieval.Start(static_cast<int>(o.pages - 1));
    long lastReceived = -1;
    int lastStep = -2;
    for (;;) {
        const auto status = retrieval.Tick(&driver);
        if (status == diagnostics::LogRetrieval::Status::Done)
            break;
        const auto now = SteadyTime::now();
        if (retrieval.Received() != lastReceived || retrieval.Step() != lastStep) {
            lastReceived = retrieval.Received();
            lastStep = retrieval.Step();
            lastProgress = now;
        } else if (now - lastProgress > timeout) {
            err << "zolmar-cli: the retrieval made no progress for " << o.timeoutSeconds
                << " seconds\n";
            return 1;
        }
        // A failing ECU is asked again at the window's pace, not in a tight loop.
        if (status == diagnostics::LogRetrieval::Status::CommsError)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    const auto& words = retrieval.Words();
    const std::string csv = diagnostics::OnboardLog::CsvFile(
        *ecu, words.data(), static_cast<size_t>(retrieval.WordsReceived()));
    if (!writeFileAtomically(o.file, csv.data(), csv.size(), error)) {
        err << "zolmar-cli: " << error << "\n";
        return 1;
    }
    long records = 0;
    for (char c : csv)
        records += c == '\n';
    out << "period_ms: "
        << diagnostics::OnboardLog::PeriodMs(diagnostics::OnboardLog::PeriodCode(*ecu)) << "\n";
    out << "bytes: " << 2 * retrieval.WordsReceived() << "\n";
    out << "start_page: " << retrieval.StartPage() << "\n";
    out << "records: " << records - 1 << "\n";
    out << "file: " << o.file << "\n";
    return 0;
}

} // namespace

std::vector<Command> logCommands() {
    return {
        parsedCommand(
            "retrieve-log",
            "Reads the ECU's onboard log and saves it as CSV (time in seconds, then the 15\n"
            "logged channels; '*' marks an invalid value). --pages reads the newest 1 to 6\n"
            "pages of 64 KB (default 6, the whole log). --port as for read; --virtual-ecu\n"
            "reads the virtual ECU with the default configuration after its engine has run\n"
            "for --run seconds of ECU time (default 120). Prints 'period_ms:', 'bytes:',\n"
            "'start_page:', 'records:' and 'file:'. Exits 1 when the ECU does not answer or\n"
            "the transfer makes no progress for --timeout seconds (default 5).",
            retrieveSyntax(), retrieveLog),
    };
}

} // namespace zolmar::cli

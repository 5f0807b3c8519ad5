// zolmar-cli commands that move a configuration to and from an ECU.
#include "Cli.h"
#include "CliSupport.h"

#include "files/SettingsFile.h"
#include "link/SerialUsbXpress.h"
#include "link/SyncEngine.h"
#include "model/Cp1252.h"
#include "model/ECU.h"

#include <chrono>
#include <memory>
#include <ostream>
#include <thread>

namespace zolmar::cli {

namespace {

using SteadyTime = std::chrono::steady_clock;

constexpr auto kPollPeriod = std::chrono::milliseconds(50);
constexpr double kDefaultTimeout = 5.0;

struct TransferArgs {
    std::string port;
    std::string file;
    double timeoutSeconds = kDefaultTimeout;
};

// "[--port PATH] [--timeout SECONDS] FILE.ecu".
CommandLine transferSyntax(const std::string& usage) {
    return CommandLine(usage)
        .text("--port", "PATH", "the ECU's serial device")
        .number("--timeout", "SECONDS", 0, 86400,
                "give up after SECONDS without an answer or progress (default 5)")
        .operand(usage.substr(usage.rfind(' ') + 1));
}

// False after a usage message.
bool parseTransferArgs(const std::vector<std::string>& args, const std::string& usage,
                       TransferArgs& out, std::ostream& err) {
    ParsedCommandLine parsed;
    std::string problem;
    if (!transferSyntax(usage).parse(args, parsed, problem)) {
        usageError(err, usage, problem);
        return false;
    }
    out.port = parsed.text("--port");
    out.timeoutSeconds = parsed.number("--timeout", kDefaultTimeout);
    out.file = parsed.operand(0);
    return true;
}

// Reports the engine's progress on stderr, at most about once a second.
class ProgressReporter : public LinkObserver {
public:
    explicit ProgressReporter(std::ostream& err) : err_(err) {}
    void showProgress(const ProgressView& view) override {
        auto now = SteadyTime::now();
        if (view.bytesSoFar == lastBytes_ || now - lastPrint_ < std::chrono::seconds(1))
            return;
        print(view);
        lastPrint_ = now;
    }
    void showReconnect() override {
        if (!lost_)
            err_ << "zolmar-cli: the ECU stopped answering; waiting for it\n";
        lost_ = true;
    }
    void hideReconnect() override {
        if (lost_)
            err_ << "zolmar-cli: the ECU answers again\n";
        lost_ = false;
    }
    void fullReadFinished() override { finished = true; }
    void fullWriteCommitted() override { finished = true; }
    void print(const ProgressView& view) {
        err_ << view.activity << ": " << view.bytesSoFar << " / 172032 bytes\n";
        lastBytes_ = view.bytesSoFar;
    }

    bool finished = false;

private:
    std::ostream& err_;
    std::string lastBytes_;
    SteadyTime::time_point lastPrint_{};
    bool lost_ = false;
};

// Drives the engine cycle by cycle at 50 ms until the full read or write is done or
// the ECU has not answered for the time-out.
int transfer(bool write, const std::vector<std::string>& args, std::ostream& out,
             std::ostream& err) {
    const std::string usage = write ? "write [--port PATH] [--timeout SECONDS] IN.ecu"
                                    : "read [--port PATH] [--timeout SECONDS] OUT.ecu";
    TransferArgs options;
    if (!parseTransferArgs(args, usage, options, err))
        return 2;

    SerialUsbXpress usb(portOptions(options.port));
    RecordingMessages messages;
    auto ecu = std::make_unique<tECU>(messages);
    std::string error;
    if (write && !SettingsFile::load(*ecu, options.file, error)) {
        err << "zolmar-cli: " << error << "\n";
        return 1;
    }
    ProgressReporter reporter(err);
    SyncEngine engine(*ecu, usb, reporter);
    engine.StartUp();
    if (write)
        engine.ConfigurationOpened();

    const auto timeout = std::chrono::duration_cast<SteadyTime::duration>(
        std::chrono::duration<double>(options.timeoutSeconds));
    auto lastAnswer = SteadyTime::now();
    auto next = lastAnswer;
    // Progress: a new link state, or fewer bytes left to move than ever before.
    auto lastProgress = lastAnswer;
    int cyclesWithoutProgress = 0;
    int progressState = -1;
    long fewestLeft = -1;
    auto why = [&engine] {
        return engine.LastError().empty() ? std::string("no reply") : engine.LastError();
    };
    PollContext context;
    context.currentPage = 1;
    while (!reporter.finished) {
        engine.PollCycle(context);
        auto now = SteadyTime::now();
        const bool answered = ecu->EcuPresent && ecu->StatusFailures == 0;
        if (answered)
            lastAnswer = now;
        if (reporter.finished)
            break;
        // Waiting for a silent ECU is timed by its last answer, not here.
        const long left = write ? engine.W() : engine.R();
        if (!answered || ecu->LinkState != progressState || fewestLeft < 0 || left < fewestLeft) {
            progressState = ecu->LinkState;
            fewestLeft = left;
            lastProgress = now;
            cyclesWithoutProgress = 0;
        } else {
            ++cyclesWithoutProgress;
        }
        // An ECU that answers its status but takes no transfer would keep us forever.
        // One slow failure is not enough: its own time-out may be longer than ours.
        if (now - lastProgress > timeout && cyclesWithoutProgress >= 3) {
            err << "zolmar-cli: the transfer made no progress for " << options.timeoutSeconds
                << " seconds (" << why() << ")\n";
            return 1;
        }
        if (ecu->LinkState == Link::AskLoadOrWrite) {
            if (write)
                engine.WriteAllToEcu();
            else
                engine.LoadAllFromEcu();
        }
        if (now - lastAnswer > timeout) {
            err << "zolmar-cli: no answer from the ECU"
                << (options.port.empty() ? "" : " on " + options.port) << " for "
                << options.timeoutSeconds << " seconds (" << why() << ")\n";
            return 1;
        }
        next += kPollPeriod;
        if (next < now)
            next = now; // a late cycle is simply late; cycles do not queue up
        std::this_thread::sleep_until(next);
    }
    reporter.print(engine.Progress());
    for (const auto& text : messages.texts())
        err << "zolmar-cli: warning: " << cp1252ToUtf8(text) << "\n";
    if (!write && !SettingsFile::save(*ecu, options.file, error)) {
        err << "zolmar-cli: " << error << "\n";
        return 1;
    }
    out << "serial: " << cp1252ToUtf8(ecu->EcuSerial) << "\n";
    out << "package: " << SyncEngine::PackageText(ecu->PackageMajor, ecu->PackageMinor) << "\n";
    out << "NumElements: " << ecu->NumElements << "\n";
    return 0;
}

} // namespace

std::vector<Command> linkCommands() {
    return {
        {"read", "read [--port PATH] [--timeout SECONDS] OUT.ecu",
         "Reads the whole configuration from the ECU and saves it as a settings file.\n"
         "PATH is the ECU's serial device (for example /dev/ttyUSB0 or the pseudo-terminal\n"
         "of q7700x-emu); without --port, ZOLMAR_PORT and then the USB devices with the\n"
         "ECU's ids 10C4:84BA are tried. Progress goes to stderr; then 'serial:',\n"
         "'package:' and 'NumElements:' lines. Exits 1 when the ECU has not answered for\n"
         "SECONDS (default 5), at the start or after it stopped answering, or when the\n"
         "transfer has made no progress for SECONDS.",
         [](const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
             return transfer(false, args, out, err);
         },
         transferSyntax("read [--port PATH] [--timeout SECONDS] OUT.ecu")},
        {"write", "write [--port PATH] [--timeout SECONDS] IN.ecu",
         "Writes the whole configuration of a settings file to the ECU and commits it.\n"
         "Ports, progress, output and --timeout as for read. Exits 0 only after the ECU\n"
         "acknowledged the commit.",
         [](const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
             return transfer(true, args, out, err);
         },
         transferSyntax("write [--port PATH] [--timeout SECONDS] IN.ecu")},
    };
}

} // namespace zolmar::cli

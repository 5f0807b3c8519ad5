// zolmar-cli commands that move a configuration to and from an ECU.
#include "Cli.h"
#include "CliSupport.h"

#include "files/SettingsFile.h"
#include "link/PollSchedule.h"
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

// Reports the engine's progress on stderr, at most about once a second, and what
// ends a transfer.
class ProgressReporter : public LinkObserver {
public:
    explicit ProgressReporter(std::ostream& err) : err_(err) {}
    void showProgress(const ProgressView& view) override {
        last_ = view;
        if (view.activity != SyncEngine::kVerifying)
            transfer_ = view.activity;
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
    void transferFailed(const std::string& message) override { failure = message; }
    // A script named one ECU: another one answering ends the transfer.
    void anotherEcu(const std::string& serial) override {
        failure = "another ECU (serial " + trimmed(serial) +
                  ") answers instead of the one the transfer began with; nothing was " +
                  "saved or committed";
    }
    void deviceProblem(const std::string& text) override { problem = text; }
    void print(const ProgressView& view) {
        err_ << view.activity << ": " << view.bytesSoFar << " / 172032 bytes\n";
        lastBytes_ = view.bytesSoFar;
    }
    // The transfer's own progress line at its end (not its check's).
    void printFinished() {
        ProgressView view = last_;
        if (!transfer_.empty())
            view.activity = transfer_;
        view.bytesSoFar = "172032";
        print(view);
    }
    static std::string trimmed(std::string text) {
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        return text;
    }

    bool finished = false;
    std::string failure;
    std::string problem;

private:
    std::ostream& err_;
    std::string lastBytes_;
    SteadyTime::time_point lastPrint_{};
    ProgressView last_;
    std::string transfer_;
    bool lost_ = false;
};

// Drives the engine cycle by cycle at 50 ms until the full read or write is done, has
// failed its checks, or has moved nothing for the time-out.
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
    // A device that is there but may not be opened will not open by waiting.
    if (!reporter.problem.empty()) {
        err << "zolmar-cli: " << reporter.problem << "\n";
        return 1;
    }
    if (write)
        engine.ConfigurationOpened();

    const auto timeout = std::chrono::duration_cast<SteadyTime::duration>(
        std::chrono::duration<double>(options.timeoutSeconds));
    auto lastAnswer = SteadyTime::now();
    // A late cycle is simply late; the ones after it keep the 50 ms rhythm, as the
    // window's timer keeps it.
    PollSchedule schedule(lastAnswer);
    // Progress is a byte moved: the time-out counts from the last one (or the start).
    auto lastProgress = lastAnswer;
    long moved = 0;
    // Cycles begun after the time-out had passed without progress. One slow failure is
    // never enough: a transaction's own time-out (8 s, 25 s) may be longer than ours.
    int lateCycles = 0;
    auto why = [&engine] {
        return engine.LastError().empty() ? std::string("no reply") : engine.LastError();
    };
    PollContext context;
    context.currentPage = 1;
    while (!reporter.finished) {
        const auto begun = SteadyTime::now();
        const auto next = schedule.Begin(begun);
        const bool late = begun - lastProgress > timeout;
        engine.PollCycle(context);
        auto now = SteadyTime::now();
        if (ecu->EcuPresent && ecu->StatusFailures == 0)
            lastAnswer = now;
        if (reporter.finished)
            break;
        if (!reporter.failure.empty()) {
            err << "zolmar-cli: " << reporter.failure << "\n";
            return 1;
        }
        if (engine.BytesMoved() > moved) {
            moved = engine.BytesMoved();
            lastProgress = now;
            lateCycles = 0;
        } else if (late) {
            ++lateCycles;
        }
        if (lateCycles >= 3) {
            if (now - lastAnswer > timeout)
                err << "zolmar-cli: no answer from the ECU"
                    << (options.port.empty() ? "" : " on " + options.port) << " for "
                    << options.timeoutSeconds << " seconds (" << why() << ")\n";
            else
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
        std::this_thread::sleep_until(next);
    }
    reporter.printFinished();
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
         "'package:' and 'NumElements:' lines. Every byte read is read a second time\n"
         "and compared, and the configuration must pass its usage-word check (three\n"
         "attempts); otherwise nothing is saved and the exit code is 1. Exits 1 as well\n"
         "when the transfer has moved no byte for SECONDS (default 5: a transfer that\n"
         "keeps moving never times out), when the device cannot be opened (permission,\n"
         "busy), or when another ECU (another serial number) answers meanwhile.",
         [](const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
             return transfer(false, args, out, err);
         },
         transferSyntax("read [--port PATH] [--timeout SECONDS] OUT.ecu")},
        {"write", "write [--port PATH] [--timeout SECONDS] IN.ecu",
         "Writes the whole configuration of a settings file to the ECU, reads it back and\n"
         "compares it (what differs is written again, three attempts), then commits it.\n"
         "Ports, progress, output and --timeout as for read. Exits 0 only after the ECU\n"
         "acknowledged the commit; nothing is committed after a failed comparison.",
         [](const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
             return transfer(true, args, out, err);
         },
         transferSyntax("write [--port PATH] [--timeout SECONDS] IN.ecu")},
    };
}

} // namespace zolmar::cli

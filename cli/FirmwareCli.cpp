// zolmar-cli flash: firmware packages into the ECU through its boot loader.
#include "Cli.h"

#include "link/FirmwareFlasher.h"
#include "link/SerialUsbXpress.h"

#include <chrono>
#include <ostream>
#include <thread>

namespace zolmar::cli {

namespace {

constexpr const char* kUsage =
    "flash [--port PATH] [--timeout SECONDS] [--verify-only] [--force] IN.zfw";

// The flashing log on stderr, the outcome as key: value lines.
class StreamView : public FlashView {
public:
    explicit StreamView(std::ostream& err) : err_(err) {}
    void statusChanged(const std::string& text) override {
        if (text != status) {
            status = text;
            err_ << "status: " << text << "\n";
        }
    }
    void versionChanged(const std::string& text) override { version = text; }
    void logLine(const std::string& line) override {
        // Per-segment successes would flood the terminal; failures and summaries stay.
        if (line.rfind("Wrote ", 0) == 0 || line.rfind("Erased ", 0) == 0)
            return;
        err_ << line << "\n";
        last = line;
    }
    std::string status;
    std::string version;
    std::string last;

private:
    std::ostream& err_;
};

CommandLine flashSyntax() {
    return CommandLine(kUsage)
        .text("--port", "PATH", "the ECU's serial device")
        .number("--timeout", "SECONDS", 0, 86400,
                "wait at most SECONDS for the boot loader (default 10)")
        .flag("--verify-only", "compare the ECU's flash with the package, program nothing")
        .flag("--force", "program a package that fails only the plausibility checks")
        .operand("IN.zfw");
}

int flash(const ParsedCommandLine& args, std::ostream& out, std::ostream& err) {
    const std::string port = args.text("--port");
    const std::string file = args.operand(0);
    const double timeoutSeconds = args.number("--timeout", 10);
    const bool verifyOnly = args.has("--verify-only");
    const bool force = args.has("--force");
    FirmwarePackage package;
    std::string error;
    if (!FirmwarePackage::Load(file, package, error)) {
        err << "zolmar-cli: " << error << "\n";
        return 1;
    }
    // Checked before the ECU is touched: what no package can be is refused outright,
    // what a package would not do only with --force.
    const FirmwarePackage::Plan plan = package.Check();
    if (!plan.refusals.empty()) {
        err << "zolmar-cli: " << file << " cannot be a firmware package for the q7700x:\n";
        for (const auto& line : plan.refusals)
            err << "  " << line << "\n";
        return 1;
    }
    for (const auto& line : plan.Summary(file))
        err << line << "\n";
    if (!plan.doubts.empty() && !verifyOnly) {
        for (const auto& line : plan.doubts)
            err << "warning: " << line << "\n";
        if (!force) {
            err << "zolmar-cli: nothing was programmed; add --force to program this package "
                   "anyway\n";
            return 1;
        }
    }

    SerialUsbXpress::Options ports;
    if (!port.empty()) {
        ports.explicitPaths = {port};
        ports.scanSystem = false;
    } else {
        ports.explicitPaths = SerialUsbXpress::environmentPorts();
    }
    SerialUsbXpress usb(ports);
    StreamView view(err);
    FirmwareFlasher flasher(usb, view);

    // The ping cycle until the boot loader answers.
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(timeoutSeconds));
    while (flasher.PingTick() != 1000) {
        // A device that is there but may not be opened will not open by waiting.
        if (!flasher.OpenProblem().empty()) {
            err << "zolmar-cli: " << flasher.OpenProblem() << "\n";
            return 1;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            err << "zolmar-cli: the ECU's boot loader did not answer within " << timeoutSeconds
                << " seconds (" << view.status << ")\n";
            flasher.Close();
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    out << "version: " << view.version << "\n";
    out << "serial: " << flasher.Serial() << "\n";
    out << "segments: " << package.Segments().size() << "\n";
    flasher.SetPackage(package, file);
    if (!verifyOnly && !flasher.Program()) {
        out << "programmed: no\n";
        err << "zolmar-cli: programming failed; the ECU waits in its boot loader for "
               "another attempt\n";
        flasher.Close();
        return 1;
    }
    if (!verifyOnly)
        out << "programmed: yes\n";
    int errors = 0;
    bool verified = flasher.Verify(errors);
    out << "verify-errors: " << (verified ? std::to_string(errors) : "unknown") << "\n";
    if (!verified || errors != 0) {
        err << "zolmar-cli: " << FirmwareFlasher::kIncompleteLine
            << " The ECU waits in its boot loader.\n";
        // A failed verify leaves the boot loader running: starting bad firmware helps nobody.
        flasher.Close();
        return 1;
    }
    flasher.Done();
    return 0;
}

} // namespace

std::vector<Command> firmwareCommands() {
    return {parsedCommand(
        "flash",
        "Programs a firmware package into the ECU through its boot loader (57600 baud),\n"
        "then verifies it byte by byte. The package is checked first: a file with no\n"
        "whole 131-byte segment, a segment outside the ECU's flash (main 0x000000-\n"
        "0x00FFFF, PLD 0x080000-0x0FFFFF) or bytes written twice is refused; one that\n"
        "carries no readable version text at 0x000000 or touches the serial number\n"
        "(0x001000-0x0010FF) is programmed only with --force. What Program will do goes\n"
        "to stderr. A running ECU is restarted into its boot loader first. --verify-only\n"
        "compares without programming. On success the ECU starts its new firmware;\n"
        "after a failed program or verify it stays in its boot loader. Prints version,\n"
        "serial, segments, programmed and verify-errors; exit code 1 when the package\n"
        "was refused or programming or verification failed.",
        flashSyntax(), flash)};
}

} // namespace zolmar::cli

#include "app/StartOptions.h"

#include "model/ECU.h"

#include <filesystem>
#include <system_error>

namespace zolmar {

namespace {

// The window system's options that take a value, and those that do not.
constexpr const char* kWindowSystemValued[] = {
    "-platform",    "-platformpluginpath", "-platformtheme", "-plugin", "-qwindowgeometry",
    "-qwindowicon", "-qwindowtitle",       "-session",       "-style",  "-stylesheet",
    "-display",     "-geometry",           "-name",          "-title"};
constexpr const char* kWindowSystemFlags[] = {"-reverse", "-widgetcount", "-nograb", "-dograb",
                                              "-sync"};

bool endsWith(const std::string& text, const std::string& tail) {
    if (text.size() < tail.size())
        return false;
    for (size_t k = 0; k < tail.size(); ++k) {
        char c = text[text.size() - tail.size() + k];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != tail[k])
            return false;
    }
    return true;
}

std::vector<std::string> windowNames() {
    std::vector<std::string> names;
    for (const auto& w : StartCommandLine::PicturedWindows())
        names.push_back(w.name);
    return names;
}

} // namespace

bool StartOptions::fileIsFirmware() const {
    return endsWith(file, ".zfw");
}

namespace StartCommandLine {

const std::vector<PicturedWindow>& PicturedWindows() {
    static const std::vector<PicturedWindow> windows = {
        {"new", "New ...", "TNewConfigForm"},
        {"import", "Import/Merge Configuration", "TImportForm"},
        {"properties", "Properties ...", "TPropertiesForm"},
        {"wiring", "Wiring ...", "TWiringForm"},
        {"voltages", "Analogue Voltages", "TAnaVoltsForm"},
        {"injectors", "ECU Injector Test", "TInjectorTestForm"},
        {"flashing", "Upgrade Package/Firmware", "TFlashingForm"},
        {"inputs", "Inputs and Triggering", "TInputsForm"},
        {"periodangle", "Period Angle Offset Calculator", "TPeriodAngleForm"},
        {"ignition", "Ignition", "TIgnitionForm"},
        {"injectoroutputs", "Injectors", "TInjectorsForm"},
        {"auxoutputs", "Aux Outputs", "TAuxOutputsForm"},
        {"general", "General", "TGeneralForm"},
        {"gauges", "Gauges ...", "TGaugesForm"},
        {"scope", "Scope ...", "TScopeForm"},
        {"simulator", "Simulator", "TSimulatorForm"},
        {"learnhistory", "View Learn History", "TLearnHistoryForm"},
        {"retrievelog", "Retrieve Log from ECU", "TLogRetrieveProgBarForm"},
        {"logviewer", "Log Viewer ...", "TLogViewerForm"},
        {"mapoptions", "Map/Table Options", "TMapOptionsForm"},
        {"optimisation", "Configuration Optimisation", "TConfOptForm"},
        {"checklist", "Setup Checklist ...", "TChecksForm"},
        {"search", "Search for Element", "TSearchForm"},
        {"wizard", "Setup Wizard", "TSetupWizard"},
        {"restorepoints", "Compare with Restore Point ...", "TRestorePointsForm"},
    };
    return windows;
}

const CommandLine& Syntax() {
    static const CommandLine syntax = [] {
        CommandLine c("[OPTIONS] [FILE.ecu | FILE.zfw]");
        c.flag("--help", "show this help and exit")
            .flag("--version", "print the version and exit")
            .text("--open", "FILE.ecu", "open a settings file at start")
            .flag("--advanced", "start in the advanced view")
            .integer("--page", "N", 1, Layout::kNumPages, "show page N (1-128)")
            .flag("--virtual-ecu",
                  "work with the virtual ECU inside ZOLMAR instead of a real one; it holds "
                  "q7700xDefaultConfig.ecu, or a new blank configuration when there is none")
            .text("--port", "PATH",
                  "connect to the ECU on this serial device, e.g. the pseudo-terminal of "
                  "q7700x-emu")
            .integer("--table", "N", 0, Layout::kMaxElements - 1,
                     "open the table editor on element N (0-3453)")
            .text("--compare", "FILE.ecu",
                  "compare the loaded configuration with this settings file (with "
                  "--screenshot: picture the comparison)")
            .text("--screenshot", "FILE.png",
                  "draw the main window (1600 x 900) without a display, save it and exit")
            .integer("--after-ms", "N", 0, 600000,
                     "with --screenshot: wait N milliseconds first (0-600000, default 500)")
            .choice("--window", "NAME", windowNames(),
                    "with --screenshot: picture this window instead of the main window")
            .integer("--wizard-tab", "N", 1, 4,
                     "with --window wizard: the tab to picture, 1 Basic, 2 Tuning, 3 "
                     "Ignition/Injection, 4 Outputs");
        c.optionalOperand("FILE.ecu");
        return c;
    }();
    return syntax;
}

bool Parse(const std::vector<std::string>& args, StartOptions& o, std::string& problem) {
    o = StartOptions();
    // The window system's options go to it; the rest is ours.
    std::vector<std::string> ours;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        bool taken = false;
        for (const char* name : kWindowSystemFlags)
            taken = taken || a == name;
        if (taken) {
            o.windowSystem.push_back(a);
            continue;
        }
        for (const char* name : kWindowSystemValued)
            taken = taken || a == name;
        if (taken) {
            if (i + 1 >= args.size()) {
                problem = a + " needs a value";
                return false;
            }
            o.windowSystem.push_back(a);
            o.windowSystem.push_back(args[++i]);
            continue;
        }
        ours.push_back(a);
    }
    ParsedCommandLine p;
    if (!Syntax().parse(ours, p, problem))
        return false;
    o.help = p.helpAsked() || p.has("--help");
    o.version = p.has("--version");
    if (o.help || o.version)
        return true;
    o.advanced = p.has("--advanced");
    o.virtualEcu = p.has("--virtual-ecu");
    o.port = p.text("--port");
    o.page = p.has("--page") ? static_cast<int>(p.integer("--page", 1)) - 1 : -1;
    o.table = p.has("--table") ? static_cast<int>(p.integer("--table", 0)) : -1;
    o.screenshot = p.text("--screenshot");
    o.afterMs = static_cast<int>(p.integer("--after-ms", 500));
    o.window = p.text("--window");
    o.compare = p.text("--compare");
    o.wizardTab = static_cast<int>(p.integer("--wizard-tab", 1)) - 1;
    if (p.has("--wizard-tab") && o.window != "wizard") {
        problem = "--wizard-tab needs --window wizard";
        return false;
    }
    if (p.has("--open") && !p.operands().empty()) {
        problem = "give the file once: --open FILE or FILE";
        return false;
    }
    o.file = p.has("--open") ? p.text("--open") : p.operand(0);
    if (o.virtualEcu && p.has("--port")) {
        problem = "--virtual-ecu and --port exclude each other";
        return false;
    }
    if (o.screenshot.empty()) {
        for (const char* only : {"--after-ms", "--window"})
            if (p.has(only)) {
                problem = std::string(only) + " needs --screenshot";
                return false;
            }
    } else {
        // The picture must have somewhere to go before a window is drawn.
        namespace fs = std::filesystem;
        const fs::path folder = fs::path(o.screenshot).parent_path();
        std::error_code error;
        if (!folder.empty() && !fs::is_directory(folder, error)) {
            problem = "--screenshot: the folder \"" + folder.string() + "\" does not exist";
            return false;
        }
        if (fs::is_directory(o.screenshot, error)) {
            problem = "--screenshot needs a file name, \"" + o.screenshot + "\" is a folder";
            return false;
        }
    }
    return true;
}

std::string HelpText() {
    return "Usage: zolmar " + Syntax().usage() +
           "\n\nZOLMAR configures, tunes and monitors the q7700x ECU. FILE.ecu is opened at "
           "start;\nFILE.zfw opens the firmware flashing window with that package.\n\nOptions:\n" +
           Syntax().optionsHelp() +
           "\nWithout --port, the paths in ZOLMAR_PORT (separated by ':') and then the USB\n"
           "serial devices with the ECU's ids 10C4:84BA are tried. The window system's own\n"
           "options (-platform NAME, -style NAME, ...) are passed on to it.\n";
}

} // namespace StartCommandLine
} // namespace zolmar

#pragma once

#include "app/CommandLine.h"

#include <string>
#include <vector>

namespace zolmar {

// The command line of the zolmar program, checked before any window exists so
// that --help, --version and every usage error work without a display.
struct StartOptions {
    bool help = false;
    bool version = false;
    std::string file; // a settings file (or a firmware package) to open
    bool advanced = false;
    int page = -1; // 0-based; -1 when not given
    bool virtualEcu = false;
    std::string port;
    int table = -1;         // element index; -1 when not given
    std::string screenshot; // the picture to save; empty when not asked for
    int afterMs = 500;
    std::string window;  // --window NAME
    std::string compare; // --compare FILE.ecu
    int wizardTab = 0;   // --wizard-tab N, 0-based
    // The window system's own options ("-platform offscreen", "-style Fusion"),
    // handed on to it unchanged.
    std::vector<std::string> windowSystem;

    // True when the file to open is a firmware package rather than a settings file.
    bool fileIsFirmware() const;
};

namespace StartCommandLine {

// A window --window can picture: its name, the caption of the command that opens
// it and the object name of the window.
struct PicturedWindow {
    const char* name;
    const char* command;
    const char* objectName;
};
const std::vector<PicturedWindow>& PicturedWindows();

const CommandLine& Syntax();
// Parses the arguments (without the program name). False with the problem on a
// usage error; a screenshot into a folder that does not exist is one.
bool Parse(const std::vector<std::string>& args, StartOptions& options, std::string& problem);
// The text of --help.
std::string HelpText();

} // namespace StartCommandLine
} // namespace zolmar

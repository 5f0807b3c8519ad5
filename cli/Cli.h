#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace zolmar::cli {

// One command of zolmar-cli. Arguments exclude the command name.
struct Command {
    std::string name;
    std::string usage;   // e.g. "info FILE.ecu"
    std::string summary; // one or more lines for --help
    std::function<int(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)>
        run;
};

// The command groups; each lives in its own file.
std::vector<Command> fileCommands();
std::vector<Command> linkCommands();
std::vector<Command> modelCommands();
std::vector<Command> simulatorCommands();
std::vector<Command> firmwareCommands();
std::vector<Command> tableCommands();
std::vector<Command> logCommands();
std::vector<Command> wizardCommands();

// Runs zolmar-cli with its arguments (without the program name); returns the exit code.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace zolmar::cli

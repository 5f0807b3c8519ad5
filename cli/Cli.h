#pragma once

#include "app/CommandLine.h"

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace zolmar::cli {

using RunFunction =
    std::function<int(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)>;
using ParsedRunFunction =
    std::function<int(const ParsedCommandLine& args, std::ostream& out, std::ostream& err)>;

// One command of zolmar-cli. Arguments exclude the command name. "COMMAND --help"
// (or -h) prints the usage and summary of every command, whatever run does.
struct Command {
    std::string name;
    std::string usage;   // e.g. "info FILE.ecu"
    std::string summary; // one or more lines for --help
    RunFunction run;
    // The options and operands, when the command declares them: the shared parser
    // then checks every command line before the command sees it (unknown options,
    // values out of range, --opt=value, "--" before operands).
    std::optional<CommandLine> syntax = std::nullopt;
};

// A command checked by the shared parser: body gets the parsed arguments, and a
// malformed command line is a usage error (exit 2) naming the argument.
Command parsedCommand(const std::string& name, const std::string& summary,
                      const CommandLine& syntax, const ParsedRunFunction& body);

// The command groups; each lives in its own file.
std::vector<Command> fileCommands();
std::vector<Command> linkCommands();
std::vector<Command> modelCommands();
std::vector<Command> simulatorCommands();
std::vector<Command> firmwareCommands();
std::vector<Command> tableCommands();
std::vector<Command> logCommands();
std::vector<Command> logViewCommands();
std::vector<Command> wizardCommands();
std::vector<Command> compareCommands();
// Every command, in the order --help lists them.
std::vector<Command> allCommands();

// Runs zolmar-cli with its arguments (without the program name); returns the exit code.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace zolmar::cli

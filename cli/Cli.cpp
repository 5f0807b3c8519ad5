#include "Cli.h"
#include "CliSupport.h"

#include "app/Version.h"

#include <ostream>

namespace zolmar::cli {

namespace {

// The summary indented under its usage line.
void printIndented(std::ostream& out, const std::string& text) {
    std::string line;
    for (char ch : text + "\n") {
        if (ch == '\n') {
            out << "      " << line << "\n";
            line.clear();
        } else {
            line += ch;
        }
    }
}

void printHelp(std::ostream& out, const std::vector<Command>& commands) {
    out << "zolmar-cli: the q7700x configuration tool without a window.\n\n"
           "Usage: zolmar-cli COMMAND [ARGUMENTS]\n"
           "       zolmar-cli COMMAND --help     (the command's usage and options)\n"
           "       zolmar-cli --version\n\n"
           "Settings files (*.ecu) are 163840-byte images of an ECU configuration.\n"
           "Output meant for machines is 'key: value' lines. Names are printed in UTF-8.\n"
           "The exit code is 0 on success, 1 when the command found or met a problem,\n"
           "2 for a usage error. Options take their value as --opt VALUE or --opt=VALUE;\n"
           "'--' ends the options (for a file name that starts with '-').\n\nCommands:\n";
    for (const auto& c : commands) {
        out << "  " << c.usage << "\n";
        printIndented(out, c.summary);
    }
}

void printCommandHelp(std::ostream& out, const Command& c) {
    out << "usage: zolmar-cli " << c.usage << "\n\n" << c.summary << "\n";
    if (c.syntax && !c.syntax->options().empty())
        out << "\nOptions:\n" << c.syntax->optionsHelp();
}

// "-h" or "--help" among the command's arguments, before any "--".
bool asksForHelp(const std::vector<std::string>& args) {
    for (size_t k = 1; k < args.size(); ++k) {
        if (args[k] == "--")
            return false;
        if (args[k] == "--help" || args[k] == "-h")
            return true;
    }
    return false;
}

const Command* findCommand(const std::vector<Command>& commands, const std::string& name) {
    for (const auto& c : commands)
        if (c.name == name)
            return &c;
    return nullptr;
}

} // namespace

Command parsedCommand(const std::string& name, const std::string& summary,
                      const CommandLine& syntax, const ParsedRunFunction& body) {
    Command c;
    c.name = name;
    c.usage = syntax.usage();
    c.summary = summary;
    c.syntax = syntax;
    c.run = [syntax, body](const std::vector<std::string>& args, std::ostream& out,
                           std::ostream& err) {
        ParsedCommandLine parsed;
        std::string problem;
        if (!syntax.parse(args, parsed, problem))
            return usageError(err, syntax.usage(), problem);
        return body(parsed, out, err);
    };
    return c;
}

std::vector<Command> allCommands() {
    std::vector<Command> all;
    for (auto group :
         {fileCommands, modelCommands, linkCommands, simulatorCommands, firmwareCommands,
          tableCommands, logCommands, logViewCommands, wizardCommands, compareCommands}) {
        auto commands = group();
        all.insert(all.end(), commands.begin(), commands.end());
    }
    return all;
}

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    auto commands = allCommands();
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        printHelp(args.empty() ? err : out, commands);
        return args.empty() ? 2 : 0;
    }
    if (args[0] == "--version") {
        out << "zolmar-cli " << Version::Text() << "\n";
        return 0;
    }
    if (args[0] == "help") {
        if (args.size() == 1) {
            printHelp(out, commands);
            return 0;
        }
        if (const Command* c = findCommand(commands, args[1])) {
            printCommandHelp(out, *c);
            return 0;
        }
        err << "zolmar-cli: unknown command \"" << args[1] << "\". See zolmar-cli --help.\n";
        return 2;
    }
    if (const Command* c = findCommand(commands, args[0])) {
        if (asksForHelp(args)) {
            printCommandHelp(out, *c);
            return 0;
        }
        return c->run(std::vector<std::string>(args.begin() + 1, args.end()), out, err);
    }
    err << "zolmar-cli: unknown " << (args[0].rfind("-", 0) == 0 ? "option" : "command") << " \""
        << args[0] << "\". See zolmar-cli --help.\n";
    return 2;
}

} // namespace zolmar::cli

#include "Cli.h"

#include <ostream>

namespace zolmar::cli {

namespace {

std::vector<Command> allCommands() {
    std::vector<Command> all;
    for (auto group : {fileCommands, modelCommands, linkCommands, simulatorCommands,
                       firmwareCommands, tableCommands, logCommands, wizardCommands}) {
        auto commands = group();
        all.insert(all.end(), commands.begin(), commands.end());
    }
    return all;
}

void printHelp(std::ostream& out, const std::vector<Command>& commands) {
    out << "zolmar-cli: the q7700x configuration tool without a window.\n\n"
           "Usage: zolmar-cli COMMAND [ARGUMENTS]\n\n"
           "Settings files (*.ecu) are 163840-byte images of an ECU configuration.\n"
           "Output meant for machines is 'key: value' lines. Names are printed in UTF-8.\n"
           "The exit code is 0 on success, 1 when the command found or met a problem,\n"
           "2 for a usage error.\n\nCommands:\n";
    for (const auto& c : commands) {
        out << "  " << c.usage << "\n";
        std::string line;
        for (char ch : c.summary + "\n") {
            if (ch == '\n') {
                out << "      " << line << "\n";
                line.clear();
            } else {
                line += ch;
            }
        }
    }
}

} // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    auto commands = allCommands();
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        printHelp(args.empty() ? err : out, commands);
        return args.empty() ? 2 : 0;
    }
    for (const auto& c : commands) {
        if (c.name == args[0])
            return c.run(std::vector<std::string>(args.begin() + 1, args.end()), out, err);
    }
    err << "zolmar-cli: unknown command \"" << args[0] << "\". See zolmar-cli --help.\n";
    return 2;
}

} // namespace zolmar::cli

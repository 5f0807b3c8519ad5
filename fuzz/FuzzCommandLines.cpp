// Parses any argument list as zolmar's command line and as the command line of
// every zolmar-cli command that declares its options.
#include "Cli.h"
#include "app/StartOptions.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using namespace zolmar;

size_t g_sink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Arguments are separated by zero bytes, as in a process's argument vector.
    std::vector<std::string> args(1);
    for (size_t k = 0; k < size; ++k) {
        if (data[k] == 0)
            args.emplace_back();
        else
            args.back() += static_cast<char>(data[k]);
    }
    size_t total = 0;
    StartOptions options;
    std::string problem;
    if (StartCommandLine::Parse(args, options, problem))
        total += options.file.size() + static_cast<size_t>(options.page + options.table);
    else if (problem.empty())
        __builtin_trap(); // a refusal always says why
    static const std::vector<cli::Command> commands = cli::allCommands();
    for (const auto& c : commands) {
        if (!c.syntax)
            continue;
        ParsedCommandLine parsed;
        if (c.syntax->parse(args, parsed, problem))
            total += parsed.operands().size();
        else if (problem.empty())
            __builtin_trap();
    }
    g_sink = total;
    return 0;
}

#pragma once

#include "Cli.h"

#include <sstream>
#include <string>
#include <vector>

namespace zolmar::test {

// What one run of zolmar-cli printed and returned.
struct CliResult {
    int code;
    std::string out;
    std::string err;
};

// Runs zolmar-cli in process.
inline CliResult runCli(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    int code = cli::run(args, out, err);
    return {code, out.str(), err.str()};
}

} // namespace zolmar::test

#pragma once

#include "Cli.h"
#include "files/ProgramFiles.h"

#include <filesystem>

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

// The arguments of zolmar-cli wizard IN OUT with one --set per assignment.
inline std::vector<std::string> wizardArgs(const std::string& in, const std::string& out,
                                           const std::vector<std::string>& assignments) {
    std::vector<std::string> args = {"wizard", in, out};
    for (const auto& a : assignments) {
        args.push_back("--set");
        args.push_back(a);
    }
    return args;
}

// Runs zolmar-cli as if started in folder: the program's files are looked for there
// first. The current folder is restored afterwards.
inline CliResult runCliIn(const std::filesystem::path& folder,
                          const std::vector<std::string>& args) {
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    ProgramFiles::RememberStartDirectory();
    CliResult result = runCli(args);
    std::filesystem::current_path(previous);
    ProgramFiles::RememberStartDirectory();
    return result;
}

} // namespace zolmar::test

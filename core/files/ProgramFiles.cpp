#include "files/ProgramFiles.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace zolmar::ProgramFiles {

namespace fs = std::filesystem;

namespace {

std::string& startDirectory() {
    static std::string folder;
    return folder;
}

std::string currentDirectory() {
    std::error_code error;
    fs::path path = fs::current_path(error);
    return error ? std::string() : path.string();
}

} // namespace

void RememberStartDirectory() {
    startDirectory() = currentDirectory();
}

std::string StartDirectory() {
    if (startDirectory().empty())
        RememberStartDirectory();
    return startDirectory();
}

std::string ExecutableDirectory() {
    std::error_code error;
    fs::path exe = fs::read_symlink("/proc/self/exe", error);
    if (error)
        return {};
    return exe.parent_path().string();
}

std::string DataDirectory() {
    const std::string exe = ExecutableDirectory();
    if (exe.empty())
        return {};
    return (fs::path(exe).parent_path() / "share" / "zolmar").string();
}

std::string UserDataDirectory() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && data[0] == '/')
        return (fs::path(data) / "zolmar").string();
    const char* home = std::getenv("HOME");
    if (home && home[0])
        return (fs::path(home) / ".local" / "share" / "zolmar").string();
    return {};
}

std::string FindIn(const std::vector<std::string>& folders, const std::string& fileName) {
    for (const std::string& folder : folders) {
        if (folder.empty())
            continue;
        fs::path candidate = fs::path(folder) / fileName;
        std::error_code error;
        if (fs::is_regular_file(candidate, error))
            return candidate.string();
    }
    return {};
}

std::string Find(const std::string& fileName) {
    return FindIn({StartDirectory(), ExecutableDirectory(), DataDirectory()}, fileName);
}

} // namespace zolmar::ProgramFiles

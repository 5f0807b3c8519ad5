#include "files/StartupFiles.h"

#include <sys/stat.h>

namespace zolmar::StartupFiles {

namespace {

bool isRegularFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string join(const std::string& folder, const std::string& name) {
    if (folder.empty())
        return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

} // namespace

std::string Find(const std::string& name, const std::string& startFolder,
                 const std::string& executableFolder) {
    for (const std::string* folder : {&startFolder, &executableFolder}) {
        std::string path = join(*folder, name);
        if (isRegularFile(path))
            return path;
    }
    return {};
}

} // namespace zolmar::StartupFiles

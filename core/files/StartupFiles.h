#pragma once

#include <string>

namespace zolmar {

// Files the program reads at start: the default configuration, the settings hints,
// the manual. They are looked for in the folder the program was started in, then
// beside the executable, where the build installs them.
namespace StartupFiles {

inline constexpr const char* kDefaultConfiguration = "q7700xDefaultConfig.ecu";

// The path of the first regular file called name in startFolder, then in
// executableFolder; empty when neither holds one.
std::string Find(const std::string& name, const std::string& startFolder,
                 const std::string& executableFolder);

} // namespace StartupFiles
} // namespace zolmar

#pragma once

#include <string>
#include <vector>

namespace zolmar {

// The files the program reads from where it is installed: the default
// configuration, the settings hints and the manual. They are looked for first in
// the folder the program was started in, then beside the executable (a build
// tree), then in ../share/zolmar beside it (an installation).
namespace ProgramFiles {

inline constexpr const char* kDefaultConfiguration = "q7700xDefaultConfig.ecu";
inline constexpr const char* kSettingsHints = "q7700xSettingsHints.txt";
inline constexpr const char* kManual = "q7700xHelp.html";

// Remembers the current directory as the start-up folder; main() calls it first.
// Without the call the folder current at the first look-up counts.
void RememberStartDirectory();
std::string StartDirectory();
// The folder of the running executable; empty when it cannot be found.
std::string ExecutableDirectory();
// The installed data folder: share/zolmar beside the executable's bin folder.
std::string DataDirectory();

// The user's own data folder of the program ($XDG_DATA_HOME/zolmar, else
// ~/.local/share/zolmar); empty when neither variable names a folder.
std::string UserDataDirectory();

// The path of the file in the first of the folders that holds it; empty if none.
std::string FindIn(const std::vector<std::string>& folders, const std::string& fileName);
// The file in the start-up folder, else beside the executable, else in the data
// folder; empty if none holds it.
std::string Find(const std::string& fileName);

} // namespace ProgramFiles
} // namespace zolmar

#pragma once

#include "model/ECU.h"

#include <cstdint>
#include <optional>
#include <string>

namespace zolmar {

// The recovery copy of unsaved work: the configuration as a settings file and a small
// description (the file it belongs to, when it was written), both written atomically
// into the user's data folder, so that a crash or a kill loses at most the last moments.
namespace Recovery {

inline constexpr const char* kDataName = "recovery.ecu";
inline constexpr const char* kInfoName = "recovery.info";

// $XDG_DATA_HOME/zolmar, else $HOME/.local/share/zolmar; empty when neither is set.
std::string DefaultFolder();

struct Found {
    std::string dataPath;
    std::string originalFile; // empty for a configuration never saved
    int64_t savedAt = 0;      // seconds since 1970 (UTC)
};

// The description's text, and back; a description that is not exactly this is refused.
std::string InfoText(const std::string& originalFile, int64_t savedAt);
bool ParseInfo(const std::string& text, std::string& originalFile, int64_t& savedAt);

// Writes the configuration and its description, creating the folder.
bool Write(const tECU& ecu, const std::string& folder, const std::string& originalFile,
           int64_t savedAt, std::string& error);
// The copy a previous run left, when both of its files are there and readable.
std::optional<Found> Find(const std::string& folder);
// Removes the copy (after a save, a normal close or a refused offer).
void Remove(const std::string& folder);

} // namespace Recovery
} // namespace zolmar

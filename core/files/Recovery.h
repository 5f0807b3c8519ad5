#pragma once

#include "model/ECU.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace zolmar {

// The recovery copy of unsaved work: the configuration as a settings file and a small
// description (the file it belongs to, when it was written), both written atomically
// into the user's data folder, so that a crash or a kill loses at most the last moments.
// Each running program keeps its own copy, named by its process id, so that two
// programs never overwrite or remove each other's, and a copy is offered only once the
// program that wrote it no longer runs.
namespace Recovery {

// "recovery-<owner>.ecu" and "recovery-<owner>.info".
std::string DataName(int64_t owner);
std::string InfoName(int64_t owner);

// $XDG_DATA_HOME/zolmar, else $HOME/.local/share/zolmar; empty when neither is set.
std::string DefaultFolder();

struct Found {
    int64_t owner = 0;
    std::string dataPath;
    std::string originalFile; // empty for a configuration never saved
    int64_t savedAt = 0;      // seconds since 1970 (UTC)
};

// The description's text, and back; a description that is not exactly this is refused.
std::string InfoText(const std::string& originalFile, int64_t savedAt);
bool ParseInfo(const std::string& text, std::string& originalFile, int64_t& savedAt);

// Writes the owner's copy of the configuration and its description, creating the folder.
bool Write(const tECU& ecu, const std::string& folder, int64_t owner,
           const std::string& originalFile, int64_t savedAt, std::string& error);
// The newest copy, both of whose files are there and readable, of an owner that no
// longer runs.
std::optional<Found> Find(const std::string& folder,
                          const std::function<bool(int64_t owner)>& ownerRuns);
// Removes the owner's copy (after a save, a normal close, a recovery or a refused offer).
void Remove(const std::string& folder, int64_t owner);
// Whether a process of that id runs on this machine.
bool ProcessRuns(int64_t pid);

} // namespace Recovery
} // namespace zolmar

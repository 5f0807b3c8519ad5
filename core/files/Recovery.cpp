#include "files/Recovery.h"

#include "files/AtomicFile.h"
#include "files/ProgramFiles.h"
#include "files/SettingsFile.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

namespace zolmar::Recovery {

namespace fs = std::filesystem;

namespace {
constexpr const char* kFileKey = "file: ";
constexpr const char* kTimeKey = "saved: ";
constexpr size_t kMaxInfoBytes = 8192;

constexpr const char* kPrefix = "recovery-";
constexpr const char* kInfoSuffix = ".info";

std::string join(const std::string& folder, const std::string& name) {
    return (fs::path(folder) / name).string();
}

// The owner a description's file name gives, or -1 for any other name.
int64_t ownerOf(const std::string& name) {
    const std::string prefix = kPrefix, suffix = kInfoSuffix;
    if (name.size() <= prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix))
        return -1;
    const std::string digits =
        name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    if (digits.size() > 18)
        return -1;
    int64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}
} // namespace

std::string DataName(int64_t owner) {
    return kPrefix + std::to_string(owner) + ".ecu";
}

std::string InfoName(int64_t owner) {
    return kPrefix + std::to_string(owner) + kInfoSuffix;
}

bool ProcessRuns(int64_t pid) {
    std::error_code ec;
    return pid > 0 && fs::exists(fs::path("/proc") / std::to_string(pid), ec);
}

std::string DefaultFolder() {
    return ProgramFiles::UserDataDirectory();
}

std::string InfoText(const std::string& originalFile, int64_t savedAt) {
    return std::string(kFileKey) + originalFile + "\n" + kTimeKey + std::to_string(savedAt) + "\n";
}

bool ParseInfo(const std::string& text, std::string& originalFile, int64_t& savedAt) {
    const std::string fileKey = kFileKey, timeKey = kTimeKey;
    if (text.size() > kMaxInfoBytes || text.compare(0, fileKey.size(), fileKey) != 0)
        return false;
    const size_t fileEnd = text.find('\n');
    if (fileEnd == std::string::npos)
        return false;
    const size_t timeAt = fileEnd + 1;
    if (text.compare(timeAt, timeKey.size(), timeKey) != 0)
        return false;
    const size_t digits = timeAt + timeKey.size();
    const size_t timeEnd = text.find('\n', digits);
    if (timeEnd == std::string::npos || timeEnd + 1 != text.size() || timeEnd == digits ||
        timeEnd - digits > 18)
        return false;
    int64_t value = 0;
    for (size_t k = digits; k < timeEnd; ++k) {
        if (text[k] < '0' || text[k] > '9')
            return false;
        value = value * 10 + (text[k] - '0');
    }
    originalFile = text.substr(fileKey.size(), fileEnd - fileKey.size());
    savedAt = value;
    return true;
}

bool Write(const tECU& ecu, const std::string& folder, int64_t owner,
           const std::string& originalFile, int64_t savedAt, std::string& error) {
    if (folder.empty()) {
        error = "There is no folder for the recovery copy (HOME is not set).";
        return false;
    }
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!SettingsFile::save(ecu, join(folder, DataName(owner)), error))
        return false;
    const std::string info = InfoText(originalFile, savedAt);
    return writeFileAtomically(join(folder, InfoName(owner)), info.data(), info.size(), error);
}

std::optional<Found> Find(const std::string& folder,
                          const std::function<bool(int64_t owner)>& ownerRuns) {
    if (folder.empty())
        return std::nullopt;
    std::optional<Found> newest;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const int64_t owner = ownerOf(entry.path().filename().string());
        if (owner < 0 || (ownerRuns && ownerRuns(owner)))
            continue;
        Found found;
        found.owner = owner;
        found.dataPath = join(folder, DataName(owner));
        std::error_code e2;
        if (!fs::is_regular_file(found.dataPath, e2))
            continue;
        std::vector<uint8_t> bytes;
        std::string error;
        if (!readFileAtMost(entry.path().string(), bytes, error, kMaxInfoBytes) ||
            !ParseInfo(std::string(bytes.begin(), bytes.end()), found.originalFile, found.savedAt))
            continue;
        if (!newest || found.savedAt > newest->savedAt)
            newest = found;
    }
    return newest;
}

void Remove(const std::string& folder, int64_t owner) {
    if (folder.empty())
        return;
    std::error_code ec;
    fs::remove(join(folder, DataName(owner)), ec);
    fs::remove(join(folder, InfoName(owner)), ec);
}

} // namespace zolmar::Recovery

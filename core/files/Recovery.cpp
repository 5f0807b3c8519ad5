#include "files/Recovery.h"

#include "files/AtomicFile.h"
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

std::string join(const std::string& folder, const char* name) {
    return (fs::path(folder) / name).string();
}
} // namespace

std::string DefaultFolder() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && data[0] == '/')
        return (fs::path(data) / "zolmar").string();
    const char* home = std::getenv("HOME");
    if (home && home[0])
        return (fs::path(home) / ".local" / "share" / "zolmar").string();
    return {};
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

bool Write(const tECU& ecu, const std::string& folder, const std::string& originalFile,
           int64_t savedAt, std::string& error) {
    if (folder.empty()) {
        error = "There is no folder for the recovery copy (HOME is not set).";
        return false;
    }
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!SettingsFile::save(ecu, join(folder, kDataName), error))
        return false;
    const std::string info = InfoText(originalFile, savedAt);
    return writeFileAtomically(join(folder, kInfoName), info.data(), info.size(), error);
}

std::optional<Found> Find(const std::string& folder) {
    if (folder.empty())
        return std::nullopt;
    Found found;
    found.dataPath = join(folder, kDataName);
    std::error_code ec;
    if (!fs::is_regular_file(found.dataPath, ec))
        return std::nullopt;
    std::vector<uint8_t> bytes;
    std::string error;
    if (!readFileAtMost(join(folder, kInfoName), bytes, error, kMaxInfoBytes))
        return std::nullopt;
    if (!ParseInfo(std::string(bytes.begin(), bytes.end()), found.originalFile, found.savedAt))
        return std::nullopt;
    return found;
}

void Remove(const std::string& folder) {
    if (folder.empty())
        return;
    std::error_code ec;
    fs::remove(join(folder, kDataName), ec);
    fs::remove(join(folder, kInfoName), ec);
}

} // namespace zolmar::Recovery

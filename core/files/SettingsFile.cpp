#include "files/SettingsFile.h"

#include "files/AtomicFile.h"

#include <cstring>

namespace zolmar::SettingsFile {

std::vector<uint8_t> fromImage(const tECU& ecu) {
    std::vector<uint8_t> bytes(kFileSize);
    for (const Region& r : kRegions)
        std::memcpy(bytes.data() + r.fileOffset, ecu.Image + r.imageOffset,
                    static_cast<size_t>(r.length));
    return bytes;
}

void toImage(tECU& ecu, const std::vector<uint8_t>& bytes) {
    if (bytes.size() < static_cast<size_t>(kFileSize))
        return;
    for (const Region& r : kRegions)
        std::memcpy(ecu.Image + r.imageOffset, bytes.data() + r.fileOffset,
                    static_cast<size_t>(r.length));
}

bool read(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
    if (!readWholeFile(path, bytes, error, kFileSize))
        return false;
    if (bytes.size() < static_cast<size_t>(kFileSize)) {
        error = "\"" + path + "\" is not a complete ECU settings file: it holds " +
                std::to_string(bytes.size()) + " bytes, a settings file " +
                std::to_string(kFileSize) + ". Nothing was loaded.";
        bytes.clear();
        return false;
    }
    return true;
}

bool load(tECU& ecu, const std::string& path, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!read(path, bytes, error))
        return false;
    toImage(ecu, bytes);
    ecu.RebuildIndex(true, true);
    ecu.ConfigurationReplaced();
    return true;
}

bool save(const tECU& ecu, const std::string& path, std::string& error) {
    std::vector<uint8_t> bytes = fromImage(ecu);
    return writeFileAtomically(path, bytes.data(), bytes.size(), error);
}

} // namespace zolmar::SettingsFile

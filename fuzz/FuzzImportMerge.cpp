// Any two settings files merged: the walk, the name matching and the copies must stay
// inside the image whatever the records, sizes and names say.
#include "files/ImportMerge.h"
#include "files/SettingsFile.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

using namespace zolmar;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    // The first half shapes the configuration source, the second the values source;
    // short inputs repeat to fill whole files.
    size_t half = size / 2;
    std::vector<uint8_t> configuration(SettingsFile::kFileSize);
    std::vector<uint8_t> values(SettingsFile::kFileSize);
    for (size_t k = 0; k < configuration.size(); ++k) {
        configuration[k] = data[k % half];
        values[k] = data[half + k % (size - half)];
    }
    std::vector<uint8_t> merged;
    std::string error;
    ImportMerge::FailedMatches(configuration, values);
    if (ImportMerge::Merge(configuration, values, merged, error)) {
        static SilentMessages messages;
        static auto ecu = std::make_unique<tECU>(messages);
        ImportMerge::Apply(*ecu, merged);
    }
    return 0;
}

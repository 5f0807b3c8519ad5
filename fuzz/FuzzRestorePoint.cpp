// Any bytes as a restore point file in the points folder: listing and loading must
// refuse what is no whole point and never read past what the file holds.
#include "files/RestorePoints.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <vector>

using namespace zolmar;

unsigned g_sink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("zolmar-fuzz-points-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    {
        std::ofstream out(folder / "0-0.zrp", std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    RestorePoints::Store store(folder.string());
    for (const RestorePoints::Point& p : store.List()) {
        std::vector<uint8_t> bytes;
        std::string error;
        if (RestorePoints::Store::Load(p, bytes, error))
            g_sink += bytes[0];
        g_sink += static_cast<unsigned>(p.reason.size() + p.owner.size());
    }
    return 0;
}

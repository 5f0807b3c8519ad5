// Reads any bytes as the description of a recovery copy: it parses, or is refused,
// and what was parsed reads back the same from the text written for it.
#include "files/Recovery.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

using namespace zolmar;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string file;
    int64_t savedAt = 0;
    if (!Recovery::ParseInfo(text, file, savedAt))
        return 0;
    std::string again;
    int64_t at = -1;
    if (!Recovery::ParseInfo(Recovery::InfoText(file, savedAt), again, at) || again != file ||
        at != savedAt)
        std::abort();
    return 0;
}

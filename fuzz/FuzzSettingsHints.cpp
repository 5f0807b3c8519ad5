// Reads any bytes as a settings hints file: every entry, and a look-up by a name
// taken from the input itself.
#include "files/SettingsHints.h"

#include <cstddef>
#include <cstdint>
#include <string>

using namespace zolmar;

// Keeps the results from being optimised away.
size_t g_sink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    size_t total = 0;
    for (const auto& [name, hint] : SettingsHints::Entries(bytes))
        total += name.size() + hint.size();
    std::string name = bytes.substr(0, bytes.size() < 8 ? bytes.size() : 8);
    g_sink = total + SettingsHints::Lookup(bytes, name).size();
    return 0;
}

// Parses any bytes as an edit script and applies what parses to a small diagram.
#include "files/EditScript.h"
#include "files/NewConfiguration.h"
#include "model/ECU.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace zolmar;

namespace {

// A blank configuration with a few elements of every kind of block size, built once.
struct Start {
    SilentMessages messages;
    std::unique_ptr<tECU> ecu = std::make_unique<tECU>(messages);
    std::vector<uint8_t> image;
    Start() {
        NewConfiguration::MakeBlank(*ecu);
        const int types[] = {2, 4, 6, 1, 7, 12, 19, 16, 8, 5};
        for (int k = 0; k < 10; ++k)
            ecu->CreateElement(types[k], k, k, "E" + std::to_string(k), types[k] == 16 ? 0 : 1);
        image.assign(ecu->Image, ecu->Image + Layout::kImageSize);
    }
};

// Turns bytes into well-formed operations with arbitrary arguments, so that the
// model's operations are reached even from an empty corpus.
std::string structured(const uint8_t* data, size_t size) {
    static const char* const kForms[] = {
        "create",   "delete",     "link",       "literal",      "unlink",       "rename",
        "optimise", "const-byte", "const-word", "table-layout", "table-insert", "table-delete"};
    std::string script;
    for (size_t k = 0; k + 6 <= size && k < 6 * 48; k += 6) {
        const uint8_t* b = data + k;
        auto n = [&](int i) { return std::to_string(b[i]); };
        auto small = [&](int i) { return std::to_string(b[i] % 24); };
        auto value = [&](int i) { return std::to_string(static_cast<int8_t>(b[i]) * 7 / 3.0); };
        std::string form = kForms[b[0] % 12];
        std::string line = form + " ";
        switch (b[0] % 12) {
        case 0:
            line += n(1) + " " + n(2) + " " + n(3) + " " + std::to_string(b[4] % 128) + " N" + n(5);
            break;
        case 2:
            line += small(1) + " " + n(2) + " " + small(3) + " " + n(4);
            break;
        case 3:
            line += small(1) + " " + n(2) + " " + value(3);
            break;
        case 6:
            line += b[1] & 1 ? "balanced" : "latency";
            break;
        case 7:
        case 8:
            line += small(1) + " " + n(2) + " " + n(3);
            break;
        case 9:
            line += small(1) + " " + value(2) + " " + value(3) + " " + value(4);
            if (b[5] & 1)
                line += " " + value(5) + " " + value(2) + " " + value(4);
            break;
        case 10:
            line += small(1) + (b[2] & 1 ? " row " : " col ") + value(3);
            break;
        case 11:
            line += small(1) + (b[2] & 1 ? " row " : " col ") + n(3) + " " + n(4);
            break;
        default:
            line += small(1) + " " + n(2) + " T" + n(3);
            break;
        }
        script += line + "\n";
    }
    return script;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Start start;
    tECU& ecu = *start.ecu;
    std::memcpy(ecu.Image, start.image.data(), start.image.size());
    ecu.RebuildIndex(true, true);
    for (const std::string& script :
         {std::string(reinterpret_cast<const char*>(data), size), structured(data, size)}) {
        std::vector<EditScript::Operation> ops;
        std::string error;
        if (!EditScript::Parse(script, ops, error))
            continue;
        // Keep each run short: the structural operations walk the whole image.
        if (ops.size() > 64)
            ops.resize(64);
        for (const auto& op : ops)
            if (!EditScript::Apply(ecu, op, error))
                break;
    }
    return 0;
}

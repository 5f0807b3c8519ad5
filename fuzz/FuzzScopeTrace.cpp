// Draws any capture buffer with any scope settings: the ECU supplies the samples, the
// configuration the sources, scales, offsets and bands. Every trace must stay in the
// image and every lookup in its table (the sanitizers watch).
#include "model/ECU.h"
#include "scope/Scope.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

using namespace zolmar;
using namespace zolmar::scope;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static SilentMessages messages;
    static auto ecu = std::make_unique<tECU>(messages);
    if (size < 4)
        return 0;
    for (long k = ScopeMap::kBuffer; k < Layout::kImageSize; ++k)
        ecu->Image[k] = data[static_cast<size_t>(k) % size];
    for (long k = 0; k < 40; ++k)
        ecu->Image[Layout::kConstBase + 300 + k] = data[static_cast<size_t>(k * 3 + 1) % size];
    ecu->PackageMajor = data[0];
    ecu->PackageMinor = data[1];
    const ScopeSettings settings = ScopeSettings::Read(*ecu);
    std::array<int, 4> items{};
    for (int k = 0; k < 4; ++k)
        items[static_cast<size_t>(k)] = ItemOfCode(settings.source[static_cast<size_t>(k)]);
    const auto bands = LabelBands(items);
    const int reference = static_cast<int16_t>(data[2] | data[3] << 8);
    for (int k = -1; k <= 4; ++k) {
        const int item = k >= 0 && k < 4 ? items[static_cast<size_t>(k)] : data[2] % 21 - 1;
        (void)Trace(*ecu, k, item, settings, reference);
        (void)BitNames(item, data[3] & 1);
        (void)FixedLabel(item);
        if (k >= 0 && k < 4)
            for (int bit = 0; bit < 16; ++bit)
                (void)BitTrace(*ecu, k, bit, bands[static_cast<size_t>(k)]);
    }
    (void)CursorTime(static_cast<int8_t>(data[1]), data[0] % 20 - 2);
    (void)TriggerBitIndex(settings.triggerLevel);
    return 0;
}

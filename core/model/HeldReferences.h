#pragma once

#include "model/ElementId.h"

#include <array>
#include <cstdint>

namespace zolmar {

class tECU;

// The live addresses and name positions that the configuration keeps outside the
// element records: the fifteen onboard logging channels (gauge, its name, its
// validity gauge) and the scope's trigger and channel sources. The ECU reads them as
// they stand, so when a delete or a reordering moves the elements they point at,
// they must move too; pointing at an element that is gone they fall back to their
// unused values, never to whatever element took its place.
namespace HeldReferences {

inline constexpr int kLoggingChannels = 15;
inline constexpr int kScopeSources = 5; // trigger, channels 1-4

// One held live address: the element whose live block held it and the byte offset
// within that block; no owner when it pointed at no element.
struct LiveRef {
    ElementRef owner;
    int offset = 0;
    bool held = false; // the word pointed into some element's live block
};

struct Snapshot {
    std::array<LiveRef, kLoggingChannels> logged{};
    std::array<LiveRef, kLoggingChannels> valid{};
    std::array<ElementRef, kLoggingChannels> named{};
    std::array<bool, kLoggingChannels> nameHeld{};
    std::array<LiveRef, kScopeSources> scope{};
};

// Image offsets of the logging channel words.
long LoggedAddressOffset(int channel);
long NamePositionOffset(int channel);
long ValidAddressOffset(int channel);
// Constant address of scope source s (0 the trigger, 1..4 the channels).
int ScopeSourceAddress(int source);

// Taken before a structural change, with the old numbering.
Snapshot Capture(const tECU& ecu);
// After the change: rewrites every word whose element moved or went; words that
// stay as they were are not touched.
void Follow(tECU& ecu, const Snapshot& before);

} // namespace HeldReferences
} // namespace zolmar

#pragma once

#include "model/ECU.h"

#include <cstdint>

namespace zolmar {

// The fifteen internal (onboard) logging channels kept in the fixed constant
// data: per channel the live address of the logged gauge, that gauge's name
// position and the live address of its validity gauge (0xFFFF for none).
namespace LoggingChannels {

inline constexpr int kCount = 15;
inline constexpr uint16_t kNone = 0xFFFF;

struct Channel {
    uint16_t liveAddress = 0;
    uint16_t namePosition = 0;
    uint16_t validAddress = kNone;
};

// Image offsets of channel c's three words.
long LiveAddressOffset(int channel);
long NamePositionOffset(int channel);
long ValidAddressOffset(int channel);

Channel Read(const tECU& ecu, int channel);
// The Gauge element whose live address the channel logs, or -1.
int GaugeOf(const tECU& ecu, int channel);
// Logs Gauge element g on the channel: its live address, its name position and
// the live address of the first other Gauge named as g followed by " Valid".
// The six bytes are marked to be written. False for a channel outside 0..14 or
// an element that is no Gauge.
bool Assign(tECU& ecu, int channel, int gauge);

} // namespace LoggingChannels
} // namespace zolmar

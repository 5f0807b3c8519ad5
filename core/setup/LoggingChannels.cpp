#include "setup/LoggingChannels.h"

namespace zolmar::LoggingChannels {

long LiveAddressOffset(int channel) {
    return 0x0004 + 2L * channel;
}

long NamePositionOffset(int channel) {
    return 0x0022 + 2L * channel;
}

long ValidAddressOffset(int channel) {
    return 0x0040 + 2L * channel;
}

Channel Read(const tECU& ecu, int channel) {
    if (channel < 0 || channel >= kCount)
        return {};
    return {ecu.ImageWord(LiveAddressOffset(channel)), ecu.ImageWord(NamePositionOffset(channel)),
            ecu.ImageWord(ValidAddressOffset(channel))};
}

int GaugeOf(const tECU& ecu, int channel) {
    if (channel < 0 || channel >= kCount)
        return -1;
    uint16_t live = ecu.ImageWord(LiveAddressOffset(channel));
    for (int i = 0; i < ecu.NumElements; ++i)
        if (ecu.TypeOf(i) == ElementType::Gauge && ecu.ElementLiveOffset[i] == live)
            return i;
    return -1;
}

bool Assign(tECU& ecu, int channel, int gauge) {
    if (channel < 0 || channel >= kCount || gauge < 0 || gauge >= ecu.NumElements ||
        ecu.TypeOf(gauge) != ElementType::Gauge)
        return false;
    std::string valid = ecu.ExactNameOf(Layout::kNumPages + gauge) + " Valid";
    uint16_t validAddress = kNone;
    for (int i = 0; i < ecu.NumElements; ++i)
        if (i != gauge && ecu.TypeOf(i) == ElementType::Gauge &&
            ecu.ExactNameOf(Layout::kNumPages + i) == valid) {
            validAddress = ecu.ElementLiveOffset[i];
            break;
        }
    ecu.SetImageWord(LiveAddressOffset(channel), ecu.ElementLiveOffset[gauge], true);
    ecu.SetImageWord(NamePositionOffset(channel),
                     static_cast<uint16_t>(Layout::kNumPages * Layout::kNameLength +
                                           Layout::kNameLength * gauge),
                     true);
    ecu.SetImageWord(ValidAddressOffset(channel), validAddress, true);
    return true;
}

} // namespace zolmar::LoggingChannels

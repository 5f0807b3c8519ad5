#pragma once

#include "model/ECU.h"

#include <cstdint>

namespace zolmar {

// Where a table look-up puts a learnt cell: the model records it as an edit, the
// virtual ECU stores it and reports it in its status block.
class LearnSink {
public:
    virtual ~LearnSink() = default;
    // constAddr lies inside the constant area (0..31738).
    virtual void LearnConstWord(int constAddr, uint16_t value) = 0;
};

// ECU memory as the diagram evaluation sees it, without copying it: the configuration
// bytes by ECU address (constants from 0x400, logic from 0x8000), the live area the
// diagram reads and writes, and where learnt cells go. Any bytes may stand in it:
// reads outside the given bytes give 0 and live writes outside the live area are
// dropped, so no pattern can reach outside the arrays.
struct EcuMemoryView {
    const uint8_t* config = nullptr;
    uint32_t configSize = 0;
    uint8_t* live = nullptr; // Layout::kLiveSize bytes
    LearnSink* learn = nullptr;

    uint8_t ConfigByte(long address) const {
        return address >= 0 && static_cast<unsigned long>(address) < configSize ? config[address]
                                                                                : 0;
    }
    uint16_t ConfigWord(long address) const {
        if (address >= 0 && static_cast<unsigned long>(address) + 1 < configSize)
            return static_cast<uint16_t>(config[address] | (config[address + 1] << 8));
        return static_cast<uint16_t>(ConfigByte(address) | (ConfigByte(address + 1) << 8));
    }
    uint8_t ConstByte(long constAddr) const { return ConfigByte(Layout::kConstBase + constAddr); }
    uint16_t ConstWord(long constAddr) const { return ConfigWord(Layout::kConstBase + constAddr); }
    uint8_t LogicByte(long logicAddr) const { return ConfigByte(Layout::kLogicBase + logicAddr); }
    uint16_t LogicWord(long logicAddr) const { return ConfigWord(Layout::kLogicBase + logicAddr); }

    uint16_t LiveWord(long liveAddr) const {
        if (liveAddr < 0 || liveAddr + 1 >= Layout::kLiveSize)
            return 0;
        return static_cast<uint16_t>(live[liveAddr] | (live[liveAddr + 1] << 8));
    }
    void SetLiveWord(long liveAddr, uint16_t value) const {
        if (liveAddr < 0 || liveAddr + 1 >= Layout::kLiveSize)
            return;
        live[liveAddr] = static_cast<uint8_t>(value & 0xFF);
        live[liveAddr + 1] = static_cast<uint8_t>(value >> 8);
    }
    void Learn(int constAddr, uint16_t value) const {
        if (learn != nullptr && constAddr >= 0 && constAddr + 1 < Layout::kConstSize)
            learn->LearnConstWord(constAddr, value);
    }
};

// The model's own image as ECU memory: the configuration and live area of the image,
// learning through WriteConstWord, so a learnt cell is a change to be written to the
// ECU like any edit.
class ImageMemory : public LearnSink {
public:
    explicit ImageMemory(tECU& ecu) : ecu_(ecu) {
        view_.config = ecu.Image;
        view_.configSize = Layout::kImageSize;
        view_.live = ecu.Image + Layout::kLiveBase;
        view_.learn = this;
    }
    ImageMemory(const ImageMemory&) = delete;
    ImageMemory& operator=(const ImageMemory&) = delete;

    const EcuMemoryView& view() const { return view_; }
    void LearnConstWord(int constAddr, uint16_t value) override {
        ecu_.WriteConstWord(constAddr, value);
    }

private:
    tECU& ecu_;
    EcuMemoryView view_;
};

} // namespace zolmar

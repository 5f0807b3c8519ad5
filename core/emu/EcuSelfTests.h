#pragma once

#include "emu/VirtualEcu.h"

#include <array>
#include <cstdint>
#include <vector>

namespace zolmar::emu {

// The virtual ECU's hardware checks: the RAM test behind a read of 0x2B000, injector
// trace captures, the digital-input capacitor test and the 3.3 V reference
// calibration started through the command word, their results at 0x2B002, and the
// supply rails and injector readings in the live area.
class EcuSelfTests {
public:
    static constexpr uint32_t kResultBase = 0x2B000;
    static constexpr int kResultWords = 1 + 70;
    static constexpr int kSamples = 70;

    struct RamFault {
        uint32_t address; // even byte address
        uint8_t written;
        uint8_t read;
    };

    // Installs itself on the ECU (a memory handler, the command hook, held live words).
    explicit EcuSelfTests(VirtualEcu& ecu);
    EcuSelfTests(const EcuSelfTests&) = delete;
    EcuSelfTests& operator=(const EcuSelfTests&) = delete;

    // What the tests find: RAM cells that do not hold their value, the charge time of
    // each digital input's capacitor in ms, the reference offset a calibration measures.
    std::vector<RamFault> ramFaults;
    std::array<uint16_t, 8> chargeTimesMs{22, 21, 23, 22, 24, 20, 22, 23};
    uint16_t calibrationOffset = 517;
    int ramTestsRun() const { return ramTests_; }

    // Capture n (0..23) as the ECU measures it: even n a voltage, odd n a current trace.
    static uint16_t TraceSample(int capture, int k);

private:
    void command(uint16_t value);
    void ramTest();

    VirtualEcu& ecu_;
    std::array<uint16_t, 70> results_{};
    int ramTests_ = 0;
};

} // namespace zolmar::emu

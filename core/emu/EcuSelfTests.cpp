#include "emu/EcuSelfTests.h"

#include <algorithm>
#include <cmath>

namespace zolmar::emu {

namespace {
// Live words of the rails and the injector readings (live address / 2).
constexpr int kInjectorWords = 0xC0 / 2;
constexpr int kRail3V3Word = 0xF0 / 2;
constexpr int kRail5VWord = 0xF2 / 2;
} // namespace

EcuSelfTests::EcuSelfTests(VirtualEcu& ecu) : ecu_(ecu) {
    MemoryHandler results;
    results.begin = kResultBase;
    results.end = kResultBase + 2 * kResultWords;
    results.read = [this](uint32_t address, uint16_t& value) {
        uint32_t word = (address - kResultBase) / 2;
        if (word == 0) {
            ramTest(); // reading the count is what runs the test
            value = static_cast<uint16_t>(std::min<size_t>(ramFaults.size(), 0xFFFF));
        } else {
            value = results_[word - 1];
        }
        return true;
    };
    ecu_.AddHandler(results);
    auto previous = std::move(ecu_.onCommand);
    ecu_.onCommand = [this, previous](uint16_t value) {
        if (previous)
            previous(value);
        command(value);
    };
    // An idle engine's readings: rails at 3.3 V and 5 V (x 5000), injectors at the
    // battery's 13.9 V without current (x 50).
    auto& held = ecu_.Diagram().held;
    held.Hold(kRail3V3Word, 16500);
    held.Hold(kRail5VWord, 25000);
    for (int j = 0; j < 12; ++j) {
        held.Hold(kInjectorWords + 2 * j, 695);
        held.Hold(kInjectorWords + 2 * j + 1, 0);
    }
}

void EcuSelfTests::ramTest() {
    ++ramTests_;
    results_.fill(0);
    for (size_t r = 0; r < ramFaults.size() && r < 35; ++r) {
        results_[2 * r] = static_cast<uint16_t>(ramFaults[r].address / 2);
        results_[2 * r + 1] = static_cast<uint16_t>(ramFaults[r].written | ramFaults[r].read << 8);
    }
}

uint16_t EcuSelfTests::TraceSample(int capture, int k) {
    // Ten samples before the injector opens (0.5 ms), forty open (2 ms), then closed.
    const int injector = capture / 2;
    const double t = (k - 10) / 20.0; // ms
    const double battery = 13.9 - 0.05 * injector;
    if (capture % 2 == 0) {
        double volts = battery;
        if (t >= 0 && t < 2)
            volts = 0.4 + 0.3 * t;
        else if (t >= 2 && t < 2.4)
            volts = 16.0 - 4 * (t - 2); // the flyback, clamped
        return static_cast<uint16_t>(std::lround(volts * 248));
    }
    double amps = 0;
    if (t >= 0 && t < 2)
        amps = (1.1 + 0.02 * injector) * (1 - std::exp(-t / 0.6));
    else if (t >= 2)
        amps = (1.1 + 0.02 * injector) * (1 - std::exp(-2 / 0.6)) * std::exp(-(t - 2) / 0.08);
    return static_cast<uint16_t>(std::lround(amps * 2 * 68));
}

void EcuSelfTests::command(uint16_t value) {
    if (value >= 0x1000 && value < 0x1000 + 24) {
        int capture = value - 0x1000;
        for (int k = 0; k < kSamples; ++k)
            results_[static_cast<size_t>(k)] = TraceSample(capture, k);
    } else if (value == 0x2000) {
        results_.fill(0);
        std::copy(chargeTimesMs.begin(), chargeTimesMs.end(), results_.begin());
    } else if (value == 0x2001) {
        ecu_.WriteWord(0x000AE, calibrationOffset);
    }
}

} // namespace zolmar::emu

#pragma once

#include <array>
#include <cstdint>
#include <deque>

namespace zolmar::emu {

class VirtualEcu;

// The virtual ECU's scope: waits for its trigger once armed (mode bits 0), captures
// 256 samples per channel at the chosen time base around the trigger (mode bits 2)
// and marks the capture complete (mode bits 3). Live values come from a short history
// of the ECU's live words; the engine's fast signals (crank teeth, injection, ignition,
// knock windows, engine angle) are modelled from its speed.
class ScopeCapture {
public:
    static constexpr int kSamples = 256;
    static constexpr uint32_t kBuffer = 0x2A800;
    static constexpr uint32_t kSampleBase = 0x2A810;

    void Attach(VirtualEcu& ecu);
    // Advances to the ECU's time: trigger search, capture, completion.
    void Tick(VirtualEcu& ecu, uint64_t nowMs);

    // The engine model at time t (microseconds): crank degrees 0-720 and speed.
    struct Engine {
        double angle = 0; // degrees of the 720-degree cycle
        int rpm = 0;
    };
    Engine EngineAt(int64_t micros) const;
    // The value a source code reads at time t (microseconds).
    uint16_t SignalAt(const VirtualEcu& ecu, uint16_t code, int64_t micros) const;
    // Sample period of a time base, in microseconds (a division holds 24 samples).
    static double SamplePeriod(int timebase);
    bool Capturing() const { return state_ == State::Capturing; }
    uint64_t TriggerMicros() const { return triggerUs_; }

private:
    enum class State { Waiting, Capturing, Complete };
    struct History {
        uint64_t micros;
        std::array<uint16_t, 5> values; // channels 1-4 and the trigger source
    };
    uint16_t historyValue(int slot, int64_t micros) const;
    bool triggered(const VirtualEcu& ecu, int64_t from, int64_t to, int64_t& at) const;
    void fill(VirtualEcu& ecu);

    State state_ = State::Waiting;
    uint64_t triggerUs_ = 0;
    uint64_t lastUs_ = 0;
    double phase_ = 0; // crank revolutions at lastUs_
    int rpm_ = 0;
    std::deque<History> history_;
};

} // namespace zolmar::emu

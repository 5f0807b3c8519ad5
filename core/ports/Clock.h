#pragma once

#include <chrono>
#include <cstdint>

namespace zolmar {

// The millisecond tick used for time stamps and timeouts.
class Clock {
public:
    virtual ~Clock() = default;
    virtual uint32_t milliseconds() = 0;
};

// The real steady clock, counted from the clock's creation.
class SteadyClock : public Clock {
public:
    uint32_t milliseconds() override {
        auto elapsed = std::chrono::steady_clock::now() - start_;
        return static_cast<uint32_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
    }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// A clock that moves only when told to: for tests and simulations.
class ManualClock : public Clock {
public:
    uint32_t milliseconds() override { return now; }
    void advance(uint32_t ms) { now += ms; }
    uint32_t now = 0;
};

} // namespace zolmar

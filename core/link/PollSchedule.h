#pragma once

#include <chrono>

namespace zolmar {

// When the poll cycles of a program without a window-system timer are due, kept as a
// 50 ms timer keeps them: each cycle is due one period after the previous one was due,
// so a cycle that ran over does not push back every cycle after it; a cycle begun more
// than a period late is simply late, and the missed ones are not made up.
class PollSchedule {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr Clock::duration kPeriod = std::chrono::milliseconds(50);

    explicit PollSchedule(Clock::time_point firstDue, Clock::duration period = kPeriod)
        : due_(firstDue), period_(period) {}

    // A cycle begins at now: returns when the one after it is due.
    Clock::time_point Begin(Clock::time_point now) {
        lateness_ = now > due_ ? now - due_ : Clock::duration::zero();
        due_ += period_;
        if (due_ < now)
            due_ = now + period_;
        return due_;
    }
    Clock::time_point Due() const { return due_; }
    // How late the cycle begun last began.
    Clock::duration Lateness() const { return lateness_; }

private:
    Clock::time_point due_;
    Clock::duration period_;
    Clock::duration lateness_{};
};

} // namespace zolmar

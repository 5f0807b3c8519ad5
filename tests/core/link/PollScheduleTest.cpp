#include "link/PollSchedule.h"

#include <gtest/gtest.h>

using namespace zolmar;
using std::chrono::milliseconds;

namespace {

TEST(PollSchedule, ACycleThatRanOverDelaysOnlyTheNextAndMissedCyclesAreNotMadeUp) {
    const PollSchedule::Clock::time_point t0{};
    PollSchedule schedule(t0);
    // On time: due every 50 ms.
    EXPECT_EQ(schedule.Begin(t0), t0 + milliseconds(50));
    EXPECT_EQ(schedule.Lateness(), milliseconds(0));
    // The cycle due at 50 began 5 ms late (the one before ran 55 ms): the next is still
    // due at 100, not at 105.
    EXPECT_EQ(schedule.Begin(t0 + milliseconds(55)), t0 + milliseconds(100));
    EXPECT_EQ(schedule.Lateness(), milliseconds(5));
    // Early starts (a sleep that returned early) do not move the rhythm either.
    EXPECT_EQ(schedule.Begin(t0 + milliseconds(99)), t0 + milliseconds(150));
    EXPECT_EQ(schedule.Lateness(), milliseconds(0));
    // More than a period late (a transaction time-out): the next is due a period after
    // this one began; the cycle due at 200 is never run twice over.
    EXPECT_EQ(schedule.Begin(t0 + milliseconds(320)), t0 + milliseconds(370));
    EXPECT_EQ(schedule.Lateness(), milliseconds(170));
    EXPECT_EQ(schedule.Begin(t0 + milliseconds(371)), t0 + milliseconds(420));
}

} // namespace

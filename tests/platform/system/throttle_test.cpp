#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "platform/system/throttle.h"

TEST(TThrottle, LooksAtTheClockEveryFewQuestionsAndAnswersOncePerInterval)
{
    TThrottle throttle;
    throttle.Restart();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    // The interval has passed, but only every CallsPerLook-th question looks.
    for (unsigned i = 1; i < TThrottle::CallsPerLook; ++i)
        EXPECT_FALSE(throttle.Due(20)) << i;
    EXPECT_TRUE(throttle.Due(20));
    // Just answered: not again before the interval has passed anew.
    for (unsigned i = 1; i <= 2 * TThrottle::CallsPerLook; ++i)
        EXPECT_FALSE(throttle.Due(10'000)) << i;

    // With no interval, every question is due.
    throttle.Restart();
    EXPECT_TRUE(throttle.Due(0));
    EXPECT_TRUE(throttle.Due(0));
}

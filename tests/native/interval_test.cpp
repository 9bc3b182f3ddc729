// How long ago the last change was, and what a tick of the interval timer does with it.
#include <gtest/gtest.h>

#include "mainwin/interval.h"

using mrv::ClockReading;
using mrv::TickAction;

TEST(Interval, ElapsedTimeCountsWholeDates) {
    struct Case {
        ClockReading from, to;
        long long ms;
    };
    const Case cases[] = {
        {{2024, 5, 1, 10, 0, 0, 0}, {2024, 5, 1, 10, 1, 0, 0}, 60000},
        {{2024, 5, 1, 23, 59, 30, 0}, {2024, 5, 2, 0, 0, 20, 0}, 50000},      // across midnight
        {{2024, 12, 31, 23, 0, 0, 0}, {2025, 1, 1, 1, 0, 0, 0}, 7200000},     // across a year
        {{2024, 2, 28, 12, 0, 0, 0}, {2024, 3, 1, 12, 0, 0, 0}, 172800000},   // a leap day between
        {{2023, 2, 28, 12, 0, 0, 0}, {2023, 3, 1, 12, 0, 0, 0}, 86400000},
        {{2024, 5, 1, 10, 0, 0, 900}, {2024, 5, 1, 10, 1, 0, 100}, 59200},    // milliseconds count
        {{2024, 5, 1, 10, 0, 0, 0}, {2024, 5, 3, 10, 0, 0, 0}, 172800000},    // two whole days
        {{2024, 5, 1, 10, 0, 0, 0}, {2024, 5, 1, 9, 0, 0, 0}, -3600000},      // the clock went back
    };
    for (const Case& c : cases) EXPECT_EQ(mrv::ElapsedMilliseconds(c.from, c.to), c.ms) << c.ms;
}

TEST(Interval, TickChangesOnceTheWholeIntervalHasPassed) {
    const ClockReading last{2024, 5, 1, 23, 59, 30, 0};
    struct Case {
        ClockReading now;
        int minutes;
        TickAction action;
    };
    const Case cases[] = {
        {{2024, 5, 2, 0, 0, 29, 999}, 1, TickAction::Wait},     // 59.999 s
        {{2024, 5, 2, 0, 0, 30, 0}, 1, TickAction::Change},     // 60 s, never earlier
        {{2024, 5, 2, 23, 59, 29, 0}, 1440, TickAction::Wait},  // a day less a second
        {{2024, 5, 2, 23, 59, 30, 0}, 1440, TickAction::Change},
        {{2024, 5, 3, 23, 59, 30, 0}, 2880, TickAction::Change},  // two days
        {{2024, 5, 3, 23, 59, 29, 0}, 2880, TickAction::Wait},
        {{2024, 5, 1, 23, 59, 30, 0}, 0, TickAction::Change},   // 0 minutes: every tick
        {{2024, 5, 1, 23, 59, 31, 0}, -5, TickAction::Change},
        {{2024, 5, 1, 22, 0, 0, 0}, 1, TickAction::Restart},    // the clock went back
        {{2024, 5, 1, 23, 59, 29, 0}, 0, TickAction::Restart},
    };
    for (const Case& c : cases)
        EXPECT_EQ(mrv::IntervalTick(last, c.now, c.minutes), c.action) << c.minutes << " " << c.now.hour;
}

// How long ago the last change was, for the interval timer of the main window.
#pragma once
#include <cstdint>

#include "core/nextwall.h"

namespace mrv {

// Milliseconds from `from` to `to`, both local calendar readings, dates included, so that intervals
// of a day or more are measured whole. Negative when `to` lies before `from` (the clock was set back).
std::int64_t ElapsedMilliseconds(const ClockReading& from, const ClockReading& to);

// What a tick of the interval timer does.
enum class TickAction {
    Wait,        // the interval has not passed yet
    Change,      // the interval has passed: the next wallpaper is due, counted from now
    Restart,     // the clock went back: count the interval from now, without a change
};

// intervalMinutes of 0 or less makes every tick a change.
TickAction IntervalTick(const ClockReading& lastChange, const ClockReading& now, int intervalMinutes);

}  // namespace mrv

#include "mainwin/interval.h"

namespace mrv {

namespace {

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

std::int64_t Milliseconds(const ClockReading& t) {
    const std::int64_t days = DaysFromCivil(t.year, t.month, t.day);
    return (((days * 24 + t.hour) * 60 + t.minute) * 60 + t.second) * 1000 + t.millisecond;
}

}  // namespace

std::int64_t ElapsedMilliseconds(const ClockReading& from, const ClockReading& to) {
    return Milliseconds(to) - Milliseconds(from);
}

TickAction IntervalTick(const ClockReading& lastChange, const ClockReading& now, int intervalMinutes) {
    const std::int64_t elapsed = ElapsedMilliseconds(lastChange, now);
    if (elapsed < 0) return TickAction::Restart;
    if (elapsed < static_cast<std::int64_t>(intervalMinutes) * 60000) return TickAction::Wait;
    return TickAction::Change;
}

}  // namespace mrv

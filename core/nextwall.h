// Choosing the next wallpaper: every entry once per pass, in list order or at random.
#pragma once
#include <cstdint>

#include "core/listfile.h"

namespace mrv {

struct ClockReading {
    int year, month, day, hour, minute, second, millisecond;
};

// The seed the random order takes from the local clock; it always fits 32 bits.
std::int32_t ClockSeed(const ClockReading& t);

// True when field 0 of the line is exactly "0", i.e. the entry waits to be shown in this pass.
bool IsUnshown(const std::string& line);

// Starts a new pass by making every shown flag "0"; the rest of each line is kept as it is.
void ResetShownFlags(StringList& list);

// The next entry to show, or -1 for an empty list. Starts a new pass when every entry has been
// shown. changeOperate 1 draws uniformly among the unshown entries with a generator seeded by `seed`
// (the same seed and list give the same entry); any other value continues in list order after
// wallIndex. Never returns a shown entry. At most one pass over the list in list order, and about
// one in random order.
int NextWallIndex(StringList& list, int wallIndex, int changeOperate, std::int32_t seed);

}  // namespace mrv

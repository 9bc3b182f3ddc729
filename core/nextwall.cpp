#include "core/nextwall.h"

#include <random>

namespace mrv {

std::int32_t ClockSeed(const ClockReading& t) {
    return t.year * 10000 + t.month * 100 + t.day + t.hour * 10000000 + t.minute * 100000 + t.second * 1000 +
           t.millisecond;
}

bool IsUnshown(const std::string& line) {
    return !line.empty() && line[0] == '0' && (line.size() == 1 || line[1] == ',');
}

void ResetShownFlags(StringList& list) {
    for (auto& line : list) {
        // The whole flag field becomes "0" (not only its first character), so that a line with an
        // empty or overlong flag can be chosen again instead of keeping the search from ending;
        // nothing after the flag is touched, so long paths stay whole.
        const std::size_t comma = line.find(',');
        line.replace(0, comma == std::string::npos ? line.size() : comma, "0");
    }
}

int NextWallIndex(StringList& list, int wallIndex, int changeOperate, std::int32_t seed) {
    const long long n = static_cast<long long>(list.size());
    if (n == 0) return -1;

    long long unshown = 0;
    for (const auto& line : list)
        if (IsUnshown(line)) ++unshown;
    if (unshown == 0) {
        ResetShownFlags(list);
        unshown = n;
    }

    if (changeOperate == 1) {
        // One draw among the unshown entries instead of redrawing over the whole list until one comes
        // up: the cost no longer depends on how few entries are left in the pass.
        std::mt19937 gen(static_cast<std::uint32_t>(seed));
        std::uniform_int_distribution<long long> pick(0, unshown - 1);
        long long k = pick(gen);
        for (long long i = 0; i < n; ++i)
            if (IsUnshown(list[static_cast<std::size_t>(i)]) && k-- == 0) return static_cast<int>(i);
        return -1;  // unreachable: k < unshown
    }

    long long i = wallIndex;
    for (;;) {
        ++i;
        if (i >= n) i = 0;
        if (i < 0) throw ListIndexError(i);
        if (IsUnshown(list[static_cast<std::size_t>(i)])) return static_cast<int>(i);
    }
}

}  // namespace mrv

#include "core/nextwall.h"

#include <random>
#include <vector>

namespace mrv {

namespace {
// Draws tried before the random order falls back to listing the entries left in the pass: with half
// of them left, all of these miss once in four thousand million calls.
constexpr int kRandomProbes = 32;
}  // namespace

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
    auto unshown = [&](long long i) { return IsUnshown(list[static_cast<std::size_t>(i)]); };

    if (changeOperate == 1) {
        // Draws over the whole list that are kept only when they meet an unshown entry are uniform
        // among the unshown entries; they settle the usual case without looking at every line.
        std::mt19937 gen(static_cast<std::uint32_t>(seed));
        std::uniform_int_distribution<long long> any(0, n - 1);
        for (int probe = 0; probe < kRandomProbes; ++probe) {
            const long long i = any(gen);
            if (unshown(i)) return static_cast<int>(i);
        }
        // Few entries left in the pass: one draw among exactly those, whatever their number.
        std::vector<long long> left;
        for (long long i = 0; i < n; ++i)
            if (unshown(i)) left.push_back(i);
        if (left.empty()) {
            ResetShownFlags(list);
            return static_cast<int>(any(gen));
        }
        std::uniform_int_distribution<std::size_t> pick(0, left.size() - 1);
        return static_cast<int>(left[pick(gen)]);
    }

    // One turn round the list from the entry after the last choice finds the next unshown entry or
    // shows that every entry has been shown.
    long long i = static_cast<long long>(wallIndex) + 1;
    if (i >= n) i = 0;
    if (i < 0) throw ListIndexError(i);
    for (long long step = 0; step < n; ++step) {
        if (unshown(i)) return static_cast<int>(i);
        if (++i >= n) i = 0;
    }
    // A new pass continues after the last choice, so no entry repeats at once.
    ResetShownFlags(list);
    return static_cast<int>(i);
}

}  // namespace mrv

// Choosing the next wallpaper in a list of 100,000 entries, in list order and at random, with every
// entry unshown, half of them shown, and one left. The baseline, measured in the same run, is the
// plain reading of the selection: field 0 read through GetListField for every test, and at random
// the generator re-seeded from the clock before every draw over the whole list until an unshown
// entry comes up (capped, since with one entry left that takes about as many clock ticks as there
// are entries).
#include "bench/bench_clock.h"
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "core/listfile.h"
#include "core/muravine_rtn.h"
#include "core/nextwall.h"

namespace {

constexpr int kEntries = 100000;
constexpr double kBudgetMs = 2.0;
constexpr double kLiteralCapMs = 3000.0;

std::int32_t ClockSeedNow() {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return mrv::ClockSeed({t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds});
}

// The classic seeded generator: one linear-congruential step, then the high half of seed * n.
int DrawAfterSeeding(std::int32_t seed, int n) {
    const std::uint32_t next = static_cast<std::uint32_t>(seed) * 0x08088405u + 1u;
    return static_cast<int>((static_cast<std::uint64_t>(next) * static_cast<std::uint32_t>(n)) >> 32);
}

// The selection read literally; -2 when the cap ran out before an entry came up.
int LiteralNextWallIndex(mrv::StringList& list, int wallIndex, int changeOperate, double capMs) {
    const int n = static_cast<int>(list.size());
    if (n == 0) return -1;
    int shown = 0;
    for (const auto& line : list)
        if (mrv::GetListField(line, 0) != "0") ++shown;
    if (shown == n)
        for (auto& line : list) line = "0" + line.substr(std::min<std::size_t>(1, line.size()), 256);
    const double start = NowMs();
    int i = wallIndex;
    for (;;) {
        if (changeOperate == 1) {
            i = DrawAfterSeeding(ClockSeedNow(), n);
        } else {
            ++i;
            if (i >= n) i = 0;
        }
        if (mrv::GetListField(list[static_cast<std::size_t>(i)], 0) == "0") return i;
        if (NowMs() - start > capMs) return -2;
    }
}

struct Case {
    const char* name;
    int shownPattern;  // 0 all unshown, 1 first half shown, 2 all but entry 0 shown
    int wallIndex;
};

mrv::StringList MakeList(int pattern) {
    mrv::StringList list;
    list.reserve(kEntries);
    for (int i = 0; i < kEntries; ++i) {
        const bool shown = pattern == 1 ? i < kEntries / 2 : pattern == 2 ? i != 0 : false;
        char line[96];
        std::snprintf(line, sizeof line, "%d,%d,C:\\Users\\taro\\Pictures\\wallpapers\\photo%06d.jpg,", shown ? 1 : 0,
                      i % 3, i);
        list.emplace_back(line);
    }
    return list;
}

}  // namespace

int main() {
    const Case cases[] = {{"all unshown", 0, 0}, {"half shown", 1, -1}, {"one unshown", 2, 0}};
    std::printf("NextWallIndex on %d entries (budget %.1f ms a call; baseline capped at %.0f ms a call)\n\n",
                kEntries, kBudgetMs, kLiteralCapMs);
    std::printf("%-8s %-12s %12s %14s %10s  %s\n", "order", "list", "ms/call", "baseline ms", "baseline/x", "budget");
    bool withinBudget = true;
    for (int order : {0, 1}) {
        for (const Case& c : cases) {
            gv_lstWall = std::make_unique<mrv::StringList>(MakeList(c.shownPattern));
            gv_iChangeOperate = order;
            gv_iWallIndex = c.wallIndex;

            constexpr int calls = 200;
            int chosen = -1;
            const double t0 = NowMs();
            for (int k = 0; k < calls; ++k) chosen = NextWallIndex();
            const double ours = (NowMs() - t0) / calls;
            const bool valid = chosen >= 0 && mrv::IsUnshown((*gv_lstWall)[static_cast<std::size_t>(chosen)]);

            mrv::StringList copy = MakeList(c.shownPattern);
            const int literalCalls = order == 1 && c.shownPattern == 2 ? 1 : 10;
            bool capped = false;
            const double t1 = NowMs();
            for (int k = 0; k < literalCalls; ++k)
                capped = LiteralNextWallIndex(copy, c.wallIndex, order, kLiteralCapMs) == -2 || capped;
            const double literal = (NowMs() - t1) / literalCalls;

            const bool ok = ours <= kBudgetMs && valid;
            withinBudget = withinBudget && ok;
            std::printf("%-8s %-12s %12.4f %13.3f%s %9.0fx%s  %s\n", order == 1 ? "random" : "list", c.name, ours,
                        literal, capped ? "+" : " ", literal / ours, capped ? "+" : " ",
                        !valid ? "WRONG ENTRY" : ok ? "ok" : "OVER BUDGET");
        }
    }
    std::printf("\n+ : the baseline had not found an entry when its cap ran out; the true ratio is larger.\n");
    gv_lstWall.reset();
    return withinBudget ? 0 : 1;
}

#include "core/nextwall.h"

#include <gtest/gtest.h>

#include <map>

using namespace mrv;

namespace {
StringList Entries(std::initializer_list<const char*> flags) {
    StringList l;
    int i = 0;
    for (const char* f : flags) l.push_back(std::string(f) + ",0,C:\\p" + std::to_string(i++) + ".bmp,");
    return l;
}
void MarkShown(StringList& l, int i) { l[static_cast<std::size_t>(i)] = MakeShownLine(l[static_cast<std::size_t>(i)]); }
}  // namespace

TEST(NextWallIndex, ListOrderContinuesAfterTheLastChoice) {
    StringList l = Entries({"0", "0", "0"});
    EXPECT_EQ(NextWallIndex(l, 0, 0, 0), 1);
    MarkShown(l, 1);
    EXPECT_EQ(NextWallIndex(l, 1, 0, 0), 2);
    MarkShown(l, 2);
    EXPECT_EQ(NextWallIndex(l, 2, 0, 0), 0);
}

TEST(NextWallIndex, StartsAtTheTopOutsideTheList) {
    for (int start : {-1, 3, 100}) {
        StringList l = Entries({"0", "0", "0"});
        EXPECT_EQ(NextWallIndex(l, start, 0, 0), 0) << start;
    }
    StringList l = Entries({"0"});
    EXPECT_THROW(NextWallIndex(l, -5, 0, 0), ListIndexError);
}

TEST(NextWallIndex, WrapsBackToAnEntryWhoseChangeFailed) {
    StringList l = Entries({"1", "0", "1"});
    EXPECT_EQ(NextWallIndex(l, 1, 0, 0), 1);
}

TEST(NextWallIndex, EmptyListGivesMinusOne) {
    StringList l;
    EXPECT_EQ(NextWallIndex(l, 0, 0, 0), -1);
    EXPECT_EQ(NextWallIndex(l, 0, 1, 0), -1);
}

TEST(NextWallIndex, NewPassClearsEveryFlagAndMovesOn) {
    StringList l = Entries({"1", "2", "1"});
    EXPECT_EQ(NextWallIndex(l, 2, 0, 0), 0);
    for (const auto& line : l) EXPECT_TRUE(IsUnshown(line)) << line;
    EXPECT_EQ(l[1], "0,0,C:\\p1.bmp,");

    StringList one = Entries({"0"});
    EXPECT_EQ(NextWallIndex(one, 0, 0, 0), 0);
    MarkShown(one, 0);
    EXPECT_EQ(NextWallIndex(one, 0, 0, 0), 0);
    EXPECT_TRUE(IsUnshown(one[0]));
}

TEST(NextWallIndex, OddFlagsAndLongLinesSurviveANewPass) {
    // Empty or overlong flags must not keep the search from ending, and a long path is not cut.
    const std::string longPath(600, 'z');
    StringList l = {"", "11,1,C:\\a.bmp,", "1,0," + longPath + ","};
    EXPECT_EQ(NextWallIndex(l, -1, 0, 0), 0);
    EXPECT_EQ(l[0], "0");
    EXPECT_EQ(l[1], "0,1,C:\\a.bmp,");
    EXPECT_EQ(l[2], "0,0," + longPath + ",");
}

TEST(NextWallIndex, RandomOrderPicksOnlyUnshownEntriesUniformly) {
    StringList l(500, "1,0,C:\\a.bmp,");
    l[321] = "0,0,C:\\only.bmp,";
    for (int seed = 0; seed < 50; ++seed) EXPECT_EQ(NextWallIndex(l, 0, 1, seed), 321);

    // Many unshown entries and very few: each unshown entry comes up about equally often.
    struct Case {
        StringList list;
        std::vector<int> unshown;
    } cases[] = {{Entries({"0", "1", "0", "0"}), {0, 2, 3}}, {StringList(1000, "1,0,C:\\a.bmp,"), {7, 500, 999}}};
    for (int i : cases[1].unshown) cases[1].list[static_cast<std::size_t>(i)] = "0,0,C:\\b.bmp,";
    for (auto& c : cases) {
        std::map<int, int> seen;
        constexpr int draws = 3000;
        for (int seed = 0; seed < draws; ++seed) seen[NextWallIndex(c.list, 0, 1, seed)]++;
        ASSERT_EQ(seen.size(), c.unshown.size());
        for (int i : c.unshown) {
            EXPECT_GT(seen[i], draws / 3 - 150) << i;
            EXPECT_LT(seen[i], draws / 3 + 150) << i;
        }
    }
    // The same seed draws the same entry.
    StringList four = Entries({"0", "1", "0", "0"});
    EXPECT_EQ(NextWallIndex(four, 0, 1, 12345), NextWallIndex(four, 0, 1, 12345));
}

TEST(NextWallIndex, RandomOrderStartsANewPassWhenEverythingWasShown) {
    StringList l = Entries({"1", "1", "1"});
    const int i = NextWallIndex(l, 2, 1, 99);
    EXPECT_GE(i, 0);
    EXPECT_LT(i, 3);
    for (const auto& line : l) EXPECT_TRUE(IsUnshown(line)) << line;
}

TEST(ClockSeed, CombinesTheClockAsDocumented) {
    EXPECT_EQ(ClockSeed({2026, 12, 31, 23, 59, 59, 999}),
              2026 * 10000 + 12 * 100 + 31 + 23 * 10000000 + 59 * 100000 + 59 * 1000 + 999);
}

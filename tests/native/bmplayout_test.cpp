#include "imaging/bmplayout.h"

#include <gtest/gtest.h>

#include <vector>

using namespace mrv;

namespace {
std::vector<std::uint8_t> Header(std::int32_t w, std::int32_t h, std::uint16_t bits, std::uint32_t sizeImage,
                                 std::uint32_t compression = 0, std::size_t extra = 0) {
    std::vector<std::uint8_t> b(40 + extra, 0);
    auto put32 = [&](std::size_t off, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b[off + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put32(0, 40);
    put32(4, static_cast<std::uint32_t>(w));
    put32(8, static_cast<std::uint32_t>(h));
    b[12] = 1;
    b[14] = static_cast<std::uint8_t>(bits);
    put32(16, compression);
    put32(20, sizeImage);
    return b;
}
std::uint32_t Le32(const std::uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24; }
}  // namespace

TEST(PlanBmp, OffsetsAndSizesForEveryDepth) {
    struct Case {
        std::uint16_t bits;
        std::uint32_t offBits;
        std::uint32_t compression;
    } cases[] = {{1, 62, 0}, {4, 118, 0}, {8, 1078, 0}, {16, 54, 3}, {24, 54, 0}, {32, 54, 3}};
    for (const auto& c : cases) {
        const auto info = Header(7, 5, c.bits, 100, c.compression, BmpPaletteBytes(c.bits));
        const BmpPlan p = PlanBmp(info.data(), info.size(), 100);
        ASSERT_TRUE(p.ok) << c.bits << " " << p.error;
        EXPECT_EQ(p.offBits, c.offBits);
        EXPECT_EQ(p.infoBytes, c.offBits - 14);
        EXPECT_EQ(p.pixelBytes, 100u);
        EXPECT_EQ(p.fileHeader[0], 'B');
        EXPECT_EQ(p.fileHeader[1], 'M');
        EXPECT_EQ(Le32(&p.fileHeader[2]), c.offBits + 100);
        EXPECT_EQ(p.fileHeader[6] | p.fileHeader[7] | p.fileHeader[8] | p.fileHeader[9], 0);
        EXPECT_EQ(Le32(&p.fileHeader[10]), c.offBits);
    }
}

TEST(PlanBmp, ZeroSizeImageIsWorkedOut) {
    // 3 pixels of 24 bits = 9 bytes, padded to 12; 4 rows; top-down heights count the same.
    for (std::int32_t h : {4, -4}) {
        const auto info = Header(3, h, 24, 0);
        const BmpPlan p = PlanBmp(info.data(), info.size(), 48);
        ASSERT_TRUE(p.ok) << p.error;
        EXPECT_EQ(p.pixelBytes, 48u);
    }
    const auto one = Header(33, 2, 1, 0, 0, 8);  // 33 bits -> 8 bytes a row
    EXPECT_EQ(PlanBmp(one.data(), one.size(), 16).pixelBytes, 16u);
}

TEST(PlanBmp, RefusesBlocksThatHoldLessThanClaimed) {
    const auto info = Header(10, 10, 24, 400);
    EXPECT_FALSE(PlanBmp(info.data(), info.size(), 399).ok);
    EXPECT_FALSE(PlanBmp(info.data(), 39, 400).ok);
    const auto pal = Header(10, 10, 8, 100);  // no room for its 256-entry palette
    EXPECT_FALSE(PlanBmp(pal.data(), pal.size(), 100).ok);
    const auto zero = Header(100, 100, 24, 0);  // size worked out (30000) is more than the block
    EXPECT_FALSE(PlanBmp(zero.data(), zero.size(), 1000).ok);
    const auto huge = Header(0x7FFFFFFF, 0x7FFFFFFF, 32, 0);
    EXPECT_FALSE(PlanBmp(huge.data(), huge.size(), 1u << 20).ok);
    const auto bad = Header(10, 10, 7, 100);
    EXPECT_FALSE(PlanBmp(bad.data(), bad.size(), 100).ok);
    const auto empty = Header(0, 10, 24, 0);
    EXPECT_FALSE(PlanBmp(empty.data(), empty.size(), 100).ok);
    EXPECT_FALSE(PlanBmp(nullptr, 0, 100).ok);
}

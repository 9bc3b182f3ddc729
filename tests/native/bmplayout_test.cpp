#include "imaging/bmplayout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace mrv;

namespace {
using Bytes = std::vector<std::uint8_t>;

void Put32(Bytes& b, std::size_t off, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[off + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
std::uint32_t Le32(const std::uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24; }

// An information block: a header of headerSize bytes, then `extra` bytes numbered 1, 2, 3, ...
Bytes Header(std::int32_t w, std::int32_t h, std::uint16_t bits, std::uint32_t sizeImage,
             std::uint32_t compression = 0, std::size_t extra = 0, std::uint32_t headerSize = 40,
             std::uint32_t clrUsed = 0) {
    Bytes b(std::max<std::size_t>(headerSize, 40) + extra, 0);
    Put32(b, 0, headerSize);
    Put32(b, 4, static_cast<std::uint32_t>(w));
    Put32(b, 8, static_cast<std::uint32_t>(h));
    b[12] = 1;
    b[14] = static_cast<std::uint8_t>(bits);
    Put32(b, 16, compression);
    Put32(b, 20, sizeImage);
    Put32(b, 24, 2835);
    Put32(b, 32, clrUsed);
    for (std::size_t i = 40; i < b.size(); ++i) b[i] = static_cast<std::uint8_t>(i - 39);
    return b;
}
}  // namespace

TEST(PlanBmp, UsualBlocksAreCopiedByteForByteAtEveryDepth) {
    // 7 x 5 pixels; biSizeImage as the rows need it.
    struct Case {
        std::uint16_t bits;
        std::uint32_t offBits;
        std::uint32_t sizeImage;
    } cases[] = {{1, 62, 20}, {4, 118, 20}, {8, 1078, 40}, {16, 54, 80}, {24, 54, 120}, {32, 54, 140}};
    for (const auto& c : cases) {
        for (std::int32_t height : {5, -5}) {
            const Bytes info = Header(7, height, c.bits, c.sizeImage, 0, BmpPaletteBytes(c.bits));
            const BmpPlan p = PlanBmp(info.data(), info.size(), c.sizeImage);
            ASSERT_TRUE(p.ok()) << c.bits;
            EXPECT_EQ(p.offBits, c.offBits);
            EXPECT_EQ(p.pixelBytes, c.sizeImage);
            ASSERT_EQ(p.head.size(), c.offBits);
            EXPECT_EQ(p.head[0], 'B');
            EXPECT_EQ(p.head[1], 'M');
            EXPECT_EQ(Le32(&p.head[2]), c.offBits + c.sizeImage);
            EXPECT_EQ(Le32(&p.head[6]), 0u);
            EXPECT_EQ(Le32(&p.head[10]), c.offBits);
            EXPECT_EQ(Bytes(p.head.begin() + 14, p.head.end()), info) << c.bits;
        }
    }
}

TEST(PlanBmp, SixteenAndThirtyTwoBitsKeepTheirMasksAndNothingElse) {
    for (std::uint16_t bits : {16, 32}) {
        // Bit fields: the three masks after the header belong to the file.
        const Bytes fields = Header(2, 2, bits, 16, 3, 12);
        BmpPlan p = PlanBmp(fields.data(), fields.size(), 16);
        ASSERT_TRUE(p.ok());
        EXPECT_EQ(p.offBits, 66u);
        EXPECT_EQ(Bytes(p.head.begin() + 14, p.head.end()), fields);
        // Without bit fields whatever follows the header is not written.
        const Bytes plain = Header(2, 2, bits, 16, 0, 12);
        p = PlanBmp(plain.data(), plain.size(), 16);
        ASSERT_TRUE(p.ok());
        EXPECT_EQ(p.offBits, 54u);
        // Masks announced but not there.
        const Bytes missing = Header(2, 2, bits, 16, 3);
        EXPECT_EQ(PlanBmp(missing.data(), missing.size(), 16).fault, BmpFault::MissingMasks);
    }
}

TEST(PlanBmp, LongerHeadersAreWrittenAsTheUsualOne) {
    // A 124-byte header with an 8-bit palette after it: the file gets 40 bytes of header
    // (saying 40) and the palette from where it really is.
    const Bytes info = Header(4, 4, 8, 16, 0, 1024, 124);
    const BmpPlan p = PlanBmp(info.data(), info.size(), 16);
    ASSERT_TRUE(p.ok());
    EXPECT_EQ(p.offBits, 1078u);
    EXPECT_EQ(Le32(&p.head[14]), 40u);
    EXPECT_EQ(Bytes(p.head.begin() + 18, p.head.begin() + 54), Bytes(info.begin() + 4, info.begin() + 40));
    EXPECT_EQ(Bytes(p.head.begin() + 54, p.head.end()), Bytes(info.begin() + 124, info.end()));
    // Bit fields of a longer header sit inside it, right after the first 40 bytes.
    const Bytes v5 = Header(2, 2, 32, 16, 3, 0, 124);
    const BmpPlan q = PlanBmp(v5.data(), v5.size(), 16);
    ASSERT_TRUE(q.ok());
    EXPECT_EQ(q.offBits, 66u);
    EXPECT_EQ(Bytes(q.head.begin() + 54, q.head.end()), Bytes(v5.begin() + 40, v5.begin() + 52));
}

TEST(PlanBmp, APaletteShorterThanTheDepthAllowsIsTakenWhenTheHeaderCountsIt) {
    const Bytes info = Header(4, 4, 8, 16, 0, 16 * 4, 40, 16);
    const BmpPlan p = PlanBmp(info.data(), info.size(), 16);
    ASSERT_TRUE(p.ok());
    EXPECT_EQ(p.offBits, 54u + 64u);
    EXPECT_EQ(Bytes(p.head.begin() + 14, p.head.end()), info);
    // A full palette is written whole, whatever biClrUsed says.
    const Bytes full = Header(4, 4, 8, 16, 0, 1024, 40, 16);
    EXPECT_EQ(PlanBmp(full.data(), full.size(), 16).offBits, 1078u);
}

TEST(PlanBmp, PixelSizeIsWorkedOutWhenTheHeaderGivesTooLittle) {
    // 3 pixels of 24 bits = 9 bytes, padded to 12; 4 rows; top-down heights count the same.
    for (std::int32_t h : {4, -4}) {
        for (std::uint32_t claimed : {0u, 20u}) {
            const Bytes info = Header(3, h, 24, claimed);
            const BmpPlan p = PlanBmp(info.data(), info.size(), 48);
            ASSERT_TRUE(p.ok());
            EXPECT_EQ(p.pixelBytes, 48u);
            EXPECT_EQ(Le32(&p.head[2]), 54u + 48u);
            EXPECT_EQ(Le32(&p.head[34]), claimed) << "the header itself is kept";
        }
    }
    const Bytes one = Header(33, 2, 1, 0, 0, 8);  // 33 bits -> 8 bytes a row
    EXPECT_EQ(PlanBmp(one.data(), one.size(), 16).pixelBytes, 16u);
    // More than the rows need is written as claimed, as long as the block holds it.
    const Bytes padded = Header(3, 4, 24, 64);
    EXPECT_EQ(PlanBmp(padded.data(), padded.size(), 64).pixelBytes, 64u);
    // Compressed pixels go by the header's size alone.
    const Bytes rle = Header(100, 100, 8, 300, 1, 1024);
    EXPECT_EQ(PlanBmp(rle.data(), rle.size(), 300).pixelBytes, 300u);
}

TEST(PlanBmp, RefusesBlocksThatHoldLessThanClaimedOrMakeNoPicture) {
    struct Case {
        const char* what;
        Bytes info;
        std::size_t infoSize;  // 0: all of info
        std::size_t pixelSize;
        BmpFault fault;
    } cases[] = {
        {"pixels short of biSizeImage", Header(10, 10, 24, 400), 0, 399, BmpFault::ShortPixels},
        {"pixels short of the rows", Header(100, 100, 24, 0), 0, 1000, BmpFault::ShortPixels},
        {"header cut", Header(10, 10, 24, 400), 39, 400, BmpFault::NoHeader},
        {"header claims more than the block", Header(10, 10, 24, 400, 0, 0, 124), 100, 400, BmpFault::NoHeader},
        {"header too small", Header(10, 10, 24, 400, 0, 0, 12), 0, 400, BmpFault::NoHeader},
        {"no palette", Header(10, 10, 8, 100), 0, 100, BmpFault::ShortPalette},
        {"palette shorter than biClrUsed", Header(10, 10, 8, 100, 0, 60, 40, 16), 0, 100, BmpFault::ShortPalette},
        {"biClrUsed beyond the depth", Header(10, 10, 1, 100, 0, 4, 40, 3), 0, 100, BmpFault::ShortPalette},
        {"compressed without a size", Header(10, 10, 8, 0, 1, 1024), 0, 100, BmpFault::CompressedWithoutSize},
        {"too large", Header(0x7FFFFFFF, 0x7FFFFFFF, 32, 0), 0, 1u << 20, BmpFault::TooLarge},
        {"odd depth", Header(10, 10, 7, 100), 0, 100, BmpFault::BadDepth},
        {"no width", Header(0, 10, 24, 0), 0, 100, BmpFault::NoPixels},
        {"no height", Header(10, 0, 24, 0), 0, 100, BmpFault::NoPixels},
    };
    for (const auto& c : cases) {
        const BmpPlan p = PlanBmp(c.info.data(), c.infoSize ? c.infoSize : c.info.size(), c.pixelSize);
        EXPECT_EQ(p.fault, c.fault) << c.what;
        EXPECT_FALSE(p.ok()) << c.what;
    }
    EXPECT_EQ(PlanBmp(nullptr, 0, 100).fault, BmpFault::NoHeader);
}

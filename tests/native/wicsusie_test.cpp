// The plain-data parts of the WIC plug-in: recognising and measuring headers, and laying decoded
// rows into the bottom-up bitmap handed to the host.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>
#include <string>
#include <vector>

#include "plugins/wicsusie/dibcanvas.h"
#include "plugins/wicsusie/picturehead.h"

using namespace mrv::wic;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes B(std::initializer_list<int> v) {
    Bytes b;
    for (int x : v) b.push_back(static_cast<std::uint8_t>(x));
    return b;
}
void Append(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }
void AppendText(Bytes& b, const std::string& s) { b.insert(b.end(), s.begin(), s.end()); }
void Be16(Bytes& b, std::uint32_t v) { Append(b, B({int(v >> 8 & 255), int(v & 255)})); }
void Be32(Bytes& b, std::uint32_t v) {
    Be16(b, v >> 16);
    Be16(b, v & 0xFFFF);
}
void Le16(Bytes& b, std::uint32_t v) { Append(b, B({int(v & 255), int(v >> 8 & 255)})); }
void Le32(Bytes& b, std::uint32_t v) {
    Le16(b, v & 0xFFFF);
    Le16(b, v >> 16);
}

Bytes Png(std::uint32_t w, std::uint32_t h, int depth, int colourType) {
    Bytes b = B({0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 13});
    AppendText(b, "IHDR");
    Be32(b, w);
    Be32(b, h);
    Append(b, B({depth, colourType, 0, 0, 0, 0, 0, 0, 0}));
    return b;
}

Bytes JpegSegment(int marker, const Bytes& body) {
    Bytes b = B({0xFF, marker});
    Be16(b, static_cast<std::uint32_t>(body.size() + 2));
    Append(b, body);
    return b;
}

Bytes Sof(std::uint32_t w, std::uint32_t h, int components) {
    Bytes body = B({8});
    Be16(body, h);
    Be16(body, w);
    body.push_back(static_cast<std::uint8_t>(components));
    for (int i = 0; i < components; ++i) Append(body, B({i + 1, 0x11, 0}));
    return body;
}

// A TIFF structure whose first IFD holds the given SHORT (type 3) or LONG (type 4) entries.
Bytes Tiff(bool littleEndian, std::initializer_list<std::array<std::uint32_t, 3>> entries) {
    Bytes b;
    auto u16 = [&](std::uint32_t v) { littleEndian ? Le16(b, v) : Be16(b, v); };
    auto u32 = [&](std::uint32_t v) { littleEndian ? Le32(b, v) : Be32(b, v); };
    AppendText(b, littleEndian ? "II" : "MM");
    u16(42);
    u32(8);
    u16(static_cast<std::uint32_t>(entries.size()));
    for (const auto& [tag, type, value] : entries) {
        u16(tag);
        u16(type);
        u32(1);
        if (type == 3) {
            u16(value);
            u16(0);
        } else {
            u32(value);
        }
    }
    u32(0);
    return b;
}

}  // namespace

TEST(WicHead, SniffsEachFamilyBySignatureOnly) {
    struct Case {
        Bytes head;
        Family family;
    } cases[] = {
        {B({0xFF, 0xD8, 0xFF, 0xE0}), Family::Jpeg},
        {B({0x89, 'P', 'N', 'G', 13, 10, 26, 10}), Family::Png},
        {B({'G', 'I', 'F', '8', '7', 'a'}), Family::Gif},
        {B({'G', 'I', 'F', '8', '9', 'a'}), Family::Gif},
        {B({'I', 'I', 42, 0}), Family::Tiff},
        {B({'M', 'M', 0, 42}), Family::Tiff},
        {B({0xFF, 0xD8}), Family::Unknown},                         // too short to tell
        {B({0x89, 'P', 'N', 'G', 13, 10, 26}), Family::Unknown},    // cut inside the signature
        {B({'G', 'I', 'F', '8', '8', 'a'}), Family::Unknown},
        {B({'I', 'I', 43, 0}), Family::Unknown},                    // BigTIFF is not claimed
        {B({'B', 'M', 0, 0, 0, 0}), Family::Unknown},
        {Bytes(), Family::Unknown},
    };
    for (const Case& c : cases) EXPECT_EQ(SniffFamily(c.head.data(), c.head.size()), c.family);
}

TEST(WicHead, PngClaimsItsSizeAndNarrowestDepth) {
    struct Case {
        int depth, colourType;
        std::uint16_t minBits;
    } cases[] = {{1, 3, 1}, {2, 3, 4}, {4, 3, 4}, {8, 3, 8}, {1, 0, 1}, {2, 0, 4}, {8, 0, 8},
                 {16, 0, 24}, {8, 2, 24}, {16, 2, 24}, {8, 4, 24}, {8, 6, 24}};
    for (const Case& c : cases) {
        const Bytes png = Png(30000, 20000, c.depth, c.colourType);
        const auto s = PeekClaimedSize(Family::Png, png.data(), png.size());
        ASSERT_TRUE(s) << c.depth << "/" << c.colourType;
        EXPECT_EQ(s->width, 30000u);
        EXPECT_EQ(s->height, 20000u);
        EXPECT_EQ(s->minBitCount, c.minBits) << c.depth << "/" << c.colourType;
    }
    const Bytes png = Png(5, 5, 8, 2);
    EXPECT_FALSE(PeekClaimedSize(Family::Png, png.data(), 25));
}

TEST(WicHead, JpegFrameHeaderIsFoundPastOtherSegments) {
    Bytes jpg = B({0xFF, 0xD8});
    Append(jpg, JpegSegment(0xE0, B({'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0})));
    Append(jpg, JpegSegment(0xC4, B({0, 1, 2, 3, 4, 5, 6, 7})));  // a Huffman table is not a frame header
    Append(jpg, B({0xFF}));                                          // fill byte
    Append(jpg, JpegSegment(0xC2, Sof(4000, 3000, 3)));             // progressive
    auto s = PeekClaimedSize(Family::Jpeg, jpg.data(), jpg.size());
    ASSERT_TRUE(s);
    EXPECT_EQ(s->width, 4000u);
    EXPECT_EQ(s->height, 3000u);
    EXPECT_EQ(s->minBitCount, 24);

    Bytes grey = B({0xFF, 0xD8});
    Append(grey, JpegSegment(0xC0, Sof(640, 480, 1)));
    s = PeekClaimedSize(Family::Jpeg, grey.data(), grey.size());
    ASSERT_TRUE(s);
    EXPECT_EQ(s->minBitCount, 8);
    // Cut inside the frame header, or a scan before any frame header: nothing to claim.
    EXPECT_FALSE(PeekClaimedSize(Family::Jpeg, grey.data(), grey.size() - 6));
    Bytes scanFirst = B({0xFF, 0xD8});
    Append(scanFirst, JpegSegment(0xDA, B({1, 1, 0, 0, 63, 0})));
    Append(scanFirst, JpegSegment(0xC0, Sof(640, 480, 3)));
    EXPECT_FALSE(PeekClaimedSize(Family::Jpeg, scanFirst.data(), scanFirst.size()));
}

TEST(WicHead, GifClaimsTheLargerOfScreenAndFirstFrame) {
    Bytes gif;
    AppendText(gif, "GIF89a");
    Le16(gif, 100);
    Le16(gif, 50);
    Append(gif, B({0x80, 0, 0}));                     // a global colour table of 2 entries
    Append(gif, B({0, 0, 0, 255, 255, 255}));
    Append(gif, B({0x21, 0xF9, 4, 1, 0, 0, 0, 0}));  // graphic control extension
    Append(gif, B({0x21, 0xFE, 3, 'a', 'b', 'c', 2, 'd', 'e', 0}));  // comment in two sub-blocks
    gif.push_back(0x2C);
    Le16(gif, 10);
    Le16(gif, 10);
    Le16(gif, 60);
    Le16(gif, 70000 & 0xFFFF);  // taller than the screen
    gif.push_back(0);
    const auto s = PeekClaimedSize(Family::Gif, gif.data(), gif.size());
    ASSERT_TRUE(s);
    EXPECT_EQ(s->width, 100u);
    EXPECT_EQ(s->height, 70000u & 0xFFFF);
    EXPECT_EQ(s->minBitCount, 8);
}

namespace {

// LZW codes packed low bits first, each at its width, into GIF data sub-blocks (ended).
Bytes LzwBlocks(std::initializer_list<std::pair<unsigned, unsigned>> codes) {
    Bytes packed;
    std::uint32_t acc = 0;
    unsigned held = 0;
    for (const auto& [code, width] : codes) {
        acc |= code << held;
        held += width;
        while (held >= 8) {
            packed.push_back(static_cast<std::uint8_t>(acc));
            acc >>= 8;
            held -= 8;
        }
    }
    if (held) packed.push_back(static_cast<std::uint8_t>(acc));
    Bytes blocks;
    for (std::size_t i = 0; i < packed.size(); i += 3) {  // short sub-blocks, so codes straddle them
        const std::size_t n = std::min<std::size_t>(3, packed.size() - i);
        blocks.push_back(static_cast<std::uint8_t>(n));
        blocks.insert(blocks.end(), packed.begin() + static_cast<std::ptrdiff_t>(i),
                      packed.begin() + static_cast<std::ptrdiff_t>(i + n));
    }
    blocks.push_back(0);
    return blocks;
}

// A 2x2 GIF with a graphic control extension, one image with a local colour table holding the
// given LZW data (minimum code size 2), and a comment after it.
Bytes Gif2x2(const Bytes& lzw) {
    Bytes gif;
    AppendText(gif, "GIF89a");
    Le16(gif, 2);
    Le16(gif, 2);
    Append(gif, B({0x80, 0, 0, 0, 0, 0, 255, 255, 255}));
    Append(gif, B({0x21, 0xF9, 4, 1, 0, 0, 0, 0}));
    Append(gif, B({0x2C, 0, 0, 0, 0, 2, 0, 2, 0, 0x81}));
    Append(gif, B({0, 0, 0, 85, 85, 85, 170, 170, 170, 255, 255, 255}));
    gif.push_back(2);
    Append(gif, lzw);
    Append(gif, B({0x21, 0xFE, 1, 'x', 0, 0x3B}));
    return gif;
}

std::uint32_t ReferenceCrc(const Bytes& b, std::size_t from, std::size_t n) {
    std::uint32_t c = 0xFFFFFFFF;
    for (std::size_t i = from; i < from + n; ++i) {
        c ^= b[i];
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
    }
    return ~c;
}

void PngChunk(Bytes& png, const std::string& type, const Bytes& body) {
    Be32(png, static_cast<std::uint32_t>(body.size()));
    const std::size_t at = png.size();
    AppendText(png, type);
    Append(png, body);
    Be32(png, ReferenceCrc(png, at, body.size() + 4));
}

}  // namespace

TEST(WicHead, GifMustRunToItsTrailerWithValidCodes) {
    // clear, 0, 1, 2, then 3 at four bits (the table reached 8 entries), end.
    const Bytes ok = LzwBlocks({{4, 3}, {0, 3}, {1, 3}, {2, 3}, {3, 4}, {5, 4}});
    const Bytes gif = Gif2x2(ok);
    EXPECT_TRUE(GifIsWhole(gif.data(), gif.size()));
    for (std::size_t n = 0; n < gif.size(); ++n) EXPECT_FALSE(GifIsWhole(gif.data(), n)) << n;

    struct Case {
        const char* what;
        Bytes lzw;
        bool whole;
    } cases[] = {
        {"a code naming the entry being made", LzwBlocks({{4, 3}, {0, 3}, {6, 3}, {1, 3}, {5, 4}}), true},
        {"no end code after the last pixel", LzwBlocks({{4, 3}, {0, 3}, {1, 3}, {2, 3}, {3, 4}}), true},
        {"an end code one pixel early", LzwBlocks({{4, 3}, {0, 3}, {1, 3}, {2, 3}, {5, 4}}), false},
        {"a code beyond the table", LzwBlocks({{4, 3}, {0, 3}, {7, 3}, {1, 3}, {5, 4}}), false},
        {"a table code right after a clear", LzwBlocks({{4, 3}, {6, 3}, {1, 3}, {2, 3}, {3, 4}}), false},
        {"data that runs out", LzwBlocks({{4, 3}, {0, 3}}), false},
    };
    for (const Case& c : cases) {
        const Bytes g = Gif2x2(c.lzw);
        EXPECT_EQ(GifIsWhole(g.data(), g.size()), c.whole) << c.what;
    }
    Bytes unknownBlock = gif;
    unknownBlock[gif.size() - 1] = 0x99;
    EXPECT_FALSE(GifIsWhole(unknownBlock.data(), unknownBlock.size()));
    Bytes codeSize = gif;
    codeSize[gif.size() - 7 - ok.size()] = 12;  // minimum code size out of range
    EXPECT_FALSE(GifIsWhole(codeSize.data(), codeSize.size()));
}

TEST(WicHead, PngMustRunToIendWithCriticalChunksIntact) {
    Bytes png = B({0x89, 'P', 'N', 'G', 13, 10, 26, 10});
    Bytes ihdr;
    Be32(ihdr, 2);
    Be32(ihdr, 2);
    Append(ihdr, B({8, 2, 0, 0, 0}));
    PngChunk(png, "IHDR", ihdr);
    const std::size_t text = png.size() + 8;
    PngChunk(png, "tEXt", B({'k', 0, 'v'}));
    const std::size_t idat = png.size() + 8;
    PngChunk(png, "IDAT", B({1, 2, 3, 4, 5, 6}));
    PngChunk(png, "IEND", {});
    EXPECT_TRUE(PngIsWhole(png.data(), png.size()));
    for (std::size_t n = 0; n < png.size(); ++n) EXPECT_FALSE(PngIsWhole(png.data(), n)) << n;

    Bytes damagedData = png;
    damagedData[idat + 2] ^= 0x10;
    EXPECT_FALSE(PngIsWhole(damagedData.data(), damagedData.size()));
    Bytes damagedText = png;
    damagedText[text + 2] ^= 0x10;  // an ancillary chunk: a decoder skips it
    EXPECT_TRUE(PngIsWhole(damagedText.data(), damagedText.size()));
    Bytes badType = png;
    badType[text - 3] = '1';
    EXPECT_FALSE(PngIsWhole(badType.data(), badType.size()));
    Bytes noHeader = B({0x89, 'P', 'N', 'G', 13, 10, 26, 10});
    PngChunk(noHeader, "IDAT", B({1}));
    PngChunk(noHeader, "IEND", {});
    EXPECT_FALSE(PngIsWhole(noHeader.data(), noHeader.size()));
}

TEST(WicHead, TiffReadsWidthAndLengthInEitherByteOrder) {
    for (bool le : {true, false}) {
        const Bytes t = Tiff(le, {{254, 4, 0}, {256, 3, 1234}, {257, 4, 70000}});
        const auto s = PeekClaimedSize(Family::Tiff, t.data(), t.size());
        ASSERT_TRUE(s) << le;
        EXPECT_EQ(s->width, 1234u);
        EXPECT_EQ(s->height, 70000u);
        EXPECT_EQ(s->minBitCount, 1);
    }
    const Bytes noLength = Tiff(true, {{256, 3, 10}});
    EXPECT_FALSE(PeekClaimedSize(Family::Tiff, noLength.data(), noLength.size()));
    Bytes badOffset = Tiff(true, {{256, 3, 10}, {257, 3, 10}});
    badOffset[4] = 0xF0;  // IFD beyond the data
    EXPECT_FALSE(PeekClaimedSize(Family::Tiff, badOffset.data(), badOffset.size()));
}

TEST(WicHead, ExifOrientationFromTheExifSegmentOnly) {
    auto jpegWith = [](const std::vector<Bytes>& app1s) {
        Bytes j = B({0xFF, 0xD8});
        for (const Bytes& a : app1s) Append(j, JpegSegment(0xE1, a));
        Append(j, JpegSegment(0xC0, Sof(8, 8, 3)));
        return j;
    };
    auto exif = [](bool le, std::uint32_t orientation) {
        Bytes e;
        AppendText(e, std::string("Exif\0\0", 6));
        Append(e, Tiff(le, {{0x010F, 4, 0}, {0x0112, 3, orientation}}));
        return e;
    };
    Bytes xmp;
    AppendText(xmp, "http://ns.adobe.com/xap/1.0/");
    xmp.push_back(0);
    for (int o = 1; o <= 8; ++o) {
        const Bytes j = jpegWith({xmp, exif(o % 2 == 0, static_cast<std::uint32_t>(o))});
        EXPECT_EQ(JpegExifOrientation(j.data(), j.size()), o);
    }
    const Bytes none = jpegWith({xmp});
    EXPECT_EQ(JpegExifOrientation(none.data(), none.size()), 0);
    const Bytes outOfRange = jpegWith({exif(true, 9)});
    EXPECT_EQ(JpegExifOrientation(outOfRange.data(), outOfRange.size()), 0);
    const Bytes png = Png(1, 1, 8, 2);
    EXPECT_EQ(JpegExifOrientation(png.data(), png.size()), 0);
}

TEST(WicDib, RowsArePaddedToFourBytesAndBoundedByTheLimit) {
    struct Case {
        std::uint32_t width;
        std::uint16_t bits;
        std::uint32_t stride, palette;
    } cases[] = {{1, 1, 4, 2}, {33, 1, 8, 2}, {7, 4, 4, 16}, {9, 4, 8, 16}, {5, 8, 8, 256}, {4, 8, 4, 256},
                 {1, 24, 4, 0}, {61, 24, 184, 0}, {3, 24, 12, 0}};
    for (const Case& c : cases) {
        const auto s = PlanDib(c.width, 3, c.bits, 1u << 30);
        ASSERT_TRUE(s);
        EXPECT_EQ(s->stride, c.stride) << c.width << "x" << c.bits;
        EXPECT_EQ(s->imageBytes, c.stride * 3);
        EXPECT_EQ(s->paletteEntries, c.palette);
        EXPECT_EQ(s->InfoBytes(), 40 + c.palette * 4);
    }
    EXPECT_FALSE(PlanDib(0, 5, 24, 1u << 30));
    EXPECT_FALSE(PlanDib(5, 0, 24, 1u << 30));
    EXPECT_FALSE(PlanDib(5, 5, 16, 1u << 30));
    EXPECT_TRUE(PlanDib(30000, 30000, 8, 0x7FFFFFFF));     // 900 MB
    EXPECT_FALSE(PlanDib(30000, 30000, 24, 0x7FFFFFFF));   // 2.7 GB
    EXPECT_FALSE(PlanDib(0x7FFFFFFF, 0x7FFFFFFF, 24, ~0ull));  // beyond 32 bits whatever the limit
    EXPECT_FALSE(PlanDib(0x80000000u, 1, 1, ~0ull));        // wider than a bitmap can say
}

TEST(WicDib, InfoBlockHeaderAndPaletteOverWhite) {
    const DibShape s = *PlanDib(3, 2, 4, 1u << 20);
    const std::uint32_t argb[] = {0xFF102030, 0x00102030, 0x80FF0000};
    Bytes out(s.InfoBytes(), 0xCC);
    WriteInfoBlock(s, argb, 3, 3780, 2835, out.data());
    auto le32 = [&](std::size_t at) {
        return std::uint32_t(out[at]) | std::uint32_t(out[at + 1]) << 8 | std::uint32_t(out[at + 2]) << 16 |
               std::uint32_t(out[at + 3]) << 24;
    };
    EXPECT_EQ(le32(0), 40u);
    EXPECT_EQ(le32(4), 3u);
    EXPECT_EQ(le32(8), 2u);  // positive: bottom-up
    EXPECT_EQ(out[12] | out[13] << 8, 1);
    EXPECT_EQ(out[14] | out[15] << 8, 4);
    EXPECT_EQ(le32(16), 0u);
    EXPECT_EQ(le32(20), s.imageBytes);
    EXPECT_EQ(le32(24), 3780u);
    EXPECT_EQ(le32(28), 2835u);
    EXPECT_EQ(le32(32), 0u);
    EXPECT_EQ(le32(36), 0u);
    const Bytes pal(out.begin() + 40, out.end());
    EXPECT_EQ(Bytes(pal.begin(), pal.begin() + 12), B({0x30, 0x20, 0x10, 0, 255, 255, 255, 0, 127, 127, 255, 0}));
    for (std::size_t i = 12; i < pal.size(); ++i) EXPECT_EQ(pal[i], 0) << i;  // the unused tail is black
}

TEST(WicDib, OverWhiteAndGreyRamps) {
    EXPECT_EQ(OverWhite(0, 0), 255);
    EXPECT_EQ(OverWhite(0, 255), 0);
    EXPECT_EQ(OverWhite(200, 255), 200);
    EXPECT_EQ(OverWhite(0, 128), 127);
    EXPECT_EQ(GrayPalette(2), (std::vector<std::uint32_t>{0xFF000000, 0xFFFFFFFF}));
    EXPECT_EQ(GrayPalette(4), (std::vector<std::uint32_t>{0xFF000000, 0xFF555555, 0xFFAAAAAA, 0xFFFFFFFF}));
    const auto g16 = GrayPalette(16), g256 = GrayPalette(256);
    EXPECT_EQ(g16[1], 0xFF111111u);
    EXPECT_EQ(g16[15], 0xFFFFFFFFu);
    for (std::uint32_t i = 0; i < 256; ++i) EXPECT_EQ(g256[i], 0xFF000000u | i << 16 | i << 8 | i);
}

TEST(WicDib, UnpacksHighBitsFirst) {
    std::uint8_t out[8];
    const std::uint8_t one[] = {0xA5};
    UnpackIndices(one, 1, 8, out);
    EXPECT_EQ(Bytes(out, out + 8), B({1, 0, 1, 0, 0, 1, 0, 1}));
    const std::uint8_t two[] = {0x1B, 0xC0};
    UnpackIndices(two, 2, 5, out);
    EXPECT_EQ(Bytes(out, out + 5), B({0, 1, 2, 3, 3}));
    const std::uint8_t four[] = {0x3C, 0x70};
    UnpackIndices(four, 4, 3, out);
    EXPECT_EQ(Bytes(out, out + 3), B({3, 12, 7}));
}

// A 3x2 picture with the pixels
//   a b c
//   d e f
// shown under each EXIF orientation.
TEST(WicOrientation, EachOfTheEightTurnsAndMirrors) {
    const char* stored[2] = {"abc", "def"};
    struct Case {
        int orientation;
        std::vector<std::string> shown;
    } cases[] = {
        {1, {"abc", "def"}}, {2, {"cba", "fed"}}, {3, {"fed", "cba"}},        {4, {"def", "abc"}},
        {5, {"ad", "be", "cf"}}, {6, {"da", "eb", "fc"}}, {7, {"fc", "eb", "da"}}, {8, {"cf", "be", "ad"}},
        {0, {"abc", "def"}}, {9, {"abc", "def"}},  // unknown values leave the picture as stored
    };
    for (const Case& c : cases) {
        std::uint32_t w = 0, h = 0;
        OrientedSize(c.orientation, 3, 2, w, h);
        ASSERT_EQ(h, c.shown.size()) << c.orientation;
        ASSERT_EQ(w, c.shown[0].size()) << c.orientation;
        std::vector<std::string> shown(h, std::string(w, '?'));
        for (std::uint32_t y = 0; y < 2; ++y)
            for (std::uint32_t x = 0; x < 3; ++x) {
                std::uint32_t dx = 0, dy = 0;
                OrientPoint(c.orientation, 3, 2, x, y, dx, dy);
                ASSERT_LT(dx, w);
                ASSERT_LT(dy, h);
                shown[dy][dx] = stored[y][x];
            }
        EXPECT_EQ(shown, c.shown) << "orientation " << c.orientation;
    }
}

namespace {

// The rows of a filled pixel block, top row first, as the picture shows them.
std::vector<Bytes> ShownRows(const DibShape& s, const Bytes& bits) {
    std::vector<Bytes> rows;
    for (std::uint32_t y = 0; y < s.height; ++y) {
        const auto* row = bits.data() + std::size_t(s.height - 1 - y) * s.stride;
        rows.emplace_back(row, row + (std::size_t(s.width) * s.bitCount + 7) / 8);
    }
    return rows;
}

DibCanvas::Geometry Straight(std::uint32_t w, std::uint32_t h) {
    DibCanvas::Geometry g;
    g.canvasWidth = g.frameWidth = w;
    g.canvasHeight = g.frameHeight = h;
    return g;
}

}  // namespace

TEST(WicCanvas, IndexRowsLandBottomUpInEveryDepth) {
    const Bytes top = B({1, 0, 1, 1, 0}), bottom = B({0, 1, 0, 0, 1});
    struct Case {
        std::uint16_t bits;
        Bytes shownTop, shownBottom;
    } cases[] = {
        {8, top, bottom},
        {4, B({0x10, 0x11, 0x00}), B({0x01, 0x00, 0x10})},
        {1, B({0xB0}), B({0x48})},
    };
    for (const Case& c : cases) {
        const DibShape s = *PlanDib(5, 2, c.bits, 1u << 20);
        Bytes bits(s.imageBytes, 0);
        DibCanvas canvas(s, bits.data(), Straight(5, 2));
        canvas.PutIndices(0, top.data());
        canvas.PutIndices(1, bottom.data());
        EXPECT_EQ(ShownRows(s, bits), (std::vector<Bytes>{c.shownTop, c.shownBottom})) << c.bits;
    }
}

TEST(WicCanvas, PackedRowsCopiedOrWidened) {
    // 1-bit into 1-bit is copied as it is; 2-bit rows widen into 4 bits.
    const DibShape s1 = *PlanDib(10, 1, 1, 1u << 20);
    Bytes b1(s1.imageBytes, 0);
    const std::uint8_t row1[] = {0xA5, 0xFF};  // the low six bits of the second byte are past the row
    DibCanvas(s1, b1.data(), Straight(10, 1)).PutPacked(0, row1, 1);
    EXPECT_EQ(ShownRows(s1, b1)[0], B({0xA5, 0xC0}));

    const DibShape s4 = *PlanDib(5, 1, 4, 1u << 20);
    Bytes b4(s4.imageBytes, 0);
    const std::uint8_t row2[] = {0x1B, 0xC0};  // 0 1 2 3 3
    DibCanvas(s4, b4.data(), Straight(5, 1)).PutPacked(0, row2, 2);
    EXPECT_EQ(ShownRows(s4, b4)[0], B({0x01, 0x23, 0x30}));
}

TEST(WicCanvas, ColourRowsWithAndWithoutTransparency) {
    const DibShape s = *PlanDib(2, 1, 24, 1u << 20);
    Bytes bits(s.imageBytes, 0);
    DibCanvas canvas(s, bits.data(), Straight(2, 1));
    const Bytes bgra = B({10, 20, 30, 255, 0, 0, 0, 0});
    canvas.PutBgra(0, bgra.data(), true);
    EXPECT_EQ(ShownRows(s, bits)[0], B({10, 20, 30, 255, 255, 255}));
    canvas.PutBgra(0, bgra.data(), false);  // the fourth byte means nothing
    EXPECT_EQ(ShownRows(s, bits)[0], B({10, 20, 30, 0, 0, 0}));
    const Bytes bgr = B({1, 2, 3, 4, 5, 6});
    canvas.PutBgr(0, bgr.data());
    EXPECT_EQ(ShownRows(s, bits)[0], bgr);
}

TEST(WicCanvas, FramePlacedOnItsCanvasAndClipped) {
    // A 3x2 frame at (-1, 1) on a 4x2 canvas: its first column and its second row fall outside.
    const DibShape s = *PlanDib(4, 2, 24, 1u << 20);
    Bytes bits(s.imageBytes, 0);
    DibCanvas::Geometry g;
    g.canvasWidth = 4;
    g.canvasHeight = 2;
    g.frameWidth = 3;
    g.frameHeight = 2;
    g.left = -1;
    g.top = 1;
    DibCanvas canvas(s, bits.data(), g);
    canvas.Fill(0xFF);
    const Bytes r0 = B({1, 1, 1, 2, 2, 2, 3, 3, 3}), r1 = B({4, 4, 4, 5, 5, 5, 6, 6, 6});
    canvas.PutBgr(0, r0.data());
    canvas.PutBgr(1, r1.data());
    const auto rows = ShownRows(s, bits);
    EXPECT_EQ(rows[0], Bytes(12, 0xFF));
    EXPECT_EQ(rows[1], B({2, 2, 2, 3, 3, 3, 255, 255, 255, 255, 255, 255}));
}

TEST(WicCanvas, TurnedWhileFilled) {
    // Orientation 6 (a quarter clockwise): the 3x2 stored picture shows as 2x3.
    const DibShape s = *PlanDib(2, 3, 8, 1u << 20);
    Bytes bits(s.imageBytes, 0);
    DibCanvas::Geometry g = Straight(3, 2);
    g.orientation = 6;
    DibCanvas canvas(s, bits.data(), g);
    const Bytes r0 = B({'a', 'b', 'c'}), r1 = B({'d', 'e', 'f'});
    canvas.PutIndices(0, r0.data());
    canvas.PutIndices(1, r1.data());
    EXPECT_EQ(ShownRows(s, bits), (std::vector<Bytes>{B({'d', 'a'}), B({'e', 'b'}), B({'f', 'c'})}));
}

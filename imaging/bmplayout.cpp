#include "imaging/bmplayout.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace mrv {

namespace {

std::uint32_t Le32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}
std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

void Put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

constexpr std::uint32_t kMaskBytes = 12;

BmpPlan Fail(BmpFault f) {
    BmpPlan p;
    p.fault = f;
    return p;
}

}  // namespace

std::uint32_t BmpPaletteBytes(std::uint16_t bitCount) {
    switch (bitCount) {
        case 1: return 8;
        case 4: return 64;
        case 8: return 1024;
        default: return 0;
    }
}

BmpInfo ReadBmpInfo(const std::uint8_t* h) {
    BmpInfo i;
    i.size = Le32(h);
    i.width = static_cast<std::int32_t>(Le32(h + 4));
    i.height = static_cast<std::int32_t>(Le32(h + 8));
    i.bitCount = Le16(h + 14);
    i.compression = Le32(h + 16);
    i.sizeImage = Le32(h + 20);
    i.clrUsed = Le32(h + 32);
    return i;
}

std::uint64_t BmpImageBytes(std::int32_t width, std::int32_t height, std::uint16_t bitCount) {
    if (width <= 0 || height == 0 || bitCount == 0) return 0;
    const std::uint64_t rowBits = std::uint64_t(width) * bitCount;
    const std::uint64_t stride = (rowBits + 31) / 32 * 4;
    const std::uint64_t rows = static_cast<std::uint64_t>(std::llabs(static_cast<long long>(height)));
    const std::uint64_t total = stride * rows;
    return total > 0xFFFFFFFFull ? 0 : total;
}

BmpPlan PlanBmp(const std::uint8_t* info, std::size_t infoBlockSize, std::size_t pixelBlockSize) {
    if (!info || infoBlockSize < kBmpInfoHeaderSize) return Fail(BmpFault::NoHeader);
    const BmpInfo bi = ReadBmpInfo(info);
    if (bi.size < kBmpInfoHeaderSize || bi.size > infoBlockSize) return Fail(BmpFault::NoHeader);
    switch (bi.bitCount) {
        case 1: case 4: case 8: case 16: case 24: case 32: break;
        default: return Fail(BmpFault::BadDepth);
    }
    if (bi.width <= 0 || bi.height == 0) return Fail(BmpFault::NoPixels);

    // Where the colours sit in the block and how many bytes of them are written. A palette follows
    // the header, whatever its length; bit-field masks sit right after the first 40 bytes, which is
    // inside the longer headers.
    std::uint64_t colorOffset = bi.size, colorBytes = 0;
    if (const std::uint32_t full = BmpPaletteBytes(bi.bitCount)) {
        const std::uint64_t entries = std::uint64_t(1) << bi.bitCount;
        if (colorOffset + full <= infoBlockSize) colorBytes = full;
        else if (bi.clrUsed > 0 && bi.clrUsed < entries && colorOffset + bi.clrUsed * 4ull <= infoBlockSize)
            colorBytes = bi.clrUsed * 4ull;
        else return Fail(BmpFault::ShortPalette);
    } else if (bi.compression == kBiBitfields && (bi.bitCount == 16 || bi.bitCount == 32)) {
        colorOffset = kBmpInfoHeaderSize;
        colorBytes = kMaskBytes;
        if (colorOffset + colorBytes > infoBlockSize) return Fail(BmpFault::MissingMasks);
    }

    std::uint64_t pixels = bi.sizeImage;
    if (bi.compression == kBiRgb || bi.compression == kBiBitfields) {
        const std::uint64_t needed = BmpImageBytes(bi.width, bi.height, bi.bitCount);
        if (needed == 0) return Fail(BmpFault::TooLarge);
        pixels = std::max(pixels, needed);
    } else if (pixels == 0) {
        return Fail(BmpFault::CompressedWithoutSize);
    }
    if (pixels > pixelBlockSize) return Fail(BmpFault::ShortPixels);

    const std::uint64_t offBits = kBmpFileHeaderSize + kBmpInfoHeaderSize + colorBytes;
    if (offBits + pixels > 0xFFFFFFFFull) return Fail(BmpFault::TooLarge);

    BmpPlan plan;
    plan.fault = BmpFault::None;
    plan.offBits = static_cast<std::uint32_t>(offBits);
    plan.pixelBytes = static_cast<std::uint32_t>(pixels);
    plan.head.assign(plan.offBits, 0);
    std::uint8_t* h = plan.head.data();
    h[0] = 'B';
    h[1] = 'M';
    Put32(h + 2, plan.offBits + plan.pixelBytes);
    Put32(h + 10, plan.offBits);
    std::memcpy(h + kBmpFileHeaderSize, info, kBmpInfoHeaderSize);
    Put32(h + kBmpFileHeaderSize, kBmpInfoHeaderSize);
    std::memcpy(h + kBmpFileHeaderSize + kBmpInfoHeaderSize, info + colorOffset, static_cast<std::size_t>(colorBytes));
    return plan;
}

}  // namespace mrv

#include "imaging/bmplayout.h"

#include <cstdlib>

namespace mrv {

namespace {

std::uint32_t Le32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}
std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

void Put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

constexpr std::uint32_t kBiRgb = 0, kBiBitfields = 3;

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
    i.width = static_cast<std::int32_t>(Le32(h + 4));
    i.height = static_cast<std::int32_t>(Le32(h + 8));
    i.bitCount = Le16(h + 14);
    i.compression = Le32(h + 16);
    i.sizeImage = Le32(h + 20);
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
    BmpPlan plan;
    if (!info || infoBlockSize < kBmpInfoHeaderSize) {
        plan.error = "the information block is smaller than a bitmap header";
        return plan;
    }
    if (Le32(info) < kBmpInfoHeaderSize) {
        plan.error = "the information block does not start with a bitmap header";
        return plan;
    }
    const BmpInfo bi = ReadBmpInfo(info);
    switch (bi.bitCount) {
        case 1: case 4: case 8: case 16: case 24: case 32: break;
        default:
            plan.error = "unsupported bit depth " + std::to_string(bi.bitCount);
            return plan;
    }
    if (bi.width <= 0 || bi.height == 0) {
        plan.error = "the picture has no pixels";
        return plan;
    }
    const std::uint32_t palette = BmpPaletteBytes(bi.bitCount);
    plan.infoBytes = kBmpInfoHeaderSize + palette;
    plan.offBits = kBmpFileHeaderSize + plan.infoBytes;
    if (infoBlockSize < plan.infoBytes) {
        plan.error = "the information block is too small for its palette";
        return plan;
    }
    std::uint64_t pixels = bi.sizeImage;
    if (pixels == 0) {
        if (bi.compression != kBiRgb && bi.compression != kBiBitfields) {
            plan.error = "a compressed picture without its size";
            return plan;
        }
        pixels = BmpImageBytes(bi.width, bi.height, bi.bitCount);
        if (pixels == 0) {
            plan.error = "the picture is too large";
            return plan;
        }
    }
    if (pixels > pixelBlockSize) {
        plan.error = "the pixel block holds less than the header claims";
        return plan;
    }
    if (pixels + plan.offBits > 0xFFFFFFFFull) {
        plan.error = "the picture is too large";
        return plan;
    }
    plan.pixelBytes = static_cast<std::uint32_t>(pixels);
    plan.fileHeader[0] = 'B';
    plan.fileHeader[1] = 'M';
    Put32(&plan.fileHeader[2], plan.pixelBytes + plan.offBits);
    Put32(&plan.fileHeader[10], plan.offBits);
    plan.ok = true;
    return plan;
}

}  // namespace mrv

// The layout of a Windows bitmap file written from a decoder's information and pixel blocks.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace mrv {

constexpr std::uint32_t kBmpFileHeaderSize = 14;
constexpr std::uint32_t kBmpInfoHeaderSize = 40;
constexpr std::uint32_t kBiRgb = 0, kBiBitfields = 3;

// Palette bytes that follow the information header: decided by the bit depth alone.
std::uint32_t BmpPaletteBytes(std::uint16_t bitCount);

struct BmpInfo {
    std::uint32_t size = 0;  // biSize
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;
    std::uint32_t sizeImage = 0;
    std::uint32_t clrUsed = 0;
};

// Reads the fields it needs from a BITMAPINFOHEADER (little-endian); the block must hold 40 bytes.
BmpInfo ReadBmpInfo(const std::uint8_t* header);

// Why a decoder's blocks cannot be written as a bitmap.
enum class BmpFault {
    None,
    NoHeader,               // the information block does not hold the header it claims
    BadDepth,               // not 1, 4, 8, 16, 24 or 32 bits per pixel
    NoPixels,               // width or height 0
    ShortPalette,           // the information block holds neither the full palette nor biClrUsed entries
    MissingMasks,           // bit fields announced, their three masks missing
    CompressedWithoutSize,  // compressed pixels and biSizeImage 0
    ShortPixels,            // the pixel block holds less than the picture needs or the header claims
    TooLarge,               // more than a bitmap file can describe
};

// What is written: the file header, the 40-byte information header and its colours as one piece,
// then pixelBytes taken from the start of the pixel block.
struct BmpPlan {
    BmpFault fault = BmpFault::NoHeader;
    bool ok() const { return fault == BmpFault::None; }
    std::uint32_t offBits = 0;     // 14 + 40 + colours
    std::uint32_t pixelBytes = 0;  // bytes taken from the pixel block
    std::vector<std::uint8_t> head;  // offBits bytes: file header, information header, colours
};

// Checks the decoder's blocks against what their header claims, never looking past either block,
// and lays out the file. The usual block (a 40-byte header with the full palette the depth calls
// for, biSizeImage filled in) is copied byte for byte. Beyond that: a longer header is written as
// the 40-byte one with its colours; 16- and 32-bit bit fields keep their three masks; a palette
// shorter than the depth allows is taken when biClrUsed says so; a biSizeImage of 0 (or one below
// what uncompressed rows need) is worked out from width, height and depth.
BmpPlan PlanBmp(const std::uint8_t* info, std::size_t infoBlockSize, std::size_t pixelBlockSize);

// Bytes of pixel data for an uncompressed bitmap: rows padded to 4 bytes. 0 when it does not fit 32 bits.
std::uint64_t BmpImageBytes(std::int32_t width, std::int32_t height, std::uint16_t bitCount);

}  // namespace mrv

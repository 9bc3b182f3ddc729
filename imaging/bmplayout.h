// The layout of a Windows bitmap file written from a decoder's information and pixel blocks.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace mrv {

constexpr std::uint32_t kBmpFileHeaderSize = 14;
constexpr std::uint32_t kBmpInfoHeaderSize = 40;

// Palette bytes that follow the information header: decided by the bit depth alone.
std::uint32_t BmpPaletteBytes(std::uint16_t bitCount);

struct BmpInfo {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;
    std::uint32_t sizeImage = 0;
};

// Reads the fields it needs from a BITMAPINFOHEADER (little-endian); the block must hold 40 bytes.
BmpInfo ReadBmpInfo(const std::uint8_t* header);

// What is written: the header's offsets and sizes, or why the blocks cannot be trusted.
struct BmpPlan {
    bool ok = false;
    std::string error;              // set when !ok
    std::uint32_t offBits = 0;      // 14 + 40 + palette
    std::uint32_t infoBytes = 0;    // bytes taken from the information block
    std::uint32_t pixelBytes = 0;   // bytes taken from the pixel block
    std::array<std::uint8_t, kBmpFileHeaderSize> fileHeader{};
};

// Checks the decoder's blocks against what their header claims and lays out the file:
// the 14-byte file header, 40 + palette bytes of the information block, the pixel bytes.
// A biSizeImage of 0 is worked out from width, height and depth.
BmpPlan PlanBmp(const std::uint8_t* info, std::size_t infoBlockSize, std::size_t pixelBlockSize);

// Bytes of pixel data for an uncompressed bitmap: rows padded to 4 bytes. 0 when it does not fit 32 bits.
std::uint64_t BmpImageBytes(std::int32_t width, std::int32_t height, std::uint16_t bitCount);

}  // namespace mrv

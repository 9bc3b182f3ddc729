// The bitmap side of the WIC decoder plug-in: the layout of the device-independent bitmap handed
// back to the host, and its filling from decoded rows (placement on the canvas, EXIF orientation,
// transparency laid over white). Nothing here needs <windows.h>, so it is tested natively.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace mrv::wic {

// The bitmap handed back: BI_RGB, bottom-up, rows padded to 4 bytes.
struct DibShape {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t bitCount = 0;         // 1, 4, 8 or 24
    std::uint32_t stride = 0;           // bytes per row, padding included
    std::uint32_t imageBytes = 0;       // stride * height: biSizeImage
    std::uint32_t paletteEntries = 0;   // 2, 16 or 256 for 1, 4 and 8 bits, else 0
    std::uint32_t InfoBytes() const { return 40 + paletteEntries * 4; }
};

// Nothing when a side is 0 or the pixel block would be larger than maxImageBytes.
std::optional<DibShape> PlanDib(std::uint32_t width, std::uint32_t height, std::uint16_t bitCount,
                                std::uint64_t maxImageBytes);

// A colour channel laid over a white background with the given opacity.
inline std::uint8_t OverWhite(std::uint8_t c, std::uint8_t a) {
    return static_cast<std::uint8_t>((c * a + 255u * (255u - a) + 127u) / 255u);
}

// Writes the 40-byte BITMAPINFOHEADER and the full palette (shape.InfoBytes() bytes). The palette
// takes `argb` (0xAARRGGBB, as decoders give it) laid over white; entries beyond it are black.
void WriteInfoBlock(const DibShape& shape, const std::uint32_t* argb, std::size_t count,
                    std::int32_t xPelsPerMeter, std::int32_t yPelsPerMeter, std::uint8_t* out);

// Opaque grey ramp of `levels` entries from black to white.
std::vector<std::uint32_t> GrayPalette(unsigned levels);

// Spreads `count` indices packed `bits` (1, 2, 4 or 8) to a byte, first pixel in the high bits,
// into one byte each.
void UnpackIndices(const std::uint8_t* row, unsigned bits, std::uint32_t count, std::uint8_t* out);

// The picture's size once shown as an EXIF orientation (1-8) asks; other values count as 1.
void OrientedSize(int orientation, std::uint32_t width, std::uint32_t height, std::uint32_t& outWidth,
                  std::uint32_t& outHeight);
// Where the stored pixel (x, y) of a width x height picture is shown under that orientation.
void OrientPoint(int orientation, std::uint32_t width, std::uint32_t height, std::uint32_t x, std::uint32_t y,
                 std::uint32_t& outX, std::uint32_t& outY);

// Fills the pixel block of a DibShape from the decoded rows of one frame, given top row first.
// The frame (frameWidth x frameHeight) sits at (left, top) of a canvas (canvasWidth x canvasHeight)
// and is clipped to it; the canvas is then turned as the EXIF orientation says, so the shape must
// have the canvas's oriented size.
class DibCanvas {
public:
    struct Geometry {
        std::uint32_t canvasWidth = 0, canvasHeight = 0;
        std::uint32_t frameWidth = 0, frameHeight = 0;
        std::int64_t left = 0, top = 0;
        int orientation = 1;
    };
    DibCanvas(const DibShape& shape, std::uint8_t* bits, const Geometry& g);

    // Whether frame rows are bitmap rows as they are: the frame is the canvas, nothing turned.
    bool Straight() const { return straight_; }
    // The bitmap row that shows row y of the picture, top row 0.
    std::uint8_t* ShownRow(std::uint32_t y) const { return bits_ + std::size_t(shape_.height - 1 - y) * shape_.stride; }
    // Clears the bits past the last pixel of a 1- or 4-bit row filled from elsewhere.
    void ClearPastWidth(std::uint32_t y);

    // Every byte of the pixel block; 0xFF gives white in 24 bits.
    void Fill(std::uint8_t byte);
    // One frame row of palette indices, one byte each (1-, 4- and 8-bit shapes).
    void PutIndices(std::uint32_t y, const std::uint8_t* indices);
    // One frame row of indices packed `bits` (1, 2, 4 or 8) to a byte, first pixel in the high bits.
    void PutPacked(std::uint32_t y, const std::uint8_t* row, unsigned bits);
    // One frame row of blue-green-red triples (24-bit shapes).
    void PutBgr(std::uint32_t y, const std::uint8_t* bgr);
    // One frame row of blue-green-red-alpha quads (24-bit shapes), laid over white when withAlpha,
    // the fourth byte ignored otherwise.
    void PutBgra(std::uint32_t y, const std::uint8_t* bgra, bool withAlpha);

private:
    void PutIndex(std::uint32_t x, std::uint32_t y, std::uint8_t index);
    // The canvas point of frame point (x, y), or false when it falls outside the canvas.
    bool Target(std::uint32_t x, std::uint32_t y, std::uint32_t& dx, std::uint32_t& dy) const;
    // The frame columns [first, last) that land on the canvas for every row.
    std::uint32_t firstX_ = 0, lastX_ = 0;
    bool straight_ = false;  // frame == canvas, no turning: rows map to rows
    DibShape shape_;
    std::uint8_t* bits_;
    Geometry g_;
    std::vector<std::uint8_t> unpacked_;
};

}  // namespace mrv::wic

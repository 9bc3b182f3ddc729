// What the first bytes of a picture file tell before any decoder sees it: its format family, and
// the size it claims, so that a picture too large to hold is refused before a decoder allocates
// memory for it. Plain data, tested natively.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>

namespace mrv::wic {

enum class Family { Unknown, Jpeg, Png, Gif, Tiff };

// Looks at no more than the first 8 bytes.
Family SniffFamily(const std::uint8_t* head, std::size_t size);

struct ClaimedSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    // The fewest bits per pixel the decoded picture can take in the bitmap handed back.
    std::uint16_t minBitCount = 1;
};

// The size the header claims (for GIF the larger of the logical screen and the first frame),
// or nothing when the header cannot be read that far.
std::optional<ClaimedSize> PeekClaimedSize(Family family, const std::uint8_t* data, std::size_t size);

// Whether a picture is whole before a decoder sees it: cut short or damaged data is broken
// however a decoder would treat it, and some decoders leak memory on it.
// A GIF: header, colour tables, extensions and images complete up to the trailer, and each
// image's LZW codes valid for as many pixels as the image has.
bool GifIsWhole(const std::uint8_t* data, std::size_t size);
// A PNG: IHDR first, every chunk complete up to IEND, the critical chunks' CRCs right.
bool PngIsWhole(const std::uint8_t* data, std::size_t size);

// The EXIF orientation (1-8) a JPEG's APP1 segment records, or 0 when it records none. For
// decoders whose metadata readers do not reach into JPEG segments.
int JpegExifOrientation(const std::uint8_t* data, std::size_t size);

}  // namespace mrv::wic

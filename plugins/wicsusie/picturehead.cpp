#include "plugins/wicsusie/picturehead.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace mrv::wic {

namespace {

std::uint32_t Be16(const std::uint8_t* p) { return std::uint32_t(p[0]) << 8 | p[1]; }
std::uint32_t Be32(const std::uint8_t* p) { return Be16(p) << 16 | Be16(p + 2); }
std::uint32_t Le16(const std::uint8_t* p) { return std::uint32_t(p[1]) << 8 | p[0]; }
std::uint32_t Le32(const std::uint8_t* p) { return Le16(p + 2) << 16 | Le16(p); }

// Indexed and grey pictures keep their palette; 2-bit ones widen to 4 bits, 16-bit grey to colour.
std::uint16_t KeptBits(std::uint32_t bits) { return bits == 1 ? 1 : bits <= 4 ? 4 : bits == 8 ? 8 : 24; }

std::optional<ClaimedSize> PeekPng(const std::uint8_t* d, std::size_t n) {
    if (n < 26 || std::memcmp(d + 12, "IHDR", 4) != 0) return std::nullopt;
    ClaimedSize s{Be32(d + 16), Be32(d + 20), 24};
    const std::uint8_t depth = d[24], colourType = d[25];
    if (colourType == 0 || colourType == 3) s.minBitCount = KeptBits(depth);
    return s;
}

// Calls visit(marker, segment data, its length) for each JPEG marker segment before the first
// scan, until visit returns true. The segment may run past the end of the data: len is what there is.
template <class Visit>
void ForEachJpegSegment(const std::uint8_t* d, std::size_t n, Visit visit) {
    std::size_t i = 2;
    while (i + 4 <= n) {
        if (d[i] != 0xFF) return;
        const std::uint8_t m = d[i + 1];
        if (m == 0xFF) {  // fill byte before a marker
            ++i;
            continue;
        }
        if (m == 0x01 || (m >= 0xD0 && m <= 0xD8)) {  // markers without a length
            i += 2;
            continue;
        }
        if (m == 0xD9 || m == 0xDA) return;  // end of picture, start of scan
        const std::size_t len = Be16(d + i + 2);
        if (len < 2) return;
        if (visit(m, d + i + 4, std::min(len - 2, n - (i + 4)))) return;
        i += 2 + len;
    }
}

std::optional<ClaimedSize> PeekJpeg(const std::uint8_t* d, std::size_t n) {
    std::optional<ClaimedSize> s;
    ForEachJpegSegment(d, n, [&](std::uint8_t m, const std::uint8_t* f, std::size_t len) {
        const bool frameHeader = m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
        if (!frameHeader) return false;
        if (len >= 6)  // precision, height, width, components
            s = ClaimedSize{Be16(f + 3), Be16(f + 1), static_cast<std::uint16_t>(f[5] == 1 ? 8 : 24)};
        return true;
    });
    return s;
}

// Reads tag `wanted` of type SHORT from the first IFD of a TIFF structure.
std::optional<std::uint32_t> TiffShortTag(const std::uint8_t* t, std::size_t n, std::uint32_t wanted) {
    if (n < 8 || !(std::memcmp(t, "II*\0", 4) == 0 || std::memcmp(t, "MM\0*", 4) == 0)) return std::nullopt;
    const bool le = t[0] == 'I';
    auto u16 = [&](std::size_t at) { return le ? Le16(t + at) : Be16(t + at); };
    auto u32 = [&](std::size_t at) { return le ? Le32(t + at) : Be32(t + at); };
    const std::size_t ifd = u32(4);
    if (ifd > n || n - ifd < 2) return std::nullopt;
    const std::size_t count = u16(ifd);
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t e = ifd + 2 + k * 12;
        if (e + 12 > n) break;
        if (u16(e) == wanted && u16(e + 2) == 3) return u16(e + 8);
    }
    return std::nullopt;
}

std::optional<ClaimedSize> PeekGif(const std::uint8_t* d, std::size_t n) {
    if (n < 13) return std::nullopt;
    ClaimedSize s{Le16(d + 6), Le16(d + 8), 8};
    std::size_t i = 13;
    if (d[10] & 0x80) i += 3u << ((d[10] & 7) + 1);
    while (i < n) {
        if (d[i] == 0x2C) {  // image descriptor: left, top, width, height
            if (i + 9 > n) break;
            s.width = std::max(s.width, Le16(d + i + 5));
            s.height = std::max(s.height, Le16(d + i + 7));
            break;
        }
        if (d[i] != 0x21 || i + 2 > n) break;  // only extensions come before it
        i += 2;
        while (i < n && d[i] != 0) i += 1u + d[i];
        ++i;
    }
    return s;
}

std::optional<ClaimedSize> PeekTiff(const std::uint8_t* d, std::size_t n) {
    if (n < 8) return std::nullopt;
    const bool le = d[0] == 'I';
    auto u16 = [&](std::size_t at) { return le ? Le16(d + at) : Be16(d + at); };
    auto u32 = [&](std::size_t at) { return le ? Le32(d + at) : Be32(d + at); };
    const std::size_t ifd = u32(4);
    if (ifd > n || n - ifd < 2) return std::nullopt;
    const std::size_t count = u16(ifd);
    std::optional<std::uint32_t> width, height;
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t e = ifd + 2 + k * 12;
        if (e + 12 > n) break;
        const std::uint32_t tag = u16(e), type = u16(e + 2);
        if (type != 3 && type != 4) continue;  // SHORT or LONG
        const std::uint32_t value = type == 3 ? u16(e + 8) : u32(e + 8);
        if (tag == 256) width = value;
        if (tag == 257) height = value;
    }
    if (!width || !height) return std::nullopt;
    return ClaimedSize{*width, *height, 1};
}

}  // namespace

Family SniffFamily(const std::uint8_t* head, std::size_t size) {
    auto starts = [&](const char* sig, std::size_t n) { return size >= n && std::memcmp(head, sig, n) == 0; };
    if (starts("\xFF\xD8\xFF", 3)) return Family::Jpeg;
    if (starts("\x89PNG\r\n\x1A\n", 8)) return Family::Png;
    if (starts("GIF87a", 6) || starts("GIF89a", 6)) return Family::Gif;
    if (starts("II*\0", 4) || starts("MM\0*", 4)) return Family::Tiff;
    return Family::Unknown;
}

namespace {

// Walks one image's LZW code stream (the data sub-blocks from `i`, which must be complete) far
// enough to see that it yields `pixels` pixels with valid codes.
bool LzwYields(const std::uint8_t* d, std::size_t i, unsigned minCodeSize, std::uint64_t pixels) {
    if (minCodeSize < 1 || minCodeSize > 8) return false;
    const unsigned clear = 1u << minCodeSize, end = clear + 1;
    std::uint16_t length[4096];  // length of the string each code stands for
    for (unsigned c = 0; c < clear; ++c) length[c] = 1;
    unsigned next = clear + 2, size = minCodeSize + 1, prev = 4096;
    std::uint64_t produced = 0;
    std::uint32_t bits = 0;
    unsigned held = 0, left = 0;  // bits held, bytes left in the current sub-block
    for (;;) {
        while (held < size) {
            if (left == 0) {
                left = d[i++];
                if (left == 0) return produced >= pixels;  // no end code: enough if complete
            }
            bits |= std::uint32_t(d[i++]) << held;
            held += 8;
            --left;
        }
        const unsigned code = bits & ((1u << size) - 1);
        bits >>= size;
        held -= size;
        if (code == clear) {
            next = clear + 2, size = minCodeSize + 1, prev = 4096;
            continue;
        }
        if (code == end) return produced >= pixels;
        unsigned len;
        if (prev == 4096) {
            if (code >= clear) return false;  // the first code after a clear must be a pixel
            len = 1;
        } else {
            if (code > next || (code == next && next >= 4096)) return false;
            len = code == next ? length[prev] + 1u : length[code];
            if (next < 4096) {
                length[next] = static_cast<std::uint16_t>(length[prev] + 1);
                if (++next == (1u << size) && size < 12) ++size;
            }
        }
        produced += len;
        if (produced >= pixels) return true;
        prev = code;
    }
}

constexpr std::array<std::uint32_t, 256> kCrcTable = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t[n] = c;
    }
    return t;
}();

std::uint32_t Crc32(const std::uint8_t* p, std::size_t n) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t k = 0; k < n; ++k) c = kCrcTable[(c ^ p[k]) & 0xFF] ^ (c >> 8);
    return ~c;
}

}  // namespace

bool GifIsWhole(const std::uint8_t* d, std::size_t n) {
    if (n < 13 || SniffFamily(d, n) != Family::Gif) return false;
    std::size_t i = 13;
    if (d[10] & 0x80) i += 3u << ((d[10] & 7) + 1);
    // Skips a chain of sub-blocks ended by an empty one; false when the data ends first.
    auto subBlocks = [&] {
        for (;;) {
            if (i >= n) return false;
            const std::size_t len = d[i++];
            if (len == 0) return true;
            i += len;
        }
    };
    for (;;) {
        if (i >= n) return false;
        switch (d[i]) {
            case 0x3B: return true;  // trailer
            case 0x21:               // extension: label, then its sub-blocks
                i += 2;
                if (!subBlocks()) return false;
                break;
            case 0x2C: {  // image: descriptor, local colour table, code size, data sub-blocks
                if (i + 10 > n) return false;
                const std::uint64_t pixels = std::uint64_t(Le16(d + i + 5)) * Le16(d + i + 7);
                const std::uint8_t flags = d[i + 9];
                i += 10;
                if (flags & 0x80) i += 3u << ((flags & 7) + 1);
                if (i >= n) return false;
                const unsigned minCodeSize = d[i++];
                const std::size_t data = i;
                if (!subBlocks() || !LzwYields(d, data, minCodeSize, pixels)) return false;
                break;
            }
            default: return false;
        }
    }
}

bool PngIsWhole(const std::uint8_t* d, std::size_t n) {
    if (SniffFamily(d, n) != Family::Png) return false;
    std::size_t i = 8;
    bool first = true;
    while (i + 12 <= n) {
        const std::uint32_t len = Be32(d + i);
        const std::uint8_t* type = d + i + 4;
        if (len > 0x7FFFFFFFu || n - (i + 12) < len) return false;
        for (int k = 0; k < 4; ++k)
            if (!((type[k] >= 'A' && type[k] <= 'Z') || (type[k] >= 'a' && type[k] <= 'z'))) return false;
        if (first && std::memcmp(type, "IHDR", 4) != 0) return false;
        first = false;
        // Damage in an ancillary chunk only costs that chunk; in a critical one, the picture.
        const bool critical = type[0] <= 'Z';
        if (critical && Crc32(type, len + 4u) != Be32(type + 4 + len)) return false;
        if (std::memcmp(type, "IEND", 4) == 0) return true;
        i += 12u + len;
    }
    return false;
}

int JpegExifOrientation(const std::uint8_t* data, std::size_t size) {
    if (SniffFamily(data, size) != Family::Jpeg) return 0;
    int orientation = 0;
    ForEachJpegSegment(data, size, [&](std::uint8_t m, const std::uint8_t* s, std::size_t len) {
        if (m != 0xE1 || len < 14 || std::memcmp(s, "Exif\0\0", 6) != 0) return false;
        const auto v = TiffShortTag(s + 6, len - 6, 0x0112);
        if (v && *v >= 1 && *v <= 8) orientation = static_cast<int>(*v);
        return true;
    });
    return orientation;
}

std::optional<ClaimedSize> PeekClaimedSize(Family family, const std::uint8_t* data, std::size_t size) {
    switch (family) {
        case Family::Png: return PeekPng(data, size);
        case Family::Jpeg: return PeekJpeg(data, size);
        case Family::Gif: return PeekGif(data, size);
        case Family::Tiff: return PeekTiff(data, size);
        case Family::Unknown: break;
    }
    return std::nullopt;
}

}  // namespace mrv::wic

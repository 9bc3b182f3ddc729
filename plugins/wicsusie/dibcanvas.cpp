#include "plugins/wicsusie/dibcanvas.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace mrv::wic {

namespace {

void Put16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

int KnownOrientation(int o) { return o >= 1 && o <= 8 ? o : 1; }

}  // namespace

std::optional<DibShape> PlanDib(std::uint32_t width, std::uint32_t height, std::uint16_t bitCount,
                                std::uint64_t maxImageBytes) {
    constexpr std::uint32_t kMaxSide = std::numeric_limits<std::int32_t>::max();
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) return std::nullopt;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24) return std::nullopt;
    const std::uint64_t stride = (std::uint64_t(width) * bitCount + 31) / 32 * 4;
    const std::uint64_t bytes = stride * height;
    if (bytes > maxImageBytes || bytes > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
    DibShape s;
    s.width = width;
    s.height = height;
    s.bitCount = bitCount;
    s.stride = static_cast<std::uint32_t>(stride);
    s.imageBytes = static_cast<std::uint32_t>(bytes);
    s.paletteEntries = bitCount <= 8 ? 1u << bitCount : 0;
    return s;
}

void WriteInfoBlock(const DibShape& shape, const std::uint32_t* argb, std::size_t count, std::int32_t xPelsPerMeter,
                    std::int32_t yPelsPerMeter, std::uint8_t* out) {
    std::memset(out, 0, shape.InfoBytes());
    Put32(out + 0, 40);
    Put32(out + 4, shape.width);
    Put32(out + 8, shape.height);  // positive: bottom-up rows
    Put16(out + 12, 1);
    Put16(out + 14, shape.bitCount);
    Put32(out + 16, 0);  // BI_RGB
    Put32(out + 20, shape.imageBytes);
    Put32(out + 24, static_cast<std::uint32_t>(xPelsPerMeter));
    Put32(out + 28, static_cast<std::uint32_t>(yPelsPerMeter));
    // biClrUsed 0: the palette is always full size, the unused tail black.
    std::uint8_t* pal = out + 40;
    const std::size_t n = std::min<std::size_t>(count, shape.paletteEntries);
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t c = argb[i];
        const auto a = static_cast<std::uint8_t>(c >> 24);
        pal[i * 4 + 0] = OverWhite(static_cast<std::uint8_t>(c), a);
        pal[i * 4 + 1] = OverWhite(static_cast<std::uint8_t>(c >> 8), a);
        pal[i * 4 + 2] = OverWhite(static_cast<std::uint8_t>(c >> 16), a);
    }
}

std::vector<std::uint32_t> GrayPalette(unsigned levels) {
    std::vector<std::uint32_t> p(levels);
    for (unsigned i = 0; i < levels; ++i) {
        const std::uint32_t v = levels > 1 ? (i * 255u + (levels - 1) / 2) / (levels - 1) : 0;
        p[i] = 0xFF000000u | v << 16 | v << 8 | v;
    }
    return p;
}

void UnpackIndices(const std::uint8_t* row, unsigned bits, std::uint32_t count, std::uint8_t* out) {
    if (bits == 8) {
        std::memcpy(out, row, count);
        return;
    }
    const unsigned perByte = 8 / bits;
    const unsigned mask = (1u << bits) - 1;
    for (std::uint32_t x = 0; x < count; ++x) {
        const unsigned shift = 8 - bits * (x % perByte + 1);
        out[x] = static_cast<std::uint8_t>(row[x / perByte] >> shift & mask);
    }
}

void OrientedSize(int orientation, std::uint32_t width, std::uint32_t height, std::uint32_t& outWidth,
                  std::uint32_t& outHeight) {
    const bool swaps = KnownOrientation(orientation) >= 5;
    outWidth = swaps ? height : width;
    outHeight = swaps ? width : height;
}

void OrientPoint(int orientation, std::uint32_t width, std::uint32_t height, std::uint32_t x, std::uint32_t y,
                 std::uint32_t& outX, std::uint32_t& outY) {
    const std::uint32_t rx = width - 1 - x, ry = height - 1 - y;
    switch (KnownOrientation(orientation)) {
        case 2: outX = rx, outY = y; break;   // mirrored left to right
        case 3: outX = rx, outY = ry; break;  // upside down
        case 4: outX = x, outY = ry; break;   // mirrored top to bottom
        case 5: outX = y, outY = x; break;    // transposed
        case 6: outX = ry, outY = x; break;   // turned a quarter clockwise
        case 7: outX = ry, outY = rx; break;  // transversed
        case 8: outX = y, outY = rx; break;   // turned a quarter anticlockwise
        default: outX = x, outY = y; break;
    }
}

DibCanvas::DibCanvas(const DibShape& shape, std::uint8_t* bits, const Geometry& g)
    : shape_(shape), bits_(bits), g_(g) {
    g_.orientation = KnownOrientation(g_.orientation);
    straight_ = g_.orientation == 1 && g_.left == 0 && g_.top == 0 && g_.frameWidth == g_.canvasWidth &&
                g_.frameHeight == g_.canvasHeight;
    const std::int64_t first = std::max<std::int64_t>(0, -g_.left);
    const std::int64_t last = std::min<std::int64_t>(g_.frameWidth, std::int64_t(g_.canvasWidth) - g_.left);
    firstX_ = static_cast<std::uint32_t>(std::min<std::int64_t>(first, g_.frameWidth));
    lastX_ = static_cast<std::uint32_t>(std::max<std::int64_t>(last, firstX_));
}

void DibCanvas::ClearPastWidth(std::uint32_t y) {
    // Whatever a decoder leaves in the bits past the last pixel stays out of the bitmap.
    const std::size_t usedBits = std::size_t(shape_.width) * shape_.bitCount;
    if (usedBits % 8) ShownRow(y)[usedBits / 8] &= static_cast<std::uint8_t>(0xFF << (8 - usedBits % 8));
}

void DibCanvas::Fill(std::uint8_t byte) { std::memset(bits_, byte, shape_.imageBytes); }

bool DibCanvas::Target(std::uint32_t x, std::uint32_t y, std::uint32_t& dx, std::uint32_t& dy) const {
    const std::int64_t cx = std::int64_t(x) + g_.left, cy = std::int64_t(y) + g_.top;
    if (cx < 0 || cy < 0 || cx >= g_.canvasWidth || cy >= g_.canvasHeight) return false;
    OrientPoint(g_.orientation, g_.canvasWidth, g_.canvasHeight, static_cast<std::uint32_t>(cx),
                static_cast<std::uint32_t>(cy), dx, dy);
    return true;
}

void DibCanvas::PutIndex(std::uint32_t x, std::uint32_t y, std::uint8_t index) {
    std::uint8_t* row = ShownRow(y);
    switch (shape_.bitCount) {
        case 8: row[x] = index; break;
        case 4: {
            std::uint8_t& b = row[x / 2];
            b = x % 2 ? static_cast<std::uint8_t>((b & 0xF0) | (index & 0x0F))
                      : static_cast<std::uint8_t>((b & 0x0F) | (index << 4));
            break;
        }
        case 1: {
            std::uint8_t& b = row[x / 8];
            const auto bit = static_cast<std::uint8_t>(0x80 >> (x % 8));
            b = (index & 1) ? static_cast<std::uint8_t>(b | bit) : static_cast<std::uint8_t>(b & ~bit);
            break;
        }
        default: break;
    }
}

void DibCanvas::PutIndices(std::uint32_t y, const std::uint8_t* indices) {
    if (straight_ && shape_.bitCount == 8) {
        std::memcpy(ShownRow(y), indices, g_.frameWidth);
        return;
    }
    std::uint32_t dx, dy;
    for (std::uint32_t x = firstX_; x < lastX_; ++x)
        if (Target(x, y, dx, dy)) PutIndex(dx, dy, indices[x]);
}

void DibCanvas::PutPacked(std::uint32_t y, const std::uint8_t* row, unsigned bits) {
    if (straight_ && bits == shape_.bitCount) {
        // Decoders pack indices the way bitmaps do: a plain copy of the row's bytes.
        std::memcpy(ShownRow(y), row, (std::size_t(g_.frameWidth) * bits + 7) / 8);
        ClearPastWidth(y);
        return;
    }
    unpacked_.resize(g_.frameWidth);
    UnpackIndices(row, bits, g_.frameWidth, unpacked_.data());
    PutIndices(y, unpacked_.data());
}

void DibCanvas::PutBgr(std::uint32_t y, const std::uint8_t* bgr) {
    if (straight_) {
        std::memcpy(ShownRow(y), bgr, std::size_t(g_.frameWidth) * 3);
        return;
    }
    std::uint32_t dx, dy;
    for (std::uint32_t x = firstX_; x < lastX_; ++x)
        if (Target(x, y, dx, dy)) std::memcpy(ShownRow(dy) + std::size_t(dx) * 3, bgr + std::size_t(x) * 3, 3);
}

void DibCanvas::PutBgra(std::uint32_t y, const std::uint8_t* bgra, bool withAlpha) {
    auto put = [withAlpha](std::uint8_t* d, const std::uint8_t* s) {
        const std::uint8_t a = withAlpha ? s[3] : 255;
        if (a == 255) {
            d[0] = s[0], d[1] = s[1], d[2] = s[2];
        } else {
            d[0] = OverWhite(s[0], a), d[1] = OverWhite(s[1], a), d[2] = OverWhite(s[2], a);
        }
    };
    if (straight_) {
        std::uint8_t* row = ShownRow(y);
        for (std::uint32_t x = 0; x < g_.frameWidth; ++x) put(row + std::size_t(x) * 3, bgra + std::size_t(x) * 4);
        return;
    }
    std::uint32_t dx, dy;
    for (std::uint32_t x = firstX_; x < lastX_; ++x)
        if (Target(x, y, dx, dy)) put(ShownRow(dy) + std::size_t(dx) * 3, bgra + std::size_t(x) * 4);
}

}  // namespace mrv::wic

// Pictures in the test decoders' own format, the bitmap files they must turn into, and the
// registry places the wallpaper tests look at.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "testkit.h"

namespace imgkit {

inline const std::wstring kSusieKey = L"Software\\Takechin\\Susie\\Plug-in";
inline const std::wstring kDesktopKey = L"Control Panel\\desktop";

// Misbehaviour switches of the test decoders (the picture header's flags).
enum : std::uint32_t {
    kFail = 1,
    kNoHandles = 2,
    kNoPixels = 4,
    kZeroSizeImage = 8,
    kOverclaim = 16,
    kNoPalette = 32,
    kSynthetic = 64,
    kLongHeader = 128,
};

struct Picture {
    std::int32_t width = 4;
    std::int32_t height = 3;  // negative: top-down
    std::uint16_t bits = 24;
    std::uint16_t compression = 0;
    std::uint32_t flags = 0;
    std::vector<std::uint32_t> colors;  // palette entries or the three masks
    std::string pixels;                 // the rows as a bitmap stores them
};

inline std::uint32_t Stride(const Picture& p) { return (static_cast<std::uint32_t>(p.width) * p.bits + 31) / 32 * 4; }
inline std::uint32_t Rows(const Picture& p) { return static_cast<std::uint32_t>(p.height < 0 ? -p.height : p.height); }

inline void Put(std::string& s, std::uint32_t v, int bytes = 4) {
    for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>(v >> (8 * i)));
}

// A picture of the given depth with a full palette (up to 8 bits) and rows of varied bytes.
inline Picture MakePicture(std::uint16_t bits, std::int32_t width, std::int32_t height, std::uint16_t compression = 0) {
    Picture p;
    p.width = width;
    p.height = height;
    p.bits = bits;
    p.compression = compression;
    if (bits <= 8)
        for (std::uint32_t i = 0; i < (1u << bits); ++i) p.colors.push_back(0x00010203u * i + 0x00402010u);
    if (compression == BI_BITFIELDS)
        p.colors = bits == 16 ? std::vector<std::uint32_t>{0xF800, 0x07E0, 0x001F}
                              : std::vector<std::uint32_t>{0xFF0000, 0x00FF00, 0x0000FF};
    const std::uint32_t n = Stride(p) * Rows(p);
    for (std::uint32_t i = 0; i < n; ++i) p.pixels.push_back(static_cast<char>((i * 37 + bits) & 0xFF));
    return p;
}

// The file the test decoders read.
inline std::string MrtBytes(const Picture& p) {
    std::string s = "MRVT";
    Put(s, static_cast<std::uint32_t>(p.width));
    Put(s, static_cast<std::uint32_t>(p.height));
    Put(s, p.bits, 2);
    Put(s, p.compression, 2);
    Put(s, p.flags);
    Put(s, static_cast<std::uint32_t>(p.colors.size()));
    Put(s, 0);
    Put(s, 0);
    for (std::uint32_t c : p.colors) Put(s, c);
    return s + p.pixels;
}

// The bitmap information header the test decoders hand back for a picture (40 bytes).
inline std::string InfoHeader(const Picture& p, std::uint32_t sizeImage) {
    std::string s;
    Put(s, 40);
    Put(s, static_cast<std::uint32_t>(p.width));
    Put(s, static_cast<std::uint32_t>(p.height));
    Put(s, 1, 2);
    Put(s, p.bits, 2);
    Put(s, p.compression);
    Put(s, sizeImage);
    Put(s, 2835);
    Put(s, 2835);
    Put(s, p.bits <= 8 && p.colors.size() < (1u << p.bits) ? static_cast<std::uint32_t>(p.colors.size()) : 0);
    Put(s, 0);
    return s;
}

// The bitmap file a picture must become: file header, information header, colours, pixels.
inline std::string ExpectedBmp(const Picture& p, std::uint32_t offBits, std::uint32_t sizeImage) {
    std::string s = "BM";
    Put(s, offBits + static_cast<std::uint32_t>(p.pixels.size()));
    Put(s, 0);
    Put(s, offBits);
    s += InfoHeader(p, sizeImage);
    for (std::uint32_t c : p.colors) Put(s, c);
    return s + p.pixels;
}

// A plain bottom-up 24-bit bitmap file of one colour.
inline std::string SolidBmp(int width, int height, COLORREF color) {
    const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 24 + 31) / 32 * 4;
    std::string rows;
    for (int y = 0; y < height; ++y) {
        std::string row;
        for (int x = 0; x < width; ++x) {
            row.push_back(static_cast<char>(GetBValue(color)));
            row.push_back(static_cast<char>(GetGValue(color)));
            row.push_back(static_cast<char>(GetRValue(color)));
        }
        row.resize(stride, '\0');
        rows += row;
    }
    std::string s = "BM";
    Put(s, 54 + static_cast<std::uint32_t>(rows.size()));
    Put(s, 0);
    Put(s, 54);
    Put(s, 40);
    Put(s, static_cast<std::uint32_t>(width));
    Put(s, static_cast<std::uint32_t>(height));
    Put(s, 1, 2);
    Put(s, 24, 2);
    Put(s, 0);
    Put(s, static_cast<std::uint32_t>(rows.size()));
    Put(s, 2835);
    Put(s, 2835);
    Put(s, 0);
    Put(s, 0);
    return s + rows;
}

inline std::wstring Desktop(const wchar_t* name) { return testkit::ReadRegString(kDesktopKey, name); }

inline void SetDesktop(const std::wstring& tile, const std::wstring& style, const std::wstring& wallpaper) {
    testkit::WriteRegString(kDesktopKey, L"TileWallpaper", tile);
    testkit::WriteRegString(kDesktopKey, L"WallpaperStyle", style);
    testkit::WriteRegString(kDesktopKey, L"Wallpaper", wallpaper);
}

// The long form of a path, to compare a short one with the file it names.
inline std::wstring LongPath(const std::wstring& path) {
    const DWORD n = GetLongPathNameW(path.c_str(), nullptr, 0);
    if (n == 0) return L"<" + path + L" names nothing>";
    std::wstring out(n, L'\0');
    out.resize(GetLongPathNameW(path.c_str(), out.data(), n));
    return out;
}

inline std::wstring CaseFold(std::wstring s) {
    CharUpperBuffW(s.data(), static_cast<DWORD>(s.size()));
    return s;
}

}  // namespace imgkit

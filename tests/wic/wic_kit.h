// What the WIC plug-in tests share: the plug-in loaded as a host loads it, the pictures made by
// ImageMagick at build time with its own decoding of each, and the comparison of pixels.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/handles.h"
#include "plugins/susie_picture_info.h"

namespace wictest {

using PictureInfo = SusiePictureInfo;

using Progress = int(WINAPI*)(int num, int denom, LONG_PTR data);

// The built plug-in, loaded by LoadLibrary and resolved by GetProcAddress.
struct Plugin {
    Plugin();
    mrv::UniqueModule module;
    int(WINAPI* GetPluginInfo)(int, LPSTR, int) = nullptr;
    int(WINAPI* GetPluginInfoW)(int, LPWSTR, int) = nullptr;
    int(WINAPI* IsSupported)(LPCSTR, const void*) = nullptr;
    int(WINAPI* IsSupportedW)(LPCWSTR, const void*) = nullptr;
    int(WINAPI* GetPictureInfo)(LPCSTR, LONG_PTR, unsigned, PictureInfo*) = nullptr;
    int(WINAPI* GetPictureInfoW)(LPCWSTR, LONG_PTR, unsigned, PictureInfo*) = nullptr;
    int(WINAPI* GetPicture)(LPCSTR, LONG_PTR, unsigned, HLOCAL*, HLOCAL*, Progress, LONG_PTR) = nullptr;
    int(WINAPI* GetPictureW)(LPCWSTR, LONG_PTR, unsigned, HLOCAL*, HLOCAL*, Progress, LONG_PTR) = nullptr;
    int(WINAPI* GetPreview)(LPCSTR, LONG_PTR, unsigned, HLOCAL*, HLOCAL*, Progress, LONG_PTR) = nullptr;
};

std::wstring PluginPath();                          // the built ifwic.sph
std::wstring Sample(const std::string& name);       // a picture made at build time
std::string SampleA(const std::string& name);       // the same, as the ANSI path hosts hand over

// An RGB picture, top row first, 3 bytes a pixel.
struct Rgb {
    int width = 0, height = 0;
    std::vector<std::uint8_t> pixels;
};
Rgb ReadPpm(const std::wstring& path);  // ImageMagick's reference decoding (P6, 8 bits)

// What GetPicture handed back, copied out of the local blocks (which are freed).
struct Dib {
    BITMAPINFOHEADER header{};
    std::vector<RGBQUAD> palette;     // full size for 1, 4 and 8 bits
    std::vector<std::uint8_t> bits;
    SIZE_T infoBlockSize = 0, bitsBlockSize = 0;
    std::vector<std::uint8_t> infoBytes;  // the information block as it was
};
Dib TakeDib(HLOCAL info, HLOCAL bits);
// A bitmap file as the program writes it: the same pieces, read back.
Dib ReadBmpFile(const std::wstring& path, std::uint32_t* offBits = nullptr, std::uint32_t* fileSize = nullptr);
Rgb ToRgb(const Dib& dib);

struct Difference {
    int max = 0;
    double mean = 0;
};
Difference Compare(const Rgb& a, const Rgb& b);  // sizes must match

}  // namespace wictest

// Decoder plug-ins for the tests, one source for every variant (MRV_VARIANT picks it). They read a
// tiny picture format of their own, "MRVT": a 32-byte header, then colour entries (a palette, or the
// three bit-field masks), then the pixel rows exactly as a bitmap stores them. Switches in the
// header make the decoder misbehave the way real plug-ins have been seen to.
#include <windows.h>

#include "../susie_picture_info.h"

#include <cstdint>
#include <cstring>
#include <vector>

#define MRV_DECODER 1     // *.mrt, decodes
#define MRV_TWIN 2        // *.MRT as well, but GetPicture always fails
#define MRV_TWO_GROUPS 3  // two pattern groups, decodes
#define MRV_NO_DESC 4     // groups without descriptions, decodes
#define MRV_NOT_IMAGE 5   // an archive plug-in ("00AM")
#define MRV_NO_ENTRY 6    // lacks GetPicture
#define MRV_ENDLESS 7     // answers every information number

#ifndef MRV_VARIANT
#error "MRV_VARIANT must name the variant"
#endif

namespace {

#pragma pack(push, 1)
struct MrtHeader {
    char magic[4];  // "MRVT"
    std::int32_t width;
    std::int32_t height;  // negative: rows top-down
    std::uint16_t bitCount;
    std::uint16_t compression;
    std::uint32_t flags;
    std::uint32_t colorEntries;  // 4-byte entries after the header
    std::uint32_t reserved[2];
};

#pragma pack(pop)
static_assert(sizeof(MrtHeader) == 32);
using PictureInfo = SusiePictureInfo;

// Misbehaviour switches (MrtHeader::flags).
constexpr std::uint32_t kFail = 1;            // GetPicture reports an error and leaves junk in the handles
constexpr std::uint32_t kNoHandles = 2;       // success, but no blocks
constexpr std::uint32_t kNoPixels = 4;        // success, information block only
constexpr std::uint32_t kZeroSizeImage = 8;   // biSizeImage left 0
constexpr std::uint32_t kOverclaim = 16;      // biSizeImage claims 4096 bytes more than the block holds
constexpr std::uint32_t kNoPalette = 32;      // the colour entries are left out of the information block
constexpr std::uint32_t kSynthetic = 64;      // no pixels in the file: the block is allocated, not filled
constexpr std::uint32_t kLongHeader = 128;    // a 124-byte header

using Progress = int(WINAPI*)(int, int, LONG_PTR);

int CopyInfo(const char* text, LPSTR buf, int buflen) {
    if (!text || buflen <= 0) return 0;
    lstrcpynA(buf, text, buflen);
    return lstrlenA(buf);
}

struct FileBytes {
    std::vector<char> bytes;
    const char* data = nullptr;
    DWORD size = 0;
};

int ReadPicture(LPCSTR name, FileBytes& out) {
    // Like many plug-ins, this one keeps the name in a buffer of MAX_PATH characters.
    char path[MAX_PATH];
    if (lstrlenA(name) >= MAX_PATH) return 6;
    lstrcpyA(path, name);
    HANDLE f = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return 6;
    const DWORD size = GetFileSize(f, nullptr);
    out.bytes.resize(size + 1);
    DWORD got = 0;
    const BOOL ok = ReadFile(f, out.bytes.data(), size, &got, nullptr);
    CloseHandle(f);
    if (!ok || got != size) return 6;
    out.data = out.bytes.data();
    out.size = size;
    if (size < sizeof(MrtHeader) || std::memcmp(out.data, "MRVT", 4) != 0) return 2;
    return 0;
}

[[maybe_unused]] std::uint32_t Stride(const MrtHeader& h) { return (static_cast<std::uint32_t>(h.width) * h.bitCount + 31) / 32 * 4; }
std::uint32_t Rows(const MrtHeader& h) { return static_cast<std::uint32_t>(h.height < 0 ? -h.height : h.height); }

}  // namespace

extern "C" {

__declspec(dllexport) int WINAPI GetPluginInfo(int infono, LPSTR buf, int buflen) {
#if MRV_VARIANT == MRV_ENDLESS
    if (infono == 0) return CopyInfo("00IN", buf, buflen);
    return CopyInfo(infono % 2 == 0 ? "*.mre" : "Endless", buf, buflen);
#else
    static const char* const table[] = {
#if MRV_VARIANT == MRV_DECODER
        "00IN", "MURAVINE test decoder", "*.mrt", "MURAVINE test picture",
#elif MRV_VARIANT == MRV_TWIN
        "00IN", "MURAVINE twin decoder", "*.MRT", "Twin picture",
#elif MRV_VARIANT == MRV_TWO_GROUPS
        "00IN", "MURAVINE two groups", "*.mra;;*.mrb;", "Group AB", "*.MRC", "Group C",
#elif MRV_VARIANT == MRV_NO_DESC
        "00IN", "MURAVINE no descriptions", "*.pi;*.pic", nullptr, "*.mag", nullptr,
#elif MRV_VARIANT == MRV_NOT_IMAGE
        "00AM", "MURAVINE archive", "*.mrx", "Archive",
#elif MRV_VARIANT == MRV_NO_ENTRY
        "00IN", "MURAVINE without GetPicture", "*.mry", "Unreadable",
#endif
    };
    constexpr int count = sizeof table / sizeof table[0];
    if (infono < 0 || infono >= count) return 0;
    return CopyInfo(table[infono], buf, buflen);
#endif
}

__declspec(dllexport) int WINAPI GetPictureInfo(LPCSTR buf, LONG_PTR len, unsigned int flag, PictureInfo* lpInfo) {
    (void)len;
    if ((flag & 7) != 0) return -1;  // memory input is not implemented
    FileBytes file;
    if (const int rc = ReadPicture(buf, file)) return rc;
    MrtHeader h;
    std::memcpy(&h, file.data, sizeof h);
    std::memset(lpInfo, 0, sizeof *lpInfo);
    lpInfo->width = h.width;
    lpInfo->height = static_cast<long>(Rows(h));
    lpInfo->colorDepth = static_cast<short>(h.bitCount);
    return 0;
}

#if MRV_VARIANT != MRV_NO_ENTRY
__declspec(dllexport) int WINAPI GetPicture(LPCSTR buf, LONG_PTR len, unsigned int flag, HLOCAL* pHBInfo,
                                            HLOCAL* pHBm, Progress lpPrgressCallback, LONG_PTR lData) {
    (void)len;
    // Called without looking whether there is a callback, as some real plug-ins do.
    if (lpPrgressCallback(0, 1, lData)) return 1;
#if MRV_VARIANT == MRV_TWIN
    (void)buf;
    (void)flag;
    *pHBInfo = reinterpret_cast<HLOCAL>(static_cast<UINT_PTR>(0xDEAD0000));
    *pHBm = reinterpret_cast<HLOCAL>(static_cast<UINT_PTR>(0xDEAD0010));
    return 2;
#else
    if ((flag & 7) != 0) return -1;
    FileBytes file;
    if (const int rc = ReadPicture(buf, file)) return rc;
    MrtHeader h;
    std::memcpy(&h, file.data, sizeof h);
    if (h.flags & kFail) {
        *pHBInfo = reinterpret_cast<HLOCAL>(static_cast<UINT_PTR>(0xDEAD0000));
        *pHBm = reinterpret_cast<HLOCAL>(static_cast<UINT_PTR>(0xDEAD0010));
        return 3;
    }
    *pHBInfo = nullptr;
    *pHBm = nullptr;
    if (h.flags & kNoHandles) return 0;

    const std::uint32_t colorBytes = h.colorEntries * 4;
    if (file.size < sizeof h + colorBytes) return 3;
    const char* colors = file.data + sizeof h;
    const char* pixels = colors + colorBytes;
    const std::uint32_t pixelBytes =
        (h.flags & kSynthetic) ? Stride(h) * Rows(h) : file.size - static_cast<DWORD>(sizeof h) - colorBytes;

    const bool bitfields = h.compression == BI_BITFIELDS;
    const std::uint32_t headerSize = (h.flags & kLongHeader) ? 124 : 40;
    std::uint32_t infoSize = headerSize;
    if (!(h.flags & kNoPalette)) {
        // Masks sit right after the first 40 bytes, which lies inside a long header.
        if (!(bitfields && headerSize > 40)) infoSize += colorBytes;
    }
    HLOCAL info = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, infoSize);
    if (!info) return 4;
    auto* bi = static_cast<BITMAPINFOHEADER*>(LocalLock(info));
    bi->biSize = headerSize;
    bi->biWidth = h.width;
    bi->biHeight = h.height;
    bi->biPlanes = 1;
    bi->biBitCount = h.bitCount;
    bi->biCompression = h.compression;
    bi->biSizeImage = (h.flags & kZeroSizeImage) ? 0 : pixelBytes + ((h.flags & kOverclaim) ? 4096 : 0);
    bi->biXPelsPerMeter = bi->biYPelsPerMeter = 2835;
    if (h.bitCount <= 8 && h.colorEntries < (1u << h.bitCount)) bi->biClrUsed = h.colorEntries;
    if (!(h.flags & kNoPalette)) {
        const std::uint32_t at = (bitfields && headerSize > 40) ? 40 : headerSize;
        std::memcpy(reinterpret_cast<char*>(bi) + at, colors, colorBytes);
    }
    LocalUnlock(info);

    HLOCAL bits = nullptr;
    if (!(h.flags & kNoPixels)) {
        bits = LocalAlloc(LMEM_MOVEABLE, pixelBytes ? pixelBytes : 1);
        if (!bits) {
            LocalFree(info);
            return 4;
        }
        if (!(h.flags & kSynthetic)) {
            std::memcpy(LocalLock(bits), pixels, pixelBytes);
            LocalUnlock(bits);
        }
    }
    if (lpPrgressCallback(1, 1, lData)) {
        LocalFree(info);
        if (bits) LocalFree(bits);
        return 1;
    }
    *pHBInfo = info;
    *pHBm = bits;
    return 0;
#endif
}
#endif

}  // extern "C"

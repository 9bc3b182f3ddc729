// The picture-information record of the picture plug-in interface, as plug-ins and hosts share it:
// packed, 26 bytes in 32-bit builds and 32 in 64-bit ones (two bytes of padding before hInfo).
#pragma once
#include <windows.h>

#pragma pack(push, 1)
struct SusiePictureInfo {
    long left, top;
    long width, height;
    WORD x_density, y_density;
    short colorDepth;
#ifdef _WIN64
    char dummy[2];
#endif
    HLOCAL hInfo;
};
#pragma pack(pop)
static_assert(sizeof(SusiePictureInfo) == (sizeof(void*) == 8 ? 32 : 26));

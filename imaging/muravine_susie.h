// Decoder plug-ins ("Susie plug-ins"): the catalogue of what the installed ones read, and the
// conversion of a picture into a bitmap file through them.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

extern std::wstring gv_sSusiePath;  // the plug-in folder as the registry holds it
// Parallel lists, one entry per pattern; they exist only when the plug-in key exists.
extern std::unique_ptr<std::vector<std::string>> gv_lstSusieExt;    // pattern as reported, ANSI
extern std::unique_ptr<std::vector<std::wstring>> gv_lstSusieFile;  // plug-in file name, no folder
extern std::unique_ptr<std::vector<std::string>> gv_lstSusieDesc;   // description, ANSI
extern HMODULE gv_hSusiePlugin;  // the plug-in loaded now, or null

// The entry points of the plug-in interface, all __stdcall. Lengths and callback data are LONG_PTR:
// 32 bits for the 32-bit plug-ins (*.spi), 64 bits for the 64-bit ones (*.sph), as TORO's 64-bit
// Susie plug-in convention defines them (its header susie.h, "GETPICTURE" and "SUSIE_PROGRESS").
using SusieProgress = int(WINAPI*)(int num, int denom, LONG_PTR data);
using PfnGetPluginInfo = int(WINAPI*)(int infono, LPSTR buf, int buflen);
using PfnGetPictureInfo = int(WINAPI*)(LPCSTR buf, LONG_PTR len, unsigned int flag, void* lpInfo);
using PfnGetPicture = int(WINAPI*)(LPCSTR buf, LONG_PTR len, unsigned int flag, HLOCAL* pHBInfo, HLOCAL* pHBm,
                                   SusieProgress lpPrgressCallback, LONG_PTR lData);

extern PfnGetPluginInfo gv_pfnGetPluginInfo;
extern PfnGetPictureInfo gv_pfnGetPictureInfo;
extern PfnGetPicture gv_pfnGetPicture;

// The plug-in file pattern this build loads: 64-bit plug-ins are *.sph, 32-bit ones *.spi.
const wchar_t* SusiePluginPattern();

bool ReadSusiePath();
void LoadSusiePlugins();
bool OpenSusiePlugin(const std::wstring& path);
void CloseSusiePlugin();
// ext: an extension with its dot as taken from a file name (".jpg"); false after telling the user why.
bool CheckSusieSupport(const std::wstring& ext);
// Decodes the picture into gv_sChangedBMP, or into the temporary "MRV_WP.bmp" when temporary.
bool ConvertToBMP(const std::wstring& path, bool temporary);
// The temporary bitmap the preview converts into.
std::wstring TemporaryBMPPath();
// Releases the catalogue lists (the plug-in loaded last stays loaded).
void ReleaseSusieCatalogue();

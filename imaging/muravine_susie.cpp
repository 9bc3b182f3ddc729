// The plug-in catalogue and the conversion of pictures into bitmap files.
#include "imaging/muravine_susie.h"

#include <cstring>
#include <system_error>
#include <thread>

#include "core/app.h"
#include "core/handles.h"
#include "core/muravine_rtn.h"
#include "core/registry.h"
#include "core/text.h"
#include "imaging/bmplayout.h"
#include "imaging/patterns.h"

std::wstring gv_sSusiePath;
std::unique_ptr<std::vector<std::string>> gv_lstSusieExt;
std::unique_ptr<std::vector<std::wstring>> gv_lstSusieFile;
std::unique_ptr<std::vector<std::string>> gv_lstSusieDesc;
HMODULE gv_hSusiePlugin = nullptr;
PfnGetPluginInfo gv_pfnGetPluginInfo = nullptr;
PfnGetPictureInfo gv_pfnGetPictureInfo = nullptr;
PfnGetPicture gv_pfnGetPicture = nullptr;

namespace {

// The path the current plug-in was loaded from.
std::wstring g_loadedPluginPath;

template <class Fn>
Fn Entry(HMODULE m, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(m, name)));
}

// Some plug-ins call the progress callback without testing it for null.
int WINAPI NoProgress(int, int, LONG_PTR) { return 0; }

// GetPluginInfo into a buffer of `size` bytes; the text is cut at the buffer's end if the plug-in
// did not terminate it.
std::string PluginInfo(int number, int size) {
    std::string buf(static_cast<std::size_t>(size) + 1, '\0');
    if (gv_pfnGetPluginInfo(number, buf.data(), size) == 0) return {};
    buf.resize(std::strlen(buf.c_str()));
    return buf;
}

std::string AnsiUpperExt(const std::wstring& ext) { return mrv::AsciiUpper(mrv::WideToAnsi(ext)); }

// The previous bitmap, once moved aside, is removed off the caller's path: on some file systems
// (ext4, as under Wine) dropping a freshly written 4K picture takes as long as writing it, and the
// wallpaper need not wait for that.
std::jthread& Remover() {
    static std::jthread remover;
    return remover;
}

void FinishRemoval() {
    if (Remover().joinable()) Remover().join();
}

void RemoveLater(const std::wstring& path) {
    try {  // the assignment waits for an earlier removal still under way
        Remover() = std::jthread([path] { DeleteFileW(path.c_str()); });
    } catch (const std::system_error&) {
        DeleteFileW(path.c_str());
    }
}

// Puts the finished file in the target's place; false leaves the target as it was. Renaming over
// an existing file makes some file systems write the new file out before the rename returns, as
// much time again as writing it: the old file is moved aside first, so that the last rename goes
// to a free name, and comes back should that rename fail.
bool PutInPlace(const std::wstring& tmp, const std::wstring& target) {
    const std::wstring aside = target + L".mrv-old";
    DeleteFileW(aside.c_str());  // left by a run that ended between the two renames
    if (!MoveFileExW(target.c_str(), aside.c_str(), 0)) {
        const DWORD err = GetLastError();
        if (err != ERROR_FILE_NOT_FOUND && err != ERROR_PATH_NOT_FOUND)
            return MoveFileExW(tmp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING);
        return MoveFileExW(tmp.c_str(), target.c_str(), 0);
    }
    if (MoveFileExW(tmp.c_str(), target.c_str(), 0)) {
        RemoveLater(aside);
        return true;
    }
    MoveFileExW(aside.c_str(), target.c_str(), 0);
    return false;
}

// Writes the bitmap beside the target and then puts it in place, so that a failure leaves the
// target as it was.
bool WriteFileReplacing(const std::wstring& target, const mrv::BmpPlan& plan, const void* pixels) {
    // A read-only file is one the user wants kept: it is not replaced (some file systems would
    // let a rename go over it). A folder is never a bitmap to replace.
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return false;
    FinishRemoval();  // the file being removed may carry the name this write moves aside
    const std::wstring tmp = target + L".mrv~";
    bool ok = false;
    {
        mrv::UniqueHandle f = mrv::AdoptHandle(
            CreateFileW(tmp.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                        nullptr));
        auto put = [&](const void* data, DWORD size) {
            DWORD written = 0;
            return size == 0 || (WriteFile(f.get(), data, size, &written, nullptr) && written == size);
        };
        ok = f && put(plan.head.data(), static_cast<DWORD>(plan.head.size())) && put(pixels, plan.pixelBytes);
    }
    if (ok) ok = PutInPlace(tmp, target);
    if (!ok) DeleteFileW(tmp.c_str());
    return ok;
}

// Plug-ins open the picture with ANSI calls, and many copy its name into a buffer of MAX_PATH
// characters: a name the code page cannot spell, or one too long for that, goes by its short form.
std::string PluginPathFor(const std::wstring& path) {
    std::string ansi = mrv::AnsiPathFor(path);
    if (!ansi.empty() && ansi.size() < MAX_PATH) return ansi;
    const std::wstring shortPath = mrv::ShortPathOf(path);
    if (shortPath.empty()) return {};
    bool lossless = false;
    ansi = mrv::WideToAnsi(shortPath, &lossless);
    return lossless && ansi.size() < MAX_PATH ? ansi : std::string();
}

std::wstring FaultText(mrv::BmpFault f) {
    switch (f) {
        case mrv::BmpFault::NoHeader: return L"ビットマップ情報ヘッダーがありません";
        case mrv::BmpFault::BadDepth: return L"対応していない色数です";
        case mrv::BmpFault::NoPixels: return L"画像の幅または高さが 0 です";
        case mrv::BmpFault::ShortPalette: return L"パレットが足りません";
        case mrv::BmpFault::MissingMasks: return L"カラーマスクがありません";
        case mrv::BmpFault::CompressedWithoutSize: return L"圧縮された画像のサイズがありません";
        case mrv::BmpFault::ShortPixels: return L"画素データが足りません";
        case mrv::BmpFault::TooLarge: return L"画像が大きすぎます";
        case mrv::BmpFault::None: break;
    }
    return {};
}

// A plug-in that answers every information number would keep the catalogue from ever being built;
// no real one reports anywhere near this many pattern groups.
constexpr int kLastGroupNumber = 2 * 256;

}  // namespace

const wchar_t* SusiePluginPattern() {
#ifdef _WIN64
    return L"*.sph";
#else
    return L"*.spi";
#endif
}

bool ReadSusiePath() {
    mrv::Registry reg(HKEY_CURRENT_USER);
    if (!reg.OpenKey(L"Software\\Takechin\\Susie\\Plug-in", false)) {
        gv_sSusiePath.clear();
        return false;
    }
    gv_sSusiePath = reg.ValueExists(L"Path") ? reg.ReadString(L"Path") : std::wstring();
    reg.CloseKey();
    return true;
}

void CloseSusiePlugin() {
    if (gv_hSusiePlugin) FreeLibrary(gv_hSusiePlugin);
    g_loadedPluginPath.clear();
    gv_hSusiePlugin = nullptr;
    gv_pfnGetPluginInfo = nullptr;
    gv_pfnGetPictureInfo = nullptr;
    gv_pfnGetPicture = nullptr;
}

bool OpenSusiePlugin(const std::wstring& path) {
    // The plug-in asked for is already the current one (the usual case when pictures of one kind are
    // converted in turn): loading it again would only cost time.
    if (gv_hSusiePlugin && path == g_loadedPluginPath) return true;
    CloseSusiePlugin();
    {
        // A file that is no library, or lacks one it depends on, is skipped quietly: no system box.
        DWORD oldMode = 0;
        const bool modeSet = SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &oldMode);
        gv_hSusiePlugin = LoadLibraryW(path.c_str());
        if (modeSet) SetThreadErrorMode(oldMode, nullptr);
    }
    if (!gv_hSusiePlugin) return false;
    gv_pfnGetPluginInfo = Entry<PfnGetPluginInfo>(gv_hSusiePlugin, "GetPluginInfo");
    gv_pfnGetPictureInfo = Entry<PfnGetPictureInfo>(gv_hSusiePlugin, "GetPictureInfo");
    gv_pfnGetPicture = Entry<PfnGetPicture>(gv_hSusiePlugin, "GetPicture");
    if (!gv_pfnGetPluginInfo || !gv_pfnGetPictureInfo || !gv_pfnGetPicture) {
        CloseSusiePlugin();
        return false;
    }
    char version[16] = {};
    gv_pfnGetPluginInfo(0, version, sizeof version);
    if (version[2] == 'I' && version[3] == 'N') {
        g_loadedPluginPath = path;
        return true;
    }
    CloseSusiePlugin();
    return false;
}

void LoadSusiePlugins() {
    gv_lstSusieExt = std::make_unique<std::vector<std::string>>();
    gv_lstSusieFile = std::make_unique<std::vector<std::wstring>>();
    gv_lstSusieDesc = std::make_unique<std::vector<std::string>>();
    WIN32_FIND_DATAW fd;
    mrv::UniqueFind find =
        mrv::AdoptFind(FindFirstFileW((gv_sSusiePath + L"\\" + SusiePluginPattern()).c_str(), &fd));
    if (!find) return;
    do {
        const std::wstring name = fd.cFileName;
        if (!OpenSusiePlugin(gv_sSusiePath + L"\\" + name)) continue;
        for (int g = 2; g <= kLastGroupNumber; g += 2) {
            const std::string group = PluginInfo(g, 256);
            if (group.empty()) break;
            for (const std::string& piece : mrv::SplitPatternGroup(group)) {
                gv_lstSusieExt->push_back(piece);
                gv_lstSusieFile->push_back(name);
                std::string desc = PluginInfo(g + 1, 256);
                gv_lstSusieDesc->push_back(desc.empty() ? mrv::FallbackDescription(piece) : desc);
            }
        }
    } while (FindNextFileW(find.get(), &fd));
}

void ReleaseSusieCatalogue() {
    FinishRemoval();  // nothing of the conversions outlives the catalogue
    gv_lstSusieExt.reset();
    gv_lstSusieFile.reset();
    gv_lstSusieDesc.reset();
}

bool CheckSusieSupport(const std::wstring& ext) {
    const std::string e = AnsiUpperExt(ext);
    if (e == ".BMP") return true;
    if (!gv_lstSusieExt) {
        mrv::app::ShowInfo(L"Susieがインストールされていません。\nまたは一度も実行されていません。");
        return false;
    }
    for (const std::string& pattern : *gv_lstSusieExt)
        if (mrv::SupportExtension(pattern) == e) return true;
    mrv::app::ShowInfo(L"この拡張子用のプラグインがインストールされていません。");
    return false;
}

std::wstring TemporaryBMPPath() {
    // GetTempPath gives up on a folder deeper than MAX_PATH; the bitmap must then not become a
    // file of the current folder: the places it would have looked in are read directly.
    std::wstring path(MAX_PATH + 1, L'\0');
    const DWORD n = GetTempPathW(MAX_PATH + 1, path.data());
    path.resize(n <= MAX_PATH + 1 ? n : 0);
    for (const wchar_t* name : {L"TMP", L"TEMP", L"USERPROFILE"}) {
        if (!path.empty()) break;
        path.assign(GetEnvironmentVariableW(name, nullptr, 0), L'\0');
        if (!path.empty()) path.resize(GetEnvironmentVariableW(name, path.data(), static_cast<DWORD>(path.size())));
    }
    if (path.empty()) {
        path.assign(MAX_PATH + 1, L'\0');
        const DWORD w = GetWindowsDirectoryW(path.data(), MAX_PATH + 1);
        path.resize(w <= MAX_PATH + 1 ? w : 0);
    }
    if (!path.empty() && path.back() != L'\\') path += L'\\';
    return path + L"MRV_WP.bmp";
}

bool ConvertToBMP(const std::wstring& path, bool temporary) {
    const std::wstring ext = UpperExtension(path);
    if (ext == L".BMP") return false;
    if (!PathExists(path)) {
        mrv::app::ShowInfo(path + L"\nファイルが見つかりません。");
        return false;
    }
    if (!CheckSusieSupport(ext)) return false;

    const std::string e = AnsiUpperExt(ext);
    std::size_t match = gv_lstSusieExt->size();
    for (std::size_t i = 0; i < gv_lstSusieExt->size(); ++i)
        if (mrv::DecoderExtension((*gv_lstSusieExt)[i]) == e) {
            match = i;
            break;
        }
    if (match == gv_lstSusieExt->size()) return false;
    const std::wstring& pluginFile = (*gv_lstSusieFile)[match];
    if (!OpenSusiePlugin(gv_sSusiePath + L"\\" + pluginFile)) {
        // It loaded when the catalogue was built: it has been removed or replaced since.
        mrv::app::ShowInfo(path + L"\nプラグイン " + pluginFile + L" を読み込めません。");
        return false;
    }

    const std::string ansiPath = PluginPathFor(path);
    if (ansiPath.empty()) {
        mrv::app::ShowInfo(path + L"\nこのファイル名はプラグインに渡せません。");
        return false;
    }

    // The picture-information record is 26 bytes packed on 32-bit and 30 or 32 on 64-bit plug-ins,
    // depending on how they were built: a zero-filled buffer larger than all of them fits every one.
    alignas(8) unsigned char pictureInfo[64] = {};
    gv_pfnGetPictureInfo(ansiPath.c_str(), 0, 0, pictureInfo);

    HLOCAL hInfo = nullptr, hBits = nullptr;
    const int rc = gv_pfnGetPicture(ansiPath.c_str(), 0, 0, &hInfo, &hBits, NoProgress, 0);
    if (rc != 0) {
        // After a failure the handles may hold anything: they are neither used nor freed.
        mrv::app::ShowInfo(path + L"\n画像を読み込めません。(プラグインのエラー " + std::to_wstring(rc) + L")");
        return false;
    }
    mrv::UniqueLocal info(hInfo), bits(hBits);
    if (!info || !bits) {
        mrv::app::ShowInfo(path + L"\n画像を読み込めません。(プラグインが画像を返しませんでした)");
        return false;
    }
    mrv::LocalLockGuard infoLock(info.get()), bitsLock(bits.get());
    const auto* infoBytes = static_cast<const std::uint8_t*>(infoLock.get());
    // The blocks are measured, not taken at their word: nothing past their ends is read.
    const mrv::BmpPlan plan = mrv::PlanBmp(infoBytes, infoBytes ? LocalSize(info.get()) : 0,
                                           bitsLock.get() ? LocalSize(bits.get()) : 0);
    if (!plan.ok()) {
        mrv::app::ShowInfo(path + L"\n画像を読み込めません。(プラグインが返した画像が壊れています: " +
                           FaultText(plan.fault) + L")");
        return false;
    }

    const std::wstring target = temporary ? TemporaryBMPPath() : gv_sChangedBMP;
    if (!WriteFileReplacing(target, plan, bitsLock.get())) {
        mrv::app::ShowInfo(target + L"\nビットマップファイルを書き込めません。");
        return false;
    }
    return true;
}

// Times the WIC plug-in turning a picture file into a bitmap file, as the program does with a
// wallpaper: GetPicture from the file, then the 14-byte file header, the information block and
// the pixels written out. bench/wic_decode_bench.sh runs it beside ImageMagick's convert of the
// same picture and prints the ratio.
//
//   wic_decode_bench.exe PLUGIN PICTURE OUT.bmp [RUNS]
// prints "first_ms=<the first call> best_ms=<the fastest of RUNS> median_ms=<...>".
#include "bench/bench_clock.h"
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/handles.h"

namespace {

using GetPictureFn = int(WINAPI*)(LPCSTR, LONG_PTR, unsigned, HLOCAL*, HLOCAL*,
                                  int(WINAPI*)(int, int, LONG_PTR), LONG_PTR);

bool WriteBmp(const wchar_t* path, HLOCAL info, HLOCAL bits) {
    mrv::LocalLockGuard il(info), bl(bits);
    const auto* h = static_cast<const BITMAPINFOHEADER*>(il.get());
    if (!h || !bl.get()) return false;
    const DWORD palette = h->biBitCount <= 8 ? 4u << h->biBitCount : 0;
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof *h + palette;
    fh.bfSize = fh.bfOffBits + h->biSizeImage;
    mrv::UniqueHandle f = mrv::AdoptHandle(
        CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD n = 0;
    return f && WriteFile(f.get(), &fh, sizeof fh, &n, nullptr) &&
           WriteFile(f.get(), h, sizeof *h + palette, &n, nullptr) &&
           WriteFile(f.get(), bl.get(), h->biSizeImage, &n, nullptr);
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    const mrv::UniqueLocal argvOwner(argv);
    if (!argv || argc < 4) {
        std::fprintf(stderr, "usage: wic_decode_bench PLUGIN PICTURE OUT.bmp [RUNS]\n");
        return 2;
    }
    const int runs = argc > 4 ? std::max(1, _wtoi(argv[4])) : 7;
    mrv::UniqueModule plugin(LoadLibraryW(argv[1]));
    const auto getPicture =
        plugin ? reinterpret_cast<GetPictureFn>(reinterpret_cast<void*>(GetProcAddress(plugin.get(), "GetPicture")))
               : nullptr;
    if (!getPicture) {
        std::fprintf(stderr, "cannot load the plug-in\n");
        return 2;
    }
    // Plug-ins take ANSI names.
    char picture[MAX_PATH * 2] = {};
    WideCharToMultiByte(CP_ACP, 0, argv[2], -1, picture, sizeof picture, nullptr, nullptr);

    std::vector<double> times;
    for (int i = 0; i <= runs; ++i) {
        const double start = NowMs();
        HLOCAL info = nullptr, bits = nullptr;
        const int rc = getPicture(picture, 0, 0, &info, &bits, nullptr, 0);
        mrv::UniqueLocal infoOwner(info), bitsOwner(bits);
        if (rc != 0 || !WriteBmp(argv[3], info, bits)) {
            std::fprintf(stderr, "decoding failed: %d\n", rc);
            return 1;
        }
        times.push_back(NowMs() - start);
    }
    const double first = times.front();
    times.erase(times.begin());  // the first call also loads the imaging component
    std::sort(times.begin(), times.end());
    std::printf("first_ms=%.1f best_ms=%.1f median_ms=%.1f\n", first, times.front(), times[times.size() / 2]);
    return 0;
}

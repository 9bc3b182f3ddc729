// Loading and saving a list of 100,000 entries, against reading and writing the same bytes raw.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "core/muravine_rtn.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

template <class Fn>
double Time(Fn fn) {
    const auto t0 = Clock::now();
    fn();
    return Ms(Clock::now() - t0);
}

void RawWrite(const std::wstring& path, const std::string& bytes) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    FlushFileBuffers(f);
    CloseHandle(f);
}

std::string RawRead(const std::wstring& path) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    LARGE_INTEGER size{};
    GetFileSizeEx(f, &size);
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    ReadFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    CloseHandle(f);
    return bytes;
}

}  // namespace

int main() {
    wchar_t tmp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, tmp);
    const std::wstring raw = std::wstring(tmp) + L"mrv_bench_raw.LST";
    const std::wstring list = std::wstring(tmp) + L"mrv_bench_list.LST";

    mrv::StringList lines;
    std::string bytes;
    for (int i = 0; i < 100000; ++i) {
        char line[128];
        std::snprintf(line, sizeof line, "%d,%d,C:\\Users\\taro\\Pictures\\wallpapers\\picture_%06d.jpg,", i % 2, i % 3, i);
        lines.emplace_back(line);
        bytes += line;
        bytes += "\r\n";
    }
    // Each run times all four, one after the other, so that a slow spell of the disk weighs on both
    // sides alike; the best of the runs counts.
    const int runs = 11;
    std::string sink;
    mrv::StringList loaded;
    double rawWrite = 1e30, rawRead = 1e30, save = 1e30, load = 1e30;
    for (int i = 0; i < runs; ++i) {
        rawWrite = std::min(rawWrite, Time([&] { RawWrite(raw, bytes); }));
        rawRead = std::min(rawRead, Time([&] { sink = RawRead(raw); }));
        save = std::min(save, Time([&] { SaveListFile(list, lines); }));
        load = std::min(load, Time([&] { LoadListFile(list, loaded); }));
    }
    if (loaded != lines || sink != bytes) {
        std::printf("FAILED: the list did not round-trip\n");
        return 1;
    }
    std::printf("list of %zu entries, %zu bytes (best of %d)\n", lines.size(), bytes.size(), runs);
    std::printf("save: %.2f ms, raw write: %.2f ms, ratio %.2f\n", save, rawWrite, save / rawWrite);
    std::printf("load: %.2f ms, raw read: %.2f ms, ratio %.2f\n", load, rawRead, load / rawRead);
    std::printf("load+save ratio %.2f (target at most 1.5)\n", (save + load) / (rawWrite + rawRead));
    DeleteFileW(raw.c_str());
    DeleteFileW(list.c_str());
    return 0;
}

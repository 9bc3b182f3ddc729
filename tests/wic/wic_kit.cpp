#include "wic_kit.h"

#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "core/text.h"
#include "testkit.h"

namespace wictest {

namespace {
template <class Fn>
void Resolve(HMODULE m, const char* name, Fn& fn) {
    fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(m, name)));
}
}  // namespace

Plugin::Plugin() : module(LoadLibraryW(PluginPath().c_str())) {
    if (!module) return;
    HMODULE m = module.get();
    Resolve(m, "GetPluginInfo", GetPluginInfo);
    Resolve(m, "GetPluginInfoW", GetPluginInfoW);
    Resolve(m, "IsSupported", IsSupported);
    Resolve(m, "IsSupportedW", IsSupportedW);
    Resolve(m, "GetPictureInfo", GetPictureInfo);
    Resolve(m, "GetPictureInfoW", GetPictureInfoW);
    Resolve(m, "GetPicture", GetPicture);
    Resolve(m, "GetPictureW", GetPictureW);
    Resolve(m, "GetPreview", GetPreview);
}

std::wstring PluginPath() { return testkit::FromUnixPath(WIC_PLUGIN_UNIX_PATH); }
std::wstring Sample(const std::string& name) {
    return testkit::FromUnixPath(std::string(WIC_SAMPLES_UNIX_DIR) + "/" + name);
}
std::string SampleA(const std::string& name) { return mrv::WideToAnsi(Sample(name)); }

Rgb ReadPpm(const std::wstring& path) {
    const std::string b = testkit::ReadBytes(path);
    Rgb r;
    std::size_t at = 0;
    auto token = [&] {
        while (at < b.size() && std::isspace(static_cast<unsigned char>(b[at]))) ++at;
        std::string t;
        while (at < b.size() && !std::isspace(static_cast<unsigned char>(b[at]))) t += b[at++];
        return t;
    };
    if (token() != "P6") throw std::runtime_error("not a P6 picture: " + testkit::Narrow(path));
    r.width = std::atoi(token().c_str());
    r.height = std::atoi(token().c_str());
    if (token() != "255") throw std::runtime_error("not 8 bits: " + testkit::Narrow(path));
    ++at;
    const std::size_t n = std::size_t(r.width) * r.height * 3;
    if (b.size() < at + n) throw std::runtime_error("short picture: " + testkit::Narrow(path));
    r.pixels.assign(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + n));
    return r;
}

namespace {
Dib FromBlocks(const std::uint8_t* info, std::size_t infoSize, const std::uint8_t* bits, std::size_t bitsSize) {
    Dib d;
    d.infoBlockSize = infoSize;
    d.bitsBlockSize = bitsSize;
    if (infoSize < sizeof(BITMAPINFOHEADER)) throw std::runtime_error("information block too small");
    std::memcpy(&d.header, info, sizeof d.header);
    d.infoBytes.assign(info, info + infoSize);
    if (d.header.biBitCount <= 8) {
        const std::size_t n = std::size_t(1) << d.header.biBitCount;
        if (infoSize < 40 + n * 4) throw std::runtime_error("palette missing");
        d.palette.resize(n);
        std::memcpy(d.palette.data(), info + 40, n * 4);
    }
    const std::size_t take = std::min<std::size_t>(bitsSize, d.header.biSizeImage);
    d.bits.assign(bits, bits + take);
    return d;
}
}  // namespace

Dib TakeDib(HLOCAL info, HLOCAL bits) {
    mrv::UniqueLocal i(info), b(bits);
    mrv::LocalLockGuard il(info), bl(bits);
    if (!il.get() || !bl.get()) throw std::runtime_error("blocks cannot be locked");
    return FromBlocks(static_cast<const std::uint8_t*>(il.get()), LocalSize(info),
                      static_cast<const std::uint8_t*>(bl.get()), LocalSize(bits));
}

Dib ReadBmpFile(const std::wstring& path, std::uint32_t* offBits, std::uint32_t* fileSize) {
    const std::string f = testkit::ReadBytes(path);
    if (f.size() < 54 || f[0] != 'B' || f[1] != 'M') throw std::runtime_error("not a bitmap file");
    std::uint32_t off = 0, size = 0;
    std::memcpy(&size, f.data() + 2, 4);
    std::memcpy(&off, f.data() + 10, 4);
    if (offBits) *offBits = off;
    if (fileSize) *fileSize = size;
    if (off > f.size()) throw std::runtime_error("pixel offset beyond the file");
    const auto* p = reinterpret_cast<const std::uint8_t*>(f.data());
    return FromBlocks(p + 14, off - 14, p + off, f.size() - off);
}

Rgb ToRgb(const Dib& d) {
    const BITMAPINFOHEADER& h = d.header;
    if (h.biCompression != BI_RGB || h.biHeight <= 0) throw std::runtime_error("not a bottom-up BI_RGB bitmap");
    Rgb r;
    r.width = h.biWidth;
    r.height = h.biHeight;
    const std::size_t stride = (std::size_t(h.biWidth) * h.biBitCount + 31) / 32 * 4;
    if (d.bits.size() < stride * r.height) throw std::runtime_error("pixel block too small");
    r.pixels.resize(std::size_t(r.width) * r.height * 3);
    for (int y = 0; y < r.height; ++y) {
        const std::uint8_t* row = d.bits.data() + stride * (r.height - 1 - y);
        for (int x = 0; x < r.width; ++x) {
            std::uint8_t* out = &r.pixels[(std::size_t(y) * r.width + x) * 3];
            if (h.biBitCount == 24) {
                out[0] = row[x * 3 + 2], out[1] = row[x * 3 + 1], out[2] = row[x * 3];
                continue;
            }
            unsigned index = 0;
            switch (h.biBitCount) {
                case 8: index = row[x]; break;
                case 4: index = x % 2 ? row[x / 2] & 15 : row[x / 2] >> 4; break;
                case 1: index = row[x / 8] >> (7 - x % 8) & 1; break;
                default: throw std::runtime_error("unexpected depth");
            }
            const RGBQUAD& q = d.palette.at(index);
            out[0] = q.rgbRed, out[1] = q.rgbGreen, out[2] = q.rgbBlue;
        }
    }
    return r;
}

Difference Compare(const Rgb& a, const Rgb& b) {
    Difference d;
    if (a.pixels.size() != b.pixels.size() || a.pixels.empty()) {
        d.max = 256;
        return d;
    }
    double sum = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) {
        const int diff = std::abs(int(a.pixels[i]) - int(b.pixels[i]));
        d.max = std::max(d.max, diff);
        sum += diff;
    }
    d.mean = sum / static_cast<double>(a.pixels.size());
    return d;
}

}  // namespace wictest

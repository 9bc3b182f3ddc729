// The WIC plug-in called directly, as a host calls it: LoadLibrary, GetProcAddress, the entry
// points with files and memory, compared with ImageMagick's decoding of the same pictures.
#include <gtest/gtest.h>
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <thread>

#include "core/text.h"
#include "testkit.h"
#include "wic_kit.h"

using namespace wictest;

namespace {

struct SampleCase {
    const char* name;
    WORD bits;      // the depth handed back
    int tolerance;  // largest difference per channel from ImageMagick's decoding
};
// Two JPEG decoders may round their colour conversion and upsampling differently; laying alpha
// over white, or taking 16-bit grey to 8 bits, rounds differently in ImageMagick's 16-bit arithmetic.
constexpr int kJpeg = 4;
constexpr int kAlpha = 1;
const SampleCase kSamples[] = {
    {"rgb.png", 24, 0},    {"rgba.png", 24, kAlpha}, {"rgb48.png", 24, 0},   {"gray.png", 8, 0},
    {"pal8.png", 8, 0},    {"pal4.png", 4, 0},       {"mono.png", 1, 0},     {"palalpha.png", 8, kAlpha},
    {"gray16.png", 24, 1}, {"graya.png", 24, kAlpha}, {"interlaced.png", 24, 0},
    {"rgb.jpg", 24, kJpeg}, {"gray.jpg", 8, kJpeg},  {"cmyk.jpg", 24, kJpeg}, {"progressive.jpg", 24, kJpeg},
    {"large.jpg", 24, kJpeg},
    {"orient1.jpg", 24, kJpeg}, {"orient2.jpg", 24, kJpeg}, {"orient3.jpg", 24, kJpeg}, {"orient4.jpg", 24, kJpeg},
    {"orient5.jpg", 24, kJpeg}, {"orient6.jpg", 24, kJpeg}, {"orient7.jpg", 24, kJpeg}, {"orient8.jpg", 24, kJpeg},
    {"pal.gif", 8, 0},     {"interlaced.gif", 8, 0}, {"trans.gif", 8, 0},    {"anim.gif", 24, 0},
    {"rgb.tif", 24, 0},    {"pal4.tif", 4, 0},       {"mono.tif", 1, 0},     {"gray.tif", 8, 0},
    {"rgba.tif", 24, kAlpha}, {"rgb16.tif", 24, 0},  {"tiled.tif", 24, 0},   {"pages.tif", 24, 0},
};

std::string Bytes(const std::string& name) { return testkit::ReadBytes(Sample(name)); }

class WicPlugin : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(p.module) << "cannot load " << testkit::Narrow(PluginPath());
        ASSERT_TRUE(p.GetPluginInfo && p.GetPluginInfoW && p.IsSupported && p.IsSupportedW && p.GetPictureInfo &&
                    p.GetPictureInfoW && p.GetPicture && p.GetPictureW && p.GetPreview);
    }
    // GetPicture of a file; the blocks are taken over (and freed) on success.
    Dib FromFile(const std::string& path, int& rc, LONG_PTR offset = 0) {
        HLOCAL info = nullptr, bits = nullptr;
        rc = p.GetPicture(path.c_str(), offset, 0, &info, &bits, nullptr, 0);
        return Taken(rc, info, bits);
    }
    Dib FromMemory(const std::string& data, int& rc) {
        HLOCAL info = nullptr, bits = nullptr;
        rc = p.GetPicture(data.data(), static_cast<LONG_PTR>(data.size()), 1, &info, &bits, nullptr, 0);
        return Taken(rc, info, bits);
    }
    static Dib Taken(int rc, HLOCAL info, HLOCAL bits) {
        if (rc != 0) {
            // A failed call hands back nothing.
            EXPECT_EQ(info, nullptr);
            EXPECT_EQ(bits, nullptr);
            return {};
        }
        EXPECT_NE(info, nullptr);
        EXPECT_NE(bits, nullptr);
        return TakeDib(info, bits);
    }
    Plugin p;
};

}  // namespace

TEST_F(WicPlugin, PluginInfoNamesTheImportKindAndOneGroupPerFamily) {
    struct Case {
        int number;
        const char* text;
    } cases[] = {
        {0, "00IN"},
        {2, "*.jpg;*.jpeg;*.jpe;*.jfif"}, {3, "JPEG"},
        {4, "*.png"}, {5, "PNG"},
        {6, "*.gif"}, {7, "GIF"},
        {8, "*.tif;*.tiff"}, {9, "TIFF"},
    };
    for (const Case& c : cases) {
        char buf[256];
        std::memset(buf, 'x', sizeof buf);
        EXPECT_EQ(p.GetPluginInfo(c.number, buf, sizeof buf), static_cast<int>(std::strlen(c.text))) << c.number;
        EXPECT_STREQ(buf, c.text) << c.number;
        wchar_t wbuf[256];
        EXPECT_EQ(p.GetPluginInfoW(c.number, wbuf, 256), static_cast<int>(std::strlen(c.text)));
        EXPECT_EQ(testkit::Narrow(wbuf), c.text);
    }
    char name[256] = {};
    EXPECT_GT(p.GetPluginInfo(1, name, sizeof name), 0);
    EXPECT_NE(std::strstr(name, "ifwic"), nullptr) << name;
    // Past the last group, and numbers that mean nothing, answer 0 and leave the buffer alone.
    for (int n : {10, 11, 1000, -1}) {
        char buf[8] = "keep";
        EXPECT_EQ(p.GetPluginInfo(n, buf, sizeof buf), 0) << n;
        EXPECT_STREQ(buf, "keep");
    }
    // A short buffer gets what fits, terminated.
    char small[3];
    EXPECT_EQ(p.GetPluginInfo(0, small, sizeof small), 2);
    EXPECT_STREQ(small, "00");
    EXPECT_EQ(p.GetPluginInfo(0, small, 0), 0);
    EXPECT_EQ(p.GetPluginInfo(0, nullptr, 16), 0);
}

TEST_F(WicPlugin, IsSupportedLooksAtTheDataNotTheName) {
    for (const SampleCase& s : kSamples) {
        std::string head = Bytes(s.name);
        head.resize(2048, '\0');  // the host hands over at least 2 KB, padded when the file is shorter
        EXPECT_NE(p.IsSupported("picture.bmp", head.data()), 0) << s.name;
        EXPECT_NE(p.IsSupportedW(L"picture.bmp", head.data()), 0) << s.name;
    }
    std::string bmp(2048, '\0'), text(2048, 'a'), zeros(2048, '\0');
    bmp[0] = 'B', bmp[1] = 'M';
    for (const std::string* other : {&bmp, &text, &zeros}) EXPECT_EQ(p.IsSupported("photo.jpg", other->data()), 0);
    EXPECT_EQ(p.IsSupported("photo.jpg", nullptr), 0);
}

TEST_F(WicPlugin, DecodesLikeImageMagickFromFileAndFromMemory) {
    for (const SampleCase& s : kSamples) {
        SCOPED_TRACE(s.name);
        int rc = -99;
        const Dib file = FromFile(SampleA(s.name), rc);
        ASSERT_EQ(rc, 0);
        const BITMAPINFOHEADER& h = file.header;
        EXPECT_EQ(h.biSize, 40u);
        EXPECT_EQ(h.biPlanes, 1);
        EXPECT_EQ(h.biBitCount, s.bits);
        EXPECT_EQ(h.biCompression, static_cast<DWORD>(BI_RGB));
        const std::size_t stride = (std::size_t(h.biWidth) * h.biBitCount + 31) / 32 * 4;
        EXPECT_EQ(h.biSizeImage, stride * static_cast<std::size_t>(h.biHeight));
        EXPECT_GE(file.bitsBlockSize, h.biSizeImage);
        EXPECT_GE(file.infoBlockSize, 40u + (s.bits <= 8 ? 4u << s.bits : 0u));

        const Rgb ref = ReadPpm(Sample(std::string(s.name) + ".ppm"));
        const Rgb got = ToRgb(file);
        ASSERT_EQ(got.width, ref.width);
        ASSERT_EQ(got.height, ref.height);
        const Difference d = Compare(got, ref);
        EXPECT_LE(d.max, s.tolerance);
        if (s.tolerance == kJpeg) {
            EXPECT_LE(d.mean, 0.5);  // a rounding here and there, not a shift
        }

        // The same picture from memory, and as the preview, is the same bitmap.
        const Dib mem = FromMemory(Bytes(s.name), rc);
        ASSERT_EQ(rc, 0);
        EXPECT_EQ(mem.infoBytes, file.infoBytes);
        EXPECT_EQ(mem.bits, file.bits);
        HLOCAL info = nullptr, bits = nullptr;
        ASSERT_EQ(p.GetPreview(SampleA(s.name).c_str(), 0, 0, &info, &bits, nullptr, 0), 0);
        const Dib preview = TakeDib(info, bits);
        EXPECT_EQ(preview.bits, file.bits);

        PictureInfo pi{};
        std::memset(&pi, 0x5A, sizeof pi);
        ASSERT_EQ(p.GetPictureInfo(SampleA(s.name).c_str(), 0, 0, &pi), 0);
        EXPECT_EQ(pi.left, 0);
        EXPECT_EQ(pi.top, 0);
        EXPECT_EQ(pi.width, h.biWidth);
        EXPECT_EQ(pi.height, h.biHeight);
        EXPECT_EQ(pi.colorDepth, s.bits);
        EXPECT_EQ(pi.hInfo, nullptr);
        PictureInfo fromMemory{};
        const std::string data = Bytes(s.name);
        ASSERT_EQ(p.GetPictureInfo(data.data(), static_cast<LONG_PTR>(data.size()), 1, &fromMemory), 0);
        EXPECT_EQ(fromMemory.width, pi.width);
        EXPECT_EQ(fromMemory.height, pi.height);
    }
}

TEST_F(WicPlugin, TransparencyShowsWhiteAndAnAnimationShowsItsFirstFrameOnItsCanvas) {
    auto whites = [](const Rgb& r) {
        int n = 0;
        for (std::size_t i = 0; i + 2 < r.pixels.size(); i += 3)
            n += r.pixels[i] == 255 && r.pixels[i + 1] == 255 && r.pixels[i + 2] == 255;
        return n;
    };
    int rc = 0;
    const Rgb opaque = ToRgb(FromFile(SampleA("pal.gif"), rc));
    const Rgb transparent = ToRgb(FromFile(SampleA("trans.gif"), rc));
    EXPECT_GT(whites(transparent), whites(opaque) + 20);

    // The first frame is a 25x15 red patch at (20, 11) of a 61x37 canvas; the second, blue,
    // covers everything and must not show.
    const Rgb anim = ToRgb(FromFile(SampleA("anim.gif"), rc));
    ASSERT_EQ(anim.width, 61);
    ASSERT_EQ(anim.height, 37);
    auto at = [&](int x, int y) {
        const std::uint8_t* px = &anim.pixels[(std::size_t(y) * anim.width + x) * 3];
        return std::vector<int>{px[0], px[1], px[2]};
    };
    EXPECT_EQ(at(0, 0), (std::vector<int>{255, 255, 255}));
    EXPECT_EQ(at(19, 11), (std::vector<int>{255, 255, 255}));
    EXPECT_EQ(at(20, 11), (std::vector<int>{0xE0, 0x30, 0x20}));
    EXPECT_EQ(at(44, 25), (std::vector<int>{0xE0, 0x30, 0x20}));
    EXPECT_EQ(at(45, 25), (std::vector<int>{255, 255, 255}));
}

TEST_F(WicPlugin, OrientationTurnsTheBitmap) {
    int rc = 0;
    const Dib plain = FromFile(SampleA("orient1.jpg"), rc);
    for (int o = 2; o <= 8; ++o) {
        const Dib turned = FromFile(SampleA("orient" + std::to_string(o) + ".jpg"), rc);
        ASSERT_EQ(rc, 0);
        const bool swaps = o >= 5;
        EXPECT_EQ(turned.header.biWidth, swaps ? plain.header.biHeight : plain.header.biWidth) << o;
        EXPECT_EQ(turned.header.biHeight, swaps ? plain.header.biWidth : plain.header.biHeight) << o;
        EXPECT_NE(turned.bits, plain.bits) << o;
    }
}

TEST_F(WicPlugin, FileOffsetAndWideNames) {
    testkit::TempDir dir(L"wicoff");
    const std::string picture = Bytes("pal4.png");
    int rc = 0;
    const Dib direct = FromFile(SampleA("pal4.png"), rc);
    ASSERT_EQ(rc, 0);

    // A picture stored inside a larger file, from the offset the host gives.
    const std::wstring packed = dir / L"packed.bin";
    testkit::WriteBytes(packed, std::string(777, 'x') + picture);
    const Dib atOffset = FromFile(mrv::WideToAnsi(packed), rc, 777);
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(atOffset.bits, direct.bits);
    EXPECT_EQ(atOffset.infoBytes, direct.infoBytes);
    PictureInfo pi{};
    EXPECT_EQ(p.GetPictureInfo(mrv::WideToAnsi(packed).c_str(), 777, 0, &pi), 0);
    EXPECT_EQ(pi.width, direct.header.biWidth);

    // A name the ANSI code page cannot spell reaches the wide entry points intact.
    const std::wstring wide = dir / L"写真_café_Ωmega.png";
    testkit::WriteBytes(wide, picture);
    HLOCAL info = nullptr, bits = nullptr;
    ASSERT_EQ(p.GetPictureW(wide.c_str(), 0, 0, &info, &bits, nullptr, 0), 0);
    EXPECT_EQ(TakeDib(info, bits).bits, direct.bits);
    EXPECT_EQ(p.GetPictureInfoW(wide.c_str(), 0, 0, &pi), 0);
    EXPECT_EQ(pi.height, direct.header.biHeight);
}

namespace {
struct ProgressLog {
    std::vector<std::pair<int, int>> calls;
    std::vector<LONG_PTR> data;
    std::size_t cancelAt = SIZE_MAX;  // the call (from 0) that answers "stop"
};
int WINAPI Record(int num, int denom, LONG_PTR data) {
    ProgressLog& log = *reinterpret_cast<ProgressLog*>(data);
    log.calls.emplace_back(num, denom);
    log.data.push_back(data);
    return log.calls.size() - 1 == log.cancelAt ? 1 : 0;
}
}  // namespace

TEST_F(WicPlugin, ProgressIsReportedAndACancelStopsTheDecoding) {
    ProgressLog log;
    HLOCAL info = nullptr, bits = nullptr;
    ASSERT_EQ(p.GetPicture(SampleA("large.jpg").c_str(), 0, 0, &info, &bits, Record, reinterpret_cast<LONG_PTR>(&log)), 0);
    TakeDib(info, bits);
    ASSERT_GE(log.calls.size(), 3u);
    EXPECT_EQ(log.calls.front(), std::make_pair(0, 768));
    EXPECT_EQ(log.calls.back(), std::make_pair(768, 768));
    for (std::size_t i = 1; i < log.calls.size(); ++i) {
        EXPECT_GT(log.calls[i].first, log.calls[i - 1].first);
        EXPECT_EQ(log.calls[i].second, 768);
    }
    for (LONG_PTR d : log.data) EXPECT_EQ(d, reinterpret_cast<LONG_PTR>(&log));

    for (std::size_t cancelAt : {std::size_t(0), std::size_t(1), log.calls.size() - 1}) {
        ProgressLog cancel;
        cancel.cancelAt = cancelAt;
        info = bits = reinterpret_cast<HLOCAL>(1);
        EXPECT_EQ(p.GetPicture(SampleA("large.jpg").c_str(), 0, 0, &info, &bits, Record,
                               reinterpret_cast<LONG_PTR>(&cancel)),
                  1)
            << cancelAt;
        EXPECT_EQ(info, nullptr);
        EXPECT_EQ(bits, nullptr);
        EXPECT_EQ(cancel.calls.size(), cancelAt + 1);
    }
}

namespace {

// The picture with the first Huffman table's code counts made impossible.
std::string BogusHuffman(std::string jpg) {
    const std::size_t dht = jpg.find("\xFF\xC4");
    if (dht != std::string::npos)
        for (std::size_t i = dht + 5; i < dht + 21 && i < jpg.size(); ++i) jpg[i] = '\xFF';
    return jpg;
}
std::string Overwritten(std::string data, std::size_t from, std::size_t count) {
    for (std::size_t i = from; i < from + count && i < data.size(); ++i) data[i] = static_cast<char>(0x55 ^ (i * 37));
    return data;
}
std::string Half(const std::string& data) { return data.substr(0, data.size() / 2); }

// A PNG that claims width x height and holds no pixel data at all.
std::string PngHeaderOnly(std::uint32_t width, std::uint32_t height, std::uint8_t colourType) {
    auto be32 = [](std::uint32_t v) {
        return std::string{char(v >> 24), char(v >> 16 & 255), char(v >> 8 & 255), char(v & 255)};
    };
    auto crc = [](const std::string& s) {
        std::uint32_t c = 0xFFFFFFFF;
        for (unsigned char b : s) {
            c ^= b;
            for (int k = 0; k < 8; ++k) c = c >> 1 ^ (0xEDB88320u & (0u - (c & 1)));
        }
        return ~c;
    };
    auto chunk = [&](const std::string& type, const std::string& body) {
        return be32(static_cast<std::uint32_t>(body.size())) + type + body + be32(crc(type + body));
    };
    const std::string ihdr = be32(width) + be32(height) + std::string{8, char(colourType), 0, 0, 0};
    return std::string("\x89PNG\r\n\x1A\n", 8) + chunk("IHDR", ihdr) + chunk("IEND", "");
}

struct BadCase {
    const char* what;
    std::string data;
    int expected;
};

std::vector<BadCase> BadPictures() {
    const std::string png = Bytes("rgb.png"), jpg = Bytes("rgb.jpg"), gif = Bytes("pal.gif"), tif = Bytes("rgb.tif"),
                      fax = Bytes("mono.tif");
    return {
        {"empty file", "", 2},
        {"text", std::string(300, 'a'), 2},
        {"bitmap", "BM" + std::string(100, '\0'), 2},
        {"half a PNG", Half(png), 3},
        {"half a JPEG", Half(jpg), 3},
        {"half a GIF", Half(gif), 3},
        {"half a TIFF", Half(tif), 3},
        {"half a fax TIFF", Half(fax), 3},
        {"PNG signature and part of its header", png.substr(0, 20), 3},
        {"JPEG's first 40 bytes", jpg.substr(0, 40), 3},
        {"GIF's first 40 bytes", gif.substr(0, 40), 3},
        {"TIFF's first 40 bytes", tif.substr(0, 40), 3},
        {"PNG with damaged image data", Overwritten(png, png.size() / 3, 200), 3},
        {"JPEG with an impossible Huffman table", BogusHuffman(jpg), 3},
        {"GIF with damaged image data", Overwritten(gif, gif.size() / 2, 200), 3},
        {"TIFF with a damaged directory", Overwritten(tif, 4, 4), 3},
        // 2.7 GB of 24-bit pixels: refused before anything that large is reserved.
        {"30000 x 30000 colour PNG header", PngHeaderOnly(30000, 30000, 2), 4},
        // 900 MB of grey would be held, but there are no pixels to decode.
        {"30000 x 30000 grey PNG header", PngHeaderOnly(30000, 30000, 0), 3},
        {"PNG of width 0", PngHeaderOnly(0, 10, 2), 3},
    };
}

}  // namespace

TEST_F(WicPlugin, BrokenPicturesGiveTheInterfaceErrorCodes) {
    testkit::TempDir dir(L"wicbad");
    int n = 0;
    for (const BadCase& c : BadPictures()) {
        SCOPED_TRACE(c.what);
        const std::wstring path = dir / (L"bad" + std::to_wstring(n++) + L".jpg");
        testkit::WriteBytes(path, c.data);
        int rc = -99;
        FromFile(mrv::WideToAnsi(path), rc);
        EXPECT_EQ(rc, c.expected);
        if (!c.data.empty()) {
            FromMemory(c.data, rc);
            EXPECT_EQ(rc, c.expected);
        }
    }
}

TEST_F(WicPlugin, UnusableRequestsGiveTheInterfaceErrorCodes) {
    testkit::TempDir dir(L"wicreq");
    HLOCAL info = nullptr, bits = nullptr;
    const std::string folder = mrv::WideToAnsi(dir.path());
    const std::string missing = mrv::WideToAnsi(dir / L"missing.png");
    const std::string png = SampleA("rgb.png");
    const std::string data = Bytes("rgb.png");
    struct Case {
        const char* what;
        std::function<int()> call;
        int expected;
    } cases[] = {
        {"a folder", [&] { return p.GetPicture(folder.c_str(), 0, 0, &info, &bits, nullptr, 0); }, 6},
        {"a missing file", [&] { return p.GetPicture(missing.c_str(), 0, 0, &info, &bits, nullptr, 0); }, 6},
        {"an offset past the end", [&] { return p.GetPicture(png.c_str(), 1 << 20, 0, &info, &bits, nullptr, 0); }, 6},
        {"a negative offset", [&] { return p.GetPicture(png.c_str(), -1, 0, &info, &bits, nullptr, 0); }, 6},
        {"no file name", [&] { return p.GetPicture(nullptr, 0, 0, &info, &bits, nullptr, 0); }, 6},
        {"no memory", [&] { return p.GetPicture(nullptr, 100, 1, &info, &bits, nullptr, 0); }, 5},
        {"memory of length 0", [&] { return p.GetPicture(data.data(), 0, 1, &info, &bits, nullptr, 0); }, 2},
        {"an unknown kind of input", [&] { return p.GetPicture(png.c_str(), 0, 2, &info, &bits, nullptr, 0); }, -1},
        {"no handle for the information", [&] { return p.GetPicture(png.c_str(), 0, 0, nullptr, &bits, nullptr, 0); }, 5},
        {"no handle for the pixels", [&] { return p.GetPicture(png.c_str(), 0, 0, &info, nullptr, nullptr, 0); }, 5},
        {"no information record", [&] { return p.GetPictureInfo(png.c_str(), 0, 0, nullptr); }, 5},
        {"information on a folder", [&] {
             PictureInfo pi{};
             return p.GetPictureInfo(folder.c_str(), 0, 0, &pi);
         }, 6},
    };
    for (const Case& c : cases) {
        info = bits = nullptr;
        EXPECT_EQ(c.call(), c.expected) << c.what;
        EXPECT_EQ(info, nullptr) << c.what;
        EXPECT_EQ(bits, nullptr) << c.what;
    }
    // The flag's higher bits say nothing about the input.
    ASSERT_EQ(p.GetPicture(png.c_str(), 0, 0x80, &info, &bits, nullptr, 0), 0);
    TakeDib(info, bits);
}

namespace {
// The process's private bytes; Wine reports none, and there its resident memory stands in.
SIZE_T PrivateBytes() {
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc);
    return pmc.PrivateUsage ? pmc.PrivateUsage : pmc.WorkingSetSize;
}
// The handles the process holds. Wine does not count them, so there every handle value in use
// is looked up.
DWORD Handles() {
    DWORD n = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &n) && n > 0) return n;
    for (std::uintptr_t v = 4; v < 0x10000; v += 4) {
        DWORD flags = 0;
        n += GetHandleInformation(reinterpret_cast<HANDLE>(v), &flags) ? 1 : 0;
    }
    return n;
}
}  // namespace

TEST_F(WicPlugin, AThousandCallsLeaveNoMemoryOrHandlesBehind) {
    testkit::TempDir dir(L"wicleak");
    std::vector<std::string> paths;
    int n = 0;
    for (const BadCase& c : BadPictures()) {
        const std::wstring path = dir / (L"bad" + std::to_wstring(n++) + L".png");
        testkit::WriteBytes(path, c.data);
        paths.push_back(mrv::WideToAnsi(path));
    }
    paths.push_back(mrv::WideToAnsi(dir.path()));
    const std::string large = Bytes("large.jpg"), gif = SampleA("anim.gif"), tif = SampleA("pal4.tif");
    ProgressLog cancel;
    cancel.cancelAt = 1;

    auto once = [&](int i) {
        HLOCAL info = nullptr, bits = nullptr;
        PictureInfo pi{};
        switch (i % 5) {
            case 0:  // a photo from memory, taken and freed as a host does: 2.3 MB a time
                if (i % 50 == 0 &&
                    p.GetPicture(large.data(), static_cast<LONG_PTR>(large.size()), 1, &info, &bits, nullptr, 0) == 0)
                    TakeDib(info, bits);
                else
                    p.GetPicture(paths[i % paths.size()].c_str(), 0, 0, &info, &bits, nullptr, 0);
                break;
            case 1:
                if (p.GetPicture((i % 2 ? gif : tif).c_str(), 0, 0, &info, &bits, nullptr, 0) == 0) TakeDib(info, bits);
                break;
            case 2:
                cancel.calls.clear();
                p.GetPicture(large.data(), static_cast<LONG_PTR>(large.size()), 1, &info, &bits, Record,
                             reinterpret_cast<LONG_PTR>(&cancel));
                break;
            case 3: p.GetPictureInfo(paths[i % paths.size()].c_str(), 0, 0, &pi); break;
            case 4: p.GetPictureInfo(tif.c_str(), 0, 0, &pi); break;
        }
    };
    for (int i = 0; i < 100; ++i) once(i);
    const SIZE_T memBefore = PrivateBytes();
    const DWORD handlesBefore = Handles();
    for (int i = 0; i < 1000; ++i) once(i);
    const SIZE_T memAfter = PrivateBytes();
    const DWORD handlesAfter = Handles();
    ASSERT_GT(memBefore, 0u);
    ASSERT_GT(handlesBefore, 0u);
    EXPECT_LT(memAfter, memBefore + 1024 * 1024) << memBefore << " -> " << memAfter;
    EXPECT_LE(handlesAfter, handlesBefore + 2) << handlesBefore << " -> " << handlesAfter;
}

TEST_F(WicPlugin, LeavesTheCallersComApartmentAsItWas) {
    const std::string png = SampleA("rgb.png");
    auto decode = [&] {
        HLOCAL info = nullptr, bits = nullptr;
        const int rc = p.GetPicture(png.c_str(), 0, 0, &info, &bits, nullptr, 0);
        if (rc == 0) TakeDib(info, bits);
        return rc;
    };
    struct Case {
        const char* what;
        bool init;
        DWORD model;
    } cases[] = {{"no COM", false, COINIT_MULTITHREADED},
                 {"single-threaded apartment", true, COINIT_APARTMENTTHREADED},
                 {"multithreaded apartment", true, COINIT_MULTITHREADED}};
    for (const Case& c : cases) {
        HRESULT afterwards = E_FAIL;
        int rc = -99;
        std::thread t([&] {
            if (c.init) {
                ASSERT_EQ(CoInitializeEx(nullptr, c.model), S_OK);
            }
            rc = decode();
            // Still in the same state: a thread without COM gets S_OK, one inside its apartment S_FALSE.
            afterwards = CoInitializeEx(nullptr, c.model);
            if (SUCCEEDED(afterwards)) CoUninitialize();
            if (c.init) CoUninitialize();
        });
        t.join();
        EXPECT_EQ(rc, 0) << c.what;
        EXPECT_EQ(afterwards, c.init ? S_FALSE : S_OK) << c.what;
    }
}

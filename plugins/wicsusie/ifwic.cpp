// ifwic: a picture-import plug-in for hosts of the Susie plug-in interface ("00IN"), decoding
// JPEG, PNG, GIF and TIFF through the Windows Imaging Component that every Windows since Vista
// carries. The picture comes back as a bottom-up DIB in local memory: palette pictures stay 1, 4
// or 8 bits with their palette, everything else is 24-bit colour, transparency laid over white.
//
// The entry points follow TORO's 64-bit Susie plug-in convention, header "susie.h"
// (https://toroidj.github.io/text/susie.h): every call __stdcall; lengths and callback data are
// LONG_PTR (32 bits in the *.spi build, 64 bits in the *.sph build); flag bits 0-2 choose file (0)
// or memory (1) input; IsSupported gets a pointer to the first 2 KB of the file, or on 32-bit
// hosts of the old kind a file handle (high word 0); the PictureInfo record is packed to 1 byte,
// with two filler bytes before hInfo in 64-bit builds.
#include <windows.h>
#include <wincodec.h>

#include "../susie_picture_info.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "core/handles.h"
#include "plugins/wicsusie/dibcanvas.h"
#include "plugins/wicsusie/picturehead.h"

namespace {

using mrv::ComPtr;
using mrv::wic::DibCanvas;
using mrv::wic::DibShape;
using mrv::wic::Family;

// Results of the interface.
constexpr int kNotImplemented = -1;
constexpr int kOk = 0;
constexpr int kAborted = 1;        // the progress callback asked to stop
constexpr int kUnknownFormat = 2;
constexpr int kBrokenData = 3;
constexpr int kNoMemory = 4;
constexpr int kMemoryError = 5;    // an unusable pointer from the host
constexpr int kReadError = 6;
constexpr int kInternalError = 8;

constexpr unsigned kSourceMask = 7;
constexpr unsigned kSourceFile = 0;
constexpr unsigned kSourceMemory = 1;
constexpr DWORD kCheckSize = 2 * 1024;  // what IsSupported may read

using PictureInfo = SusiePictureInfo;

using SusieProgress = int(WINAPI*)(int num, int denom, LONG_PTR data);

// The largest pixel block handed out. Beyond it a picture is refused as out of memory before
// anything is allocated: a hostile header cannot make the plug-in reserve gigabytes.
#ifdef _WIN64
constexpr std::uint64_t kMaxImageBytes = 0x7FFFFFFF;
#else
constexpr std::uint64_t kMaxImageBytes = 0x40000000;
#endif
// Decoded rows are fetched this many bytes at a time, with a progress report after each batch.
constexpr std::uint64_t kStripBytes = 1024 * 1024;

struct FamilyInfo {
    Family family;
    const GUID* container;
    const char* patterns;
    const char* description;
};
const FamilyInfo kFamilies[] = {
    {Family::Jpeg, &GUID_ContainerFormatJpeg, "*.jpg;*.jpeg;*.jpe;*.jfif", "JPEG"},
    {Family::Png, &GUID_ContainerFormatPng, "*.png", "PNG"},
    {Family::Gif, &GUID_ContainerFormatGif, "*.gif", "GIF"},
    {Family::Tiff, &GUID_ContainerFormatTiff, "*.tif;*.tiff", "TIFF"},
};
constexpr int kFamilyCount = static_cast<int>(std::size(kFamilies));

const char kPluginVersion[] = "00IN";
const char kPluginName[] = "ifwic 1.00 JPEG/PNG/GIF/TIFF via Windows Imaging Component (C) ORMI";

// COM for the length of one call: joins the thread's apartment when it has one, otherwise
// opens one and closes it again, so the host's thread is left as it was.
class ComScope {
public:
    ComScope() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ~ComScope() {
        if (SUCCEEDED(hr_)) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    bool usable() const { return SUCCEEDED(hr_) || hr_ == RPC_E_CHANGED_MODE; }
private:
    HRESULT hr_;
};

ComPtr<IWICImagingFactory> CreateFactory() {
    ComPtr<IWICImagingFactory> f;
    CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory, f.put_void());
    return f;
}

// Which of kFamilies this system's WIC decodes, one bit each; found once.
unsigned AvailableFamilies() {
    static std::atomic<int> known{-1};
    const int cached = known.load();
    if (cached >= 0) return static_cast<unsigned>(cached);
    ComScope com;
    if (!com.usable()) return 0;
    ComPtr<IWICImagingFactory> factory = CreateFactory();
    if (!factory) return 0;
    unsigned mask = 0;
    for (int i = 0; i < kFamilyCount; ++i) {
        ComPtr<IWICBitmapDecoder> d;
        if (SUCCEEDED(factory->CreateDecoder(*kFamilies[i].container, nullptr, d.put()))) mask |= 1u << i;
    }
    known.store(static_cast<int>(mask));
    return mask;
}

const FamilyInfo* AvailableInfo(Family f) {
    const unsigned mask = AvailableFamilies();
    for (int i = 0; i < kFamilyCount; ++i)
        if (kFamilies[i].family == f && (mask & (1u << i))) return &kFamilies[i];
    return nullptr;
}

// The n-th family this system decodes (n from 0).
const FamilyInfo* NthAvailable(int n) {
    const unsigned mask = AvailableFamilies();
    for (int i = 0; i < kFamilyCount; ++i)
        if ((mask & (1u << i)) && n-- == 0) return &kFamilies[i];
    return nullptr;
}

bool Supported(const void* head, std::size_t size) {
    return head && AvailableInfo(mrv::wic::SniffFamily(static_cast<const std::uint8_t*>(head), size)) != nullptr;
}

// A decoder's failure once the file's signature has named the format: the data is broken,
// unless memory ran out or the picture uses a variant the decoder does not know.
int HresultResult(HRESULT hr) {
    if (hr == E_OUTOFMEMORY) return kNoMemory;
    if (hr == WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT || hr == WINCODEC_ERR_UNSUPPORTEDOPERATION) return kUnknownFormat;
    return kBrokenData;
}

std::wstring WideFromAnsi(const char* s) {
    const int n = MultiByteToWideChar(CP_ACP, 0, s, -1, nullptr, 0);
    if (n <= 0) return {};
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, s, -1, w.data(), n);
    w.resize(static_cast<std::size_t>(n - 1));
    return w;
}

// Where the picture comes from, as the caller described it.
struct Source {
    unsigned flag = 0;
    const void* buf = nullptr;  // file name (ANSI or wide) or the picture in memory
    bool wide = false;
    LONG_PTR len = 0;           // offset into the file, or the size in memory
};

// The picture's bytes: the caller's memory as it is, or the file from the offset on.
class Input {
public:
    int Open(const Source& s) {
        switch (s.flag & kSourceMask) {
            case kSourceMemory:
                if (s.len <= 0) return kUnknownFormat;
                if (!s.buf) return kMemoryError;
                // The decoder's memory stream counts in 32 bits.
                if (static_cast<std::uint64_t>(s.len) > MAXDWORD) return kNoMemory;
                data_ = static_cast<const std::uint8_t*>(s.buf);
                size_ = static_cast<std::size_t>(s.len);
                return kOk;
            case kSourceFile: {
                if (!s.buf) return kReadError;
                const std::wstring path =
                    s.wide ? std::wstring(static_cast<const wchar_t*>(s.buf)) : WideFromAnsi(static_cast<const char*>(s.buf));
                return ReadFrom(path, s.len);
            }
            default: return kNotImplemented;
        }
    }
    const std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    int ReadFrom(const std::wstring& path, LONG_PTR offset) {
        if (path.empty() || offset < 0) return kReadError;
        mrv::UniqueHandle f = mrv::AdoptHandle(CreateFileW(path.c_str(), GENERIC_READ,
                                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                           nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        LARGE_INTEGER size{};
        if (!f || !GetFileSizeEx(f.get(), &size)) return kReadError;
        if (size.QuadPart < offset) return kReadError;
        const std::uint64_t rest = static_cast<std::uint64_t>(size.QuadPart - offset);
        if (rest > MAXDWORD) return kNoMemory;
        LARGE_INTEGER at{};
        at.QuadPart = offset;
        if (!SetFilePointerEx(f.get(), at, nullptr, FILE_BEGIN)) return kReadError;
        owned_.resize(static_cast<std::size_t>(rest));
        std::size_t done = 0;
        while (done < owned_.size()) {
            const DWORD want = static_cast<DWORD>(std::min<std::size_t>(owned_.size() - done, 1u << 24));
            DWORD got = 0;
            if (!ReadFile(f.get(), owned_.data() + done, want, &got, nullptr)) return kReadError;
            if (got == 0) break;  // the file shrank meanwhile: decode what is there
            done += got;
        }
        owned_.resize(done);
        data_ = owned_.data();
        size_ = owned_.size();
        return kOk;
    }
    std::vector<std::uint8_t> owned_;
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

// How the rows of the first frame become the bitmap's rows.
enum class RowKind {
    Packed,    // palette indices packed 1, 2, 4 or 8 bits, kept as a palette picture
    Expanded,  // palette indices looked up into 24-bit colour (a frame smaller than its canvas)
    Bgr,       // 24-bit blue-green-red as the decoder gives it
    Bgra,      // 32-bit through the format converter, laid over white
};

struct PackedFormat {
    const GUID* format;
    unsigned bits;
    unsigned grayLevels;  // 0: the decoder's palette
};
const PackedFormat kPackedFormats[] = {
    {&GUID_WICPixelFormat1bppIndexed, 1, 0}, {&GUID_WICPixelFormat2bppIndexed, 2, 0},
    {&GUID_WICPixelFormat4bppIndexed, 4, 0}, {&GUID_WICPixelFormat8bppIndexed, 8, 0},
    {&GUID_WICPixelFormatBlackWhite, 1, 2},  {&GUID_WICPixelFormat2bppGray, 2, 4},
    {&GUID_WICPixelFormat4bppGray, 4, 16},   {&GUID_WICPixelFormat8bppGray, 8, 256},
};

template <class T>
bool ReadMetadata(IWICMetadataQueryReader* reader, const wchar_t* name, T& out) {
    if (!reader) return false;
    PROPVARIANT v;
    PropVariantInit(&v);
    bool ok = false;
    if (SUCCEEDED(reader->GetMetadataByName(name, &v))) {
        switch (v.vt) {
            case VT_UI1: out = static_cast<T>(v.bVal), ok = true; break;
            case VT_UI2: out = static_cast<T>(v.uiVal), ok = true; break;
            case VT_UI4: out = static_cast<T>(v.ulVal), ok = true; break;
            case VT_BOOL: out = static_cast<T>(v.boolVal != VARIANT_FALSE), ok = true; break;
            default: break;
        }
    }
    PropVariantClear(&v);
    return ok;
}

// The first frame of one picture, opened and measured. Lives inside a ComScope.
class Picture {
public:
    int Open(const Input& in, const FamilyInfo& fam) {
        family_ = fam.family;
        if (auto claimed = mrv::wic::PeekClaimedSize(family_, in.data(), in.size()))
            if (!mrv::wic::PlanDib(claimed->width, claimed->height, claimed->minBitCount, kMaxImageBytes))
                return claimed->width && claimed->height ? kNoMemory : kBrokenData;
        if ((family_ == Family::Gif && !mrv::wic::GifIsWhole(in.data(), in.size())) ||
            (family_ == Family::Png && !mrv::wic::PngIsWhole(in.data(), in.size())))
            return kBrokenData;

        factory_ = CreateFactory();
        if (!factory_) return kInternalError;
        HRESULT hr = factory_->CreateStream(stream_.put());
        if (SUCCEEDED(hr))
            hr = stream_->InitializeFromMemory(const_cast<BYTE*>(in.data()), static_cast<DWORD>(in.size()));
        if (FAILED(hr)) return hr == E_OUTOFMEMORY ? kNoMemory : kInternalError;
        if (FAILED(hr = factory_->CreateDecoder(*fam.container, nullptr, decoder_.put()))) return kUnknownFormat;
        if (FAILED(hr = decoder_->Initialize(stream_.get(), WICDecodeMetadataCacheOnDemand))) return HresultResult(hr);
        if (FAILED(hr = decoder_->GetFrame(0, frame_.put()))) return HresultResult(hr);
        UINT w = 0, h = 0;
        if (FAILED(hr = frame_->GetSize(&w, &h))) return HresultResult(hr);
        if (w == 0 || h == 0 || w > INT_MAX || h > INT_MAX) return kBrokenData;
        geometry_.frameWidth = geometry_.canvasWidth = w;
        geometry_.frameHeight = geometry_.canvasHeight = h;
        if (FAILED(frame_->GetResolution(&dpiX_, &dpiY_))) dpiX_ = dpiY_ = 0;

        ComPtr<IWICMetadataQueryReader> frameMeta;
        frame_->GetMetadataQueryReader(frameMeta.put());
        if (family_ == Family::Jpeg &&
            !ReadMetadata(frameMeta.get(), L"/app1/ifd/{ushort=274}", geometry_.orientation))
            geometry_.orientation = mrv::wic::JpegExifOrientation(in.data(), in.size());
        if (family_ == Family::Gif) PlaceGifFrame(frameMeta.get());
        return ChooseRows(frameMeta.get());
    }

    // The bitmap as it will be handed back; nothing when it exceeds the limit.
    std::optional<DibShape> Shape() const {
        std::uint32_t w = 0, h = 0;
        mrv::wic::OrientedSize(geometry_.orientation, geometry_.canvasWidth, geometry_.canvasHeight, w, h);
        return mrv::wic::PlanDib(w, h, outBits_, kMaxImageBytes);
    }

    void Describe(PictureInfo& info) const {
        std::uint32_t w = 0, h = 0;
        mrv::wic::OrientedSize(geometry_.orientation, geometry_.canvasWidth, geometry_.canvasHeight, w, h);
        const bool turned = w != geometry_.canvasWidth;
        info.left = info.top = 0;
        info.width = static_cast<long>(w);
        info.height = static_cast<long>(h);
        info.x_density = Dpi(turned ? dpiY_ : dpiX_);
        info.y_density = Dpi(turned ? dpiX_ : dpiY_);
        info.colorDepth = static_cast<short>(outBits_);
        info.hInfo = nullptr;
    }

    // Decodes into freshly allocated blocks; on success the caller owns both.
    int Decode(SusieProgress progress, LONG_PTR data, HLOCAL* infoOut, HLOCAL* bitsOut) {
        const std::optional<DibShape> shape = Shape();
        if (!shape) return kNoMemory;
        const UINT width = geometry_.frameWidth, height = geometry_.frameHeight;
        const std::uint64_t srcStride = (std::uint64_t(width) * SourceBits() + 31) / 32 * 4;
        if (srcStride > MAXDWORD) return kNoMemory;
        const UINT rowsPerStrip = static_cast<UINT>(std::clamp<std::uint64_t>(kStripBytes / srcStride, 1, height));
        std::vector<std::uint8_t> strip(static_cast<std::size_t>(srcStride * rowsPerStrip));
        if (kind_ == RowKind::Expanded) {
            indices_.resize(width);
            colours_.resize(std::size_t(width) * 3);
        }

        if (progress && progress(0, static_cast<int>(height), data)) return kAborted;
        // A first row is decoded before the large blocks are taken, so that a picture whose data
        // is broken from the start fails without holding them.
        HRESULT hr = Fetch(0, 1, static_cast<UINT>(srcStride), strip.data());
        if (FAILED(hr)) return HresultResult(hr);

        // Zeroed, so that row padding and what a frame leaves uncovered hold no stale memory.
        mrv::UniqueLocal info(LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, shape->InfoBytes()));
        mrv::UniqueLocal bits(LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, shape->imageBytes));
        if (!info || !bits) return kNoMemory;
        {
            mrv::LocalLockGuard infoLock(info.get()), bitsLock(bits.get());
            if (!infoLock.get() || !bitsLock.get()) return kNoMemory;
            const std::int32_t xppm = PelsPerMeter(dpiX_), yppm = PelsPerMeter(dpiY_);
            const bool turned = shape->width != geometry_.canvasWidth;
            const std::size_t paletteSize = kind_ == RowKind::Packed ? palette_.size() : 0;
            mrv::wic::WriteInfoBlock(*shape, palette_.data(), paletteSize, turned ? yppm : xppm, turned ? xppm : yppm,
                                     static_cast<std::uint8_t*>(infoLock.get()));
            DibCanvas canvas(*shape, static_cast<std::uint8_t*>(bitsLock.get()), geometry_);
            const bool covers = geometry_.frameWidth >= geometry_.canvasWidth &&
                                geometry_.frameHeight >= geometry_.canvasHeight && geometry_.left == 0 &&
                                geometry_.top == 0;
            if (!covers) canvas.Fill(0xFF);  // what the frame leaves uncovered shows the white background
            // Rows that need no change on the way are decoded straight into the bitmap.
            const bool direct = canvas.Straight() && (kind_ == RowKind::Bgr ||
                                                      (kind_ == RowKind::Packed && packedBits_ == shape->bitCount));

            for (UINT y = 0; y < height;) {
                const UINT rows = std::min(rowsPerStrip, height - y);
                if (direct) {
                    for (UINT r = y; r < y + rows; ++r) {
                        if (FAILED(hr = Fetch(r, 1, shape->stride, canvas.ShownRow(r)))) return HresultResult(hr);
                        if (shape->bitCount < 8) canvas.ClearPastWidth(r);
                    }
                } else {
                    if (FAILED(hr = Fetch(y, rows, static_cast<UINT>(srcStride), strip.data()))) return HresultResult(hr);
                    for (UINT r = 0; r < rows; ++r) PutRow(canvas, y + r, strip.data() + std::size_t(r) * srcStride);
                }
                y += rows;
                if (progress && progress(static_cast<int>(y), static_cast<int>(height), data)) return kAborted;
            }
        }
        *infoOut = info.release();
        *bitsOut = bits.release();
        return kOk;
    }

private:
    static WORD Dpi(double dpi) { return static_cast<WORD>(std::clamp(std::lround(dpi), 0L, 65535L)); }
    static std::int32_t PelsPerMeter(double dpi) {
        return static_cast<std::int32_t>(std::clamp(std::lround(dpi / 0.0254), 0L, 0x7FFFFFFFL));
    }

    // An animated GIF's first frame may cover only part of its logical screen.
    void PlaceGifFrame(IWICMetadataQueryReader* frameMeta) {
        ComPtr<IWICMetadataQueryReader> meta;
        decoder_->GetMetadataQueryReader(meta.put());
        UINT sw = 0, sh = 0, left = 0, top = 0;
        if (!ReadMetadata(meta.get(), L"/logscrdesc/Width", sw) || !ReadMetadata(meta.get(), L"/logscrdesc/Height", sh) ||
            sw == 0 || sh == 0)
            return;
        ReadMetadata(frameMeta, L"/imgdesc/Left", left);
        ReadMetadata(frameMeta, L"/imgdesc/Top", top);
        geometry_.canvasWidth = sw;
        geometry_.canvasHeight = sh;
        geometry_.left = left;
        geometry_.top = top;
    }

    int ChooseRows(IWICMetadataQueryReader* frameMeta) {
        WICPixelFormatGUID format{};
        HRESULT hr = frame_->GetPixelFormat(&format);
        if (FAILED(hr)) return HresultResult(hr);
        const bool covers = geometry_.frameWidth >= geometry_.canvasWidth &&
                            geometry_.frameHeight >= geometry_.canvasHeight && geometry_.left == 0 && geometry_.top == 0;
        for (const PackedFormat& p : kPackedFormats) {
            if (!IsEqualGUID(format, *p.format)) continue;
            if (p.grayLevels) palette_ = mrv::wic::GrayPalette(p.grayLevels);
            else if (!ReadPalette(frameMeta)) break;  // no palette to be had: let the converter try
            packedBits_ = p.bits;
            kind_ = covers ? RowKind::Packed : RowKind::Expanded;
            outBits_ = covers ? (p.bits == 2 ? 4 : static_cast<std::uint16_t>(p.bits)) : 24;
            frame_->QueryInterface(IID_IWICBitmapSource, source_.put_void());
            return kOk;
        }
        outBits_ = 24;
        if (IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) {
            kind_ = RowKind::Bgr;
            frame_->QueryInterface(IID_IWICBitmapSource, source_.put_void());
            return kOk;
        }
        // Everything else goes through 32-bit colour: converting straight to 24 bits fails in
        // some WIC implementations for grey, 16-bit and palette sources.
        kind_ = RowKind::Bgra;
        ComPtr<IWICFormatConverter> conv;
        if (FAILED(hr = factory_->CreateFormatConverter(conv.put()))) return HresultResult(hr);
        withAlpha_ = true;
        hr = conv->Initialize(frame_.get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                              WICBitmapPaletteTypeCustom);
        if (FAILED(hr)) {
            withAlpha_ = false;
            if (FAILED(hr = factory_->CreateFormatConverter(conv.put()))) return HresultResult(hr);
            hr = conv->Initialize(frame_.get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr, 0.0,
                                  WICBitmapPaletteTypeCustom);
        }
        if (FAILED(hr)) return kUnknownFormat;
        conv->QueryInterface(IID_IWICBitmapSource, source_.put_void());
        return kOk;
    }

    bool ReadPalette(IWICMetadataQueryReader* frameMeta) {
        ComPtr<IWICPalette> pal;
        if (FAILED(factory_->CreatePalette(pal.put()))) return false;
        if (FAILED(frame_->CopyPalette(pal.get())) && FAILED(decoder_->CopyPalette(pal.get()))) return false;
        UINT count = 0;
        if (FAILED(pal->GetColorCount(&count)) || count == 0) return false;
        palette_.assign(count, 0);
        if (FAILED(pal->GetColors(count, reinterpret_cast<WICColor*>(palette_.data()), &count))) return false;
        palette_.resize(count);
        if (family_ == Family::Gif) {
            // Not every GIF decoder marks the transparent entry in the palette it hands out.
            bool transparent = false;
            UINT index = 0;
            if (ReadMetadata(frameMeta, L"/grctlext/TransparencyFlag", transparent) && transparent &&
                ReadMetadata(frameMeta, L"/grctlext/TransparentColorIndex", index) && index < palette_.size())
                palette_[index] &= 0x00FFFFFFu;
        }
        return true;
    }

    unsigned SourceBits() const {
        switch (kind_) {
            case RowKind::Packed:
            case RowKind::Expanded: return packedBits_;
            case RowKind::Bgr: return 24;
            case RowKind::Bgra: return 32;
        }
        return 32;
    }

    HRESULT Fetch(UINT y, UINT rows, UINT stride, std::uint8_t* out) {
        const WICRect rc{0, static_cast<INT>(y), static_cast<INT>(geometry_.frameWidth), static_cast<INT>(rows)};
        return source_->CopyPixels(&rc, stride, stride * rows, out);
    }

    void PutRow(DibCanvas& canvas, UINT y, const std::uint8_t* row) {
        switch (kind_) {
            case RowKind::Packed: canvas.PutPacked(y, row, packedBits_); break;
            case RowKind::Bgr: canvas.PutBgr(y, row); break;
            case RowKind::Bgra: canvas.PutBgra(y, row, withAlpha_); break;
            case RowKind::Expanded: {
                mrv::wic::UnpackIndices(row, packedBits_, geometry_.frameWidth, indices_.data());
                for (UINT x = 0; x < geometry_.frameWidth; ++x) {
                    const std::uint32_t c = indices_[x] < palette_.size() ? palette_[indices_[x]] : 0xFF000000u;
                    const auto a = static_cast<std::uint8_t>(c >> 24);
                    colours_[x * 3 + 0] = mrv::wic::OverWhite(static_cast<std::uint8_t>(c), a);
                    colours_[x * 3 + 1] = mrv::wic::OverWhite(static_cast<std::uint8_t>(c >> 8), a);
                    colours_[x * 3 + 2] = mrv::wic::OverWhite(static_cast<std::uint8_t>(c >> 16), a);
                }
                canvas.PutBgr(y, colours_.data());
                break;
            }
        }
    }

    Family family_ = Family::Unknown;
    ComPtr<IWICImagingFactory> factory_;
    ComPtr<IWICStream> stream_;
    ComPtr<IWICBitmapDecoder> decoder_;
    ComPtr<IWICBitmapFrameDecode> frame_;
    ComPtr<IWICBitmapSource> source_;
    DibCanvas::Geometry geometry_;
    double dpiX_ = 0, dpiY_ = 0;
    RowKind kind_ = RowKind::Bgra;
    unsigned packedBits_ = 8;
    bool withAlpha_ = false;
    std::uint16_t outBits_ = 24;
    std::vector<std::uint32_t> palette_;
    std::vector<std::uint8_t> indices_, colours_;  // row scratch for RowKind::Expanded
};

// Opens the picture the caller names, inside the caller's ComScope.
int OpenPicture(const Source& src, Input& in, Picture& pic) {
    int rc = in.Open(src);
    if (rc != kOk) return rc;
    const FamilyInfo* fam = AvailableInfo(mrv::wic::SniffFamily(in.data(), in.size()));
    if (!fam) return kUnknownFormat;
    return pic.Open(in, *fam);
}

// No C++ exception may cross into the host.
template <class F>
int Guarded(F&& f) noexcept {
    try {
        return f();
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    } catch (...) {
        return kInternalError;
    }
}

// Runs `use` on the picture opened from src, inside a COM scope, behind the plug-in's guard.
template <class Fn>
int WithPicture(const Source& src, Fn use) {
    return Guarded([&] {
        ComScope com;
        if (!com.usable()) return kInternalError;
        Input in;
        Picture pic;
        const int rc = OpenPicture(src, in, pic);
        return rc != kOk ? rc : use(pic);
    });
}

int PictureInfoOf(const Source& src, PictureInfo* info) {
    if (!info) return kMemoryError;
    return WithPicture(src, [&](Picture& pic) {
        if (!pic.Shape()) return kNoMemory;
        pic.Describe(*info);
        return kOk;
    });
}

int PictureOf(const Source& src, HLOCAL* pHBInfo, HLOCAL* pHBm, SusieProgress progress, LONG_PTR data) {
    if (!pHBInfo || !pHBm) return kMemoryError;
    *pHBInfo = nullptr;
    *pHBm = nullptr;
    return WithPicture(src, [&](Picture& pic) { return pic.Decode(progress, data, pHBInfo, pHBm); });
}

// IsSupported's second argument: the file's first bytes, or on 32-bit hosts of the old kind an
// open file handle (its high word 0), read here and put back where it was.
int SupportedHead(const void* dw) {
    return Guarded([&] {
#ifndef _WIN64
        if ((reinterpret_cast<DWORD_PTR>(dw) & ~DWORD_PTR(0xFFFF)) == 0) {
            const HANDLE h = const_cast<void*>(dw);
            LARGE_INTEGER zero{}, was{};
            if (!h || !SetFilePointerEx(h, zero, &was, FILE_CURRENT)) return 0;
            std::uint8_t head[kCheckSize];
            DWORD got = 0;
            const BOOL read = ReadFile(h, head, sizeof head, &got, nullptr);
            SetFilePointerEx(h, was, nullptr, FILE_BEGIN);
            return read && Supported(head, got) ? 1 : 0;
        }
#endif
        return Supported(dw, kCheckSize) ? 1 : 0;
    });
}

template <class Char>
int CopyInfo(const char* text, Char* buf, int buflen) {
    if (!buf || buflen <= 0) return 0;
    const int n = std::min(static_cast<int>(std::strlen(text)), buflen - 1);
    for (int i = 0; i < n; ++i) buf[i] = static_cast<Char>(static_cast<unsigned char>(text[i]));
    buf[n] = 0;
    return n;
}

template <class Char>
int PluginInfo(int infono, Char* buf, int buflen) {
    return Guarded([&] {
        if (infono == 0) return CopyInfo(kPluginVersion, buf, buflen);
        if (infono == 1) return CopyInfo(kPluginName, buf, buflen);
        if (infono < 2) return 0;
        const FamilyInfo* f = NthAvailable((infono - 2) / 2);
        if (!f) return 0;
        return CopyInfo(infono % 2 == 0 ? f->patterns : f->description, buf, buflen);
    });
}

Source FileOrMemory(const void* buf, bool wide, LONG_PTR len, unsigned flag) {
    Source s;
    s.flag = flag;
    s.buf = buf;
    s.wide = wide;
    s.len = len;
    return s;
}

}  // namespace

extern "C" {

int WINAPI GetPluginInfo(int infono, LPSTR buf, int buflen) { return PluginInfo(infono, buf, buflen); }
int WINAPI GetPluginInfoW(int infono, LPWSTR buf, int buflen) { return PluginInfo(infono, buf, buflen); }

int WINAPI IsSupported(LPCSTR, const void* dw) { return SupportedHead(dw); }
int WINAPI IsSupportedW(LPCWSTR, const void* dw) { return SupportedHead(dw); }

int WINAPI GetPictureInfo(LPCSTR buf, LONG_PTR len, unsigned int flag, PictureInfo* lpInfo) {
    return PictureInfoOf(FileOrMemory(buf, false, len, flag), lpInfo);
}
int WINAPI GetPictureInfoW(LPCWSTR buf, LONG_PTR len, unsigned int flag, PictureInfo* lpInfo) {
    return PictureInfoOf(FileOrMemory(buf, true, len, flag), lpInfo);
}

int WINAPI GetPicture(LPCSTR buf, LONG_PTR len, unsigned int flag, HLOCAL* pHBInfo, HLOCAL* pHBm,
                      SusieProgress lpProgressCallback, LONG_PTR lData) {
    return PictureOf(FileOrMemory(buf, false, len, flag), pHBInfo, pHBm, lpProgressCallback, lData);
}
int WINAPI GetPictureW(LPCWSTR buf, LONG_PTR len, unsigned int flag, HLOCAL* pHBInfo, HLOCAL* pHBm,
                       SusieProgress lpProgressCallback, LONG_PTR lData) {
    return PictureOf(FileOrMemory(buf, true, len, flag), pHBInfo, pHBm, lpProgressCallback, lData);
}

// The preview is the whole picture: decoding is fast enough that a reduced one would save little.
int WINAPI GetPreview(LPCSTR buf, LONG_PTR len, unsigned int flag, HLOCAL* pHBInfo, HLOCAL* pHBm,
                      SusieProgress lpProgressCallback, LONG_PTR lData) {
    return PictureOf(FileOrMemory(buf, false, len, flag), pHBInfo, pHBm, lpProgressCallback, lData);
}
int WINAPI GetPreviewW(LPCWSTR buf, LONG_PTR len, unsigned int flag, HLOCAL* pHBInfo, HLOCAL* pHBm,
                       SusieProgress lpProgressCallback, LONG_PTR lData) {
    return PictureOf(FileOrMemory(buf, true, len, flag), pHBInfo, pHBm, lpProgressCallback, lData);
}

}  // extern "C"

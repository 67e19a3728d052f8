#include "skin/skin_image.h"

#include "framework/sessions.h"
#include "skin/dpi_scale.h"
#include "skin/keyed_pixel.h"

#include <gdiplus.h>
#include <wincodec.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

// GDI+ for the length of one load. Start-up keeps its own session for the
// process, so these nested sessions only count up and down.
using GdiplusSession = fw::GdiplusSession;

BITMAPINFO BottomUpDibInfo(int width, int height) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = height;  // positive: bottom-up
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    return bi;
}

HBITMAP CreateSkinDib(int width, int height, void** bits) {
    BITMAPINFO bi = BottomUpDibInfo(width, height);
    // No device context: with RGB colours the section needs none, and asking
    // for the screen's would load the display driver on whatever thread
    // decodes, under the loader's lock.
    return ::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, bits, nullptr, 0);
}

// A copy of the bytes in a memory stream that frees its memory on release,
// read from its start; empty for no bytes or when memory runs out.
fw::ComPtr<IStream> StreamOfBytes(const void* data, size_t size) {
    fw::ComPtr<IStream> stream;
    if (!data || size == 0 || size > MAXDWORD) return stream;
    if (FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, stream.put()))) return stream;
    const ULONG want = static_cast<ULONG>(size);
    ULONG written = 0;
    if (FAILED(stream->Write(data, want, &written)) || written != want) {
        stream.reset();
        return stream;
    }
    LARGE_INTEGER start{};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    return stream;
}

// The resource bytes in such a stream.
fw::ComPtr<IStream> StreamOfResource(HINSTANCE module, HRSRC res) {
    HGLOBAL loaded = ::LoadResource(module, res);
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    return StreamOfBytes(data, ::SizeofResource(module, res));
}

// A PNG resource decoded by GDI+ (which must be running), with the stream it
// was read from: the picture may read from it for as long as it lives.
struct DecodedPng {
    fw::ComPtr<IStream> stream;
    std::unique_ptr<Gdiplus::Bitmap> image;  // declared last: it goes first
};

// The resource of this type ("PNG", or "JPG" for a picture without alpha) and
// id, decoded; no image when there is no such resource or it does not decode.
DecodedPng DecodePngResource(HINSTANCE module, UINT id, const wchar_t* type = L"PNG") {
    DecodedPng png;
    HRSRC res = ::FindResourceW(module, MAKEINTRESOURCEW(id), type);
    if (!res) return png;
    png.stream = StreamOfResource(module, res);
    if (!png.stream) return png;
    png.image = std::make_unique<Gdiplus::Bitmap>(png.stream.get());
    if (png.image->GetLastStatus() != Gdiplus::Ok) png.image.reset();
    return png;
}

// A PNG stream decoded by the imaging component into a premultiplied
// bottom-up DIB section; empty on any failure. COM must be running.
// `codecLoaded`, when given, is set once the decoder exists: from there on
// the decode loads no library.
fw::UniqueBitmap DecodeWithAlpha(IStream* stream, HANDLE codecLoaded) {
    // The PNG decoder asked for by name: letting the factory find one reads
    // the whole codec registry first.
    fw::ComPtr<IWICBitmapDecoder> decoder;
    fw::ComPtr<IWICBitmapFrameDecode> frame;
    const HRESULT made = ::CoCreateInstance(CLSID_WICPngDecoder, nullptr, CLSCTX_INPROC_SERVER, IID_IWICBitmapDecoder,
                                            reinterpret_cast<void**>(decoder.put()));
    if (codecLoaded) ::SetEvent(codecLoaded);
    if (FAILED(made) ||
        FAILED(decoder->Initialize(stream, WICDecodeMetadataCacheOnDemand)) || FAILED(decoder->GetFrame(0, frame.put())))
        return {};
    // Straight-alpha BGRA as it comes, or through a converter otherwise.
    fw::ComPtr<IWICBitmapSource> source;
    WICPixelFormatGUID format{};
    if (SUCCEEDED(frame->GetPixelFormat(&format)) && IsEqualGUID(format, GUID_WICPixelFormat32bppBGRA)) {
        if (FAILED(frame->QueryInterface(IID_IWICBitmapSource, reinterpret_cast<void**>(source.put())))) return {};
    } else {
        fw::ComPtr<IWICImagingFactory> factory;
        fw::ComPtr<IWICFormatConverter> converter;
        if (FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                      reinterpret_cast<void**>(factory.put()))) ||
            FAILED(factory->CreateFormatConverter(converter.put())) ||
            FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr,
                                         0.0, WICBitmapPaletteTypeCustom)) ||
            FAILED(converter->QueryInterface(IID_IWICBitmapSource, reinterpret_cast<void**>(source.put()))))
            return {};
    }
    UINT width = 0, height = 0;
    if (FAILED(source->GetSize(&width, &height)) || width == 0 || height == 0 || width > 16384 || height > 16384)
        return {};
    const int w = static_cast<int>(width), h = static_cast<int>(height);
    const UINT stride = width * 4;
    void* bits = nullptr;
    fw::UniqueBitmap dib(CreateSkinDib(w, h, &bits));
    if (!dib || !bits) return {};
    // Row by row straight into the section, bottom-up, and premultiplied
    // there (as UpdateLayeredWindow takes it): no second picture-sized buffer.
    auto* base = static_cast<BYTE*>(bits);
    for (int y = 0; y < h; ++y) {
        BYTE* row = base + static_cast<size_t>(h - 1 - y) * stride;
        const WICRect line{0, y, w, 1};
        if (FAILED(source->CopyPixels(&line, stride, stride, row)) ||
            !skin::ConvertArgbToPremultipliedDib(row, static_cast<int>(stride), w, 1, row))
            return {};
    }
    return dib;
}

// The resource's drawing at twice the design size (id +
// kDoubleSizeSkinOffset, a PNG, or a JPEG of the colours alone); no image when
// there is none of exactly that size.
DecodedPng DoubledSkin(HINSTANCE module, UINT id, skin::Size designSize) {
    DecodedPng doubled = DecodePngResource(module, id + kDoubleSizeSkinOffset);
    if (!doubled.image) doubled = DecodePngResource(module, id + kDoubleSizeSkinOffset, L"JPG");
    if (doubled.image && (static_cast<int>(doubled.image->GetWidth()) != 2 * designSize.cx ||
                          static_cast<int>(doubled.image->GetHeight()) != 2 * designSize.cy))
        doubled = {};
    return doubled;
}

// `source` (one frame) scaled by the nearest pixel (skin::ScaleNearest) into a
// new bitmap of `size`; empty on failure.
std::unique_ptr<Gdiplus::Bitmap> NearestScaled(Gdiplus::Bitmap& source, skin::Size size) {
    const int w = static_cast<int>(source.GetWidth()), h = static_cast<int>(source.GetHeight());
    auto scaled = std::make_unique<Gdiplus::Bitmap>(size.cx, size.cy, PixelFormat32bppARGB);
    if (scaled->GetLastStatus() != Gdiplus::Ok) return {};
    Gdiplus::Rect from(0, 0, w, h), to(0, 0, size.cx, size.cy);
    Gdiplus::BitmapData in{}, out{};
    if (source.LockBits(&from, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &in) != Gdiplus::Ok) return {};
    bool done = false;
    if (scaled->LockBits(&to, Gdiplus::ImageLockModeWrite, PixelFormat32bppARGB, &out) == Gdiplus::Ok) {
        done = skin::ScaleNearest(in.Scan0, in.Stride, w, h, out.Scan0, out.Stride, size.cx, size.cy);
        scaled->UnlockBits(&out);
    }
    source.UnlockBits(&in);
    return done ? std::move(scaled) : nullptr;
}

// `source` drawn into a new premultiplied bitmap of `size`, frame by frame,
// with high-quality filtering (or by the nearest pixel); empty on failure.
std::unique_ptr<Gdiplus::Bitmap> ResampleFrames(Gdiplus::Bitmap& source, int frames, skin::Size size,
                                                bool nearest = false) {
    if (nearest && frames == 1) return NearestScaled(source, size);
    const int sourceFrame = static_cast<int>(source.GetWidth()) / frames;
    const int sourceHeight = static_cast<int>(source.GetHeight());
    const int frame = size.cx / frames;
    if (sourceFrame == frame && sourceHeight == size.cy) {
        // Already the size (the doubled art at 200 %): a copy, not a filter,
        // which could still move a band by a pixel.
        std::unique_ptr<Gdiplus::Bitmap> copy(
            source.Clone(0, 0, static_cast<INT>(source.GetWidth()), sourceHeight, PixelFormat32bppPARGB));
        if (copy && copy->GetLastStatus() == Gdiplus::Ok) return copy;
        return {};
    }

    auto scaled = std::make_unique<Gdiplus::Bitmap>(size.cx, size.cy, PixelFormat32bppPARGB);
    if (scaled->GetLastStatus() != Gdiplus::Ok) return {};
    Gdiplus::Graphics graphics(scaled.get());
    graphics.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    // Mirrored edges: the filter sees the frame's own border pixels beyond its
    // edge, not transparency or the neighbouring frame.
    Gdiplus::ImageAttributes edges;
    edges.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
    for (int i = 0; i < frames; ++i) {
        const Gdiplus::Rect to(i * frame, 0, frame, size.cy);
        if (graphics.DrawImage(&source, to, i * sourceFrame, 0, sourceFrame, sourceHeight, Gdiplus::UnitPixel,
                               &edges) != Gdiplus::Ok)
            return {};
    }
    return scaled;
}

// Gives `colours` (opaque) the alpha of `shape`, a bitmap of the same size.
bool TakeAlpha(Gdiplus::Bitmap& colours, Gdiplus::Bitmap& shape) {
    const int w = static_cast<int>(colours.GetWidth()), h = static_cast<int>(colours.GetHeight());
    if (static_cast<int>(shape.GetWidth()) != w || static_cast<int>(shape.GetHeight()) != h) return false;
    Gdiplus::Rect all(0, 0, w, h);
    Gdiplus::BitmapData to{}, from{};
    if (colours.LockBits(&all, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeWrite, PixelFormat32bppARGB,
                         &to) != Gdiplus::Ok)
        return false;
    const bool locked = shape.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &from) == Gdiplus::Ok;
    if (locked) {
        // Straight (not premultiplied) pixels: alpha is the fourth byte of each.
        for (int y = 0; y < h; ++y) {
            auto* row = static_cast<std::uint8_t*>(to.Scan0) + static_cast<ptrdiff_t>(y) * to.Stride;
            const auto* alpha = static_cast<const std::uint8_t*>(from.Scan0) + static_cast<ptrdiff_t>(y) * from.Stride;
            for (int x = 0; x < w; ++x) row[4 * x + 3] = alpha[4 * x + 3];
        }
        shape.UnlockBits(&from);
    }
    colours.UnlockBits(&to);
    return locked;
}

// The skin for a display of `dpi`: its design picture (or, above 96 dpi, its
// drawing at twice the design size where the resources carry one) resampled
// frame by frame to the scaled frame size with high-quality filtering (the
// window backgrounds by the nearest pixel, skin::SkinScalesByNearestPixel). A
// doubled drawing without alpha (the login background's JPEG) keeps its
// colours and takes the design's alpha at the scale. No image: the design
// picture serves as it is.
std::unique_ptr<Gdiplus::Bitmap> ScaledSkin(HINSTANCE module, UINT id, Gdiplus::Bitmap& design, int dpi) {
    if (dpi <= 0 || dpi == skin::kDesignDpi) return {};
    const int frames = skin::SkinFrames(id);
    const skin::Size designSize{static_cast<int>(design.GetWidth()), static_cast<int>(design.GetHeight())};
    const skin::Size size = skin::ScaledSkinSize(designSize, frames, dpi);
    if (size.cx <= 0 || size.cy <= 0) return {};

    const bool nearest = skin::SkinScalesByNearestPixel(id);
    DecodedPng doubled;
    if (dpi > skin::kDesignDpi) doubled = DoubledSkin(module, id, designSize);
    if (!doubled.image) return ResampleFrames(design, frames, size, nearest);
    std::unique_ptr<Gdiplus::Bitmap> scaled = ResampleFrames(*doubled.image, frames, size, nearest);
    if (scaled && !Gdiplus::IsAlphaPixelFormat(doubled.image->GetPixelFormat())) {
        std::unique_ptr<Gdiplus::Bitmap> shape = ResampleFrames(design, frames, size);
        if (!shape || !TakeAlpha(*scaled, *shape)) return shape;
    }
    return scaled ? std::move(scaled) : ResampleFrames(design, frames, size, nearest);
}

}  // namespace

fw::UniqueBitmap MakeKeyedBitmap(Gdiplus::Bitmap& image, COLORREF key) {
    const int w = static_cast<int>(image.GetWidth());
    const int h = static_cast<int>(image.GetHeight());
    if (w <= 0 || h <= 0) return {};

    void* bits = nullptr;
    fw::UniqueBitmap dib(CreateSkinDib(w, h, &bits));
    if (!dib || !bits) return {};

    Gdiplus::Rect all(0, 0, w, h);
    Gdiplus::BitmapData locked{};
    if (image.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &locked) != Gdiplus::Ok) return {};
    bool converted = locked.Scan0 &&
                     skin::ConvertArgbToKeyedDib(locked.Scan0, locked.Stride, w, h, bits, static_cast<std::uint32_t>(key));
    image.UnlockBits(&locked);
    return converted ? std::move(dib) : fw::UniqueBitmap();
}

fw::UniqueBitmap LoadPngResource(HINSTANCE module, UINT id, int dpi) {
    if (!module) return {};
    GdiplusSession gdiplus;

    // An ordinary bitmap resource of the same id wins and is used as it is.
    if (fw::UniqueBitmap plain(::LoadBitmapW(module, MAKEINTRESOURCEW(id))); plain) return plain;

    if (!gdiplus.ok()) return {};
    DecodedPng png = DecodePngResource(module, id);
    if (!png.image) return {};
    std::unique_ptr<Gdiplus::Bitmap> scaled = ScaledSkin(module, id, *png.image, dpi);
    Gdiplus::Bitmap& image = scaled ? *scaled : *png.image;
    fw::UniqueBitmap result = MakeKeyedBitmap(image, kColorKey);
    if (!result) {
        // GDI+'s own conversion over opaque magenta gives the same keyed look.
        HBITMAP converted = nullptr;
        if (image.GetHBITMAP(Gdiplus::Color(255, 255, 0, 255), &converted) == Gdiplus::Ok) result.reset(converted);
    }
    return result;
}

namespace {

fw::UniqueBitmap DecodeAtDesignSize(HINSTANCE module, UINT id, HANDLE codecLoaded) {
    HRSRC res = ::FindResourceW(module, MAKEINTRESOURCEW(id), L"PNG");
    fw::ComPtr<IStream> stream = res ? StreamOfResource(module, res) : fw::ComPtr<IStream>();
    if (!stream) return {};
    // The imaging component that GDI+ decodes with, asked directly: without
    // GDI+'s own copy of the picture and its metadata this takes a good part
    // less of the time before the login frame shows. It needs COM on the
    // calling thread; an apartment already there (of either kind) serves.
    // Otherwise the multithreaded one: a single-threaded apartment makes a
    // window, and the first window of a thread loads the display driver.
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    fw::UniqueBitmap dib = DecodeWithAlpha(stream.get(), codecLoaded);
    if (SUCCEEDED(com)) ::CoUninitialize();
    return dib;
}

}  // namespace

fw::UniqueBitmap LoadPngResourceWithAlpha(HINSTANCE module, UINT id, int dpi) {
    if (!module) return {};
    if (dpi <= 0 || dpi == skin::kDesignDpi) return DecodeAtDesignSize(module, id, nullptr);
    GdiplusSession gdiplus;
    if (!gdiplus.ok()) return {};
    DecodedPng png = DecodePngResource(module, id);
    if (!png.image) return {};
    std::unique_ptr<Gdiplus::Bitmap> scaled = ScaledSkin(module, id, *png.image, dpi);
    Gdiplus::Bitmap& image = scaled ? *scaled : *png.image;

    const int w = static_cast<int>(image.GetWidth());
    const int h = static_cast<int>(image.GetHeight());
    void* bits = nullptr;
    fw::UniqueBitmap dib(w > 0 && h > 0 ? CreateSkinDib(w, h, &bits) : nullptr);
    if (!dib || !bits) return {};
    Gdiplus::Rect all(0, 0, w, h);
    Gdiplus::BitmapData locked{};
    // GDI+ premultiplies while it converts.
    if (image.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppPARGB, &locked) != Gdiplus::Ok)
        return {};
    const size_t rowBytes = static_cast<size_t>(w) * 4;
    for (int y = 0; y < h && locked.Scan0; ++y) {
        const auto* from = static_cast<const std::uint8_t*>(locked.Scan0) + static_cast<ptrdiff_t>(y) * locked.Stride;
        auto* to = static_cast<std::uint8_t*>(bits) + static_cast<size_t>(h - 1 - y) * rowBytes;  // bottom-up
        std::memcpy(to, from, rowBytes);
    }
    image.UnlockBits(&locked);
    return dib;
}

fw::UniqueBitmap LoadImageBytesOnWhite(std::string_view bytes, int& width, int& height, int dpi) {
    width = height = 0;
    GdiplusSession gdiplus;
    if (!gdiplus.ok()) return {};
    fw::ComPtr<IStream> stream = StreamOfBytes(bytes.data(), bytes.size());
    if (!stream) return {};
    // The picture reads from the stream while it lives: declared after it.
    Gdiplus::Image image(stream.get());
    if (image.GetLastStatus() != Gdiplus::Ok) return {};
    width = skin::ScalePx(static_cast<int>(image.GetWidth()), dpi);
    height = skin::ScalePx(static_cast<int>(image.GetHeight()), dpi);
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) {
        width = height = 0;
        return {};
    }

    fw::WindowDC screen(nullptr);
    fw::MemDC mem(screen);
    void* bits = nullptr;
    fw::UniqueBitmap dib(CreateSkinDib(width, height, &bits));
    if (!dib) return {};
    {
        fw::ScopedSelect select(mem, dib.get());
        RECT all{0, 0, width, height};
        ::FillRect(mem, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        Gdiplus::Graphics graphics(mem.get());
        if (width != static_cast<int>(image.GetWidth()) || height != static_cast<int>(image.GetHeight())) {
            graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
            graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
        }
        graphics.DrawImage(&image, 0, 0, width, height);
    }
    return dib;
}

void AdoptBitmap(CBitmap& holder, fw::UniqueBitmap bitmap) {
    if (bitmap.get() == holder.GetSafeHandle()) {
        bitmap.release();  // already the holder's
        return;
    }
    holder.Attach(bitmap.release());
}

void BuildStripImageList(CImageList& list, HBITMAP strip, int frames) {
    list.DeleteImageList();
    SIZE size = CBitmap::BitmapSize(strip);
    int frameWidth = skin::StripFrameWidth(size.cx, frames);
    if (frameWidth <= 0 || size.cy <= 0) return;
    if (!list.Create(frameWidth, size.cy, ILC_COLOR24 | ILC_MASK, frames, 0)) return;
    // ImageList_AddMasked blackens the key pixels of the bitmap it is given.
    // Owners keep their strips and build lists from them again (the maximise
    // button switches between two strips), so the list is made from a copy.
    fw::UniqueBitmap copy(static_cast<HBITMAP>(::CopyImage(strip, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    ::ImageList_AddMasked(list.GetSafeHandle(), copy ? copy.get() : strip, kColorKey);
}

void DrawParentBackground(HWND control, HDC dc) {
    HWND parent = ::GetParent(control);
    if (!parent) return;
    RECT self{}, outer{};
    ::GetWindowRect(control, &self);
    ::GetWindowRect(parent, &outer);
    const int dx = self.left - outer.left;
    const int dy = self.top - outer.top;
    // The parent paints its whole skin at its own (0, 0); shifting the window
    // origin puts its point (dx, dy) on our pixel (0, 0). The viewport origin
    // set to the same offset afterwards cancels the shift again.
    ::SetWindowOrgEx(dc, dx, dy, nullptr);
    ::SendMessageW(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    ::SetViewportOrgEx(dc, dx, dy, nullptr);
}

PrefetchedPng::PrefetchedPng(HINSTANCE module, UINT id, int dpi)
    : m_dpi(dpi),
      m_ready(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_codecLoaded(::CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_thread([this, module, id] {
          if (m_dpi == kSystemDpi) m_dpi = fw::SystemDpi();
          if (m_dpi == skin::kDesignDpi) {
              m_bitmap = DecodeAtDesignSize(module, id, m_codecLoaded.get());
          } else {
              // Another scale goes through GDI+, which loads what it needs as
              // it goes: nothing to wait for.
              if (m_codecLoaded) ::SetEvent(m_codecLoaded.get());
              m_bitmap = LoadPngResourceWithAlpha(module, id, m_dpi);
          }
          // Also when the decoder could not be made at all.
          if (m_codecLoaded) ::SetEvent(m_codecLoaded.get());
          // Said before the thread ends: its end (every library's thread
          // detach) is no business of the one waiting for the picture.
          if (m_ready) ::SetEvent(m_ready.get());
      }) {}

void PrefetchedPng::AwaitDecoderLibraries() {
    if (m_codecLoaded) ::WaitForSingleObject(m_codecLoaded.get(), kCodecLoadWaitMs);
}

PrefetchedPng::~PrefetchedPng() {
    if (m_thread.joinable()) m_thread.join();
}

void PrefetchedPng::WaitReady() {
    if (m_ready)
        ::WaitForSingleObject(m_ready.get(), INFINITE);
    else if (m_thread.joinable())
        m_thread.join();
}

int PrefetchedPng::Dpi() {
    WaitReady();
    return m_dpi;
}

fw::UniqueBitmap PrefetchedPng::Take() {
    WaitReady();
    return std::move(m_bitmap);
}

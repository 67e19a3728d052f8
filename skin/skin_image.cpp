#include "skin/skin_image.h"

#include "framework/sessions.h"
#include "skin/dpi_scale.h"
#include "skin/keyed_pixel.h"
#include "skin/png_decode.h"

#include <gdiplus.h>

#include <cstring>
#include <memory>
#include <optional>
#include <string_view>
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

// The bytes of a found resource, where the module holds them; empty when
// they cannot be had.
std::string_view ResourceBytes(HINSTANCE module, HRSRC res) {
    HGLOBAL loaded = res ? ::LoadResource(module, res) : nullptr;
    const char* data = loaded ? static_cast<const char*>(::LockResource(loaded)) : nullptr;
    return data ? std::string_view(data, ::SizeofResource(module, res)) : std::string_view();
}

// The resource bytes in such a stream.
fw::ComPtr<IStream> StreamOfResource(HINSTANCE module, HRSRC res) {
    const std::string_view bytes = ResourceBytes(module, res);
    return StreamOfBytes(bytes.data(), bytes.size());
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

// The PNG resource at its own size, premultiplied, in a bottom-up section;
// empty when there is none or it is not a picture the launcher's own decoder
// takes. That decoder needs no library and no COM apartment, so a thread of
// its own can run it beside the first window's creation without either
// waiting for the other.
fw::UniqueBitmap DecodeAtDesignSize(HINSTANCE module, UINT id) {
    const std::string_view png = ResourceBytes(module, ::FindResourceW(module, MAKEINTRESOURCEW(id), L"PNG"));
    const std::optional<skin::PngInfo> info = skin::ReadPngInfo(png);
    if (!info) return {};
    void* bits = nullptr;
    fw::UniqueBitmap dib(CreateSkinDib(info->width, info->height, &bits));
    const size_t bytes = static_cast<size_t>(info->width) * static_cast<size_t>(info->height) * 4;
    if (!dib || !bits || !skin::DecodePngPremultiplied(png, bits, bytes)) return {};
    return dib;
}

}  // namespace

fw::UniqueBitmap LoadPngResourceWithAlpha(HINSTANCE module, UINT id, int dpi) {
    if (!module) return {};
    if (dpi <= 0 || dpi == skin::kDesignDpi) return DecodeAtDesignSize(module, id);
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
      m_thread([this, module, id] {
          if (m_dpi == kSystemDpi) m_dpi = fw::SystemDpi();
          m_bitmap = LoadPngResourceWithAlpha(module, id, m_dpi);
          // Said before the thread ends: its end (every library's thread
          // detach) is no business of the one waiting for the picture.
          if (m_ready) ::SetEvent(m_ready.get());
      }) {}

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

// GDI owners and scoped helpers: the owning CBitmap and CFont the window
// classes keep as members, and the DC helpers every paint handler uses.
#pragma once

#include "framework/handles.h"

namespace fw {

// Owning GDI object with the Attach/Detach vocabulary the window classes use.
template <class T>
class GdiObject {
public:
    GdiObject() = default;
    GdiObject(GdiObject&&) noexcept = default;
    GdiObject& operator=(GdiObject&&) noexcept = default;

    // Takes ownership of h, freeing what was held before.
    void Attach(T h) { owned_.reset(h); }
    T Detach() { return owned_.release(); }
    void DeleteObject() { owned_.reset(); }
    T GetSafeHandle() const { return owned_.get(); }
    operator T() const { return owned_.get(); }

private:
    Unique<T, GdiTraits<T>> owned_;
};

class CBitmap : public GdiObject<HBITMAP> {
public:
    // Size of the held bitmap; 0 x 0 when empty.
    SIZE GetSize() const { return BitmapSize(GetSafeHandle()); }
    static SIZE BitmapSize(HBITMAP bmp) {
        BITMAP bm{};
        if (bmp && ::GetObjectW(bmp, sizeof bm, &bm)) return {bm.bmWidth, bm.bmHeight};
        return {0, 0};
    }
};

class CFont : public GdiObject<HFONT> {
public:
    bool CreateFontIndirect(const LOGFONTW& lf) {
        Attach(::CreateFontIndirectW(&lf));
        return GetSafeHandle() != nullptr;
    }
};

// Selects an object into a DC and selects the previous one back on scope exit.
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ obj) : dc_(dc), old_(obj ? ::SelectObject(dc, obj) : nullptr) {}
    ~ScopedSelect() {
        if (old_) ::SelectObject(dc_, old_);
    }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// SaveDC / RestoreDC pair.
class SavedDC {
public:
    explicit SavedDC(HDC dc) : dc_(dc), id_(::SaveDC(dc)) {}
    ~SavedDC() { ::RestoreDC(dc_, id_); }
    SavedDC(const SavedDC&) = delete;
    SavedDC& operator=(const SavedDC&) = delete;

private:
    HDC dc_;
    int id_;
};

// A DC from GetDC, released with ReleaseDC (not DeleteDC).
class WindowDC {
public:
    explicit WindowDC(HWND wnd) : wnd_(wnd), dc_(::GetDC(wnd)) {}
    ~WindowDC() {
        if (dc_) ::ReleaseDC(wnd_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return dc_; }
    operator HDC() const { return dc_; }

private:
    HWND wnd_;
    HDC dc_;
};

// BeginPaint / EndPaint.
class PaintDC {
public:
    explicit PaintDC(HWND wnd) : wnd_(wnd) { dc_ = ::BeginPaint(wnd, &ps_); }
    ~PaintDC() { ::EndPaint(wnd_, &ps_); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    HDC get() const { return dc_; }
    operator HDC() const { return dc_; }

private:
    HWND wnd_;
    HDC dc_;
    PAINTSTRUCT ps_{};
};

// A memory DC from CreateCompatibleDC, freed with DeleteDC.
class MemDC {
public:
    explicit MemDC(HDC compatibleWith) : dc_(::CreateCompatibleDC(compatibleWith)) {}
    ~MemDC() {
        if (dc_) ::DeleteDC(dc_);
    }
    MemDC(const MemDC&) = delete;
    MemDC& operator=(const MemDC&) = delete;
    HDC get() const { return dc_; }
    operator HDC() const { return dc_; }

private:
    HDC dc_;
};

// The off-screen buffer of every paint handler: a memory DC over a compatible
// bitmap of the window's size. Draw into it, then CopyTo the target once.
class OffscreenDC {
public:
    OffscreenDC(HDC target, int width, int height)
        : mem_(target), bitmap_(::CreateCompatibleBitmap(target, width > 0 ? width : 1, height > 0 ? height : 1)),
          select_(mem_, bitmap_.get()), width_(width), height_(height) {}
    HDC get() const { return mem_.get(); }
    operator HDC() const { return mem_.get(); }
    int width() const { return width_; }
    int height() const { return height_; }
    void CopyTo(HDC target) const { ::BitBlt(target, 0, 0, width_, height_, mem_, 0, 0, SRCCOPY); }

private:
    MemDC mem_;
    UniqueBitmap bitmap_;
    ScopedSelect select_;
    int width_;
    int height_;
};

}  // namespace fw

using fw::CBitmap;
using fw::CFont;

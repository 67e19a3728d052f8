#include "skin/dlg_ex.h"

#include "framework/winapp.h"
#include "res/resource.h"
#include "skin/dpi_scale.h"
#include "skin/keyed_pixel.h"
#include "skin/skin_geometry.h"
#include "skin/skin_image.h"
#include "skin/win_rect.h"

#include <windowsx.h>

// The portable hit test answers in the system's own codes.
static_assert(skin::kHitClient == HTCLIENT && skin::kHitCaption == HTCAPTION);
static_assert(skin::kHitLeft == HTLEFT && skin::kHitRight == HTRIGHT && skin::kHitTop == HTTOP &&
              skin::kHitBottom == HTBOTTOM);
static_assert(skin::kHitTopLeft == HTTOPLEFT && skin::kHitTopRight == HTTOPRIGHT &&
              skin::kHitBottomLeft == HTBOTTOMLEFT && skin::kHitBottomRight == HTBOTTOMRIGHT);

namespace {

SIZE WindowSize(HWND wnd) {
    RECT r{};
    ::GetWindowRect(wnd, &r);
    return {r.right - r.left, r.bottom - r.top};
}

RECT WorkArea() {
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

void MoveWindowTo(HWND wnd, const RECT& r) {
    ::MoveWindow(wnd, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}

void MoveWindowTo(HWND wnd, const skin::Rect& r) { ::MoveWindow(wnd, r.left, r.top, r.width(), r.height(), TRUE); }

// One frame of a four-frame caption button strip.
skin::Size CaptionFrame(HBITMAP strip) {
    SIZE size = CBitmap::BitmapSize(strip);
    return {skin::StripFrameWidth(size.cx, skin::kButtonFrames), size.cy};
}

}  // namespace

CDlgEx::CDlgEx(UINT templateId, CWnd* parent) : CDialog(templateId, parent) {}

BOOL CDlgEx::OnInitDialog() {
    CDialog::OnInitDialog();
    ModifyStyle(WS_CAPTION | DS_MODALFRAME, WS_MINIMIZEBOX);
    ModifyStyleEx(WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE, 0);
    // The frame styles changed: let the system recompute the non-client area.
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);

    RECT work = WorkArea();
    m_nMaxWidth = work.right - work.left;
    m_nMaxHeight = work.bottom - work.top;
    skin::Rect restore = skin::InitialRestoreRect({work.left, work.top, work.right, work.bottom});
    m_rcRestore = {restore.left, restore.top, restore.right, restore.bottom};
    // Made on a display of another scale than the system's: its texts at
    // that scale (at the system's scale this changes nothing).
    UseFontForDpi(fw::WindowDpi(m_hWnd));
    return TRUE;
}

void CDlgEx::CreateCaptionButton(CBtnEx& button, HBITMAP strip, const skin::Rect& place, UINT id) {
    if (button.m_hWnd) button.DestroyWindow();
    button.Create(L"", WS_CHILD | WS_VISIBLE, ToWin(place), this, id);
    BuildStripImageList(button.m_imgList, strip, skin::kButtonFrames);
    button.StoreWindowRect();
}

skin::CaptionButtonRects CDlgEx::CaptionButtonPlaces() const {
    auto place = [this](const CBtnEx& button) -> std::optional<skin::Rect> {
        if (!button.m_hWnd) return std::nullopt;
        RECT r = button.GetWindowRect();
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
        return ToSkin(r);
    };
    return {place(m_btnClose), place(m_btnMax), place(m_btnMin)};
}

BOOL CDlgEx::SetSkin(HBITMAP close, HBITMAP min, fw::UniqueBitmap background, BOOL resizeToSkin, BOOL stretch,
                     fw::UniqueBitmap max, fw::UniqueBitmap restore) {
    m_bStretch = stretch;
    AdoptBitmap(m_bmpSkin, std::move(background));
    SIZE skinSize = m_bmpSkin.GetSize();

    RECT layout{};
    if (resizeToSkin) {
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, skinSize.cx, skinSize.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        layout = {0, 0, skinSize.cx, skinSize.cy};
    } else {
        layout = GetClientRect();
    }
    UpdateWindowRegion();

    // A button given no strip now keeps the window (and the room) an earlier
    // call gave it.
    const skin::CaptionButtonRects existing = CaptionButtonPlaces();
    auto room = [](HBITMAP strip, const std::optional<skin::Rect>& current) -> std::optional<skin::Size> {
        if (strip) return CaptionFrame(strip);
        if (current) return skin::Size{current->width(), current->height()};
        return std::nullopt;
    };
    const skin::CaptionButtonRects places =
        skin::PlaceCaptionButtons(layout.right, m_nBtnRightMargin, m_nBtnTop, room(close, existing.close),
                                  room(max.get(), existing.maximize), room(min, existing.minimize));
    if (close) CreateCaptionButton(m_btnClose, close, *places.close, kIdCaptionClose);
    if (max) {
        CreateCaptionButton(m_btnMax, max.get(), *places.maximize, kIdCaptionMax);
        AdoptBitmap(m_bmpMax, std::move(max));
        AdoptBitmap(m_bmpRestore, std::move(restore));
    }
    if (min) CreateCaptionButton(m_btnMin, min, *places.minimize, kIdCaptionMin);
    return TRUE;
}

void CDlgEx::UpdateWindowRegion() {
    SIZE window = WindowSize(m_hWnd);
    SIZE bitmap = m_bmpSkin.GetSize();
    fw::UniqueRegion region(::CreateRectRgn(0, 0, window.cx, window.cy));
    if (bitmap.cx > 0 && bitmap.cy > 0) {
        fw::WindowDC screen(nullptr);
        fw::MemDC mem(screen);
        fw::ScopedSelect select(mem, m_bmpSkin.GetSafeHandle());
        auto isKey = [&](int x, int y) { return ::GetPixel(mem, x, y) == kColorKey; };
        for (skin::Point p : skin::CornerCutPixels({window.cx, window.cy}, {bitmap.cx, bitmap.cy}, isKey)) {
            fw::UniqueRegion pixel(::CreateRectRgn(p.x, p.y, p.x + 1, p.y + 1));
            ::CombineRgn(region.get(), region.get(), pixel.get(), RGN_XOR);
        }
    }
    // The window owns the region from here on.
    ::SetWindowRgn(m_hWnd, region.release(), FALSE);
}

void CDlgEx::DrawSkin(HDC dc) {
    SIZE window = WindowSize(m_hWnd);
    SIZE bitmap = m_bmpSkin.GetSize();
    fw::MemDC src(dc);
    fw::ScopedSelect select(src, m_bmpSkin.GetSafeHandle());
    for (const skin::SkinBlit& b : skin::SkinBlits({window.cx, window.cy}, {bitmap.cx, bitmap.cy}, m_nBorder,
                                                   m_nCaptionHeight, m_bStretch != FALSE)) {
        if (b.stretch) {
            ::StretchBlt(dc, b.dst.left, b.dst.top, b.dst.width(), b.dst.height(), src, b.src.left, b.src.top,
                         b.src.width(), b.src.height(), SRCCOPY);
        } else {
            ::BitBlt(dc, b.dst.left, b.dst.top, b.dst.width(), b.dst.height(), src, b.src.left, b.src.top, SRCCOPY);
        }
    }
}

void CDlgEx::PlaceFromDesign(skin::Size design, std::span<const DesignPlace> controls, int dpi) {
    const skin::Size size = skin::ScaleSize(design, dpi);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // Controls that touch in the design (the download dialog's buttons) keep
    // touching without overlapping, whatever the rounding.
    std::vector<skin::Rect> rects;
    for (const DesignPlace& c : controls) rects.push_back(c.design);
    const std::vector<skin::Rect> places = skin::ScaleTouchingRow(rects, dpi);
    for (size_t i = 0; i < controls.size(); ++i) {
        const skin::Rect& r = places[i];
        if (HWND control = ::GetDlgItem(m_hWnd, controls[i].id))
            ::SetWindowPos(control, nullptr, r.left, r.top, r.width(), r.height(), SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void CDlgEx::LayOutSmallDialog(int dpi, skin::Size design, std::span<const DesignPlace> controls,
                               CBitmap& closeStrip) {
    // Sized first: the skin places the close button against the client's edge.
    PlaceFromDesign(design, controls, dpi);
    const HINSTANCE module = AfxGetResourceHandle();
    AdoptBitmap(closeStrip, LoadPngResource(module, IDB_CAPT_CLOSE, dpi));
    SkinSmallDialog(dpi, closeStrip.GetSafeHandle(), LoadPngResource(module, IDB_SMALL_BK, dpi));
}

void CDlgEx::SkinSmallDialog(int dpi, HBITMAP closeStrip, fw::UniqueBitmap background) {
    SetCaptionLayout(skin::ScalePx(30, dpi), skin::ScalePx(4, dpi), 0, 0);
    SetSkin(closeStrip, nullptr, std::move(background), FALSE, TRUE);
}

int CDlgEx::CaptionIconSize() const { return skin::ScalePx(skin::kCaptionIconSize, fw::WindowDpi(m_hWnd)); }

HICON CDlgEx::SmallIcon() const {
    return reinterpret_cast<HICON>(::SendMessageW(m_hWnd, WM_GETICON, ICON_SMALL, 0));
}

POINT CDlgEx::CaptionTextOrigin(HDC, int* iconWidth) const {
    const bool hasIcon = SmallIcon() != nullptr;
    LOGFONTW lf{};
    if (HFONT font = WindowFont()) ::GetObjectW(font, sizeof lf, &lf);
    const int iconSize = CaptionIconSize();
    skin::Point p = skin::CaptionTextPos(m_nBorder, m_nCaptionHeight, lf.lfHeight, hasIcon, iconSize);
    if (iconWidth) *iconWidth = hasIcon ? iconSize : 0;
    return {p.x, p.y};
}

BOOL CDlgEx::OnEraseBkgnd(HDC dc) {
    if (!m_bmpSkin.GetSafeHandle()) return FALSE;
    SIZE window = WindowSize(m_hWnd);
    fw::OffscreenDC mem(dc, window.cx, window.cy);
    DrawSkin(mem);

    if (HICON icon = SmallIcon()) {
        const int size = CaptionIconSize();
        ::DrawIconEx(mem, m_nBorder, skin::CaptionIconY(m_nCaptionHeight, size), icon, size, size, 0, nullptr,
                     DI_NORMAL);
    }
    if (m_bDrawCaption) {
        fw::SavedDC saved(mem);
        ::SetBkMode(mem, TRANSPARENT);
        ::SetTextColor(mem, m_crCaption);
        ::SelectObject(mem, WindowFont());
        POINT origin = CaptionTextOrigin(mem, nullptr);
        std::wstring text = GetWindowText();
        ::TextOutW(mem, origin.x, origin.y, text.c_str(), static_cast<int>(text.size()));
    }
    mem.CopyTo(dc);
    return TRUE;
}

void CDlgEx::SetCaptionText(const std::wstring& text) {
    ::SetWindowTextW(m_hWnd, text.c_str());
    fw::WindowDC dc(m_hWnd);
    fw::ScopedSelect select(dc, WindowFont());
    POINT origin = CaptionTextOrigin(dc, nullptr);
    RECT r{origin.x, origin.y, origin.x, origin.y};
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT);
    r.right = GetClientRect().right;
    ::InvalidateRect(m_hWnd, &r, TRUE);
}

void CDlgEx::InvalidateCaptionButtons() {
    for (CBtnEx* button : {&m_btnClose, &m_btnMax, &m_btnMin})
        if (button->m_hWnd) ::InvalidateRect(button->m_hWnd, nullptr, TRUE);
}

LRESULT CDlgEx::OnNcHitTest(POINT screenPt) {
    POINT pt = screenPt;
    ::ScreenToClient(m_hWnd, &pt);
    RECT client = GetClientRect();
    int hit = skin::SkinHitTest({pt.x, pt.y}, {client.right, client.bottom}, m_nBorder, m_nCaptionHeight,
                                m_bMaximized != FALSE, m_bResizable != FALSE);
    if (hit == skin::kHitDefault)
        return DefWindowProc(WM_NCHITTEST, 0, MAKELPARAM(screenPt.x, screenPt.y));
    return hit;
}

void CDlgEx::OnNcLButtonDown(UINT hitCode, POINT screenPt, LPARAM lParam) {
    if (unsigned command = skin::SizeCommandForHit(static_cast<int>(hitCode))) {
        // The window has no sizing frame, but the system's sizing loop runs all
        // the same when asked directly.
        ::SendMessageW(m_hWnd, WM_SYSCOMMAND, command, MAKELPARAM(screenPt.x, screenPt.y));
    } else {
        DefWindowProc(WM_NCLBUTTONDOWN, hitCode, lParam);
    }
    // Where dragging or sizing left the window is where a later restore returns.
    m_rcRestore = GetWindowRect();
}

void CDlgEx::OnSize(UINT, int cx, int) {
    if (!m_bmpSkin.GetSafeHandle()) return;
    UpdateWindowRegion();
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
    const skin::CaptionButtonRects places = skin::ReplaceCaptionButtons(cx, m_nBtnRightMargin, CaptionButtonPlaces());
    if (places.close) MoveWindowTo(m_btnClose.m_hWnd, *places.close);
    if (places.maximize) MoveWindowTo(m_btnMax.m_hWnd, *places.maximize);
    if (places.minimize) MoveWindowTo(m_btnMin.m_hWnd, *places.minimize);
}

void CDlgEx::OnBtnClose() { ::PostMessageW(m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0); }

void CDlgEx::OnBtnMin() { ::PostMessageW(m_hWnd, WM_SYSCOMMAND, SC_MINIMIZE, 0); }

void CDlgEx::OnBtnMax() {
    if (m_bMaximized) {
        MoveWindowTo(m_hWnd, m_rcRestore);
        SetMaxBtnImage(FALSE);
    } else {
        RECT work = WorkArea();
        skin::Rect r = skin::MaximizedRect({work.left, work.top, work.right, work.bottom}, m_nMaxWidth, m_nMaxHeight);
        MoveWindowTo(m_hWnd, r);
        SetMaxBtnImage(TRUE);
    }
    m_btnMax.m_bHover = FALSE;
    m_btnMax.m_bTracking = FALSE;
    m_bMaximized = !m_bMaximized;
}

void CDlgEx::SetMaxBtnImage(BOOL restoreImage) {
    HBITMAP strip = restoreImage ? m_bmpRestore.GetSafeHandle() : m_bmpMax.GetSafeHandle();
    BuildStripImageList(m_btnMax.m_imgList, strip, skin::kButtonFrames);
    if (m_btnMax.m_hWnd) m_btnMax.StoreWindowRect();
}

BOOL CDlgEx::OnCommand(WPARAM wParam, LPARAM lParam) {
    // The caption buttons are owner-drawn, so a double-click on one also sends
    // BN_DOUBLECLICKED; acting on that too would run the action twice.
    if (HIWORD(wParam) != BN_CLICKED) return CDialog::OnCommand(wParam, lParam);
    switch (LOWORD(wParam)) {
    case kIdCaptionClose:
        OnBtnClose();
        return TRUE;
    case kIdCaptionMin:
        OnBtnMin();
        return TRUE;
    case kIdCaptionMax:
        OnBtnMax();
        return TRUE;
    default:
        return CDialog::OnCommand(wParam, lParam);
    }
}

LRESULT CDlgEx::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND:
        return OnEraseBkgnd(reinterpret_cast<HDC>(wParam));
    case WM_NCHITTEST:
        return OnNcHitTest({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    case WM_NCLBUTTONDOWN:
        OnNcLButtonDown(static_cast<UINT>(wParam), {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, lParam);
        return 0;
    case WM_NCLBUTTONDBLCLK:
        if (wParam == HTCAPTION && m_bResizable) {
            OnBtnMax();
            return 0;
        }
        break;
    case WM_LBUTTONDBLCLK: {
        const int y = GET_Y_LPARAM(lParam);
        if (m_bMaximized && ((y >= 0 && y < m_nCaptionHeight) || m_nCaptionHeight == -1)) OnBtnMax();
        break;
    }
    case WM_SIZE: {
        LRESULT result = CDialog::WindowProc(msg, wParam, lParam);
        OnSize(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
        return result;
    }
    case WM_DPICHANGED: {
        // Nothing moves the window unless it is told to: it goes where the
        // system suggests, then takes its fonts and layout for the new scale;
        // the size is the layout's (from its design), not the suggestion's.
        const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
        ::SetWindowPos(m_hWnd, nullptr, suggested.left, suggested.top, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        const int dpi = HIWORD(wParam);
        UseFontForDpi(dpi);
        LayOutForDpi(dpi);
        ::InvalidateRect(m_hWnd, nullptr, TRUE);
        return 0;
    }
    default:
        break;
    }
    return CDialog::WindowProc(msg, wParam, lParam);
}

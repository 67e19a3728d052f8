#include "skin/btn_ex.h"

#include "skin/keyed_pixel.h"
#include "skin/skin_geometry.h"
#include "skin/skin_image.h"

BOOL CBtnEx::SetImage(HBITMAP strip, BOOL resize) {
    BuildStripImageList(m_imgList, strip, skin::kButtonFrames);
    if (resize) {
        SIZE size = CBitmap::BitmapSize(strip);
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, skin::StripFrameWidth(size.cx, skin::kButtonFrames), size.cy,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    StoreWindowRect();
    return TRUE;
}

void CBtnEx::StoreWindowRect() { m_rcWindow = GetWindowRect(); }

void CBtnEx::PreSubclassWindow() {
    m_strText = GetWindowText();
    ModifyStyle(0, BS_OWNERDRAW);
    StoreWindowRect();
    CButton::PreSubclassWindow();
}

void CBtnEx::DrawFrame(HDC dc, int frame, int width, int height) const {
    IMAGEINFO info{};
    if (!m_imgList || frame >= m_imgList.GetImageCount() ||
        !::ImageList_GetImageInfo(m_imgList.GetSafeHandle(), frame, &info))
        return;
    const int fw = info.rcImage.right - info.rcImage.left;
    const int fh = info.rcImage.bottom - info.rcImage.top;
    if (fw == width && fh == height) {
        ::ImageList_Draw(m_imgList.GetSafeHandle(), frame, dc, 0, 0, ILD_TRANSPARENT);
        return;
    }
    // Another size: draw the frame over the key colour at its own size, then
    // stretch it across with the key still transparent.
    fw::OffscreenDC frameDC(dc, fw, fh);
    fw::UniqueBrush key(::CreateSolidBrush(kColorKey));
    RECT all{0, 0, fw, fh};
    ::FillRect(frameDC, &all, key.get());
    ::ImageList_Draw(m_imgList.GetSafeHandle(), frame, frameDC, 0, 0, ILD_TRANSPARENT);
    ::TransparentBlt(dc, 0, 0, width, height, frameDC, 0, 0, fw, fh, kColorKey);
}

void CBtnEx::DrawItem(DRAWITEMSTRUCT* item) {
    const int width = m_rcWindow.right - m_rcWindow.left;
    const int height = m_rcWindow.bottom - m_rcWindow.top;
    fw::OffscreenDC mem(item->hDC, width, height);

    skin::ButtonFace face = skin::ChooseButtonFace((item->itemState & (ODS_GRAYED | ODS_DISABLED)) != 0,
                                                   (item->itemState & ODS_SELECTED) != 0, m_bPressed, m_bHover);
    if (face.setPressedLatch) m_bPressed = TRUE;

    DrawParentBackground(m_hWnd, mem);
    DrawFrame(mem, face.frame, width, height);

    if (!m_strText.empty()) {
        ::SetBkMode(mem, TRANSPARENT);
        ::SetTextColor(mem, face.frame == skin::kFrameDisabled ? ::GetSysColor(COLOR_GRAYTEXT) : m_crText);
        HFONT font = GetFont();
        fw::ScopedSelect select(mem, font ? font : ::GetStockObject(DEFAULT_GUI_FONT));
        RECT client = GetClientRect();
        ::DrawTextW(mem, m_strText.c_str(), static_cast<int>(m_strText.size()), &client,
                    DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    mem.CopyTo(item->hDC);
}

LRESULT CBtnEx::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND:
        return TRUE;
    case WM_MOUSEMOVE:
        if (!m_bTracking) {
            TRACKMOUSEEVENT track{sizeof track, TME_HOVER | TME_LEAVE, m_hWnd, 10};
            m_bTracking = ::TrackMouseEvent(&track);
        }
        break;
    case WM_MOUSEHOVER:
        m_bHover = TRUE;
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
        return 0;
    case WM_MOUSELEAVE:
        m_bHover = FALSE;
        m_bTracking = FALSE;
        ::InvalidateRect(m_hWnd, nullptr, FALSE);
        return 0;
    case WM_LBUTTONUP:
        m_bPressed = FALSE;
        break;
    default:
        break;
    }
    return CButton::WindowProc(msg, wParam, lParam);
}

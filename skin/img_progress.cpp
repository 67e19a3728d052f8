#include "skin/img_progress.h"

#include "skin/skin_geometry.h"
#include "skin/skin_image.h"

namespace {

void KeyedBlt(HDC dst, const skin::Rect& to, HDC src, const skin::Rect& from) {
    // TransparentBlt fails on empty rectangles (half of a 1-pixel fill is 0).
    if (to.width() <= 0 || to.height() <= 0) return;
    ::TransparentBlt(dst, to.left, to.top, to.width(), to.height(), src, from.left, from.top, from.width(),
                     from.height(), kColorKey);
}

}  // namespace

BOOL CImgProgress::SetImages(fw::UniqueBitmap track, fw::UniqueBitmap fill) {
    AdoptBitmap(m_hTrack, std::move(track));
    AdoptBitmap(m_hFill, std::move(fill));
    SIZE trackSize = m_hTrack.GetSize();
    SIZE fillSize = m_hFill.GetSize();
    // A track that failed to load would shrink the control to nothing; it then
    // keeps its size and shows the parent's skin.
    if (trackSize.cx > 0 && trackSize.cy > 0)
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, trackSize.cx, trackSize.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    m_rcBar = {0, 0, trackSize.cx, trackSize.cy};
    skin::Rect inside = skin::ProgressFillRect({trackSize.cx, trackSize.cy}, {fillSize.cx, fillSize.cy});
    m_rcFill = {inside.left, inside.top, inside.right, inside.bottom};
    return TRUE;
}

void CImgProgress::OnPaint() {
    fw::PaintDC paint(m_hWnd);
    int width = m_rcBar.right - m_rcBar.left;
    int height = m_rcBar.bottom - m_rcBar.top;
    if (width <= 0 || height <= 0) {
        // No images yet: still cover the control with the parent's skin.
        RECT client = GetClientRect();
        width = client.right;
        height = client.bottom;
    }
    fw::OffscreenDC mem(paint, width, height);
    DrawParentBackground(m_hWnd, mem);

    if (m_hTrack.GetSafeHandle()) {
        fw::MemDC src(mem);
        fw::ScopedSelect select(src, m_hTrack.GetSafeHandle());
        KeyedBlt(mem, {0, 0, width, height}, src, {0, 0, width, height});
    }
    if (m_hFill.GetSafeHandle()) {
        int lo = 0, hi = 0;
        GetRange(lo, hi);
        skin::ProgressFill parts = skin::ProgressFillParts(
            {m_rcFill.left, m_rcFill.top, m_rcFill.right, m_rcFill.bottom}, GetPos(), lo, hi);
        if (parts.width > 0) {
            fw::MemDC src(mem);
            fw::ScopedSelect select(src, m_hFill.GetSafeHandle());
            KeyedBlt(mem, parts.leftDst, src, parts.leftSrc);
            KeyedBlt(mem, parts.rightDst, src, parts.rightSrc);
        }
    }
    mem.CopyTo(paint);
}

LRESULT CImgProgress::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_ERASEBKGND:
        return TRUE;
    default:
        break;
    }
    return CProgressCtrl::WindowProc(msg, wParam, lParam);
}

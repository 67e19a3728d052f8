#include "skin/static_ex.h"

#include "skin/label_wrap.h"
#include "skin/skin_geometry.h"
#include "skin/skin_image.h"

// The portable label format reads the system's style bits and answers in its
// DrawText flags.
static_assert(skin::kSsCenter == SS_CENTER && skin::kSsRight == SS_RIGHT && skin::kSsTypeMask == SS_TYPEMASK &&
              skin::kSsCenterImage == SS_CENTERIMAGE);
static_assert(skin::kSsEndEllipsis == SS_ENDELLIPSIS && skin::kSsPathEllipsis == SS_PATHELLIPSIS &&
              skin::kSsWordEllipsis == SS_WORDELLIPSIS && skin::kSsEllipsisMask == SS_ELLIPSISMASK);
static_assert(skin::kDtLeft == DT_LEFT && skin::kDtCenter == DT_CENTER && skin::kDtRight == DT_RIGHT &&
              skin::kDtVCenter == DT_VCENTER && skin::kDtWordBreak == DT_WORDBREAK &&
              skin::kDtSingleLine == DT_SINGLELINE && skin::kDtPathEllipsis == DT_PATH_ELLIPSIS &&
              skin::kDtEndEllipsis == DT_END_ELLIPSIS);

namespace {

// Width and height of `text` drawn as one line in the DC's current font.
SIZE MeasureLine(HDC dc, const wchar_t* text, int count) {
    RECT r{0, 0, 0, 0};
    ::DrawTextW(dc, text, count, &r, DT_CALCRECT | DT_SINGLELINE);
    return {r.right - r.left, r.bottom - r.top};
}

}  // namespace

BOOL CStaticEx::SetImage(HBITMAP image) {
    SIZE size = CBitmap::BitmapSize(image);
    m_nImageWidth = size.cx;
    m_nImageHeight = size.cy;
    BuildStripImageList(m_imgList, image, 1);
    return m_imgList ? TRUE : FALSE;
}

void CStaticEx::PreSubclassWindow() {
    m_strText = GetWindowText();
    CStatic::PreSubclassWindow();
}

HFONT CStaticEx::LabelFont() {
    if (m_font.GetSafeHandle()) return m_font;
    HFONT base = GetFont();
    LOGFONTW lf{};
    ::GetObjectW(base ? static_cast<HGDIOBJ>(base) : ::GetStockObject(SYSTEM_FONT), sizeof lf, &lf);
    if (m_nFontHeight != 0) lf.lfHeight = m_nFontHeight;
    if (m_nFontWeight != -1) lf.lfWeight = m_nFontWeight;
    if (m_nFontWidth != 0) lf.lfWidth = m_nFontWidth;
    if (m_bUnderline) lf.lfUnderline = TRUE;
    m_font.CreateFontIndirect(lf);
    return m_font;
}

void CStaticEx::DrawLabelText(HDC dc) {
    const unsigned format = skin::LabelTextFormat(GetStyle());
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, m_crText);
    fw::ScopedSelect font(dc, LabelFont());

    // The average character width comes from a Chinese sample measured together
    // with its terminating zero; the label's look depends on that count of 11.
    SIZE sample = MeasureLine(dc, skin::kLabelWidthSample, skin::kLabelSampleCount);
    const int lineHeight = sample.cy;
    RECT client = GetClientRect();
    skin::Rect first = skin::LabelFirstLineRect({client.right, client.bottom}, HasImage() ? m_nImageWidth : 0,
                                                lineHeight);
    if (skin::LabelTooNarrow(sample.cx, first.width())) return;

    auto measure = [dc](const std::wstring& line) {
        return MeasureLine(dc, line.c_str(), static_cast<int>(line.size())).cx;
    };
    RECT line{first.left, first.top, first.right, first.bottom};
    for (const std::wstring& text : skin::WrapLabelText(m_strText, first.width(), measure)) {
        // Lines below the label would only land outside the copied bitmap.
        if (line.top >= client.bottom) break;
        ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &line, format);
        ::OffsetRect(&line, 0, lineHeight + m_nLineGap);
    }
}

void CStaticEx::OnPaint() {
    fw::PaintDC paint(m_hWnd);
    RECT window = GetWindowRect();
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    fw::OffscreenDC mem(paint, width, height);
    {
        // The parent paints with its own font and colours and leaves the origin
        // shifted; none of that may leak into the text drawn below.
        fw::SavedDC saved(mem);
        DrawParentBackground(m_hWnd, mem);
    }
    if (HasImage()) {
        skin::Point at = skin::LabelImagePos({width, height}, {m_nImageWidth, m_nImageHeight});
        ::ImageList_Draw(m_imgList.GetSafeHandle(), 0, mem, at.x, at.y, ILD_TRANSPARENT);
    }
    DrawLabelText(mem);
    mem.CopyTo(paint);
}

LRESULT CStaticEx::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_ERASEBKGND:
        return TRUE;
    case WM_SETCURSOR:
        // Answered in every case, so a label without the hand leaves the
        // cursor as it is instead of letting the parent or the class set one.
        if (m_bHandCursor) ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
        return TRUE;
    case WM_SETFONT: {
        // A new base font (another display scale): the label's own font is
        // made from it again on the next paint.
        LRESULT result = CStatic::WindowProc(msg, wParam, lParam);
        m_font.DeleteObject();
        if (LOWORD(lParam)) Invalidate();
        return result;
    }
    default:
        break;
    }
    return CStatic::WindowProc(msg, wParam, lParam);
}

#include "skin/message_box.h"

#include "framework/winapp.h"
#include "res/resource.h"
#include "skin/dpi_scale.h"
#include "skin/keyed_pixel.h"
#include "skin/label_wrap.h"
#include "skin/skin_geometry.h"
#include "skin/skin_image.h"
#include "skin/win_rect.h"

// The portable layout and result rules use the system's box types and results.
static_assert(skin::kMbOk == MB_OK && skin::kMbOkCancel == MB_OKCANCEL && skin::kMbYesNo == MB_YESNO);
static_assert(skin::kIdOk == IDOK && skin::kIdCancel == IDCANCEL && skin::kIdYes == IDYES && skin::kIdNo == IDNO);

namespace {

constexpr int kCaptionHeight = 30;
constexpr int kBorder = 4;

}  // namespace

CMessageBox::CMessageBox() : CDlgEx(IDD_MSGBOX) {}

void CMessageBox::SetContent(int type, const wchar_t* caption, const wchar_t* text, fw::UniqueBitmap background,
                             fw::UniqueBitmap close, fw::UniqueBitmap btn1, fw::UniqueBitmap btn2) {
    m_nType = type;
    m_strCaption = caption ? caption : L"";
    m_strText = text ? text : L"";
    m_bmpBack = std::move(background);
    AdoptBitmap(m_bmpClose, std::move(close));
    AdoptBitmap(m_bmpBtn1, std::move(btn1));
    AdoptBitmap(m_bmpBtn2, std::move(btn2));
}

SIZE CMessageBox::MeasureText(HDC dc) const {
    RECT r{};
    ::DrawTextW(dc, m_strText.c_str(), static_cast<int>(m_strText.size()), &r, DT_CALCRECT);
    return {r.right - r.left, r.bottom - r.top};
}

void CMessageBox::CreateButton(CBtnEx& button, const RECT& rect, UINT id, HBITMAP strip, const wchar_t* label) {
    // The label goes in as the window text: the button copies it into the text
    // it draws when it is subclassed.
    button.Create(label, WS_CHILD | WS_VISIBLE, rect, this, id);
    button.SetImage(strip, TRUE);
    button.Invalidate(TRUE);
}

BOOL CMessageBox::OnInitDialog() {
    CDlgEx::OnInitDialog();
    m_nDpi = fw::WindowDpi(m_hWnd);
    SetCaptionLayout(skin::ScalePx(kCaptionHeight, m_nDpi), skin::ScalePx(kBorder, m_nDpi), 0, 0);
    // The close button is placed against the template's width here; the resize
    // below moves it to the final right edge (CDlgEx's WM_SIZE).
    SetSkin(m_bmpClose, nullptr, std::move(m_bmpBack), FALSE, TRUE);
    SetCaptionText(m_strCaption);

    m_nLines = skin::MessageBoxLineCount(m_strText);
    m_hFont = WindowFont();
    SIZE text{};
    {
        fw::WindowDC dc(m_hWnd);
        fw::ScopedSelect font(dc, m_hFont);
        text = MeasureText(dc);
    }

    const SIZE strip = m_bmpBtn1.GetSize();
    const skin::Size frame{skin::StripFrameWidth(strip.cx, skin::kButtonFrames), strip.cy};
    const skin::Size size = skin::MessageBoxSize({text.cx, text.cy}, m_nLines, frame, m_nDpi);
    // Topmost so that the box stays above every other window. SWP_NOMOVE keeps
    // the position the framework checks to decide that it centres the box.
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOACTIVATE);

    const RECT client = GetClientRect();
    const skin::MessageBoxButtons rects = skin::MessageBoxButtonRects({client.right, client.bottom}, frame, m_nType, m_nDpi);
    const wchar_t* first = L"确定";
    const wchar_t* second = L"取消";
    if (m_nType == skin::kMbYesNo) {
        first = L"是";
        second = L"否";
    }
    CreateButton(m_btn1, ToWin(rects.first), skin::kMsgBoxFirstButtonId, m_bmpBtn1, first);
    if (rects.second) CreateButton(m_btn2, ToWin(*rects.second), skin::kMsgBoxSecondButtonId, m_bmpBtn2, second);
    return TRUE;
}

void CMessageBox::OnPaint() {
    // The dialog's own painting erases with the skin, icon and caption; the
    // text then goes straight onto the window over it.
    DefWindowProc(WM_PAINT, 0, 0);

    fw::WindowDC dc(m_hWnd);
    fw::ScopedSelect font(dc, m_hFont);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, RGB(0, 0, 0));
    const SIZE text = MeasureText(dc);
    const int width = GetClientRect().right;
    int index = 0;
    for (const std::wstring& line : skin::SplitMessageLines(m_strText)) {
        RECT r = ToWin(skin::MessageBoxLineRect(width, {text.cx, text.cy}, m_nLines, index++, m_nDpi));
        ::DrawTextW(dc, line.c_str(), static_cast<int>(line.size()), &r, 0);
    }
}

BOOL CMessageBox::OnCommand(WPARAM wParam, LPARAM lParam) {
    const int id = LOWORD(wParam);
    // An owner-drawn button also reports a double-click; only the click answers.
    if (HIWORD(wParam) == BN_CLICKED && (id == skin::kMsgBoxFirstButtonId || id == skin::kMsgBoxSecondButtonId)) {
        EndDialog(skin::MessageBoxResult(id, m_nType));
        return TRUE;
    }
    return CDlgEx::OnCommand(wParam, lParam);
}

LRESULT CMessageBox::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_CLOSE:
        // The caption close button and Alt+F4 both arrive here.
        EndDialog(IDCANCEL);
        return 0;
    default:
        return CDlgEx::WindowProc(msg, wParam, lParam);
    }
}

int SkinMessageBox(const std::wstring& text, const std::wstring& caption, int type) {
    HINSTANCE inst = AfxGetResourceHandle();
    CMessageBox box;
    // Each button gets a strip of its own; the box frees all four images. The
    // box has no window yet: its skins are drawn for the system's scale.
    const int dpi = fw::SystemDpi();
    box.SetContent(type, caption.c_str(), text.c_str(), LoadPngResource(inst, IDB_SMALL_BK, dpi),
                   LoadPngResource(inst, IDB_CAPT_CLOSE, dpi), LoadPngResource(inst, IDB_SMALL_BTN, dpi),
                   LoadPngResource(inst, IDB_SMALL_BTN, dpi));
    return static_cast<int>(box.DoModal());
}

#include "skin/message_box.h"

#include "framework/winapp.h"
#include "res/resource.h"
#include "skin/dpi_scale.h"
#include "skin/label_wrap.h"
#include "skin/skin_geometry.h"
#include "skin/skin_image.h"
#include "skin/win_rect.h"

// The portable layout and result rules use the system's box types and results.
static_assert(skin::kMbOk == MB_OK && skin::kMbOkCancel == MB_OKCANCEL && skin::kMbYesNo == MB_YESNO);
static_assert(skin::kIdOk == IDOK && skin::kIdCancel == IDCANCEL && skin::kIdYes == IDYES && skin::kIdNo == IDNO);

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

void CMessageBox::PlaceButton(CBtnEx& button, const RECT& rect, UINT id, HBITMAP strip, const wchar_t* label) {
    if (button.m_hWnd) {
        ::SetWindowPos(button.m_hWnd, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        // The label goes in as the window text: the button copies it into the
        // text it draws when it is subclassed.
        button.Create(label, WS_CHILD | WS_VISIBLE, rect, this, id);
    }
    button.SetImage(strip, TRUE);
    button.Invalidate(TRUE);
}

BOOL CMessageBox::OnInitDialog() {
    CDlgEx::OnInitDialog();
    SetCaptionText(m_strCaption);
    m_nLines = skin::MessageBoxLineCount(m_strText);
    LayOut(fw::WindowDpi(m_hWnd), std::move(m_bmpBack));
    return TRUE;
}

void CMessageBox::LayOutForDpi(int dpi) {
    // The images the box was given were drawn for the scale it left.
    const HINSTANCE module = AfxGetResourceHandle();
    AdoptBitmap(m_bmpClose, LoadPngResource(module, IDB_CAPT_CLOSE, dpi));
    AdoptBitmap(m_bmpBtn1, LoadPngResource(module, IDB_SMALL_BTN, dpi));
    AdoptBitmap(m_bmpBtn2, LoadPngResource(module, IDB_SMALL_BTN, dpi));
    LayOut(dpi, LoadPngResource(module, IDB_SMALL_BK, dpi));
}

void CMessageBox::LayOut(int dpi, fw::UniqueBitmap background) {
    m_nDpi = dpi;
    SIZE text{};
    {
        fw::WindowDC dc(m_hWnd);
        fw::ScopedSelect font(dc, WindowFont());
        text = MeasureText(dc);
    }
    const SIZE strip = m_bmpBtn1.GetSize();
    const skin::Size frame{skin::StripFrameWidth(strip.cx, skin::kButtonFrames), strip.cy};
    const skin::Size size = skin::MessageBoxSize({text.cx, text.cy}, m_nLines, frame, dpi);
    // Topmost so that the box stays above every other window. SWP_NOMOVE keeps
    // the position the framework checks to decide that it centres the box.
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOACTIVATE);
    SkinSmallDialog(dpi, m_bmpClose.GetSafeHandle(), std::move(background));

    const RECT client = GetClientRect();
    const skin::MessageBoxButtons rects = skin::MessageBoxButtonRects({client.right, client.bottom}, frame, m_nType, dpi);
    const wchar_t* first = L"确定";
    const wchar_t* second = L"取消";
    if (m_nType == skin::kMbYesNo) {
        first = L"是";
        second = L"否";
    }
    PlaceButton(m_btn1, ToWin(rects.first), skin::kMsgBoxFirstButtonId, m_bmpBtn1, first);
    if (rects.second) PlaceButton(m_btn2, ToWin(*rects.second), skin::kMsgBoxSecondButtonId, m_bmpBtn2, second);
    UseButtonFontForDpi(dpi);
}

void CMessageBox::UseButtonFontForDpi(int dpi) {
    // The display change gave every child the dialog's own font; the buttons
    // keep to the stock one they draw with at the system's scale.
    fw::CFont remade;
    if (dpi != fw::SystemDpi()) {
        LOGFONTW lf{};
        ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf);
        remade = FontForDpi(lf, dpi);
    }
    // No font (NULL): the button falls back to the stock font itself.
    for (CBtnEx* button : {&m_btn1, &m_btn2})
        if (button->m_hWnd)
            ::SendMessageW(button->m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(remade.GetSafeHandle()), TRUE);
    m_buttonFont = std::move(remade);
}

void CMessageBox::OnPaint() {
    // The dialog's own painting erases with the skin, icon and caption; the
    // text then goes straight onto the window over it.
    DefWindowProc(WM_PAINT, 0, 0);

    fw::WindowDC dc(m_hWnd);
    fw::ScopedSelect font(dc, WindowFont());
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

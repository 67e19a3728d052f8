// The launcher's message box for questions and notices: a modal skinned dialog
// with the caption, the text centred as a block of left-aligned lines, and one
// or two image buttons.
#pragma once

#include "skin/btn_ex.h"
#include "skin/dlg_ex.h"

#include <string>

// Shows a modal skinned box with `text` (a line feed starts a new line), the
// caption, and the buttons of `type`: 0 "确定", 1 "确定" and "取消", 4 "是" and
// "否" (any other type behaves as 0). Returns IDOK, IDCANCEL, IDYES or IDNO.
int SkinMessageBox(const std::wstring& text, const std::wstring& caption, int type);

// The box behind SkinMessageBox, built on the IDD_MSGBOX template. It sizes
// itself to its text in OnInitDialog and leaves its position to the framework,
// which centres it over its owner (or in the work area); moved to a display of
// another scale, it lays itself out again there. Enter and Esc do not close
// it; the buttons (ids 5000 and 5001), the caption close button and WM_CLOSE
// do.
class CMessageBox : public CDlgEx {
public:
    ~CMessageBox() override { DestroyOwnWindow(); }  // window lifetime rule: framework/wnd.h
    CMessageBox();

    // Type, caption and text (copied; nullptr gives an empty string) and the
    // images, all taken over by the box: the background goes on to the skinned
    // base, the close and button strips are freed with the box. Any image may
    // be NULL; that part is then left undrawn. The images are drawn for the
    // scale the box shows at; at a display change it loads its own.
    void SetContent(int type, const wchar_t* caption, const wchar_t* text, fw::UniqueBitmap background,
                    fw::UniqueBitmap close, fw::UniqueBitmap btn1, fw::UniqueBitmap btn2);

    int m_nType = 0;   // 0 OK, 1 OK/Cancel, 4 Yes/No; others behave as 0
    int m_nLines = 1;  // 1 + the line feeds of m_strText, counted in OnInitDialog
    int m_nDpi = 96;   // the display scale the box is laid out for
    std::wstring m_strText;
    std::wstring m_strCaption;
    CBtnEx m_btn1;  // id 5000
    CBtnEx m_btn2;  // id 5001, types 1 and 4 only

protected:
    BOOL OnInitDialog() override;
    // Reloads the images at the new scale and lays the box out with them.
    void LayOutForDpi(int dpi) override;
    // Enter and Esc reach these through the dialog manager; the box ignores them.
    void OnOK() override {}
    void OnCancel() override {}
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    // Size from the text measured in the window's font, caption band and
    // skins, buttons: everything for `dpi`, with the strips in the members
    // and this background.
    void LayOut(int dpi, fw::UniqueBitmap background);
    // The whole text measured in dc's font with DT_CALCRECT (line feeds break).
    SIZE MeasureText(HDC dc) const;
    // Creates the button, or moves a button made before, with one frame of its strip.
    void PlaceButton(CBtnEx& button, const RECT& rect, UINT id, HBITMAP strip, const wchar_t* label);
    // The buttons draw their labels in the stock GUI font when given no font
    // (at the system's scale); at another scale they get it made for that one.
    void UseButtonFontForDpi(int dpi);
    void OnPaint();

    fw::UniqueBitmap m_bmpBack;  // until OnInitDialog hands it to SetSkin
    CBitmap m_bmpClose;  // the caption close strip (the button keeps a copy)
    CBitmap m_bmpBtn1;
    CBitmap m_bmpBtn2;
    fw::CFont m_buttonFont;  // the buttons' font away from the system's scale
};

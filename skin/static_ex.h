// CStaticEx: the skinned label. Its text is drawn transparently over a copy of
// the parent's skin and wrapped character by character to the label's width,
// with an optional small image at its left, an optional hand cursor and an
// optional underlined font, so that it can also serve as a link.
#pragma once

#include "framework/controls.h"

#include <string>

class CStaticEx : public CStatic {
public:
    ~CStaticEx() override { DestroyOwnWindow(); }  // window lifetime rule: framework/wnd.h
    // Owners set these after construction and before the first paint; the font
    // fields only count until the label's font has been made (its first paint).
    std::wstring m_strText;       // drawn text; owners may assign it and invalidate
    int m_nFontWidth = 0;         // not 0: replaces lfWidth
    int m_nFontWeight = -1;       // not -1: replaces lfWeight
    int m_nFontHeight = 0;        // not 0: replaces lfHeight
    BOOL m_bHandCursor = FALSE;
    BOOL m_bUnderline = FALSE;
    CFont m_font;                 // made once from the settings above
    COLORREF m_crText = RGB(0, 0, 0);
    int m_nLineGap = 3;           // extra pixels between wrapped lines
    CImageList m_imgList;         // the label's image as a one-frame list
    int m_nImageWidth = 0;        // 0: no image
    int m_nImageHeight = 0;

    // Copies the image into a one-frame image list (the caller keeps the
    // bitmap). FALSE when there is nothing to show.
    BOOL SetImage(HBITMAP image);

    // Draws m_strText into dc (the label's off-screen DC).
    virtual void DrawLabelText(HDC dc);

protected:
    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void OnPaint();
    bool HasImage() const { return m_nImageWidth != 0 && m_imgList; }
    // The label's font, made on first use.
    HFONT LabelFont();
};

// CBtnEx: the launcher's push button. Owner-drawn from one frame of a
// four-frame state strip (normal, hover, pressed, disabled) over a copy of the
// parent's skin, with optional centred text.
#pragma once

#include "framework/controls.h"

#include <string>

class CBtnEx : public CButton {
public:
    ~CBtnEx() override { DestroyOwnWindow(); }  // window lifetime rule: framework/wnd.h
    BOOL m_bTracking = FALSE;  // hover/leave tracking requested and not yet ended
    BOOL m_bHover = FALSE;     // set by WM_MOUSEHOVER, cleared by WM_MOUSELEAVE
    RECT m_rcWindow{};         // window rectangle as last stored: the drawing size
    std::wstring m_strText;    // drawn text; owners may assign it and invalidate
    COLORREF m_crText = RGB(0, 0, 0);
    CImageList m_imgList;      // the strip's four frames
    BOOL m_bPressed = FALSE;   // pressed latch: set when a pressed face is drawn, cleared on button up

    // Builds the image list from the strip (the caller keeps the bitmap); with
    // resize, the window becomes one frame big. Stores the window rectangle.
    BOOL SetImage(HBITMAP strip, BOOL resize);
    void StoreWindowRect();

    void DrawItem(DRAWITEMSTRUCT* item) override;

protected:
    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void DrawFrame(HDC dc, int frame, int width, int height) const;
};

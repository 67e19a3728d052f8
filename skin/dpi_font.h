// The font a dialog's template gave it, made again for the display scale the
// dialog is shown at. The dialog manager makes a template's font at the
// system's DPI when it creates the dialog; a window shown on, or moved to, a
// display of another DPI draws its texts with this font instead (Font()), and
// its child controls are handed it by WM_SETFONT.
#pragma once

#include "framework/gdi.h"

#include <windows.h>

// A font described for the system's DPI (`atSystemDpi`), made for a display
// of `dpi`: its height and width scaled. Empty when it cannot be made.
fw::CFont FontForDpi(LOGFONTW atSystemDpi, int dpi);

class DpiFont {
public:
    // Makes the font for `dpi` and gives it to the child controls of `wnd`,
    // when that is not the DPI of the font they have. The first call takes the window's present
    // font as the one made at the system's DPI. Back at that DPI the window
    // gets its original font again.
    void Apply(HWND wnd, int dpi);
    // The DPI the window's font is made for; 0 before the first Apply.
    int Dpi() const { return m_dpi; }
    // The font the window itself draws with. A dialog answers WM_GETFONT with
    // its template's font whatever it is sent later, so owners draw with this.
    HFONT Font(HWND wnd) const {
        return m_font.GetSafeHandle() ? m_font.GetSafeHandle()
                                      : reinterpret_cast<HFONT>(::SendMessageW(wnd, WM_GETFONT, 0, 0));
    }

private:
    HFONT m_original = nullptr;  // the dialog manager's, not ours to free
    LOGFONTW m_base{};
    int m_dpi = 0;
    fw::CFont m_font;  // the remade font, while one is in use
};

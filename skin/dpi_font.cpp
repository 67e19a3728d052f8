#include "skin/dpi_font.h"

#include "framework/wnd.h"
#include "skin/dpi_scale.h"

fw::CFont FontForDpi(LOGFONTW atSystemDpi, int dpi) {
    const int systemDpi = fw::SystemDpi();
    atSystemDpi.lfHeight = skin::ScaleFontHeight(atSystemDpi.lfHeight, systemDpi, dpi);
    atSystemDpi.lfWidth = skin::ScaleFontHeight(atSystemDpi.lfWidth, systemDpi, dpi);
    fw::CFont font;
    font.CreateFontIndirect(atSystemDpi);
    return font;
}

void DpiFont::Apply(HWND wnd, int dpi) {
    if (!wnd) return;
    if (m_dpi == 0) {
        m_original = reinterpret_cast<HFONT>(::SendMessageW(wnd, WM_GETFONT, 0, 0));
        if (!m_original || !::GetObjectW(m_original, sizeof m_base, &m_base)) {
            m_original = nullptr;
            return;  // the system font: the system scales it itself
        }
        m_dpi = fw::SystemDpi();
    }
    if (dpi <= 0 || dpi == m_dpi) return;

    fw::CFont remade;
    HFONT font = m_original;
    if (dpi != fw::SystemDpi()) {
        remade = FontForDpi(m_base, dpi);
        if (!remade.GetSafeHandle()) return;
        font = remade;
    }
    for (HWND child = ::GetWindow(wnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    // Every control holds the new font now; the one made before may go.
    m_font = std::move(remade);
    m_dpi = dpi;
    ::RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

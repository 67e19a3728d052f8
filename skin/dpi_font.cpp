#include "skin/dpi_font.h"

#include "framework/wnd.h"
#include "skin/dpi_scale.h"

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
        LOGFONTW lf = m_base;
        lf.lfHeight = skin::ScaleFontHeight(m_base.lfHeight, fw::SystemDpi(), dpi);
        lf.lfWidth = skin::ScaleFontHeight(m_base.lfWidth, fw::SystemDpi(), dpi);
        if (!remade.CreateFontIndirect(lf)) return;
        font = remade;
    }
    for (HWND child = ::GetWindow(wnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    // Every control holds the new font now; the one made before may go.
    m_font = std::move(remade);
    m_dpi = dpi;
    ::RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

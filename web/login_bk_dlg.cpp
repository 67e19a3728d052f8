#include "web/login_bk_dlg.h"

#include "app/launcher_ids.h"
#include "framework/winapp.h"
#include "net/operator_site_win.h"
#include "res/resource.h"
#include "skin/skin_image.h"

#include <windowsx.h>

CLoginBkDlg::CLoginBkDlg(CWnd* parent)
    : CDialog(IDD_LOGIN, parent),
      m_hIcon(::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDI_APP))),
      m_dlgLogin(site::LobbyLoginUrl(CurrentSite())) {}

// DoModal has destroyed the window, and the owned windows with it, unless the
// object goes while it is still shown.
CLoginBkDlg::~CLoginBkDlg() { DestroyWindow(); }

BOOL CLoginBkDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    ::SetWindowTextW(m_hWnd, kGameTitle);

    m_bmpBackground = LoadPngResourceWithAlpha(AfxGetResourceHandle(), IDB_LOGIN_BK);
    SIZE size = CBitmap::BitmapSize(m_bmpBackground.get());
    m_nWidth = size.cx;
    m_nHeight = size.cy;
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, m_nWidth, m_nHeight, SWP_NOMOVE | SWP_NOACTIVATE);
    PaintLayered();

    m_dlgMenu.Create(IDD_LINKBAR, this);
    m_dlgLogin.Create(IDD_LOGIN, this);
    ModifyStyle(0, WS_MINIMIZEBOX);
    return FALSE;
}

// The image's own alpha decides, pixel by pixel, how much of the desktop
// shows through; the system keeps the picture, so there is no WM_PAINT work.
void CLoginBkDlg::PaintLayered() {
    if (!m_bmpBackground) return;
    fw::WindowDC windowDC(m_hWnd);
    fw::MemDC mem(windowDC);
    fw::ScopedSelect select(mem, m_bmpBackground.get());
    if (!(::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE) & WS_EX_LAYERED)) ModifyStyleEx(0, WS_EX_LAYERED);
    RECT rc = GetWindowRect();
    POINT dst{rc.left, rc.top};
    SIZE size{m_nWidth, m_nHeight};
    POINT src{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ::UpdateLayeredWindow(m_hWnd, windowDC, &dst, &size, mem, &src, 0, &blend, ULW_ALPHA);
}

void CLoginBkDlg::PlaceOwnedWindows(int x, int y) {
    auto place = [x, y](HWND wnd, const RECT& rc) {
        if (wnd)
            ::MoveWindow(wnd, x + rc.left, y + rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
    };
    place(m_dlgMenu.m_hWnd, kLinkBarRect);
    place(m_dlgLogin.m_hWnd, kLoginRect);
}

void CLoginBkDlg::ShowOwnedWindows(bool show) {
    for (HWND wnd : {m_dlgMenu.m_hWnd, m_dlgLogin.m_hWnd})
        if (wnd) ::ShowWindow(wnd, show ? SW_SHOW : SW_HIDE);
}

BOOL CLoginBkDlg::PreTranslateMessage(MSG* msg) {
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN) return TRUE;
    return CDialog::PreTranslateMessage(msg);
}

LRESULT CLoginBkDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_LBUTTONDOWN: {
        LRESULT result = CDialog::WindowProc(msg, wParam, lParam);
        // Any pixel is the caption. Non-client messages take screen points.
        POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ::ClientToScreen(m_hWnd, &pt);
        ::SendMessageW(m_hWnd, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(pt.x, pt.y));
        return result;
    }
    case WM_WINDOWPOSCHANGED: {
        LRESULT result = CDialog::WindowProc(msg, wParam, lParam);
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
        if (pos->flags & SWP_NOMOVE) {
            RECT rc = GetWindowRect();
            PlaceOwnedWindows(rc.left, rc.top);
        } else {
            PlaceOwnedWindows(pos->x, pos->y);
        }
        return result;
    }
    case WM_SIZE:
        // Windows hides and shows owned pop-ups with a minimised owner by
        // itself; not every platform does (Wine does not), so say it here.
        if (wParam == SIZE_MINIMIZED) ShowOwnedWindows(false);
        if (wParam == SIZE_RESTORED && ::IsWindowVisible(m_hWnd)) ShowOwnedWindows(true);
        return CDialog::WindowProc(msg, wParam, lParam);
    case WM_SHOWWINDOW: {
        LRESULT result = CDialog::WindowProc(msg, wParam, lParam);
        ShowOwnedWindows(wParam != FALSE);
        return result;
    }
    default:
        return CDialog::WindowProc(msg, wParam, lParam);
    }
}

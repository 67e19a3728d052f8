#include "web/login_bk_dlg.h"

#include "core/launcher_ids.h"
#include "framework/winapp.h"
#include "net/operator_site_win.h"
#include "res/resource.h"
#include "skin/dpi_scale.h"
#include "skin/skin_image.h"
#include "web/login_frame_messages.h"

#include <windowsx.h>

namespace {

// Posted to the frame: put the owned windows back above it once the show,
// restore or focus change that is under way has been made.
constexpr UINT kMsgRaiseOwned = WM_APP + 1;
// Posted to the frame by its initialisation: make the link bar and the login
// window, once the frame shows.
constexpr UINT kMsgCreateOwned = WM_APP + 4;

}  // namespace

CLoginBkDlg::CLoginBkDlg(CLoginTarget& pages, CWnd* parent, PrefetchedPng* background)
    : CDialog(IDD_LOGIN, parent),
      m_hIcon(::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDI_APP))),
      m_dlgLogin(site::LobbyLoginUrl(CurrentSite()), pages),
      m_pages(pages),
      m_background(background) {
    // A picture with nothing inside: it shows before the common controls'
    // library loads, which the link bar then does.
    m_bUsesCommonControls = false;
}

// DoModal has destroyed the window, and the owned windows with it, unless the
// object goes while it is still shown.
CLoginBkDlg::~CLoginBkDlg() { DestroyWindow(); }

BOOL CLoginBkDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    ::SetWindowTextW(m_hWnd, kGameTitle);

    LoadBackground(fw::WindowDpi(m_hWnd));
    // Sized and placed before the picture goes in: a layered window this
    // large copies its whole picture on every later move.
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, m_nWidth, m_nHeight, SWP_NOMOVE | SWP_NOACTIVATE);
    CenterWindow();
    PaintLayered();
    ModifyStyle(0, WS_MINIMIZEBOX);
    return FALSE;
}

void CLoginBkDlg::CreateOwnedWindows() {
    // The icons only matter once there is a taskbar button, and handing them
    // to the window system is not free.
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    if (!m_dlgMenu.m_hWnd) m_dlgMenu.Create(IDD_LINKBAR, this);
    if (!m_dlgLogin.m_hWnd) m_dlgLogin.Create(IDD_LOGIN, this);
    RECT rc = GetWindowRect();
    PlaceOwnedWindows(rc.left, rc.top);
    if (::IsWindowVisible(m_hWnd) && !::IsIconic(m_hWnd)) {
        ShowOwnedWindows(true);
        RaiseOwnedWindows();
    }
}

void CLoginBkDlg::EndLogin(int result, bool handedOver) {
    // Once a page is handed over the login has succeeded, whatever else
    // asks to end it before its loop is over.
    if (m_bHandedOver) return;
    m_bHandedOver = handedOver;
    EndDialog(result);
}

void CLoginBkDlg::OnCancel() { EndLogin(IDCANCEL, false); }

void CLoginBkDlg::LoadBackground(int dpi) {
    m_nDpi = dpi;
    // The picture decoded ahead at start-up serves when it was drawn for this
    // display; otherwise (or after a move to another display) it is made here.
    if (m_background && m_background->Dpi() == dpi)
        m_bmpBackground = m_background->Take();
    else
        m_bmpBackground = LoadPngResourceWithAlpha(AfxGetResourceHandle(), IDB_LOGIN_BK, dpi);
    m_background = nullptr;
    SIZE size = CBitmap::BitmapSize(m_bmpBackground.get());
    m_nWidth = size.cx;
    m_nHeight = size.cy;
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
    auto place = [x, y, dpi = m_nDpi](HWND wnd, const RECT& design) {
        const skin::Rect rc = skin::ScaleRect({design.left, design.top, design.right, design.bottom}, dpi);
        if (wnd) ::MoveWindow(wnd, x + rc.left, y + rc.top, rc.width(), rc.height(), TRUE);
    };
    place(m_dlgMenu.m_hWnd, kLinkBarRect);
    place(m_dlgLogin.m_hWnd, kLoginRect);
}

void CLoginBkDlg::ShowOwnedWindows(bool show) {
    for (HWND wnd : {m_dlgMenu.m_hWnd, m_dlgLogin.m_hWnd})
        if (wnd) ::ShowWindow(wnd, show ? SW_SHOW : SW_HIDE);
}

namespace {

// A show, a restore or a change of place in the stacking order, as opposed to
// a plain move or resize.
bool ChangesStacking(const WINDOWPOS& pos) {
    return !(pos.flags & SWP_NOZORDER) || (pos.flags & (SWP_SHOWWINDOW | SWP_FRAMECHANGED));
}

}  // namespace

// The owned windows must lie above the frame on the screen, not only in the
// window list. Windows keeps them there by itself. Wine's X11 driver restacks
// a display window only when its window becomes the top of the list, and it
// raises the frame's display window over everything whenever the frame (or
// anything in it) takes the focus: at the first show, at a restore and at
// every click on the frame. That buries the link bar and the page. Putting
// them at the top of the topmost band again after each of those raises them
// on the display too; on Windows it changes nothing.
void CLoginBkDlg::RaiseOwnedWindows() {
    for (HWND wnd : {m_dlgLogin.m_hWnd, m_dlgMenu.m_hWnd})
        if (wnd) ::SetWindowPos(wnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void CLoginBkDlg::MinimizeLogin() {
    // A further login (pages already open) has a main window to return to.
    if (m_pages.GetPageCount() > 0)
        EndLogin(IDCANCEL, false);
    else
        ::ShowWindow(m_hWnd, SW_MINIMIZE);
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
        if (ChangesStacking(*pos)) ::PostMessageW(m_hWnd, kMsgRaiseOwned, 0, 0);
        return result;
    }
    case WM_ACTIVATE:
    case WM_SETFOCUS:
        // The frame's raise on the display comes with the focus change, which
        // is not over yet; the owned windows are raised from the queue, after
        // it.
        if (msg == WM_SETFOCUS || LOWORD(wParam) != WA_INACTIVE) ::PostMessageW(m_hWnd, kMsgRaiseOwned, 0, 0);
        return CDialog::WindowProc(msg, wParam, lParam);
    case WM_LOGIN_MINIMIZE:
        MinimizeLogin();
        return 0;
    case WM_LOGIN_END:
        EndLogin(static_cast<int>(wParam), lParam == kLoginHandedOver);
        return 0;
    case kMsgCreateOwned:
        CreateOwnedWindows();
        return 0;
    case WM_DPICHANGED: {
        // Moved to a display of another scale: the frame is drawn again at
        // that scale where the system suggests; the move places the owned
        // windows, which get the same message and lay themselves out.
        LoadBackground(HIWORD(wParam));
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        ::SetWindowPos(m_hWnd, nullptr, suggested->left, suggested->top, m_nWidth, m_nHeight,
                       SWP_NOZORDER | SWP_NOACTIVATE);
        PaintLayered();
        return 0;
    }
    case kMsgRaiseOwned:
        if (::IsWindowVisible(m_hWnd) && !::IsIconic(m_hWnd)) RaiseOwnedWindows();
        return 0;
    case WM_SIZE:
        // Windows hides and shows owned pop-ups with a minimised owner by
        // itself; not every platform does (Wine does not), so say it here.
        if (wParam == SIZE_MINIMIZED) ShowOwnedWindows(false);
        if (wParam == SIZE_RESTORED && ::IsWindowVisible(m_hWnd)) ShowOwnedWindows(true);
        return CDialog::WindowProc(msg, wParam, lParam);
    case WM_SHOWWINDOW: {
        LRESULT result = CDialog::WindowProc(msg, wParam, lParam);
        ShowOwnedWindows(wParam != FALSE);
        // The link bar and the login window come once the frame is on the
        // screen: the login window's browser control (with the libraries it
        // loads) and the bar's six button strips are most of what a login
        // screen costs, and the player sees the frame meanwhile. A frame made
        // ahead of its run makes nothing of them while it waits unshown.
        if (wParam && !m_bOwnedWindowsAsked) {
            m_bOwnedWindowsAsked = true;
            ::PostMessageW(m_hWnd, kMsgCreateOwned, 0, 0);
        }
        return result;
    }
    default:
        return CDialog::WindowProc(msg, wParam, lParam);
    }
}

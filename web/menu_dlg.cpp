#include "web/menu_dlg.h"

#include "core/launcher_ids.h"
#include "framework/winapp.h"
#include "net/operator_site_win.h"
#include "res/resource.h"
#include "skin/dpi_scale.h"
#include "skin/message_box.h"
#include "skin/skin_image.h"
#include "web/login_frame_messages.h"

#include <shellapi.h>

#include <iterator>
#include <vector>

namespace {

constexpr const wchar_t* kAskCloseLogin = L"窗口即将关闭，确定要退出游戏？";

// Each button in design pixels: its top-left corner where template 127's
// dialog units put it at 100 % (base units 6 x 13), its size one frame of its
// strip. The template does not place the buttons itself, since its units grow
// with the system font, not with the pictures: at 150 % they would spread the
// buttons over the page.
struct ButtonSkin {
    CBtnEx CMenuDlg::*button;
    int id;
    UINT strip;
    skin::Rect design;
};

constexpr ButtonSkin kButtons[] = {
    {&CMenuDlg::m_btnExit, IDC_BTN_LINK_CLOSE, IDB_LINK_CLOSE, {524, 0, 524 + 21, 21}},
    {&CMenuDlg::m_btnMinimize, IDC_BTN_LINK_MIN, IDB_LINK_MIN, {506, 2, 506 + 18, 2 + 18}},
    {&CMenuDlg::m_btnSite, IDC_BTN_LINK_SITE, IDB_LINK_SITE, {0, 34, 113, 34 + 41}},
    {&CMenuDlg::m_btnRecharge, IDC_BTN_LINK_RECHARGE, IDB_LINK_RECHARGE, {137, 34, 137 + 113, 34 + 41}},
    {&CMenuDlg::m_btnService, IDC_BTN_LINK_SERVICE, IDB_LINK_SERVICE, {275, 34, 275 + 113, 34 + 41}},
    {&CMenuDlg::m_btnForum, IDC_BTN_LINK_FORUM, IDB_LINK_FORUM, {411, 34, 411 + 113, 34 + 41}},
};

}  // namespace

CMenuDlg::CMenuDlg() : CDialog(IDD_LINKBAR), m_hIcon(::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDI_APP))) {}

CMenuDlg::~CMenuDlg() { DestroyWindow(); }

std::wstring CMenuDlg::LinkAddress(int id) {
    const site::OperatorSite& s = CurrentSite();
    switch (id) {
    case IDC_BTN_LINK_SITE:
        return site::GameRootUrl(s);
    case IDC_BTN_LINK_RECHARGE:
        return site::RechargeUrl(s);
    case IDC_BTN_LINK_SERVICE:
        return site::UserCentreUrl(s);
    case IDC_BTN_LINK_FORUM:
        return site::ForumUrl(s);
    default:
        return {};
    }
}

void CMenuDlg::DoDataExchange() {
    for (const ButtonSkin& b : kButtons) DDX_Control(b.id, this->*b.button);
}

BOOL CMenuDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_brKey.reset(::CreateSolidBrush(kColorKey));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    ::SetWindowTextW(m_hWnd, kGameTitle);
    ModifyStyleEx(WS_EX_APPWINDOW, WS_EX_TOOLWINDOW);
    if (!(::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE) & WS_EX_LAYERED)) ModifyStyleEx(0, WS_EX_LAYERED);
    // Key-coloured pixels are fully transparent and let clicks through.
    ::SetLayeredWindowAttributes(m_hWnd, kColorKey, 0, LWA_COLORKEY);
    LayOutButtons(fw::WindowDpi(m_hWnd));
    return FALSE;
}

void CMenuDlg::LayOutButtons(int dpi) {
    // The close and minimise buttons touch, and keep touching at every scale.
    std::vector<skin::Rect> design;
    for (const ButtonSkin& b : kButtons) design.push_back(b.design);
    const std::vector<skin::Rect> places = skin::ScaleTouchingRow(design, dpi);
    for (size_t i = 0; i < std::size(kButtons); ++i) {
        CBtnEx& button = this->*kButtons[i].button;
        // The button keeps its image list; the strip is only read.
        fw::UniqueBitmap strip = LoadPngResource(AfxGetResourceHandle(), kButtons[i].strip, dpi);
        ::SetWindowPos(button, nullptr, places[i].left, places[i].top, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        button.SetImage(strip.get(), TRUE);
    }
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

BOOL CMenuDlg::PreTranslateMessage(MSG* msg) {
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN) return TRUE;
    return CDialog::PreTranslateMessage(msg);
}

LRESULT CMenuDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORMSGBOX:
        CDialog::WindowProc(msg, wParam, lParam);
        return reinterpret_cast<LRESULT>(m_brKey.get());
    case WM_DPICHANGED:
        // The frame places and sizes this window; only the buttons are ours.
        LayOutButtons(HIWORD(wParam));
        return 0;
    default:
        return CDialog::WindowProc(msg, wParam, lParam);
    }
}

void CMenuDlg::OnExit() {
    if (SkinMessageBox(kAskCloseLogin, kGameTitle, MB_YESNO) != IDYES) return;
    ::SendMessageW(::GetParent(m_hWnd), WM_LOGIN_END, IDCANCEL, 0);
}

void CMenuDlg::OnMinimize() { ::SendMessageW(::GetParent(m_hWnd), WM_LOGIN_MINIMIZE, 0, 0); }

BOOL CMenuDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    const int id = LOWORD(wParam);
    switch (id) {
    case IDC_BTN_LINK_CLOSE:
        OnExit();
        return TRUE;
    case IDC_BTN_LINK_MIN:
        OnMinimize();
        return TRUE;
    case IDC_BTN_LINK_SITE:
    case IDC_BTN_LINK_RECHARGE:
    case IDC_BTN_LINK_SERVICE:
    case IDC_BTN_LINK_FORUM:
        // Only http and https addresses built from the operator's hosts.
        ::ShellExecuteW(nullptr, L"open", LinkAddress(id).c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
        return TRUE;
    default:
        return CDialog::OnCommand(wParam, lParam);
    }
}

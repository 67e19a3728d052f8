#include "mainwnd/launcher_dlg.h"

#include "bosskey/boss_key.h"
#include "bosskey/setting_dlg.h"
#include "core/launcher_ids.h"
#include "framework/winapp.h"
#include "mainwnd/cache.h"
#include "mainwnd/launcher_windows.h"
#include "mainwnd/mute.h"
#include "res/resource.h"
#include "skin/dpi_scale.h"
#include "skin/message_box.h"
#include "skin/skin_image.h"
#include "skin/tab_ctrl.h"
#include "web/login_bk_dlg.h"

#include <shellapi.h>
#include <windowsx.h>

CLoginBkDlg* g_pLoginBk = nullptr;

namespace {

constexpr UINT kTrayIconId = 1;
constexpr UINT kStripTimerMs = 400;
constexpr UINT kScriptBoxTimerMs = 130;
constexpr int kMaxPages = 3;
constexpr std::size_t kMaxNotified = 10;

constexpr const wchar_t* kAskQuit = L"窗口即将关闭，确定要退出游戏？";
constexpr const wchar_t* kTooManyPages = L"当前窗体只支持3个游戏页";
constexpr const wchar_t* kCacheCleared = L"缓存清除完毕！";
constexpr const wchar_t* kNoUpdate = L"已经是最新版本，无需进行更新";
constexpr const wchar_t* kUpdateFailed = L"更新版本失败，请稍后重试";
// Titles of the browser's script message boxes.
constexpr const wchar_t* kScriptBoxTitles[] = {L"来自网页的消息", L"Windows Internet Explorer",
                                               L"Microsoft Internet Explorer"};

struct ControlPlace {
    int id;
    int right;  // distance of the left edge from the client's right edge
    int top, width, height;
};
// The caption band's controls, placed from the right edge on every width change.
constexpr ControlPlace kCaptionControls[] = {
    {IDC_BTN_HIDE, 114, 0, 27, 27},       {IDC_BTN_MUTE, 141, 0, 27, 27},
    {IDC_BTN_SYSTEM, 185, 0, 44, 28},     {IDC_BTN_HALL, 264, 0, 79, 28},
    {IDC_ST_ADD_ACCOUNT, 325, 7, 56, 16},
};

void HideWindow(HWND wnd) {
    if (wnd) ::ShowWindow(wnd, SW_HIDE);
}

}  // namespace

int MinMainWindowWidth(int pageCount) { return 457 + 189 * pageCount; }

CLauncherDlg::CLauncherDlg(CGamePageSet& pages, SelfUpdate& update, CWnd* parent)
    : CDlgEx(IDD_MAIN, parent),
      m_pages(pages),
      m_update(update),
      m_hIcon(::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDI_APP))) {}

CLauncherDlg::~CLauncherDlg() {
    DestroyOwnWindow();
    RemoveTrayIcon();
}

void CLauncherDlg::DoDataExchange() {
    DDX_Control(IDC_BTN_HIDE, m_btnHide);
    DDX_Control(IDC_BTN_SYSTEM, m_btnSystem);
    DDX_Control(IDC_BTN_MUTE, m_btnMute);
    DDX_Control(IDC_TAB_PAGES, m_pages.Tabs());
    DDX_Control(IDC_ST_ADD_ACCOUNT, m_stAddAccount);
    DDX_Control(IDC_BTN_HALL, m_btnHall);
}

BOOL CLauncherDlg::OnInitDialog() {
    CDlgEx::OnInitDialog();
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    m_osvi.dwOSVersionInfoSize = sizeof m_osvi;
    ::GetVersionExW(&m_osvi);
    RegisterBossKey(m_hWnd);

    SetUpControls();
    m_pages.AddTabsForNewPages();
    AddTrayIcon();

    m_hMutex.reset(::CreateMutexW(nullptr, TRUE, kInstanceMutexName));
    ::SetTimer(m_hWnd, kTimerStrips, kStripTimerMs, nullptr);
    // The notice waits until the main window and its first page are up.
    if (m_nNoticeDelayMs) ::SetTimer(m_hWnd, kTimerNotice, m_nNoticeDelayMs, nullptr);
    return TRUE;
}

void CLauncherDlg::SetUpControls() {
    ModifyStyle(0, WS_CLIPCHILDREN);
    SetCaptionText(kGameTitle);
    m_nDpi = fw::WindowDpi(m_hWnd);
    m_pages.SetDisplayScale(m_nDpi);
    LoadFrameSkins();
    m_bResizable = TRUE;
    OnBtnMax();

    m_btnSystem.m_crText = RGB(255, 255, 255);
    m_stAddAccount.ModifyStyle(0, SS_NOTIFY);
    m_stAddAccount.m_bHandCursor = TRUE;
    m_stAddAccount.m_bUnderline = TRUE;
    m_stAddAccount.m_crText = RGB(255, 255, 255);
    LoadControlSkins();
    m_pages.Tabs().ModifyStyle(0, TCS_BUTTONS | TCS_FIXEDWIDTH | TCS_OWNERDRAWFIXED | TCS_FOCUSNEVER);
    m_pages.Tabs().m_nTextFormat = DT_VCENTER | DT_SINGLELINE;
    // The maximise above ran before the controls had their sizes.
    PlaceCaptionControls(GetClientRect().right);
}

int CLauncherDlg::Px(int design) const { return skin::ScalePx(design, m_nDpi); }

void CLauncherDlg::LoadFrameSkins() {
    SetCaptionLayout(Px(kCaptionBandHeight), Px(kFrameBorder), 0, 0);
    const HINSTANCE module = AfxGetResourceHandle();
    const int dpi = m_nDpi;
    AdoptBitmap(m_bmpCaptClose, LoadPngResource(module, IDB_CAPT_CLOSE, dpi));
    AdoptBitmap(m_bmpCaptMin, LoadPngResource(module, IDB_CAPT_MIN, dpi));
    SetSkin(m_bmpCaptClose, m_bmpCaptMin, LoadPngResource(module, IDB_MAIN_BK, dpi), FALSE, TRUE,
            LoadPngResource(module, IDB_CAPT_MAX, dpi), LoadPngResource(module, IDB_CAPT_RESTORE, dpi));
}

void CLauncherDlg::LoadControlSkins() {
    const HINSTANCE module = AfxGetResourceHandle();
    auto load = [module, dpi = m_nDpi](CBitmap& bmp, UINT id) { AdoptBitmap(bmp, LoadPngResource(module, id, dpi)); };
    load(m_bmpHide, IDB_BTN_HIDE);
    load(m_bmpSoundOn, IDB_SOUND_ON);
    load(m_bmpSoundOff, IDB_SOUND_OFF);
    load(m_bmpSystem, IDB_BTN_SYSTEM);
    load(m_bmpHallOff, IDB_HALL_OFF);
    load(m_bmpHallOn, IDB_HALL_ON);
    m_btnHide.SetImage(m_bmpHide, TRUE);
    // The strips the mute and hall buttons show now (UpdateStrips switches them).
    m_btnMute.SetImage(m_nMuteApplied == TRUE ? m_bmpSoundOff : m_bmpSoundOn, TRUE);
    m_btnSystem.SetImage(m_bmpSystem, TRUE);
    m_btnHall.SetImage(m_bHallShown ? m_bmpHallOn : m_bmpHallOff, TRUE);
    load(m_bmpAddAccount, IDB_ADD_ACCOUNT);
    m_stAddAccount.SetImage(m_bmpAddAccount);

    load(m_bmpTabs, IDB_TAB);
    load(m_bmpTabClose, IDB_TAB_CLOSE);
    m_pages.Tabs().SetImages(m_bmpTabs, m_bmpTabClose);
    m_pages.Tabs().m_nTextLeft = Px(28);
    m_pages.Tabs().m_nTextRight = Px(13);
}

void CLauncherDlg::OnDpiChanged(int dpi, const RECT& suggested) {
    m_nDpi = dpi;
    UseFontForDpi(dpi);
    m_pages.SetDisplayScale(dpi);
    LoadFrameSkins();
    SetMaxBtnImage(m_bMaximized);
    LoadControlSkins();
    m_pages.PlaceTabStrip();
    // A maximised window stays as it is; another takes the size the system
    // suggests for the new display.
    if (!m_bMaximized)
        ::SetWindowPos(m_hWnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                       suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateWindowRegion();
    PlaceCaptionControls(GetClientRect().right);
    m_pages.LayoutPages();
    if (m_pages.Hall().m_hWnd) m_pages.LayoutHallPage();
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void CLauncherDlg::AddTrayIcon() {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = m_hWnd;
    data.uID = kTrayIconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WM_TRAY_CALLBACK;
    data.hIcon = m_hIcon;
    wcsncpy_s(data.szTip, kGameTitle, _TRUNCATE);
    m_bTrayIcon = ::Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
}

void CLauncherDlg::RemoveTrayIcon() {
    if (!m_bTrayIcon) return;
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = m_hWnd;
    data.uID = kTrayIconId;
    ::Shell_NotifyIconW(NIM_DELETE, &data);
    m_bTrayIcon = false;
}

BOOL CLauncherDlg::PreTranslateMessage(MSG* msg) {
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE) return TRUE;
    return CDlgEx::PreTranslateMessage(msg);
}

void CLauncherDlg::OnCancel() {
    if (SkinMessageBox(kAskQuit, kGameTitle, MB_YESNO) != IDYES) return;
    EndDialog(IDCANCEL);
    QuitLauncher();
}

BOOL CLauncherDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    // Buttons and the label (STN_CLICKED has the same code) report clicks only.
    if (HIWORD(wParam) == BN_CLICKED && lParam) {
        switch (LOWORD(wParam)) {
        case IDC_BTN_HIDE:
            ToggleVisible(FALSE);
            return TRUE;
        case IDC_BTN_SYSTEM:
            ShowSystemMenu();
            return TRUE;
        case IDC_BTN_MUTE:
            m_bMute = !m_bMute;
            return TRUE;
        case IDC_BTN_HALL:
            ShowHall();
            return TRUE;
        case IDC_ST_ADD_ACCOUNT:
            OpenAnotherLogin();
            return TRUE;
        default:
            break;
        }
    }
    return CDlgEx::OnCommand(wParam, lParam);
}

// ---------------------------------------------------------------- size and place

void CLauncherDlg::PlaceCaptionControls(int cx) {
    // Placed from the right edge: x relative to it. The controls that touch
    // in the design keep touching at every scale (skin::ScaleTouchingRow).
    std::vector<skin::Rect> design;
    for (const ControlPlace& place : kCaptionControls)
        design.push_back({-place.right, place.top, -place.right + place.width, place.top + place.height});
    const std::vector<skin::Rect> scaled = skin::ScaleTouchingRow(design, m_nDpi);
    for (size_t i = 0; i < scaled.size(); ++i) {
        HWND control = ::GetDlgItem(m_hWnd, kCaptionControls[i].id);
        if (!control) continue;
        const skin::Rect& r = scaled[i];
        ::MoveWindow(control, cx + r.left, r.top, r.width(), r.height(), TRUE);
        ::InvalidateRect(control, nullptr, TRUE);
    }
    // The buttons draw at the size they last stored.
    for (CBtnEx* button : {&m_btnHide, &m_btnMute, &m_btnSystem, &m_btnHall})
        if (button->m_hWnd) button->StoreWindowRect();
    InvalidateCaptionButtons();
}

void CLauncherDlg::OnSizeChanged(int cx) {
    if (cx != m_nLastWidth && m_btnHide.m_hWnd) PlaceCaptionControls(cx);
    if (m_osvi.dwMajorVersion < 6 && cx < m_nLastWidth) {
        // Older systems leave the shrinking window's top-right corner on the desktop.
        RECT r = GetWindowRect();
        RECT corner{r.right - 4, r.top, r.right, r.top + 4};
        ::RedrawWindow(::GetDesktopWindow(), &corner, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    }
    m_nLastWidth = cx;
}

bool CLauncherDlg::EnforceMinimumSize(WINDOWPOS& pos) const {
    if ((pos.flags & SWP_NOSIZE) || ::IsIconic(m_hWnd)) return false;
    bool changed = false;
    const int minWidth = Px(MinMainWindowWidth(m_pages.GetPageCount()));
    if (pos.cx < minWidth) {
        pos.cx = minWidth;
        changed = true;
    }
    // Both limits hold at once: a move that is too narrow and too low gets both.
    if (pos.cy < Px(kMinMainWindowHeight)) {
        pos.cy = Px(kMinMainWindowHeight);
        changed = true;
    }
    return changed;
}

// ---------------------------------------------------------------- visibility

void CLauncherDlg::HideInstanceWindows() {
    HideWindow(m_hWnd);
    for (const GamePage& page : m_pages.Pages()) HideWindow(page.window->m_hWnd);
    HideWindow(m_pages.Hall().m_hWnd);
    if (g_pLoginBk) HideWindow(g_pLoginBk->m_hWnd);
    HideWindow(m_dlgNotice.m_hWnd);
}

void CLauncherDlg::ShowInstanceWindows() {
    ::ShowWindow(m_hWnd, SW_SHOW);
    if (m_pages.m_bHall) {
        m_pages.ShowHallPage(SW_SHOWNORMAL);
    } else {
        m_pages.ShowCurrentPage(TRUE);
    }
    if (::IsIconic(m_hWnd)) ::ShowWindow(m_hWnd, SW_RESTORE);
    ::SetForegroundWindow(m_hWnd);
    if (g_pLoginBk && g_pLoginBk->m_hWnd) ::ShowWindow(g_pLoginBk->m_hWnd, SW_SHOW);
}

void CLauncherDlg::ToggleVisible(BOOL notify) {
    if (::IsWindowVisible(m_hWnd)) {
        HideInstanceWindows();
    } else {
        ShowInstanceWindows();
    }
    if (!notify) return;
    for (HWND other : OtherLauncherWindows(m_hWnd, kMaxNotified)) ::PostMessageW(other, WM_TOGGLE_VISIBLE, 0, 0);
}

void CLauncherDlg::FocusCurrentPage() {
    if (CGameWnd* page = m_pages.CurrentPage(); page && page->m_hWnd) ::SetFocus(page->m_hWnd);
}

void CLauncherDlg::ShowHall() {
    m_pages.m_bHall = TRUE;
    m_pages.ShowHallPage(SW_SHOWNORMAL);
    for (const GamePage& page : m_pages.Pages()) HideWindow(page.window->m_hWnd);
}

void CLauncherDlg::OpenAnotherLogin() {
    // Message 1026 also arrives while a further login runs: a second start of
    // the launcher posts it, and the login's modal loop dispatches it here.
    // Bring that login back instead of nesting another one inside it: nested
    // logins would each count the pages from before them and together pass
    // the three-page limit, and the inner one would clear g_pLoginBk while the
    // outer one still runs, leaving it out of the boss key's reach.
    if (g_pLoginBk && g_pLoginBk->m_hWnd) {
        BringBackOpenLogin();
        return;
    }
    const int before = m_pages.GetPageCount();
    if (before >= kMaxPages) {
        SkinMessageBox(kTooManyPages, kGameTitle, 0);
        return;
    }
    CLoginBkDlg login(m_pages, AfxGetApp()->m_pMainWnd);
    g_pLoginBk = &login;
    login.DoModal();
    g_pLoginBk = nullptr;
    // A page in the set is a page with a tab, however the login ended: the
    // login's result only says why it ended.
    if (m_pages.GetPageCount() <= before) return;
    m_pages.HideHall();
    m_pages.AddTabsForNewPages();
    if (::IsIconic(m_hWnd)) ::ShowWindow(m_hWnd, SW_RESTORE);
}

void CLauncherDlg::BringBackOpenLogin() {
    HWND login = g_pLoginBk->m_hWnd;
    ::ShowWindow(login, ::IsIconic(login) ? SW_RESTORE : SW_SHOW);
    ::SetForegroundWindow(login);
}

void CLauncherDlg::QuitLauncher() {
    RemoveTrayIcon();
    if (m_hMutex) ::ReleaseMutex(m_hMutex.get());
    ::SetTimer(m_hWnd, kTimerCloseScriptBoxes, kScriptBoxTimerMs, nullptr);
    ::PostQuitMessage(0);
}

// ---------------------------------------------------------------- timers

void CLauncherDlg::CloseScriptMessageBox() {
    for (const wchar_t* title : kScriptBoxTitles) {
        if (HWND box = ::FindWindowW(kMainWindowClass, title)) {
            ::DestroyWindow(box);
            return;
        }
    }
}

void CLauncherDlg::UpdateStrips() {
    if (m_bMute != m_nMuteApplied) {
        m_nMuteApplied = m_bMute;
        ApplyMute(m_bMute);
        m_btnMute.SetImage(m_bMute ? m_bmpSoundOff : m_bmpSoundOn, TRUE);
        m_btnMute.Invalidate(TRUE);
    }
    if (m_pages.m_bHall != m_bHallShown) {
        m_bHallShown = m_pages.m_bHall;
        m_btnHall.SetImage(m_bHallShown ? m_bmpHallOn : m_bmpHallOff, TRUE);
        m_btnHall.Invalidate(TRUE);
    }
}

void CLauncherDlg::ShowNotice() {
    // Without a parent the notice belongs to the main window.
    if (m_dlgNotice.m_hWnd || !m_dlgNotice.Create(nullptr)) return;
    if (::IsWindowVisible(::GetWindow(m_dlgNotice.m_hWnd, GW_OWNER))) ::ShowWindow(m_dlgNotice.m_hWnd, SW_SHOW);
}

void CLauncherDlg::OnTimer(UINT_PTR id) {
    switch (id) {
    case kTimerCloseScriptBoxes:
        ::KillTimer(m_hWnd, id);
        CloseScriptMessageBox();
        break;
    case kTimerNotice:
        ::KillTimer(m_hWnd, id);
        ShowNotice();
        break;
    case kTimerStrips:
        UpdateStrips();
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------- menus

fw::UniqueMenu CLauncherDlg::BuildMenu(bool tray) const {
    fw::UniqueMenu menu(::CreatePopupMenu());
    const Hotkey stored = ReadHotkeySetting();
    const std::wstring toggle = L"隐藏/恢复(" + FormatHotkey(stored.keyCode, stored.modifiers) + L")";
    ::AppendMenuW(menu.get(), MF_STRING, kCmdRefresh, L"刷新 (F5)");
    ::AppendMenuW(menu.get(), MF_STRING, kCmdToggle, toggle.c_str());
    ::AppendMenuW(menu.get(), MF_STRING, kCmdClearCache, L"清除缓存");
    ::AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(menu.get(), MF_STRING, kCmdUpdate, L"更新");
    ::AppendMenuW(menu.get(), MF_STRING, kCmdSettings, L"设置...");
    if (tray) {
        ::AppendMenuW(menu.get(), MF_STRING, kCmdQuit, L"退出");
    } else {
        const std::wstring version = std::wstring(L"版本号: ") + LAUNCHER_VERSION;
        ::AppendMenuW(menu.get(), MF_STRING, static_cast<UINT_PTR>(static_cast<UINT>(kCmdVersion)), version.c_str());
    }
    return menu;
}

void CLauncherDlg::RunMenuCommand(int command) {
    switch (command) {
    case kCmdRefresh:
        m_pages.RefreshCurrentPage();
        break;
    case kCmdToggle:
        ToggleVisible(FALSE);
        break;
    case kCmdClearCache:
        // The clearing runs on and reports nothing; the player is told at once.
        StartClearBrowserCache();
        SkinMessageBox(kCacheCleared, kGameTitle, 0);
        break;
    case kCmdUpdate:
        RunUpdate();
        break;
    case kCmdSettings: {
        CSettingDlg settings(this);
        settings.DoModal();
        break;
    }
    case kCmdQuit:
        QuitLauncher();
        break;
    default:
        break;
    }
}

void CLauncherDlg::RunUpdate() {
    if (!m_update.Check(TRUE)) {
        SkinMessageBox(kNoUpdate, kGameTitle, 0);
        return;
    }
    switch (m_update.Run()) {
    case UpdateNotDone:
        SkinMessageBox(kUpdateFailed, kGameTitle, 0);
        break;
    case UpdateInPlaceNotStarted:
        // The update did happen: only its start failed, and the next start
        // of the launcher runs the new build.
        RecordUpdateTime();
        SkinMessageBox(kUpdateInstalledRestart, kGameTitle, 0);
        QuitLauncher();
        break;
    case UpdateStarted:
        RecordUpdateTime();
        QuitLauncher();
        break;
    }
}

void CLauncherDlg::ShowSystemMenu() {
    fw::UniqueMenu menu = BuildMenu(false);
    const RECT button = m_btnSystem.GetWindowRect();
    const int command = static_cast<int>(
        ::TrackPopupMenu(menu.get(), TPM_RETURNCMD, button.left, button.bottom + 3, 0, m_hWnd, nullptr));
    menu.reset();
    RunMenuCommand(command);
}

void CLauncherDlg::ShowTrayMenu() {
    ::SetForegroundWindow(m_hWnd);
    fw::UniqueMenu menu = BuildMenu(true);
    POINT cursor{};
    ::GetCursorPos(&cursor);
    CWnd* main = AfxGetApp() ? AfxGetApp()->m_pMainWnd : nullptr;
    const int command = static_cast<int>(::TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_BOTTOMALIGN | TPM_RIGHTALIGN,
                                                          cursor.x, cursor.y, 0, main ? main->m_hWnd : m_hWnd,
                                                          nullptr));
    menu.reset();
    RunMenuCommand(command);
}

void CLauncherDlg::OnTrayCallback(LPARAM mouseMessage) {
    if (mouseMessage == WM_LBUTTONUP) {
        ToggleVisible(FALSE);
    } else if (mouseMessage == WM_RBUTTONUP) {
        ShowTrayMenu();
    }
}

// ---------------------------------------------------------------- messages

void CLauncherDlg::PaintMinimizedIcon() {
    fw::PaintDC dc(m_hWnd);
    const RECT client = GetClientRect();
    const int iconW = ::GetSystemMetrics(SM_CXICON);
    const int iconH = ::GetSystemMetrics(SM_CYICON);
    ::DrawIcon(dc, (client.right - iconW + 1) / 2, (client.bottom - iconH + 1) / 2, m_hIcon);
}

LRESULT CLauncherDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT:
        if (::IsIconic(m_hWnd)) {
            PaintMinimizedIcon();
            return 0;
        }
        break;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<LRESULT>(m_hIcon);
    case WM_SIZE: {
        LRESULT result = CDlgEx::WindowProc(msg, wParam, lParam);
        OnSizeChanged(LOWORD(lParam));
        return result;
    }
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_NCLBUTTONDOWN: {
        LRESULT result = CDlgEx::WindowProc(msg, wParam, lParam);
        FocusCurrentPage();
        return result;
    }
    case WM_DPICHANGED:
        OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_WINDOWPOSCHANGING:
        if (EnforceMinimumSize(*reinterpret_cast<WINDOWPOS*>(lParam))) return 0;
        break;
    case WM_WINDOWPOSCHANGED: {
        LRESULT result = CDlgEx::WindowProc(msg, wParam, lParam);
        m_pages.LayoutPages();
        if (m_pages.Hall().m_hWnd) m_pages.LayoutHallPage();
        return result;
    }
    case WM_HOTKEY:
        if (wParam == kBossKeyHotkeyId) ToggleVisible(TRUE);
        break;
    case WM_TIMER:
        OnTimer(wParam);
        break;
    case WM_DESTROY:
        // The hotkey belongs to this window and goes with it.
        if (::UnregisterHotKey(m_hWnd, kBossKeyHotkeyId)) ClearRegisteredBossKey();
        RemoveTrayIcon();
        break;
    case WM_TRAY_CALLBACK:
        OnTrayCallback(lParam);
        return 0;
    case WM_ADD_ACCOUNT:
        OpenAnotherLogin();
        return 0;
    case WM_TOGGLE_VISIBLE:
        ToggleVisible(FALSE);
        return 0;
    default:
        break;
    }
    return CDlgEx::WindowProc(msg, wParam, lParam);
}

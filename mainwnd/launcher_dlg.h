// CLauncherDlg: the main window, run modally once a login has added a game
// page. A skinned, resizable frame whose 30-pixel caption band carries the tab
// strip and a row of buttons; the game pages are owned pop-ups laid over the
// area below the band. It also keeps the notification-area icon, the boss key,
// the menus, the mute switch, the hall page, further logins, the instance
// mutex and quitting.
#pragma once

#include "framework/handles.h"
#include "mainwnd/game_pages.h"
#include "net/pop_info_dlg.h"
#include "net/update.h"
#include "skin/btn_ex.h"
#include "skin/dlg_ex.h"
#include "skin/static_ex.h"

class CLoginBkDlg;

// The further login window while OpenAnotherLogin runs it, otherwise null.
extern CLoginBkDlg* g_pLoginBk;

class CLauncherDlg : public CDlgEx {
public:
    // The window shows the pages of `pages` and runs `update` from its menu;
    // both belong to the caller and outlive the window.
    CLauncherDlg(CGamePageSet& pages, SelfUpdate& update, CWnd* parent = nullptr);
    ~CLauncherDlg() override;

    // Menu item ids (-1 is the version line, which does nothing).
    enum MenuCommand : int {
        kCmdRefresh = 1,
        kCmdToggle = 2,
        kCmdClearCache = 3,
        kCmdUpdate = 4,
        kCmdSettings = 5,
        kCmdQuit = 6,
        kCmdVersion = -1,
    };
    // Timer ids.
    static constexpr UINT_PTR kTimerCloseScriptBoxes = 1;
    static constexpr UINT_PTR kTimerNotice = 2;
    static constexpr UINT_PTR kTimerStrips = 3;

    BOOL PreTranslateMessage(MSG* msg) override;

    // Hides this instance (the main window, every page, the hall page, a
    // further login, the notice) or shows it again; with notify, every other
    // launcher window is asked to do the same for its instance.
    void ToggleVisible(BOOL notify);
    // Runs a further login unless three pages are open already; while one
    // runs, brings that one back instead.
    void OpenAnotherLogin();
    void ShowHall();
    void QuitLauncher();
    void FocusCurrentPage();

    // The system menu (tray = FALSE) or the tray menu, built afresh.
    fw::UniqueMenu BuildMenu(bool tray) const;
    void RunMenuCommand(int command);

    BOOL m_bMute = FALSE;       // the player's choice, applied by the next tick of timer 3
    BOOL m_bHallShown = FALSE;  // the hall state the hall button shows
    CPopInfoDlg m_dlgNotice;    // the operator's notice, made by timer 2
    // When timer 2 fires after the window opened; 0 leaves it unarmed.
    UINT m_nNoticeDelayMs = 3000;

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void SetUpControls();
    // The design's pixel figure at the window's display scale.
    int Px(int design) const;
    // Skins for the window's display: the frame (caption band, border,
    // caption buttons), then the controls of the caption band and the strip.
    void LoadFrameSkins();
    void LoadControlSkins();
    // WM_DPICHANGED: everything drawn and placed again at the new scale.
    void OnDpiChanged(int dpi, const RECT& suggested);
    void AddTrayIcon();
    void RemoveTrayIcon();
    void PlaceCaptionControls(int cx);
    void OnSizeChanged(int cx);
    bool EnforceMinimumSize(WINDOWPOS& pos) const;
    void OnTimer(UINT_PTR id);
    void UpdateStrips();
    void ShowNotice();
    void CloseScriptMessageBox();
    void OnTrayCallback(LPARAM mouseMessage);
    void ShowSystemMenu();
    void ShowTrayMenu();
    void PaintMinimizedIcon();
    void HideInstanceWindows();
    void ShowInstanceWindows();
    void BringBackOpenLogin();
    void RunUpdate();

    CGamePageSet& m_pages;
    SelfUpdate& m_update;

    HICON m_hIcon = nullptr;
    CBtnEx m_btnHide;
    CBtnEx m_btnSystem;
    CBtnEx m_btnMute;
    CBtnEx m_btnHall;
    CStaticEx m_stAddAccount;
    fw::UniqueHandle m_hMutex;
    OSVERSIONINFOW m_osvi{};
    bool m_bTrayIcon = false;
    int m_nLastWidth = 0;          // client width of the previous WM_SIZE
    int m_nDpi = 96;               // the display scale the window is laid out for
    // The mute state last applied; -1 (neither) until the first tick applies
    // the player's choice and its strip, whichever it is by then: a choice
    // made before that tick is applied too.
    int m_nMuteApplied = -1;

    // Skins kept for the window's life: the controls copy what they draw, and
    // the mute and hall buttons switch between their pairs.
    CBitmap m_bmpCaptClose, m_bmpCaptMin;
    CBitmap m_bmpHide, m_bmpSystem, m_bmpSoundOn, m_bmpSoundOff, m_bmpHallOff, m_bmpHallOn;
    CBitmap m_bmpAddAccount, m_bmpTabs, m_bmpTabClose;
};

// The minimum main window width for a number of pages: 457 + 189 per page
// (design pixels, scaled with the display like the height).
int MinMainWindowWidth(int pageCount);
inline constexpr int kMinMainWindowHeight = 260;

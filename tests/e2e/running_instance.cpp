// A launcher instance after a successful login, for the tests that run two
// launchers side by side. No login page loads under wine, so this program
// hands over one game page the way the lobby's "loadgame" does and then runs
// the launcher's own main window the way start-up does after a login: the
// window, its mutex, its boss key and its answers to messages 1026 and 1027
// are the launcher's, linked from the same library.
#include "app/launcher_app.h"
#include "framework/sessions.h"
#include "mainwnd/game_pages.h"
#include "mainwnd/launcher_dlg.h"

#include <commctrl.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
    theApp.m_hInstance = instance;
    INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    fw::OleSession ole;
    fw::GdiplusSession gdiplus;

    // What a login hands over.
    CGamePageSet pages;
    pages.AddGamePage(L"about:blank", L"account0", L"11");

    CLauncherDlg mainWindow(pages, theApp.m_update);
    // The notice would fetch from the operator's site.
    mainWindow.m_nNoticeDelayMs = 0;
    RunMainWindow(mainWindow);
    return 0;
}

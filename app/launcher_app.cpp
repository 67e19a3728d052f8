#include "app/launcher_app.h"

#include "app/crash_dump.h"
#include "app/install.h"
#include "app/launcher_ids.h"
#include "app/run_mode.h"
#include "app/run_mode_win.h"
#include "framework/sessions.h"
#include "mainwnd/cache.h"
#include "mainwnd/game_pages.h"
#include "mainwnd/launcher_dlg.h"
#include "mainwnd/launcher_windows.h"
#include "net/operator_site_win.h"
#include "net/update.h"
#include "skin/tab_ctrl.h"
#include "web/login_bk_dlg.h"

#include <commctrl.h>
#include <shellapi.h>

// The process-wide objects live in this one file so that they are built in this
// order before start-up and destroyed in the reverse order at exit.
CLauncherApp theApp;
CCaptTab g_captTab(GamePageSet());
CGameWnd g_hallPage(site::GameRootUrl(CurrentSite()));
std::vector<std::unique_ptr<CGameWnd>> g_arrPages;
std::vector<std::wstring> g_arrAccounts;
std::vector<std::wstring> g_arrServers;
std::vector<std::wstring> g_arrPageTitles;
std::vector<std::wstring> g_arrTabTitles;

BOOL CLauncherApp::InitInstance() {
    ::SetUnhandledExceptionFilter(TopLevelFilter);

    INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    // The browser pages need OLE in the user-interface thread. This and GDI+
    // below are owned by this function, which is the launcher's whole life:
    // they end in the reverse order on every way out, after every window.
    fw::OleSession ole;

    const int mode = ParseRunMode();
    m_hEvtPingTaken.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    m_hEvtPingDone.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));

    if (mode == RUN_UNINSTALL) {
        if (AfxMessageBox(kAskUninstall, MB_YESNO) != IDNO) {
            Uninstall(*this);
            ::WaitForSingleObject(m_hEvtPingDone.get(), kSurveyWaitMs);
        }
        return TRUE;
    }

    if (CheckForUpdate(*this, FALSE) && RunSelfUpdate(*this)) {
        RecordUpdateTime();
        return TRUE;  // the updated copy is already running
    }

    fw::GdiplusSession gdiplus;
    SetCacheLimit();

    if (mode == RUN_INSTALL) {
        InstallSelf();
        WriteDisableDays();
        return FALSE;
    }
    if (mode == RUN_WEB) {
        ::ShellExecuteW(nullptr, L"open", site::GameRootUrl(CurrentSite()).c_str(), nullptr, nullptr,
                        SW_SHOWMAXIMIZED);
        return FALSE;
    }

    if (HandOverToRunningInstance(mode)) return FALSE;
    RunNewInstance();
    return FALSE;
}

bool CLauncherApp::HandOverToRunningInstance(int mode) {
    m_hInstanceMutex.reset(::OpenMutexW(STANDARD_RIGHTS_ALL, FALSE, kInstanceMutexName));
    // Any failure but "no such mutex" counts as a running instance.
    if (!m_hInstanceMutex && ::GetLastError() == ERROR_FILE_NOT_FOUND) return false;
    if (mode == RUN_LOGIN && AfxMessageBox(kAskLoginInRunning, MB_YESNO) != IDYES) return false;

    // The running main window, not the further login window lying above it.
    if (HWND running = FindRunningMainWindow()) {
        ::PostMessageW(running, WM_ADD_ACCOUNT, 0, 0);
        return true;
    }
    AfxMessageBox(kHandOverFailed, MB_OK);
    return false;
}

void CLauncherApp::RunNewInstance() {
    SetCacheLimit();
    CLoginBkDlg login;
    login.DoModal();
    if (GetPageCount() > 0) {
        CLauncherDlg mainWindow;
        m_pMainWnd = &mainWindow;
        mainWindow.DoModal();
        m_pMainWnd = nullptr;
    }
}

int CLauncherApp::ExitInstance() {
    m_hEvtPingTaken.reset();
    m_hEvtPingDone.reset();
    m_hInstanceMutex.reset();
    return CWinApp::ExitInstance();
}

#include "app/launcher_app.h"

#include "app/crash_dump.h"
#include "app/install.h"
#include "core/launcher_ids.h"
#include "core/run_mode.h"
#include "core/run_mode_win.h"
#include "framework/sessions.h"
#include "mainwnd/cache.h"
#include "mainwnd/game_pages.h"
#include "mainwnd/launcher_dlg.h"
#include "mainwnd/launcher_windows.h"
#include "net/operator_site_win.h"
#include "res/resource.h"
#include "skin/skin_image.h"
#include "web/login_bk_dlg.h"

#include <commctrl.h>
#include <optional>
#include <shellapi.h>

// The one process-wide object. The pages and their browsers live inside
// InitInstance instead, so that they end before OLE and GDI+ do; the progress
// dialog inside the application has a window only while it runs modally.
CLauncherApp theApp;

INT_PTR RunMainWindow(CLauncherDlg& window) {
    CWinApp* app = AfxGetApp();
    if (app) app->m_pMainWnd = &window;
    const INT_PTR result = window.DoModal();
    if (app) app->m_pMainWnd = nullptr;
    return result;
}

BOOL CLauncherApp::InitInstance() {
    ::SetUnhandledExceptionFilter(TopLevelFilter);

    // Until the login frame shows, three things go on at once: its picture
    // decodes on a thread (started first: it is the longest of them), the
    // start-up check's configuration fetch runs on another, and this thread
    // makes the frame's window, painted but not shown. Only then does
    // start-up wait for the check, whose answer still comes before anything
    // the player sees.
    const int mode = ParseRunMode();
    const bool loginMode = mode == RUN_LOGIN || mode == RUN_INSTALLED;
    std::optional<PrefetchedPng> background;
    if (loginMode) background.emplace(m_hInstance, IDB_LOGIN_BK, PrefetchedPng::kSystemDpi);
    m_update.BeginStartupCheck();  // nothing unless the check is due in this mode

    // The browser pages need OLE in the user-interface thread. This and GDI+
    // below are owned by this function, which is the launcher's whole life:
    // they end in the reverse order on every way out, after every window.
    // Behind the login frame OLE starts with its first page, once the frame
    // shows: its own window would bring the display driver in before then.
    fw::OleSession ole(loginMode ? fw::OleSession::Start::AtFirstUse : fw::OleSession::Start::Now);

    m_hEvtPingTaken.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    m_hEvtPingDone.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));

    if (mode == RUN_UNINSTALL) {
        if (AfxMessageBox(kAskUninstall, MB_YESNO) != IDNO) {
            Uninstall(m_hEvtPingTaken.get(), m_hEvtPingDone.get());
            ::WaitForSingleObject(m_hEvtPingDone.get(), kSurveyWaitMs);
        }
        return TRUE;
    }

    // GDI+ starts with the first skin of a later window; the frame's own
    // picture needs none.
    fw::GdiplusSession gdiplus(loginMode ? fw::GdiplusSession::Start::AtFirstUse : fw::GdiplusSession::Start::Now);
    // The pages and their browsers end with this function, inside the OLE
    // session; a page's script window released after OLE had shut down would
    // call into an unloaded engine.
    CGamePageSet pages;
    std::optional<CLoginBkDlg> frame;
    if (loginMode) {
        frame.emplace(pages, nullptr, background ? &*background : nullptr);
        frame->CreateForModal();
    }

    if (m_update.FinishStartupCheck()) {
        frame.reset();  // never shown
        const UpdateOutcome outcome = m_update.Run();
        if (outcome != UpdateNotDone) RecordUpdateTime();
        if (outcome == UpdateStarted) return TRUE;  // the updated copy is already running
        if (outcome == UpdateInPlaceNotStarted) {
            // The new build has the name but would not start: not a failed
            // update. The player opens the launcher again and gets it.
            AfxMessageBox(kUpdateInstalledRestart);
            return TRUE;
        }
    }

    SetCacheLimit();

    if (mode == RUN_INSTALL) {
        RunInstallMode();
        return FALSE;
    }
    if (mode == RUN_WEB) {
        ::ShellExecuteW(nullptr, L"open", site::GameRootUrl(CurrentSite()).c_str(), nullptr, nullptr,
                        SW_SHOWMAXIMIZED);
        return FALSE;
    }

    if (HandOverToRunningInstance(mode)) return FALSE;
    if (!frame) frame.emplace(pages, nullptr, nullptr);
    RunNewInstance(pages, *frame);
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

void CLauncherApp::RunNewInstance(CGamePageSet& pages, CLoginBkDlg& login) {
    SetCacheLimit();
    login.DoModal();
    if (pages.GetPageCount() > 0) {
        CLauncherDlg mainWindow(pages, m_update);
        RunMainWindow(mainWindow);
    }
}

int CLauncherApp::ExitInstance() {
    m_hEvtPingTaken.reset();
    m_hEvtPingDone.reset();
    m_hInstanceMutex.reset();
    return CWinApp::ExitInstance();
}

// The application object: the whole life of the launcher runs inside its
// InitInstance, one run mode to the end.
#pragma once

#include "framework/handles.h"
#include "framework/winapp.h"
#include "net/update.h"

class CGamePageSet;
class CLauncherDlg;
class CLoginBkDlg;

class CLauncherApp : public CWinApp {
public:
    CLauncherApp() = default;
    ~CLauncherApp() override = default;

    BOOL InitInstance() override;
    int ExitInstance() override;

    SelfUpdate m_update;               // the start-up check's offer, and the main window's "更新"
    fw::UniqueHandle m_hEvtPingTaken;  // survey thread has copied its parameters
    fw::UniqueHandle m_hEvtPingDone;   // survey request has finished
    fw::UniqueHandle m_hInstanceMutex; // the single-instance mutex as opened at start-up

private:
    // Login and installed mode: TRUE when a running instance took over the
    // login and this process should end.
    bool HandOverToRunningInstance(int mode);
    // The login frame (made already, or made now), then the main window
    // while the login has left pages open.
    void RunNewInstance(CGamePageSet& pages, CLoginBkDlg& login);
};

extern CLauncherApp theApp;

// Runs the main window modally as the application's main window (the owner of
// every window made without a parent) and returns its modal result.
INT_PTR RunMainWindow(CLauncherDlg& window);

// Texts of the start-up message boxes.
inline constexpr const wchar_t* kAskUninstall = L"确定要移除 RV星潮纪元极速登录器吗？";
inline constexpr const wchar_t* kAskLoginInRunning = L"检测到已经有一个星潮纪元在运行，是否在已运行的窗口上登录新账号？";
inline constexpr const wchar_t* kHandOverFailed = L"在当前运行程序中进入游戏失败，将在新窗口中打开游戏";

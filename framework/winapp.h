// CWinApp: the one application object. The entry point hands the process to
// AfxWinMain, which runs InitInstance and ExitInstance around an optional
// message loop.
#pragma once

#include "framework/wnd.h"

#include <string>

class CWinApp : public fw::ApplicationLink {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // FALSE ends the process at once; TRUE runs the message loop while a main
    // window exists.
    virtual BOOL InitInstance() { return TRUE; }
    // Its result is the process exit code.
    virtual int ExitInstance() { return 0; }
    // The loop after a TRUE InitInstance: pumps until WM_QUIT, or returns at
    // once when there is no main window.
    virtual int Run();

    HINSTANCE Module() const override { return m_hInstance; }
    CWnd* MainWindow() const override { return m_pMainWnd; }
    void ForgetMainWindow(const CWnd* window) override {
        if (m_pMainWnd == window) m_pMainWnd = nullptr;
    }

    HINSTANCE m_hInstance = nullptr;
    CWnd* m_pMainWnd = nullptr;
    // The executable's file name without extension: the caption of AfxMessageBox.
    std::wstring m_strAppName;
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();
// The plain system message box, owned by the application's main window (or the
// active window), captioned with the application name.
int AfxMessageBox(const wchar_t* text, UINT type = MB_OK);
// Runs the application object; the entry point returns its result. The entry
// point names the object so that the linker keeps it.
int AfxWinMain(CWinApp& app, HINSTANCE instance);

#include "framework/winapp.h"

namespace {

std::wstring ModuleStem(HINSTANCE instance) {
    wchar_t path[MAX_PATH] = {};
    DWORD len = ::GetModuleFileNameW(instance, path, MAX_PATH);
    std::wstring name(path, len < MAX_PATH ? len : MAX_PATH - 1);
    if (size_t slash = name.find_last_of(L"\\/"); slash != std::wstring::npos) name.erase(0, slash + 1);
    if (size_t dot = name.find_last_of(L'.'); dot != std::wstring::npos) name.erase(dot);
    return name;
}
}  // namespace

CWinApp::CWinApp() { fw::SetApplicationLink(this); }

CWinApp::~CWinApp() {
    if (fw::CurrentApplication() == this) fw::SetApplicationLink(nullptr);
}

int CWinApp::Run() {
    if (!m_pMainWnd) return ExitInstance();
    MSG msg{};
    bool quit = false;
    while (fw::GetNextMessage(msg, &quit)) fw::PumpMessage(msg, nullptr);
    return ExitInstance();
}

// Only CWinApp registers itself as the application.
CWinApp* AfxGetApp() { return static_cast<CWinApp*>(fw::CurrentApplication()); }

HINSTANCE AfxGetInstanceHandle() { return fw::ApplicationModule(); }

HINSTANCE AfxGetResourceHandle() { return AfxGetInstanceHandle(); }

int AfxMessageBox(const wchar_t* text, UINT type) {
    CWinApp* app = AfxGetApp();
    std::wstring caption = app && !app->m_strAppName.empty() ? app->m_strAppName : ModuleStem(nullptr);
    return ::MessageBoxW(fw::SafeOwner(nullptr), text, caption.c_str(), type);
}

int AfxWinMain(CWinApp& app, HINSTANCE instance) {
    app.m_hInstance = instance;
    app.m_strAppName = ModuleStem(instance);
    if (!app.InitInstance()) return app.ExitInstance();
    return app.Run();
}

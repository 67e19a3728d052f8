#include "web/login_dlg.h"

#include "core/launcher_ids.h"
#include "core/start_program.h"
#include "framework/winapp.h"
#include "res/resource.h"
#include "web/login_frame_messages.h"

namespace {

// The page colour that shows the frame through the login window.
constexpr COLORREF kSeeThrough = RGB(254, 254, 254);

std::string ToCodePage(const std::wstring& text, UINT codePage) {
    if (text.empty()) return {};
    int size = ::WideCharToMultiByte(codePage, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                     nullptr);
    std::string out(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        ::WideCharToMultiByte(codePage, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size, nullptr,
                              nullptr);
    return out;
}

std::wstring FromCodePage(const std::string& bytes, UINT codePage) {
    if (bytes.empty()) return {};
    int size = ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0) ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), size);
    return out;
}

}  // namespace

std::wstring DecodeAccount(const std::wstring& account) {
    if (account.find(L'%') == std::wstring::npos) return account;
    // The whole account, however long: no fixed buffer cuts it.
    return FromCodePage(pagecmd::UnescapeAccount(ToCodePage(account, CP_THREAD_ACP)), CP_UTF8);
}

CLoginDlg::CLoginDlg(std::wstring address, CLoginTarget& pages)
    : CDHtmDlgEx(IDD_LOGIN),
      m_startLauncher([] { StartProgram(nullptr); }),
      m_strAddress(std::move(address)),
      m_pages(pages) {
    auto bind = [this](bool (CLoginDlg::*handler)(int, const Args&)) -> pagecmd::CommandHandler {
        return [this, handler](int count, const Args& args) { return (this->*handler)(count, args); };
    };
    m_commands = {
        {L"minimize", bind(&CLoginDlg::OnMinimize)},
        {L"exitgame", bind(&CLoginDlg::OnExitGame)},
        {L"restart", bind(&CLoginDlg::OnRestart)},
        {L"loadgame", bind(&CLoginDlg::OnLoadGame)},
    };
}

CLoginDlg::~CLoginDlg() { DestroyWindow(); }

BOOL CLoginDlg::OnInitDialog() {
    // The framework's initialisation, not the web page base's: Silent is set
    // here in its place.
    CDHtmlDialog::OnInitDialog();
    if (IWebBrowser2* browser = GetBrowser()) browser->put_Silent(VARIANT_TRUE);
    ModifyStyleEx(0, WS_EX_LAYERED);
    ::SetLayeredWindowAttributes(m_hWnd, kSeeThrough, 0, LWA_COLORKEY);
    // No taskbar button of its own: the frame has the one of the login.
    ModifyStyleEx(WS_EX_APPWINDOW, WS_EX_TOOLWINDOW);
    Navigate(m_strAddress.c_str());
    return FALSE;
}

void CLoginDlg::OnBeforeNavigate2(IDispatch*, const std::wstring& url, bool& cancel) {
    // Runs for every frame of the page. A command may end the login; the
    // modal loop of the frame destroys the windows only after this returns.
    if (pagecmd::DispatchPageCommand(url, m_commands)) cancel = true;
}

void CLoginDlg::OnNavigateComplete(IDispatch* frame, const std::wstring& url) {
    CDHtmDlgEx::OnNavigateComplete(frame, url);
    // The page shows itself only where the frame shows: a minimised or hidden
    // login stays hidden whatever its page loads (the frame shows this window
    // again when it comes back).
    HWND loginFrame = LoginFrame();
    if (!loginFrame || (::IsWindowVisible(loginFrame) && !::IsIconic(loginFrame))) ::ShowWindow(m_hWnd, SW_SHOW);
}

BOOL CLoginDlg::PreTranslateMessage(MSG* msg) {
    if (msg->message == WM_KEYDOWN && (msg->wParam == VK_ESCAPE || msg->wParam == VK_F5)) return TRUE;
    return CDHtmlDialog::PreTranslateMessage(msg);
}

LRESULT CLoginDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CLOSE) EndLogin(IDCANCEL);
    return CDHtmDlgEx::WindowProc(msg, wParam, lParam);
}

void CLoginDlg::EndLogin(int result, bool handedOver) {
    ::SendMessageW(LoginFrame(), WM_LOGIN_END, static_cast<WPARAM>(result), handedOver ? kLoginHandedOver : 0);
}

// ---------------------------------------------------------------- page commands

bool CLoginDlg::OnMinimize(int, const Args&) {
    ::SendMessageW(LoginFrame(), WM_LOGIN_MINIMIZE, 0, 0);
    return true;
}

bool CLoginDlg::OnExitGame(int, const Args&) {
    EndLogin(IDCANCEL);
    return true;
}

bool CLoginDlg::OnRestart(int, const Args&) {
    // After a handover the login has succeeded: no second launcher besides
    // the main window that is about to open.
    if (m_bHandedOver) return true;
    if (m_startLauncher) m_startLauncher();
    EndLogin(IDOK);
    return true;
}

std::wstring CLoginDlg::DuplicateLoginText(const std::wstring& server) {
    return L"此帐号已在 " + server + L"服 登录，同一账号不能在同一个服重复登录";
}

bool CLoginDlg::OnLoadGame(int count, const Args& args) {
    // One login hands over one page: a second "loadgame" that arrives before
    // the frame's loop has ended (two navigations of the page, or of two of
    // its frames) is cancelled and does nothing.
    if (m_bHandedOver) return true;
    const std::wstring& address = args.front();
    std::wstring account = DecodeAccount(count >= 2 ? args[1] : pagecmd::AccountFromTail(address));
    std::wstring server = count >= 3 ? args[2] : pagecmd::ServerFromTail(address);
    if (m_pages.IsAccountOpen(account, server)) {
        ::MessageBoxW(m_hWnd, DuplicateLoginText(server).c_str(), kGameTitle, MB_OK);
        EndLogin(IDCANCEL);
        return true;
    }
    m_pages.AddGamePage(address, account, server);
    m_bHandedOver = true;
    EndLogin(IDOK, true);
    return true;
}

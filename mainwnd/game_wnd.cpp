#include "mainwnd/game_wnd.h"

#include "core/launcher_ids.h"
#include "core/run_mode_win.h"
#include "core/start_program.h"
#include "framework/winapp.h"
#include "net/down_game_dlg.h"
#include "net/operator_site_win.h"
#include "res/resource.h"
#include "skin/message_box.h"

#include <shellapi.h>

namespace {

constexpr const wchar_t* kOfferDownload = L"下载RV星潮纪元极速登录器，玩游戏更加方便快捷，现在就去下载吧？";
// The part of a page title that precedes the server's own text.
constexpr std::wstring_view kTitleMarker = L"星潮纪元-";

std::wstring GameRoot() { return site::GameRootUrl(CurrentSite()); }

// The first child of `parent` of this class with an empty title.
HWND UntitledChild(HWND parent, const wchar_t* className) {
    return parent ? ::FindWindowExW(parent, nullptr, className, L"") : nullptr;
}

bool IsFocusKey(WPARAM key) { return key == VK_RETURN || key == VK_ESCAPE || key == VK_TAB || key == VK_SHIFT; }

}  // namespace

CGameWnd::CGameWnd(std::wstring address) : CDHtmlDialog(IDD_GAMEPAGE), m_strUrl(std::move(address)) {}

CGameWnd::~CGameWnd() {
    // The window goes while the whole object exists (framework/wnd.h).
    DestroyOwnWindow();
    m_spScriptWindow.reset();
}

BOOL CGameWnd::CreatePage(CWnd* owner) { return Create(IDD_GAMEPAGE, owner); }

BOOL CGameWnd::OnInitDialog() {
    // Pages of the game site get flat scroll bars; others keep the default.
    if (m_strUrl.find(GameRoot()) != std::wstring::npos) m_dwHostFlags = DOCHOSTUIFLAG_FLAT_SCROLLBAR;
    CDHtmlDialog::OnInitDialog();
    if (IWebBrowser2* browser = GetBrowser()) browser->put_Silent(VARIANT_TRUE);
    Navigate(m_strUrl.c_str());
    return TRUE;
}

HWND CGameWnd::FindFlashPlayer() const {
    HWND shell = UntitledChild(m_hWnd, L"Shell Embedding");
    HWND view = UntitledChild(shell, L"Shell DocObject View");
    HWND server = UntitledChild(view, L"Internet Explorer_Server");
    return UntitledChild(server, L"MacromediaFlashPlayerActiveX");
}

BOOL CGameWnd::PreTranslateMessage(MSG* msg) {
    switch (msg->message) {
    case WM_KEYDOWN:
        if (IsFocusKey(msg->wParam)) {
            // With the focus on the page window itself the keys would go
            // nowhere: hand the focus to the Flash player first.
            if (::GetFocus() == m_hWnd) {
                if (HWND flash = FindFlashPlayer()) ::SetFocus(flash);
            }
            ::SendMessageW(::GetFocus(), msg->message, msg->wParam, msg->lParam);
        } else if (msg->wParam == VK_F5) {
            Navigate(m_strUrl.c_str());
        }
        break;
    case WM_RBUTTONUP:
        CallClientScript(3);
        break;
    case WM_RBUTTONDOWN:
        // The press never reaches the browser or the Flash player: no context menu.
        CallClientScript(2);
        return TRUE;
    default:
        break;
    }
    return CDHtmlDialog::PreTranslateMessage(msg);
}

void CGameWnd::CallClientScript(int n) {
    const std::wstring script = L"ClientCallJs(" + std::to_wstring(n) + L")";
    if (!m_spScriptWindow) {
        fw::ComPtr<IHTMLDocument2> document;
        if (SUCCEEDED(GetDHtmlDocument(document.put())) && document)
            document->get_parentWindow(m_spScriptWindow.put());
    }
    if (!m_spScriptWindow) return;
    BSTR code = ::SysAllocString(script.c_str());
    BSTR language = ::SysAllocString(L"JavaScript");
    VARIANT result;
    ::VariantInit(&result);
    // A page without the function gets a script error, which the silent browser swallows.
    if (code && language) m_spScriptWindow->execScript(code, language, &result);
    ::VariantClear(&result);
    ::SysFreeString(language);
    ::SysFreeString(code);
}

void CGameWnd::OnNavigateComplete(IDispatch* frame, const std::wstring& url) {
    CDHtmlDialog::OnNavigateComplete(frame, url);
    CWinApp* app = AfxGetApp();
    if (app && app->m_pMainWnd && ::IsWindowVisible(app->m_pMainWnd->m_hWnd)) ::ShowWindow(m_hWnd, SW_SHOW);
}

void CGameWnd::OnTitleChange(const std::wstring& title) {
    std::wstring rest = title;
    if (size_t at = rest.find(kTitleMarker); at != std::wstring::npos) rest.erase(0, at + kTitleMarker.size());
    if (m_onTitleChange) m_onTitleChange(rest);
}

void CGameWnd::OnBeforeNavigate2(IDispatch*, const std::wstring& url, bool& cancel) {
    const EnterGameRequest request = ParseEnterGame(url, GameRoot());
    if (request.kind == EnterGameRequest::kNotCommand) return;
    // A command never leaves the page, whether or not it is carried out.
    cancel = true;
    if (request.kind == EnterGameRequest::kCommand) EnterGame(request);
}

void CGameWnd::EnterGame(const EnterGameRequest& request) {
    const std::wstring path = InstallFolderPath() + L"\\" + request.name + L".exe";
    if (path.size() >= MAX_PATH) return;
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        StartProgram(path.c_str());
        return;
    }
    if (SkinMessageBox(kOfferDownload, kProductName, 1) == IDOK) {
        CDownGameDlg download(request.name, this);
        download.DoModal();
        return;
    }
    ::ShellExecuteW(nullptr, L"open", request.fallback.c_str(), nullptr, nullptr, SW_SHOW);
}

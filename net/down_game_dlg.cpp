#include "net/down_game_dlg.h"

#include "core/start_program.h"
#include "framework/winapp.h"
#include "net/build_signature.h"
#include "net/fetch_progress.h"
#include "net/game_name.h"
#include "net/http_request.h"
#include "net/operator_site_win.h"
#include "net/update.h"
#include "res/resource.h"
#include "skin/skin_image.h"

namespace {

constexpr const wchar_t* kDownloading = L"游戏下载中...";
constexpr const wchar_t* kFailed = L"下载失败";
constexpr const wchar_t* kDone = L"下载完成";

}  // namespace

CDownGameDlg::CDownGameDlg(const std::wstring& gameName, CWnd* parent)
    : CDlgEx(IDD_DOWNLOAD, parent), m_strGameName(gameName) {}

CDownGameDlg::~CDownGameDlg() {
    // The worker uses this object: it must be gone before the object is.
    StopWorker();
    DestroyOwnWindow();
}

void CDownGameDlg::DoDataExchange() {
    DDX_Control(IDC_PROGRESS_DOWNLOAD, m_progress);
    DDX_Control(IDOK, m_btnOK);
    DDX_Control(IDCANCEL, m_btnCancel);
    DDX_Control(IDC_ST_DOWNLOAD_STATUS, m_stStatus);
}

BOOL CDownGameDlg::OnInitDialog() {
    CDlgEx::OnInitDialog();
    HINSTANCE module = AfxGetResourceHandle();
    SetCaptionLayout(30, 4, 0, 0);
    SetCaptionText(kDownloading);
    AdoptBitmap(m_bmpClose, LoadPngResource(module, IDB_CAPT_CLOSE));
    SetSkin(m_bmpClose.GetSafeHandle(), nullptr, LoadPngResource(module, IDB_SMALL_BK), FALSE, TRUE);
    if (m_strGameName.empty()) return TRUE;

    AdoptBitmap(m_bmpButton, LoadPngResource(module, IDB_SMALL_BTN));
    for (CBtnEx* button : {&m_btnOK, &m_btnCancel}) button->SetImage(m_bmpButton.GetSafeHandle(), TRUE);
    m_stStatus.m_strText.clear();
    m_stStatus.m_crText = RGB(72, 81, 86);
    m_stStatus.m_nFontHeight = 16;
    m_stStatus.Invalidate();
    m_progress.SetImages(LoadPngResource(module, IDB_PROGRESS_TRACK), LoadPngResource(module, IDB_PROGRESS_FILL));
    ::EnableWindow(m_btnOK.m_hWnd, FALSE);

    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    m_szTempExe = std::wstring(temp) + m_strGameName + L".exe";
    m_strConfigUrl = site::ConfigFileUrl(CurrentSite());
    // The name came from a web page and becomes part of two file names.
    if (!IsSafeGameName(m_strGameName)) {
        OnDownloadState(DownloadFailed);
        return TRUE;
    }
    // Started last, when every control it reports to is ready.
    m_hThread.reset(::CreateThread(nullptr, 0, DownloadThreadProc, this, 0, nullptr));
    return TRUE;
}

DWORD WINAPI CDownGameDlg::DownloadThreadProc(LPVOID dialog) {
    static_cast<CDownGameDlg*>(dialog)->RunDownload();
    return 0;
}

void CDownGameDlg::Post(DownloadState state) {
    // Sent, not posted: the dialog has taken the new state before the worker
    // goes on (and, when cancelled, before it ends).
    ::SendMessageW(m_hWnd, WM_DOWNLOAD_STATE, state, 0);
}

void CDownGameDlg::RunDownload() {
    if (!FetchGameConfig()) {
        if (!m_handles.Cancelled()) Post(ConfigFailed);
        return;
    }
    BOOL downloaded = DownloadGameExe();
    // A cancelled download is never started, and its partial file stays.
    if (m_handles.Cancelled()) return;
    if (downloaded) downloaded = StartVerifiedDownload();
    if (!downloaded) ::DeleteFileW(m_szTempExe.c_str());
    Post(downloaded ? Downloaded : DownloadFailed);
}

// The download runs with the launcher's rights, so it is started only when it
// is the build the configuration publishes: its identity (digest and version
// text) must equal "XCJY", as for the launcher's own update. The file lies in
// the player's temp folder, which programs without those rights can write:
// it is held open against writing, renaming and deleting from before the check
// until the program has been started, so the checked file is the one started.
BOOL CDownGameDlg::StartVerifiedDownload() {
    fw::UniqueFile held(::CreateFileW(m_szTempExe.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!held || !VerifyUpdateFile(m_szTempExe, m_strExeIdentity)) return FALSE;
    // The identity arrives with the file and proves nothing of its origin:
    // the operator's signature must name this very file as this game's client.
    SignedBuildCheck check;
    check.path = m_szTempExe;
    check.openFile = held.get();
    check.statement = m_strStatement;
    check.signatureHex = m_strSignature;
    check.product = signing::NarrowAscii(m_strGameName).value_or("");  // a safe name is ASCII
    if (CheckSignedBuild(check) != SignatureCheck::Good) return FALSE;
    StartProgram(m_szTempExe.c_str());
    return TRUE;
}

BOOL CDownGameDlg::FetchGameConfig() {
    std::wstring iniPath;
    if (!MakeExeDirPath((m_strGameName + L".ini").c_str(), iniPath)) return FALSE;
    FetchOptions options = OperatorFileFetch(m_strConfigUrl, iniPath, FALSE, http::SmallFileLimits(http::kConfigMaxBytes));
    options.handleHolder = &m_handles;
    if (!HttpFetch(options)) return FALSE;
    wchar_t address[512] = {};
    ::GetPrivateProfileStringW(L"VerKey", L"UpdAddr", L"", address, 512, iniPath.c_str());
    m_strExeUrl = address;
    wchar_t identity[64] = {};
    ::GetPrivateProfileStringW(L"VerKey", L"XCJY", L"", identity, 64, iniPath.c_str());
    m_strExeIdentity = identity;
    wchar_t statement[512] = {};
    wchar_t signature[256] = {};
    ::GetPrivateProfileStringW(L"VerKey", L"Statement", L"", statement, 512, iniPath.c_str());
    ::GetPrivateProfileStringW(L"VerKey", L"Signature", L"", signature, 256, iniPath.c_str());
    m_strStatement = statement;
    m_strSignature = signature;
    ::DeleteFileW(iniPath.c_str());
    return TRUE;
}

BOOL CDownGameDlg::DownloadGameExe() {
    FetchOptions options = OperatorFileFetch(m_strExeUrl, m_szTempExe, TRUE, http::DownloadLimits(http::kGameClientMaxBytes));
    options.handleHolder = &m_handles;
    options.onProgress = [this, bar = ProgressBarReport(m_progress.m_hWnd)](unsigned percent, bool changed) {
        bar(percent, changed);
        // The label's text is the user-interface thread's data: the dialog
        // sets it there.
        if (changed) ::SendMessageW(m_hWnd, WM_DOWNLOAD_PERCENT, percent, 0);
    };
    return HttpFetch(options);
}

void CDownGameDlg::ShowPercent(unsigned percent) {
    m_stStatus.m_strText = http::ProgressLabelText(percent);
    m_stStatus.Invalidate();
}

void CDownGameDlg::OnDownloadState(DownloadState state) {
    SetCaptionText(state == Downloaded ? kDone : kFailed);
    if (state == ConfigFailed) return;  // OK stays disabled, Cancel enabled
    ::EnableWindow(m_btnOK.m_hWnd, TRUE);
    ::EnableWindow(m_btnCancel.m_hWnd, FALSE);
}

void CDownGameDlg::StopWorker() {
    if (!m_hThread) return;
    m_handles.Cancel();
    // The worker may be sending this thread a message right now: serve sent
    // messages while waiting, or both threads would wait for each other.
    HANDLE thread = m_hThread.get();
    while (::MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    m_hThread.reset();
}

void CDownGameDlg::OnCancel() {
    CDialog::OnCancel();
    StopWorker();
}

void CDownGameDlg::OnClose() {
    // Only once the download attempt is over; while it runs the close box
    // does nothing.
    if (::IsWindowEnabled(m_btnOK.m_hWnd)) EndDialog(IDCANCEL);
}

BOOL CDownGameDlg::PreTranslateMessage(MSG* msg) {
    // The dialog manager turns Escape into the Cancel button's command;
    // Escape must leave the download alone.
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE && (msg->hwnd == m_hWnd || ::IsChild(m_hWnd, msg->hwnd)))
        return TRUE;
    return CDlgEx::PreTranslateMessage(msg);
}

LRESULT CDownGameDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_DOWNLOAD_STATE:
        OnDownloadState(static_cast<DownloadState>(wParam));
        return 0;
    case WM_DOWNLOAD_PERCENT:
        ShowPercent(static_cast<unsigned>(wParam));
        return 0;
    default:
        return CDlgEx::WindowProc(msg, wParam, lParam);
    }
}

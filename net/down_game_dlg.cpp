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
#include "skin/dpi_scale.h"
#include "skin/skin_image.h"

namespace {

constexpr const wchar_t* kDownloading = L"游戏下载中...";
constexpr const wchar_t* kFailed = L"下载失败";
constexpr const wchar_t* kDone = L"下载完成";
// Cancel returns within a second even when the server has stopped sending.
constexpr DWORD kStopWaitMs = 500;

using DownloadState = CDownGameDlg::DownloadState;
constexpr UINT kStateMessage = CDownGameDlg::WM_DOWNLOAD_STATE;
constexpr UINT kPercentMessage = CDownGameDlg::WM_DOWNLOAD_PERCENT;

void Report(const DownloadJob& job, DownloadState state) {
    // Sent, not posted: the dialog has taken the new state before the worker
    // goes on. A cancelled job reports nothing.
    if (!job.handles.Cancelled()) ::SendMessageW(job.dialog, kStateMessage, state, 0);
}

BOOL FetchGameConfig(DownloadJob& job) {
    std::wstring iniPath;
    if (!MakeExeDirPath((job.gameName + L".ini").c_str(), iniPath)) return FALSE;
    FetchOptions options =
        OperatorFileFetch(job.configUrl, iniPath, FALSE, http::SmallFileLimits(http::kConfigMaxBytes));
    options.handleHolder = &job.handles;
    if (!HttpFetch(options)) return FALSE;
    auto read = [&](const wchar_t* key, std::wstring& out) {
        wchar_t value[512] = {};
        ::GetPrivateProfileStringW(L"VerKey", key, L"", value, 512, iniPath.c_str());
        out = value;
    };
    read(L"UpdAddr", job.exeUrl);
    read(L"XCJY", job.exeIdentity);
    job.exeIdentity = job.exeIdentity.substr(0, 63);
    read(L"Statement", job.statement);
    read(L"Signature", job.signature);
    ::DeleteFileW(iniPath.c_str());
    return TRUE;
}

BOOL DownloadGameExe(DownloadJob& job) {
    FetchOptions options =
        OperatorFileFetch(job.exeUrl, job.tempExe, TRUE, http::DownloadLimits(http::kGameClientMaxBytes));
    options.handleHolder = &job.handles;
    options.onProgress = [&job, bar = ProgressBarReport(job.bar)](unsigned percent, bool changed) {
        if (job.handles.Cancelled()) return;
        bar(percent, changed);
        // The label's text is the user-interface thread's data: the dialog
        // sets it there.
        if (changed) ::SendMessageW(job.dialog, kPercentMessage, percent, 0);
    };
    return HttpFetch(options);
}

// The download runs with the launcher's rights, so it is started only when it
// is the build the configuration publishes: its identity (digest and version
// text) must equal "XCJY", as for the launcher's own update, and the
// operator's signature must name this very file as this game's client. The
// file lies in the player's temp folder, which programs without those rights
// can write: it is held open against writing, renaming and deleting from
// before the check until the program has been started, so the checked file is
// the one started.
BOOL StartVerifiedDownload(DownloadJob& job) {
    fw::UniqueFile held(::CreateFileW(job.tempExe.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!held || !VerifyUpdateFile(job.tempExe, job.exeIdentity)) return FALSE;
    SignedBuildCheck check;
    check.path = job.tempExe;
    check.openFile = held.get();
    check.statement = job.statement;
    check.signatureHex = job.signature;
    check.product = signing::NarrowAscii(job.gameName).value_or("");  // a safe name is ASCII
    if (CheckSignedBuild(check) != SignatureCheck::Good) return FALSE;
    if (job.handles.Cancelled()) return FALSE;
    StartProgram(job.tempExe.c_str());
    return TRUE;
}

void RunDownload(DownloadJob& job) {
    if (!FetchGameConfig(job)) {
        Report(job, CDownGameDlg::ConfigFailed);
        return;
    }
    BOOL downloaded = DownloadGameExe(job);
    // A cancelled download is never started, and its partial file stays.
    if (job.handles.Cancelled()) return;
    if (downloaded) downloaded = StartVerifiedDownload(job);
    if (!downloaded) ::DeleteFileW(job.tempExe.c_str());
    Report(job, downloaded ? CDownGameDlg::Downloaded : CDownGameDlg::DownloadFailed);
}

}  // namespace

namespace {

// The window and its controls at 100 %: where template 158's dialog units put
// them with base units 6 x 13 ("MS Shell Dlg" 8 at 96 dpi). The buttons and
// the bar take the size of their skins afterwards, where they stand.
constexpr skin::Size kDesignSize{417, 138};
constexpr DesignPlace kControls[] = {
    {IDCANCEL, {333, 101, 408, 124}},
    {IDOK, {258, 101, 333, 124}},
    {IDC_PROGRESS_DOWNLOAD, {15, 67, 402, 87}},
    {IDC_ST_DOWNLOAD_STATUS, {165, 46, 252, 62}},
};

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

void CDownGameDlg::LayOutForDpi(int dpi) {
    LayOutSmallDialog(dpi, kDesignSize, kControls, m_bmpClose);
    // Without a game the dialog only says that it failed; its other controls
    // keep their template look.
    if (m_strGameName.empty()) return;
    const HINSTANCE module = AfxGetResourceHandle();
    AdoptBitmap(m_bmpButton, LoadPngResource(module, IDB_SMALL_BTN, dpi));
    for (CBtnEx* button : {&m_btnOK, &m_btnCancel}) button->SetImage(m_bmpButton.GetSafeHandle(), TRUE);
    m_stStatus.m_nFontHeight = skin::ScalePx(16, dpi);
    m_stStatus.Invalidate();
    m_progress.SetImages(LoadPngResource(module, IDB_PROGRESS_TRACK, dpi),
                         LoadPngResource(module, IDB_PROGRESS_FILL, dpi));
}

BOOL CDownGameDlg::OnInitDialog() {
    CDlgEx::OnInitDialog();
    SetCaptionText(kDownloading);
    LayOutForDpi(fw::WindowDpi(m_hWnd));
    if (m_strGameName.empty()) return TRUE;

    m_stStatus.m_strText.clear();
    m_stStatus.m_crText = RGB(72, 81, 86);
    m_stStatus.Invalidate();
    ::EnableWindow(m_btnOK.m_hWnd, FALSE);

    // The name came from a web page and becomes part of two file names.
    if (!IsSafeGameName(m_strGameName)) {
        OnDownloadState(DownloadFailed);
        return TRUE;
    }
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    m_job = std::make_shared<DownloadJob>();
    m_job->gameName = m_strGameName;
    m_job->tempExe = std::wstring(temp) + m_strGameName + L".exe";
    m_job->configUrl = site::ConfigFileUrl(CurrentSite());
    m_job->dialog = m_hWnd;
    m_job->bar = m_progress.m_hWnd;
    // Started last, when every control it reports to is ready. The worker
    // owns a share of the job.
    auto share = std::make_unique<std::shared_ptr<DownloadJob>>(m_job);
    m_hThread.reset(::CreateThread(nullptr, 0, DownloadThreadProc, share.get(), 0, nullptr));
    if (m_hThread) share.release();
    return TRUE;
}

DWORD WINAPI CDownGameDlg::DownloadThreadProc(LPVOID job) {
    std::unique_ptr<std::shared_ptr<DownloadJob>> share(static_cast<std::shared_ptr<DownloadJob>*>(job));
    RunDownload(**share);
    return 0;
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
    // Abandon, not Cancel: the handles stay the worker's, which ends at once
    // (it waits for its network calls and for the cancel, never in one) and
    // closes them itself. It writes nothing once this returns.
    m_job->handles.Abandon();
    // The worker may be sending this thread a message right now: serve sent
    // messages while waiting, or both threads would wait for each other.
    HANDLE thread = m_hThread.get();
    const DWORD start = ::GetTickCount();
    for (;;) {
        const DWORD waited = ::GetTickCount() - start;
        if (waited >= kStopWaitMs) break;
        DWORD woke = ::MsgWaitForMultipleObjects(1, &thread, FALSE, kStopWaitMs - waited, QS_SENDMESSAGE);
        if (woke != WAIT_OBJECT_0 + 1) break;
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
    case kStateMessage:
        OnDownloadState(static_cast<DownloadState>(wParam));
        return 0;
    case kPercentMessage:
        ShowPercent(static_cast<unsigned>(wParam));
        return 0;
    default:
        return CDlgEx::WindowProc(msg, wParam, lParam);
    }
}

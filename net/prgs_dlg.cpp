#include "net/prgs_dlg.h"

#include "framework/winapp.h"
#include "net/fetch_progress.h"
#include "res/resource.h"
#include "skin/skin_image.h"

namespace {
constexpr UINT_PTR kDownloadTimer = 0;
}

CPrgsDlg::CPrgsDlg() : CDialog(IDD_UPDATE_PROGRESS) {}

void CPrgsDlg::DoDataExchange() { DDX_Control(IDC_PROGRESS_UPDATE, m_progress); }

BOOL CPrgsDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CenterWindow(::GetDesktopWindow());
    ::SetTimer(m_hWnd, kDownloadTimer, 1, nullptr);
    HINSTANCE module = AfxGetResourceHandle();
    const int dpi = fw::WindowDpi(m_hWnd);
    m_progress.SetImages(LoadPngResource(module, IDB_PROGRESS_TRACK, dpi),
                         LoadPngResource(module, IDB_PROGRESS_FILL, dpi));
    return TRUE;
}

LRESULT CPrgsDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_TIMER) {
        LRESULT result = CDialog::WindowProc(msg, wParam, lParam);
        OnTimer();
        return result;
    }
    return CDialog::WindowProc(msg, wParam, lParam);
}

void CPrgsDlg::OnTimer() {
    ::KillTimer(m_hWnd, kDownloadTimer);
    EndDialog(DownloadUpdate() ? IDOK : IDCANCEL);
}

BOOL CPrgsDlg::DownloadUpdate() {
    FetchOptions options = OperatorFileFetch(m_szUrl.substr(0, 511), m_szFile, TRUE,
                                                 http::DownloadLimits(http::kUpdateMaxBytes));
    options.onProgress = ProgressBarReport(m_progress.m_hWnd);
    return HttpFetch(options);
}

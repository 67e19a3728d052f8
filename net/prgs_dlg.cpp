#include "net/prgs_dlg.h"

#include "framework/winapp.h"
#include "net/fetch_progress.h"
#include "res/resource.h"
#include "skin/dpi_scale.h"
#include "skin/skin_image.h"

namespace {

constexpr UINT_PTR kDownloadTimer = 0;

// The client area and the bar at 100 %: where template 129's dialog units put
// them with base units 6 x 13 ("MS Shell Dlg" 8 at 96 dpi), the bar the size
// of its track image (390 x 21).
constexpr skin::Size kDesignClient{417, 83};
constexpr skin::Rect kDesignBar{15, 21, 405, 42};

// Gives the window a client area of `client`: the frame and caption the
// system draws around it are measured, whatever their size at this scale.
void SizeClientArea(HWND wnd, skin::Size client) {
    RECT window{}, inside{};
    ::GetWindowRect(wnd, &window);
    ::GetClientRect(wnd, &inside);
    const int frameX = (window.right - window.left) - inside.right;
    const int frameY = (window.bottom - window.top) - inside.bottom;
    ::SetWindowPos(wnd, nullptr, 0, 0, client.cx + frameX, client.cy + frameY,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

CPrgsDlg::CPrgsDlg() : CDialog(IDD_UPDATE_PROGRESS) {}

void CPrgsDlg::DoDataExchange() { DDX_Control(IDC_PROGRESS_UPDATE, m_progress); }

BOOL CPrgsDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    // Sized first: centring takes the size the window has.
    LayOutForDpi(fw::WindowDpi(m_hWnd));
    CenterWindow(::GetDesktopWindow());
    ::SetTimer(m_hWnd, kDownloadTimer, 1, nullptr);
    return TRUE;
}

void CPrgsDlg::LayOutForDpi(int dpi) {
    SizeClientArea(m_hWnd, skin::ScaleSize(kDesignClient, dpi));
    const skin::Rect bar = skin::ScaleRect(kDesignBar, dpi);
    ::SetWindowPos(m_progress.m_hWnd, nullptr, bar.left, bar.top, bar.width(), bar.height(),
                   SWP_NOZORDER | SWP_NOACTIVATE);
    const HINSTANCE module = AfxGetResourceHandle();
    m_progress.SetImages(LoadPngResource(module, IDB_PROGRESS_TRACK, dpi),
                         LoadPngResource(module, IDB_PROGRESS_FILL, dpi));
}

LRESULT CPrgsDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_TIMER: {
        LRESULT result = CDialog::WindowProc(msg, wParam, lParam);
        OnTimer();
        return result;
    }
    case WM_DPICHANGED: {
        // Moved where the system suggests; the size is the layout's.
        const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
        ::SetWindowPos(m_hWnd, nullptr, suggested.left, suggested.top, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        LayOutForDpi(HIWORD(wParam));
        ::InvalidateRect(m_hWnd, nullptr, TRUE);
        return 0;
    }
    default:
        return CDialog::WindowProc(msg, wParam, lParam);
    }
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

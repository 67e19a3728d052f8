#include "net/down_game_dlg.h"

#include "res/resource.h"

CDownGameDlg::CDownGameDlg(const std::wstring& gameName, CWnd* parent)
    : CDlgEx(IDD_DOWNLOAD, parent), m_strGameName(gameName) {}

CDownGameDlg::~CDownGameDlg() { StopWorker(); }

BOOL CDownGameDlg::FetchGameConfig() { return FALSE; }
BOOL CDownGameDlg::DownloadGameExe() { return FALSE; }
DWORD WINAPI CDownGameDlg::DownloadThreadProc(LPVOID) { return 0; }
BOOL CDownGameDlg::OnInitDialog() { return CDlgEx::OnInitDialog(); }
void CDownGameDlg::DoDataExchange() {}
BOOL CDownGameDlg::OnCommand(WPARAM wParam, LPARAM lParam) { return CDlgEx::OnCommand(wParam, lParam); }
LRESULT CDownGameDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    return CDlgEx::WindowProc(msg, wParam, lParam);
}
void CDownGameDlg::OnCancelButton() {}
void CDownGameDlg::OnClose() {}
void CDownGameDlg::StopWorker() {}
void CDownGameDlg::RunDownload() {}

#include "net/pop_info_dlg.h"

#include "res/resource.h"

int g_nNoticeShown = 1;

CPopInfoDlg::CPopInfoDlg() : CDlgEx(IDD_NOTICE) {}

CPopInfoDlg::~CPopInfoDlg() {
    if (m_hWnd) DestroyWindow();
}

BOOL CPopInfoDlg::Create(CWnd* parent) { return CDialog::Create(IDD_NOTICE, parent); }

BOOL CPopInfoDlg::LoadNotice() { return FALSE; }
BOOL CPopInfoDlg::ShouldShowNotice(const std::wstring&) const { return FALSE; }
BOOL CPopInfoDlg::FetchNoticeText(std::wstring&) const { return FALSE; }
BOOL CPopInfoDlg::DownloadNoticePicture(const std::wstring&, const std::wstring&) const { return FALSE; }
BOOL CPopInfoDlg::PreTranslateMessage(MSG* msg) { return CDlgEx::PreTranslateMessage(msg); }
BOOL CPopInfoDlg::OnInitDialog() {
    CDlgEx::OnInitDialog();
    ::ShowWindow(m_hWnd, SW_HIDE);
    return TRUE;
}
void CPopInfoDlg::DoDataExchange() {}
LRESULT CPopInfoDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    return CDlgEx::WindowProc(msg, wParam, lParam);
}
BOOL CPopInfoDlg::OnCommand(WPARAM wParam, LPARAM lParam) { return CDlgEx::OnCommand(wParam, lParam); }

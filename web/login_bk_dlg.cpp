#include "web/login_bk_dlg.h"

#include "res/resource.h"

CLoginBkDlg::CLoginBkDlg(CWnd* parent) : CDialog(IDD_LOGIN, parent) {}

BOOL CLoginBkDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    return TRUE;
}

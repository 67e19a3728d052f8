#include "mainwnd/launcher_dlg.h"

#include "res/resource.h"

CLauncherDlg::CLauncherDlg(CWnd* parent) : CDialog(IDD_MAIN, parent) {}

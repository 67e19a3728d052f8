#include "net/prgs_dlg.h"

#include "res/resource.h"

CPrgsDlg::CPrgsDlg() : CDialog(IDD_UPDATE_PROGRESS) {}

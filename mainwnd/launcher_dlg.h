// The main launcher window. Runs once the login has added a game page.
#pragma once

#include "framework/dialog.h"

class CLauncherDlg : public CDialog {
public:
    explicit CLauncherDlg(CWnd* parent = nullptr);
};

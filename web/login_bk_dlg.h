// The login background window. It will host the lobby login page; until then it
// is the bare window, which the player closes with Esc.
#pragma once

#include "framework/dialog.h"

class CLoginBkDlg : public CDialog {
public:
    explicit CLoginBkDlg(CWnd* parent = nullptr);

protected:
    BOOL OnInitDialog() override;
};

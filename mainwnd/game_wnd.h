// A game page: one operator page in a window over the main window's client area.
// For now the window is an empty dialog that remembers its address; the page
// hosting comes with the browser control.
#pragma once

#include "framework/dialog.h"

#include <string>

class CGameWnd : public CDialog {
public:
    ~CGameWnd() override { DestroyOwnWindow(); }  // window lifetime rule: framework/wnd.h
    explicit CGameWnd(std::wstring address);
    ~CGameWnd() override;
    const std::wstring& GetAddress() const { return m_strAddress; }
    // Creates the (hidden) page window owned by owner.
    BOOL CreatePage(CWnd* owner);

protected:
    void OnOK() override {}
    void OnCancel() override {}

private:
    std::wstring m_strAddress;
};

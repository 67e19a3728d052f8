// CMenuDlg: the link bar over the login frame's panel. A colour-keyed layered
// window: everything but the button pictures is see-through and lets clicks
// through to the frame. Close and minimise act on the login frame (the owner);
// four buttons open the operator's pages in the default browser.
#pragma once

#include "framework/dialog.h"
#include "skin/btn_ex.h"

#include <string>

class CMenuDlg : public CDialog {
public:
    CMenuDlg();
    ~CMenuDlg() override;

    // Enter on the link bar does nothing.
    BOOL PreTranslateMessage(MSG* msg) override;

    // The page button `id` opens (1029 to 1032), from the operator site's hosts.
    static std::wstring LinkAddress(int id);

    HICON m_hIcon;
    fw::UniqueBrush m_brKey;
    CBtnEx m_btnExit;
    CBtnEx m_btnMinimize;
    CBtnEx m_btnSite;
    CBtnEx m_btnRecharge;
    CBtnEx m_btnService;
    CBtnEx m_btnForum;

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // The bar is never "ended" by Enter or Escape: it lives as long as the frame.
    void OnOK() override {}
    void OnCancel() override {}

private:
    // The buttons' pictures and places for a display of `dpi`.
    void LayOutButtons(int dpi);
    void OnExit();
    void OnMinimize();
};

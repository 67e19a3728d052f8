// CLoginBkDlg: the login frame. A layered window painted once from the frame
// image with its own per-pixel alpha, dragged by any pixel, topmost. It owns
// the link bar and the login window and keeps them at their offsets over its
// panel through every move, show and hide. Its modal result says how the
// login ended: IDOK when a game page was added (or a new launcher started),
// IDCANCEL otherwise.
#pragma once

#include "framework/dialog.h"
#include "skin/skin_image.h"
#include "web/login_dlg.h"
#include "web/login_target.h"
#include "web/menu_dlg.h"

class CLoginBkDlg : public CDialog {
public:
    // A "loadgame" of the login hands its page to pages. The frame picture
    // comes from `background` when start-up decodes it ahead (it must outlive
    // the window's initialisation), otherwise it is decoded there.
    explicit CLoginBkDlg(CLoginTarget& pages, CWnd* parent = nullptr, PrefetchedPng* background = nullptr);
    ~CLoginBkDlg() override;

    // Enter on the frame does nothing.
    BOOL PreTranslateMessage(MSG* msg) override;

    // Where the owned windows lie, relative to the frame's top-left corner, in
    // design pixels (100 %); the frame scales them to its display.
    static constexpr RECT kLinkBarRect{391, 122, 391 + 548, 122 + 380};
    static constexpr RECT kLoginRect{388, 198, 388 + 535, 198 + 295};

    HICON m_hIcon;
    fw::UniqueBitmap m_bmpBackground;  // the frame image at m_nDpi, premultiplied alpha
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nDpi = 96;  // the display the frame was drawn for
    CLoginDlg m_dlgLogin;
    CMenuDlg m_dlgMenu;

    // Ends the login unless a page has been handed over already (handedOver:
    // this end is the handover, and final). Every end of the login comes here.
    void EndLogin(int result, bool handedOver);

protected:
    BOOL OnInitDialog() override;
    // Escape or closing the frame.
    void OnCancel() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateOwnedWindows();
    // The one minimise rule of the login (WM_LOGIN_MINIMIZE).
    void MinimizeLogin();
    void PaintLayered();
    // Loads the frame image for the window's display and sizes the window to it.
    void LoadBackground(int dpi);
    void PlaceOwnedWindows(int x, int y);
    void ShowOwnedWindows(bool show);
    void RaiseOwnedWindows();

    CLoginTarget& m_pages;
    PrefetchedPng* m_background;
    bool m_bHandedOver = false;
    bool m_bOwnedWindowsAsked = false;
};

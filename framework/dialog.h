// CDialog: a window made from a dialog template, run modally by our own message
// loop (so the pre-translation walk sees every message of the windows inside it)
// or created modeless.
#pragma once

#include "framework/wnd.h"

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId = 0, CWnd* parent = nullptr) : m_nIDTemplate(templateId), m_pParentWnd(parent) {}
    // For an object made of CDialog itself (see the lifetime rule in wnd.h).
    ~CDialog() override { DestroyOwnWindow(); }

    // Runs the dialog modally: creates it from the template, disables its owner,
    // pumps messages until EndDialog, destroys it. The owner is the top-level
    // window of the parent given to the constructor; without one, the main
    // window's last active popup (fw::SafeOwner). Returns the EndDialog value,
    // or -1 when the window could not be made or the message queue failed. A
    // WM_QUIT ends the loop (IDCANCEL) and is posted again for the loops outside.
    virtual INT_PTR DoModal();
    // Makes the window of a later DoModal now: created from the template and
    // initialised, with the owner DoModal would take, but neither shown nor
    // its owner disabled. DoModal then runs this window instead of making one;
    // an EndDialog before it makes DoModal return at once, never shown. FALSE
    // when the window could not be made (DoModal then tries again).
    BOOL CreateForModal();
    // Creates the dialog modeless, owned by parent, or by the application's
    // main window when there is no parent. The object must outlive the window
    // (see the lifetime rule in framework/wnd.h).
    BOOL Create(UINT templateId, CWnd* parent = nullptr);
    void EndDialog(int result);

    bool IsModal() const { return m_bModal; }
    UINT GetTemplateId() const { return m_nIDTemplate; }

    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    // Runs the data exchange; subclasses call it first from their override.
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    // Binds template controls to member objects with DDX_Control.
    virtual void DoDataExchange() {}
    void DDX_Control(int id, CWnd& control);

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

    UINT m_nIDTemplate;
    CWnd* m_pParentWnd;
    // Cleared by a dialog whose template holds no common control and that
    // makes none: it is then made without loading their library.
    bool m_bUsesCommonControls = true;

private:
    static INT_PTR CALLBACK DialogProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    BOOL HandleInitDialog(HWND wnd);
    HWND CreateFromTemplate(HWND owner);

    bool m_bModal = false;
    bool m_bEnded = false;
    bool m_bMadeForModal = false;  // the window is CreateForModal's, not yet run
    HWND m_hModalOwner = nullptr;
    INT_PTR m_nModalResult = -1;
};

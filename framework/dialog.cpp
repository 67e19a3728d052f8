#include "framework/dialog.h"

#include "framework/winapp.h"

INT_PTR CALLBACK CDialog::DialogProc(HWND wnd, UINT msg, WPARAM, LPARAM lParam) {
    // Everything but WM_INITDIALOG reaches the object through its subclass,
    // which sits in front of the dialog manager; this procedure only makes the
    // link. Messages sent during creation before WM_INITDIALOG (WM_SETFONT and
    // the like) go to the dialog manager unseen.
    if (msg == WM_INITDIALOG) return reinterpret_cast<CDialog*>(lParam)->HandleInitDialog(wnd);
    return FALSE;
}

BOOL CDialog::HandleInitDialog(HWND wnd) {
    if (!AttachCreated(wnd)) return TRUE;
    RECT before{};
    ::GetWindowRect(wnd, &before);
    BOOL result = OnInitDialog();
    // A dialog that did not place itself during its initialisation is centred
    // over its owner (or in the work area), since the templates leave their
    // position open.
    RECT after{};
    ::GetWindowRect(wnd, &after);
    if (m_hWnd && !(GetStyle() & WS_CHILD) && after.left == before.left && after.top == before.top) CenterWindow();
    return result;
}

HWND CDialog::CreateFromTemplate(HWND owner) {
    if (m_bUsesCommonControls) fw::EnsureCommonControls();
    HWND wnd = ::CreateDialogParamW(AfxGetResourceHandle(), MAKEINTRESOURCEW(m_nIDTemplate), owner, DialogProc,
                                    reinterpret_cast<LPARAM>(this));
    // The window exists but this object could not attach to it: nobody would
    // ever destroy it.
    if (wnd && m_hWnd != wnd && ::IsWindow(wnd)) {
        ::DestroyWindow(wnd);
        return nullptr;
    }
    return wnd;
}

BOOL CDialog::CreateForModal() {
    if (m_hWnd) return FALSE;
    m_hModalOwner = fw::SafeOwner(m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr);
    m_bModal = true;
    m_bEnded = false;
    m_nModalResult = -1;
    if (!CreateFromTemplate(m_hModalOwner) || !m_hWnd) {
        m_bModal = false;
        return FALSE;
    }
    m_bMadeForModal = true;
    return TRUE;
}

INT_PTR CDialog::DoModal() {
    if (!m_bMadeForModal && !CreateForModal()) return -1;
    if (!m_hWnd) {
        // Made ahead and destroyed since.
        m_bMadeForModal = m_bModal = false;
        return -1;
    }
    m_bMadeForModal = false;
    HWND owner = m_hModalOwner;
    bool disabledOwner = owner && ::IsWindowEnabled(owner);
    if (disabledOwner) ::EnableWindow(owner, FALSE);
    if (!m_bEnded) ::ShowWindow(m_hWnd, SW_SHOWNORMAL);

    MSG msg{};
    bool quit = false;
    while (!m_bEnded && m_hWnd) {
        if (!fw::GetNextMessage(msg, &quit)) {
            if (quit) {
                // Quitting: leave this loop and let the outer ones see WM_QUIT too.
                ::PostQuitMessage(static_cast<int>(msg.wParam));
                if (!m_bEnded) m_nModalResult = IDCANCEL;
            } else if (!m_bEnded) {
                m_nModalResult = -1;  // the message queue failed: the dialog cannot go on
            }
            break;
        }
        fw::PumpMessage(msg, m_hWnd);
    }

    // The owner is enabled again before this window goes, so that activation
    // returns to it and not to some other application's window.
    if (disabledOwner) ::EnableWindow(owner, TRUE);
    if (m_hWnd) {
        if (owner && ::GetActiveWindow() == m_hWnd) ::SetActiveWindow(owner);
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                       SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        DestroyWindow();
    }
    m_bModal = false;
    return m_nModalResult;
}

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
    if (m_hWnd) return FALSE;
    if (templateId) m_nIDTemplate = templateId;
    if (parent) m_pParentWnd = parent;
    m_bModal = false;
    m_bEnded = false;
    HWND owner = m_pParentWnd ? m_pParentWnd->m_hWnd : fw::MainWindowOwner();
    return CreateFromTemplate(owner) != nullptr && m_hWnd != nullptr;
}

void CDialog::EndDialog(int result) {
    m_nModalResult = result;
    if (m_bModal) {
        m_bEnded = true;
        // Wakes the modal loop if this came from outside a dispatched message.
        if (m_hWnd) ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
    } else if (m_hWnd) {
        ::ShowWindow(m_hWnd, SW_HIDE);
    }
}

BOOL CDialog::PreTranslateMessage(MSG* msg) {
    // Keyboard navigation of the dialog (Tab, Enter, Esc, mnemonics) for keys
    // meant for this dialog or a control inside it.
    if (msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST &&
        (msg->hwnd == m_hWnd || ::IsChild(m_hWnd, msg->hwnd)))
        return ::IsDialogMessageW(m_hWnd, msg);
    return FALSE;
}

BOOL CDialog::OnInitDialog() {
    DoDataExchange();
    return TRUE;
}

void CDialog::OnOK() { EndDialog(IDOK); }
void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::DDX_Control(int id, CWnd& control) {
    if (!control.m_hWnd) control.SubclassDlgItem(id, this);
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) == BN_CLICKED || lParam == 0) {
        switch (LOWORD(wParam)) {
        case IDOK:
            OnOK();
            return TRUE;
        case IDCANCEL:
            OnCancel();
            return TRUE;
        default:
            break;
        }
    }
    return CWnd::OnCommand(wParam, lParam);
}

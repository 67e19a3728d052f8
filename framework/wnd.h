// CWnd: a C++ object tied to a window. Every window of the launcher, dialog or
// control, is subclassed with SetWindowSubclass so that its object sees each
// message first through the one virtual WindowProc; what a class does not handle
// goes on to the window's original procedure through DefWindowProc.
#pragma once

#include "framework/gdi.h"

#include <string>

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    // The object attached to a window by this layer, or nullptr.
    static CWnd* FromHandlePermanent(HWND wnd);

    // Attaches this object to an existing window (PreSubclassWindow runs first,
    // with m_hWnd already set). Fails if the object or the window is taken.
    bool SubclassWindow(HWND wnd);
    bool SubclassDlgItem(int id, CWnd* parent);
    // Detaches without destroying the window.
    HWND UnsubclassWindow();

    // Creates a window in code and attaches this object to it.
    bool CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style, const RECT& rect,
                  HWND parent, UINT id);
    BOOL DestroyWindow();

    // Offered every queued message on its way from the message loop to the
    // window, for this window and each window that contains or owns it. TRUE
    // means "handled, do not dispatch".
    virtual BOOL PreTranslateMessage(MSG* msg);

    // Walks from msg->hwnd up through parents and owners, giving each attached
    // object its PreTranslateMessage, and stops after hWndStop.
    static BOOL WalkPreTranslateTree(HWND hWndStop, MSG* msg);

    // Style helpers.
    void ModifyStyle(DWORD remove, DWORD add);
    void ModifyStyleEx(DWORD remove, DWORD add);
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)); }
    std::wstring GetWindowText() const;
    RECT GetWindowRect() const;
    RECT GetClientRect() const;
    HFONT GetFont() const { return reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0)); }
    void Invalidate(BOOL erase = TRUE) const { ::InvalidateRect(m_hWnd, nullptr, erase); }
    // Centres over the owner when it is visible and not minimised, otherwise
    // in the work area.
    void CenterWindow(HWND alternateOwner = nullptr);

protected:
    virtual void PreSubclassWindow() {}
    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    // The next procedure in the chain (the window's own or the dialog manager's).
    LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);

    // WM_COMMAND and WM_NOTIFY addressed to this window. TRUE: handled.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
    // Messages a parent reflects back to the control they concern
    // (WM_DRAWITEM, WM_NOTIFY, WM_COMMAND). TRUE: handled, *result is the answer.
    virtual BOOL OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // After the window is gone and this object is detached.
    virtual void PostNcDestroy() {}

    // Sets up the link between this object and wnd.
    bool Attach(HWND wnd);
    // The same for a window this object made: it is destroyed with the object.
    bool AttachCreated(HWND wnd) {
        if (!Attach(wnd)) return false;
        m_bCreated = true;
        return true;
    }

private:
    static LRESULT CALLBACK SubclassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR ref);
    bool ReflectToChild(HWND child, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
    void Detach();

    bool m_bCreated = false;  // created by this object, so destroyed with it
};

namespace fw {
// One message through the pre-translation walk, then translated and dispatched.
// hWndStop ends the walk (nullptr walks to the top-level window).
void PumpMessage(MSG& msg, HWND hWndStop);
// The owner a modal window or message box should get: the last active popup of
// the top-level window of `preferred`, else of the application's main window,
// else the thread's active window; nullptr if none.
HWND SafeOwner(HWND preferred);
}  // namespace fw

// CWnd: a C++ object tied to a window. Every window of the launcher, dialog or
// control, is subclassed with SetWindowSubclass so that its object sees each
// message first through the one virtual WindowProc; what a class does not handle
// goes on to the window's original procedure through DefWindowProc.
//
// WINDOW LIFETIMES: a window dies while its whole object still exists.
//
//   C++ destroys an object from the most derived class down. Once the derived
//   class's destructor has run, its WindowProc and PostNcDestroy are gone, and
//   messages sent while the window is destroyed (WM_DESTROY, WM_NCDESTROY, the
//   WM_PARENTNOTIFY of a child control going first) would reach a half-destroyed
//   object. So:
//
//   1. Whoever makes a window destroys it before the object goes:
//      - DoModal destroys its window before it returns;
//      - a window made with Create / CreateEx (modeless dialogs, controls made
//        in code) is destroyed by the object's owner (DestroyWindow) before it
//        deletes the object, OR by the object's own most derived class, which
//        then calls DestroyOwnWindow() first thing in its destructor:
//            ~CMyPageDlg() override { DestroyOwnWindow(); }
//        A class that others derive from cannot do this for them: its
//        destructor runs after theirs. (The framework's own classes do it for
//        objects made of them directly: a plain CDialog, CButton, ...)
//   2. The base classes never destroy a window for a derived class. When an
//      object is deleted while the window it made still exists, ~CWnd detaches
//      the object first, then destroys the window (nothing is left behind and no
//      message reaches the object), and records the breach of rule 1 (see
//      fw::TakeLifetimeBreaches; the Windows-side tests fail on any).
//   3. From the moment the most derived destructor has finished, no message is
//      handed to the object's WindowProc any more; the window's own procedure
//      answers instead.
//   4. Never create or attach a window in a constructor: the object is not
//      whole yet, and rule 3 would keep every message from it.
//   5. A window the object only subclassed (SubclassWindow, DDX_Control) is not
//      the object's: the base destructor hands it back to its own procedure.
//   6. PostNcDestroy runs after WM_NCDESTROY, when the object is detached; it is
//      the one place where an object may delete itself.
//
// OWNERS: a modal dialog given a parent is owned by the parent's top-level
// window, which is disabled while it runs; without a parent, by the main
// window's last active popup (fw::SafeOwner). A modeless dialog created without
// a parent is owned by the application's main window (fw::MainWindowOwner), so that it is
// hidden, shown and destroyed with it and has no taskbar button of its own.
#pragma once

#include "framework/gdi.h"

#include <string>
#include <typeinfo>
#include <vector>

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
    // For destructors (the lifetime rule above): destroys the window if this
    // object made it, otherwise only hands it back to its own procedure.
    void DestroyOwnWindow();

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
    // Whether the object is still the one that attached the window: false once
    // the most derived destructor has run (rule 3 above).
    bool IsWhole() const { return m_pAttachedType && typeid(*this) == *m_pAttachedType; }
    void RecordBreach() const;

    static LRESULT CALLBACK SubclassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    bool ReflectToChild(HWND child, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
    void Detach();

    bool m_bCreated = false;  // created by this object, so destroyed with it
    WNDPROC m_pfnSuper = nullptr;  // the procedure the window had before it was attached
    const std::type_info* m_pAttachedType = nullptr;  // the object's class when it attached
};

namespace fw {
// What windows need of the application object, which lies above them: the
// module their templates and classes come from, and the main window. CWinApp
// registers itself; with no application the running executable is the module
// and there is no main window.
class ApplicationLink {
public:
    virtual HINSTANCE Module() const = 0;
    virtual CWnd* MainWindow() const = 0;
    // The main window's window is going (WM_NCDESTROY): the application
    // forgets it before the object can be deleted.
    virtual void ForgetMainWindow(const CWnd* window) = 0;

protected:
    ~ApplicationLink() = default;
};
// Registers the application (nullptr: none).
void SetApplicationLink(ApplicationLink* app);
ApplicationLink* CurrentApplication();
// The registered application's module, or the running executable's.
HINSTANCE ApplicationModule();

// Registers the common controls' window classes, once per process; their
// library loads at this first call. Dialogs do it before they are made.
void EnsureCommonControls();
// One message through the pre-translation walk, then translated and dispatched.
// hWndStop ends the walk (nullptr walks to the top-level window).
void PumpMessage(MSG& msg, HWND hWndStop);
// The owner a modal window or message box should get: the top-level window of
// `parent` when one is given; otherwise the last active (enabled) popup of the
// application's main window, else the thread's active window; nullptr if none.
HWND SafeOwner(HWND parent);
// The top-level window of the application's main window, or nullptr: the owner
// of modeless windows created without a parent.
HWND MainWindowOwner();
// Waits for the next message of the thread. False when the loop must end:
// WM_QUIT (*quit set to true, msg.wParam is the exit code) or a failure of
// GetMessage (-1; *quit stays false).
bool GetNextMessage(MSG& msg, bool* quit);
// The DPI a window is shown at: GetDpiForWindow where the system has it (per
// monitor), else the screen's LOGPIXELSX; 96 without a window.
int WindowDpi(HWND wnd);
// The system's DPI (the screen's LOGPIXELSX), for what exists before its window.
int SystemDpi();
// Windows deleted with their object (breaches of the lifetime rule above), as
// "object class (window class)"; the list is handed over and cleared.
std::vector<std::wstring> TakeLifetimeBreaches();
}  // namespace fw

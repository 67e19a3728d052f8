// The framework's modal loop: the pre-translation walk through contained and
// owned windows, EndDialog results, and quitting through nested loops.
#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/sessions.h"
#include "framework/winapp.h"
#include "res/resource.h"

#include <commctrl.h>
#include <gdiplus.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

std::vector<std::wstring>* g_log = nullptr;

void Log(const wchar_t* who, const MSG* msg) {
    if (g_log && msg->message == WM_KEYDOWN)
        g_log->push_back(std::wstring(who) + L":" + static_cast<wchar_t>(msg->wParam));
}

class RecordingEdit : public CWnd {
public:
    BOOL PreTranslateMessage(MSG* msg) override {
        Log(L"edit", msg);
        return msg->message == WM_KEYDOWN && msg->wParam == 'Z';  // swallowed
    }
    int keysSeen = 0;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_KEYDOWN) ++keysSeen;
        return CWnd::WindowProc(msg, wParam, lParam);
    }
};

class RecordingPopup : public CDialog {
public:
    RecordingPopup() : CDialog(IDD_MSGBOX) {}
    // Looks without taking: a dialog's own keyboard handling would keep the
    // key, and the walk is meant to go on to the owner here.
    BOOL PreTranslateMessage(MSG* msg) override {
        Log(L"popup", msg);
        return FALSE;
    }
};

// A modal dialog with a control inside it and a modeless window it owns; a
// timer posts keys to both and then ends the dialog.
class WalkDlg : public CDialog {
public:
    WalkDlg() : CDialog(IDD_SETTINGS) {}
    BOOL PreTranslateMessage(MSG* msg) override {
        Log(L"dialog", msg);
        return CDialog::PreTranslateMessage(msg);
    }
    RecordingEdit edit;
    RecordingPopup popup;

protected:
    void DoDataExchange() override { DDX_Control(IDC_EDIT_BOSSKEY, edit); }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        popup.Create(IDD_MSGBOX, this);
        ::SetTimer(m_hWnd, 1, 10, nullptr);
        return TRUE;
    }
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_TIMER) {
            ::KillTimer(m_hWnd, 1);
            ::PostMessageW(edit.m_hWnd, WM_KEYDOWN, 'A', 0);
            ::PostMessageW(popup.m_hWnd, WM_KEYDOWN, 'B', 0);
            ::PostMessageW(edit.m_hWnd, WM_KEYDOWN, 'Z', 0);
            ::PostMessageW(m_hWnd, WM_APP, 0, 0);
            return 0;
        }
        if (msg == WM_APP) {
            EndDialog(42);
            return 0;
        }
        return CDialog::WindowProc(msg, wParam, lParam);
    }
};

TEST(Framework, ModalLoopWalksFromTheTargetThroughContainersAndOwners) {
    std::vector<std::wstring> log;
    g_log = &log;
    WalkDlg dlg;
    EXPECT_EQ(dlg.DoModal(), 42);
    g_log = nullptr;
    const std::vector<std::wstring> expected = {L"edit:A", L"dialog:A", L"popup:B", L"dialog:B", L"edit:Z"};
    EXPECT_EQ(log, expected);
    EXPECT_EQ(dlg.m_hWnd, nullptr) << "the modal window is gone when DoModal returns";
    EXPECT_EQ(dlg.edit.m_hWnd, nullptr) << "controls are detached with it";
    EXPECT_EQ(dlg.edit.keysSeen, 1) << "a swallowed key never reaches the control";
}

// Quitting while modal windows are nested ends every loop, innermost first,
// and leaves WM_QUIT for the loop outside them.
class NestingDlg : public CDialog {
public:
    explicit NestingDlg(int depth) : CDialog(IDD_MSGBOX), depth_(depth) {}
    INT_PTR innerResult = 0;

protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        ::SetTimer(m_hWnd, 1, 10, nullptr);
        return TRUE;
    }
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_TIMER) {
            ::KillTimer(m_hWnd, 1);
            if (depth_ > 1) {
                NestingDlg inner(depth_ - 1);
                innerResult = inner.DoModal();
            } else {
                ::PostQuitMessage(7);
            }
            return 0;
        }
        return CDialog::WindowProc(msg, wParam, lParam);
    }

private:
    int depth_;
};

TEST(Framework, QuitEndsNestedModalLoopsAndIsPostedAgain) {
    NestingDlg outer(2);
    EXPECT_EQ(outer.DoModal(), IDCANCEL);
    EXPECT_EQ(outer.innerResult, IDCANCEL);
    MSG msg{};
    ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}

// A dialog made ahead of its modal run: counts its initialisations, notes
// whether it was ever shown and which window the loop ran, and ends itself
// from a timer.
class AheadDlg : public CDialog {
public:
    AheadDlg() : CDialog(IDD_MSGBOX) {}
    int inits = 0;
    bool shown = false;
    HWND ranWindow = nullptr;

protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        ++inits;
        ::SetTimer(m_hWnd, 1, 10, nullptr);
        return TRUE;
    }
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_SHOWWINDOW && wParam) shown = true;
        if (msg == WM_TIMER) {
            ::KillTimer(m_hWnd, 1);
            ranWindow = m_hWnd;
            EndDialog(5);
            return 0;
        }
        return CDialog::WindowProc(msg, wParam, lParam);
    }
};

TEST(Framework, ADialogMadeAheadRunsModallyOnceAndAnEarlyEndNeverShowsIt) {
    {
        AheadDlg dlg;
        ASSERT_TRUE(dlg.CreateForModal());
        const HWND made = dlg.m_hWnd;
        EXPECT_FALSE(::IsWindowVisible(made)) << "made, not shown";
        EXPECT_FALSE(dlg.CreateForModal()) << "one window at a time";
        EXPECT_EQ(dlg.DoModal(), 5);
        EXPECT_EQ(dlg.inits, 1) << "the loop ran the window made ahead, not a new one";
        EXPECT_EQ(dlg.ranWindow, made);
        EXPECT_TRUE(dlg.shown);
        EXPECT_EQ(dlg.m_hWnd, nullptr);
        EXPECT_EQ(dlg.DoModal(), 5) << "and the next run makes its own window again";
        EXPECT_EQ(dlg.inits, 2);
    }
    {
        AheadDlg dlg;
        ASSERT_TRUE(dlg.CreateForModal());
        dlg.EndDialog(3);
        EXPECT_EQ(dlg.DoModal(), 3);
        EXPECT_FALSE(dlg.shown);
        EXPECT_EQ(dlg.m_hWnd, nullptr);
    }
}

}  // namespace

namespace {

TEST(Framework, AModelessDialogGoesWithItsObject) {
    HWND wnd = nullptr;
    {
        CDialog dlg(IDD_MSGBOX);  // a plain CDialog is its own most derived class
        ASSERT_TRUE(dlg.Create(IDD_MSGBOX));
        wnd = dlg.m_hWnd;
        EXPECT_EQ(CWnd::FromHandlePermanent(wnd), &dlg);
    }
    EXPECT_FALSE(::IsWindow(wnd));
    EXPECT_EQ(CWnd::FromHandlePermanent(wnd), nullptr);
}

}  // namespace

// ---------------------------------------------------------------- owners

namespace {

// Makes `wnd` the application's main window for a scope. The test program may
// or may not link an application object; without one a plain CWinApp stands in.
class MainWindowScope {
public:
    explicit MainWindowScope(CWnd* wnd) {
        if (!AfxGetApp()) standIn_ = std::make_unique<CWinApp>();
        previous_ = std::exchange(AfxGetApp()->m_pMainWnd, wnd);
    }
    ~MainWindowScope() { AfxGetApp()->m_pMainWnd = previous_; }
    MainWindowScope(const MainWindowScope&) = delete;
    MainWindowScope& operator=(const MainWindowScope&) = delete;

private:
    std::unique_ptr<CWinApp> standIn_;
    CWnd* previous_ = nullptr;
};

// A modeless dialog that is destroyed with its object.
class Modeless : public CDialog {
public:
    explicit Modeless(UINT templateId = IDD_MSGBOX) : CDialog(templateId) {}
    ~Modeless() override { DestroyOwnWindow(); }
};

// Records, from inside its modal run, who owns it and whether the candidate
// owners are enabled, then ends.
class OwnerProbe : public CDialog {
public:
    explicit OwnerProbe(CWnd* parent) : CDialog(IDD_MSGBOX, parent) {}
    HWND owner = nullptr;
    std::vector<HWND> watched;
    std::vector<BOOL> enabledDuringRun;

protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        ::PostMessageW(m_hWnd, WM_APP, 0, 0);
        return TRUE;
    }
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_APP) {
            owner = ::GetWindow(m_hWnd, GW_OWNER);
            for (HWND wnd : watched) enabledDuringRun.push_back(::IsWindowEnabled(wnd));
            EndDialog(IDOK);
            return 0;
        }
        return CDialog::WindowProc(msg, wParam, lParam);
    }
};

// A main-like window with an owned popup (a game page, say) that was active
// last: a modal dialog given the main window (or a control in it) as parent is
// owned by the main window and disables it; only a dialog without a parent
// goes to the last active popup.
TEST(Framework, ModalOwnerIsTheParentsTopLevelWindowNotItsLastActivePopup) {
    Modeless main(IDD_SETTINGS);
    ASSERT_TRUE(main.Create(IDD_SETTINGS));
    ::ShowWindow(main, SW_SHOW);
    Modeless page;
    ASSERT_TRUE(page.Create(IDD_MSGBOX, &main));
    ::ShowWindow(page, SW_SHOW);
    ASSERT_EQ(::GetWindow(page, GW_OWNER), main.m_hWnd);
    CWnd control;
    ASSERT_TRUE(control.SubclassDlgItem(IDC_EDIT_BOSSKEY, &main));
    MainWindowScope scope(&main);

    struct Case {
        const char* what;
        CWnd* parent;
        HWND expectedOwner;
    } cases[] = {
        {"parent: the main window", &main, main.m_hWnd},
        {"parent: a control of the main window", &control, main.m_hWnd},
        {"no parent", nullptr, page.m_hWnd},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ::SetActiveWindow(page);
        ASSERT_EQ(::GetLastActivePopup(main), page.m_hWnd) << "the popup must be the last active one";
        OwnerProbe probe(c.parent);
        probe.watched = {c.expectedOwner};
        EXPECT_EQ(probe.DoModal(), IDOK);
        EXPECT_EQ(probe.owner, c.expectedOwner);
        EXPECT_EQ(probe.enabledDuringRun, std::vector<BOOL>{FALSE}) << "the owner is disabled for the run";
        EXPECT_TRUE(::IsWindowEnabled(c.expectedOwner)) << "and enabled again after it";
    }
}

// A modeless dialog created without a parent belongs to the main window: it is
// hidden and destroyed with it and has no taskbar button of its own.
TEST(Framework, ModelessDialogWithoutParentIsOwnedByTheMainWindow) {
    Modeless main(IDD_SETTINGS);
    ASSERT_TRUE(main.Create(IDD_SETTINGS));
    MainWindowScope scope(&main);
    Modeless notice;
    ASSERT_TRUE(notice.Create(IDD_MSGBOX));
    EXPECT_EQ(::GetWindow(notice, GW_OWNER), main.m_hWnd);
    main.DestroyWindow();
    EXPECT_EQ(notice.m_hWnd, nullptr) << "an owned window goes with its owner";
}

}  // namespace

// ---------------------------------------------------------------- lifetimes

namespace {

std::vector<std::wstring>* g_events = nullptr;

void Event(const std::wstring& what) {
    if (g_events) g_events->push_back(what);
}

const wchar_t* NameOf(UINT msg) {
    switch (msg) {
    case WM_DESTROY: return L"WM_DESTROY";
    case WM_NCDESTROY: return L"WM_NCDESTROY";
    case WM_PARENTNOTIFY: return L"WM_PARENTNOTIFY";
    default: return nullptr;
    }
}

// A modeless dialog with a child control made in code; it logs the messages of
// destruction that reach it.
class DialogWithChild : public CDialog {
public:
    DialogWithChild() : CDialog(IDD_MSGBOX) {}
    bool Make() { return Create(IDD_MSGBOX) && child.Create(L"x", WS_CHILD | WS_VISIBLE, RECT{0, 0, 40, 20}, this, 100); }
    CButton child;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (const wchar_t* name = NameOf(msg)) Event(std::wstring(L"base:") + name);
        return CDialog::WindowProc(msg, wParam, lParam);
    }
};

// Follows the rule: the most derived class destroys its window.
class PageDlg : public DialogWithChild {
public:
    ~PageDlg() override {
        DestroyOwnWindow();
        Event(L"~page");
    }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (const wchar_t* name = NameOf(msg)) Event(std::wstring(L"page:") + name);
        return DialogWithChild::WindowProc(msg, wParam, lParam);
    }
    void PostNcDestroy() override { Event(L"page:PostNcDestroy"); }
};

// Breaks it: deleted while its window lives, with nothing to destroy it.
class CarelessDlg : public DialogWithChild {
public:
    ~CarelessDlg() override { Event(L"~careless"); }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (const wchar_t* name = NameOf(msg)) Event(std::wstring(L"careless:") + name);
        return DialogWithChild::WindowProc(msg, wParam, lParam);
    }
    void PostNcDestroy() override { Event(L"careless:PostNcDestroy"); }
};

bool Contains(const std::vector<std::wstring>& list, const std::wstring& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

TEST(Framework, ADerivedModelessDialogDeletedWhileItsWindowLivesSeesItsWholeDestruction) {
    auto page = std::make_unique<PageDlg>();
    ASSERT_TRUE(page->Make());
    std::vector<std::wstring> events;
    g_events = &events;
    HWND wnd = page->m_hWnd, child = page->child.m_hWnd;
    page.reset();
    g_events = nullptr;

    for (const wchar_t* seen : {L"page:WM_DESTROY", L"base:WM_DESTROY", L"page:WM_NCDESTROY", L"page:PostNcDestroy"})
        EXPECT_TRUE(Contains(events, seen)) << "missing " << testing::PrintToString(std::wstring(seen));
    EXPECT_EQ(events.back(), L"~page") << "nothing reaches the object after its destructor";
    EXPECT_FALSE(::IsWindow(wnd));
    EXPECT_FALSE(::IsWindow(child));
    EXPECT_TRUE(fw::TakeLifetimeBreaches().empty());
}

// An object that breaks the rule loses its WM_DESTROY, but nothing of its
// destruction (the child's WM_PARENTNOTIFY above all) reaches what is left of
// it, no window is left behind, and the breach is reported.
TEST(Framework, AWindowOutlivingItsDerivedObjectIsCutLooseAndReported) {
    auto careless = std::make_unique<CarelessDlg>();
    ASSERT_TRUE(careless->Make());
    std::vector<std::wstring> events;
    g_events = &events;
    HWND wnd = careless->m_hWnd, child = careless->child.m_hWnd;
    careless.reset();
    g_events = nullptr;

    EXPECT_EQ(events, std::vector<std::wstring>{L"~careless"});
    EXPECT_FALSE(::IsWindow(wnd));
    EXPECT_FALSE(::IsWindow(child));
    std::vector<std::wstring> breaches = fw::TakeLifetimeBreaches();
    EXPECT_TRUE(std::any_of(breaches.begin(), breaches.end(),
                            [](const std::wstring& b) { return b.find(L"CarelessDlg (#32770)") != std::wstring::npos; }))
        << testing::PrintToString(breaches);
}

// Another object took the dialog's window before WM_INITDIALOG, so the dialog's
// object cannot attach: the window it made must not stay behind unowned.
CWnd* g_thief = nullptr;
HWND g_stolen = nullptr;

LRESULT CALLBACK StealDialogs(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && g_thief && !g_thief->m_hWnd) {
        auto wnd = reinterpret_cast<HWND>(wParam);
        wchar_t name[16] = {};
        ::GetClassNameW(wnd, name, 16);
        if (std::wstring(name) == L"#32770" && g_thief->SubclassWindow(wnd)) g_stolen = wnd;
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST(Framework, AFailedAttachLeavesNoWindowBehind) {
    CWnd thief;
    g_thief = &thief;
    HHOOK hook = ::SetWindowsHookExW(WH_CBT, StealDialogs, nullptr, ::GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    Modeless dlg;
    BOOL created = dlg.Create(IDD_MSGBOX);
    ::UnhookWindowsHookEx(hook);
    g_thief = nullptr;

    ASSERT_NE(g_stolen, nullptr) << "the hook must have taken the window";
    EXPECT_FALSE(created);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_FALSE(::IsWindow(g_stolen));
    EXPECT_EQ(thief.m_hWnd, nullptr);
}

// A window procedure that counts the messages it passes on.
int g_spied = 0;
LRESULT CALLBACK Spy(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (msg == WM_SETTEXT) ++g_spied;
    return ::DefSubclassProc(wnd, msg, wParam, lParam);
}

class TextCounter : public CWnd {
public:
    int texts = 0;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_SETTEXT) ++texts;
        return CWnd::WindowProc(msg, wParam, lParam);
    }
};

std::wstring TextOf(HWND wnd) {
    wchar_t text[32] = {};
    ::GetWindowTextW(wnd, text, 32);
    return text;
}

// The framework subclasses windows itself. An object that lets go of a window
// someone else has subclassed since cannot take its procedure out of the chain:
// it stays there passing everything on, a later object reuses it, and the
// window's own procedure is back once the framework's is on top again.
TEST(Framework, LettingGoUnderAnotherSubclassKeepsTheChainWhole) {
    HWND wnd = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(wnd, nullptr);
    const LONG_PTR own = ::GetWindowLongPtrW(wnd, GWLP_WNDPROC);
    g_spied = 0;
    {
        TextCounter first;
        ASSERT_TRUE(first.SubclassWindow(wnd));
        ::SetWindowTextW(wnd, L"a");
        EXPECT_EQ(first.texts, 1);
        ASSERT_TRUE(::SetWindowSubclass(wnd, Spy, 7, 0));
        first.UnsubclassWindow();
    }
    ::SetWindowTextW(wnd, L"b");
    EXPECT_EQ(g_spied, 1);
    EXPECT_EQ(TextOf(wnd), L"b") << "the window's own procedure still answers";

    TextCounter second;
    ASSERT_TRUE(second.SubclassWindow(wnd));
    ::SetWindowTextW(wnd, L"c");
    EXPECT_EQ(second.texts, 1);
    EXPECT_EQ(g_spied, 2);
    EXPECT_EQ(TextOf(wnd), L"c");
    ASSERT_TRUE(::RemoveWindowSubclass(wnd, Spy, 7));
    second.UnsubclassWindow();
    EXPECT_EQ(::GetWindowLongPtrW(wnd, GWLP_WNDPROC), own);
    ::SetWindowTextW(wnd, L"d");
    EXPECT_EQ(second.texts, 1) << "nothing reaches an object that let go";
    EXPECT_EQ(TextOf(wnd), L"d");
    ::DestroyWindow(wnd);
}

}  // namespace

// ---------------------------------------------------------------- message loops

namespace {

// GetMessageW as every loop of the framework calls it, through the import
// table; a test swaps in a version that fails a given number of times.
#if defined(__i386__)
extern "C" void* g_importGetMessageW __asm__("__imp__GetMessageW@16");
#else
extern "C" void* g_importGetMessageW __asm__("__imp_GetMessageW");
#endif

using GetMessageFn = BOOL(WINAPI*)(MSG*, HWND, UINT, UINT);
GetMessageFn g_realGetMessage = nullptr;
int g_failuresLeft = 0;
int g_getMessageCalls = 0;

BOOL WINAPI FailingGetMessage(MSG* msg, HWND wnd, UINT first, UINT last) {
    ++g_getMessageCalls;
    if (g_failuresLeft > 0) {
        --g_failuresLeft;
        return -1;
    }
    return g_realGetMessage(msg, wnd, first, last);
}

class FailingGetMessageScope {
public:
    explicit FailingGetMessageScope(int failures) {
        g_failuresLeft = failures;
        g_getMessageCalls = 0;
        g_realGetMessage = reinterpret_cast<GetMessageFn>(g_importGetMessageW);
        Swap(reinterpret_cast<void*>(&FailingGetMessage));
    }
    ~FailingGetMessageScope() { Swap(reinterpret_cast<void*>(g_realGetMessage)); }
    FailingGetMessageScope(const FailingGetMessageScope&) = delete;
    FailingGetMessageScope& operator=(const FailingGetMessageScope&) = delete;

private:
    static void Swap(void* to) {
        DWORD old = 0;
        ::VirtualProtect(&g_importGetMessageW, sizeof(void*), PAGE_READWRITE, &old);
        g_importGetMessageW = to;
        ::VirtualProtect(&g_importGetMessageW, sizeof(void*), old, &old);
    }
};

// Ends itself a moment after it starts, unless its loop ended first.
class SelfEndingDlg : public CDialog {
public:
    explicit SelfEndingDlg(CWnd* parent) : CDialog(IDD_MSGBOX, parent) {}

protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        ::SetTimer(m_hWnd, 1, 50, nullptr);
        return TRUE;
    }
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_TIMER) {
            EndDialog(42);
            return 0;
        }
        return CDialog::WindowProc(msg, wParam, lParam);
    }
};

TEST(Framework, AFailingMessageQueueEndsTheModalLoop) {
    Modeless owner(IDD_SETTINGS);
    ASSERT_TRUE(owner.Create(IDD_SETTINGS));
    SelfEndingDlg dlg(&owner);
    INT_PTR result = 0;
    {
        FailingGetMessageScope failing(1);
        result = dlg.DoModal();
    }
    EXPECT_EQ(result, -1) << "the loop ends at the failure, not at the dialog's own end";
    EXPECT_EQ(g_getMessageCalls, 1);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_TRUE(::IsWindowEnabled(owner)) << "the owner is enabled again";
}

TEST(Framework, AFailingMessageQueueEndsTheApplicationLoop) {
    Modeless main;
    ASSERT_TRUE(main.Create(IDD_MSGBOX));
    MainWindowScope scope(&main);
    // Would end a loop that took the failure for a message.
    ::PostQuitMessage(3);
    {
        FailingGetMessageScope failing(1);
        AfxGetApp()->CWinApp::Run();
    }
    EXPECT_EQ(g_getMessageCalls, 1);
    MSG msg{};
    EXPECT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "WM_QUIT was never reached";
}

}  // namespace

// ---------------------------------------------------------------- start-up's services

namespace {

// Whether the calling thread has a single-threaded apartment: asking for the
// multithreaded one then fails with RPC_E_CHANGED_MODE.
bool ThreadHasOle() {
    HRESULT hr = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (SUCCEEDED(hr)) ::CoUninitialize();
    return hr == RPC_E_CHANGED_MODE;
}

// In a thread of its own, so that nothing else of this program holds OLE there.
TEST(Framework, StartupServicesAreUpForTheirOwnersAndDownAfter) {
    bool before = true, during = false, gdiplusDuring = false, after = true;
    std::thread([&] {
        before = ThreadHasOle();
        {
            fw::OleSession ole;
            fw::GdiplusSession gdiplus;
            during = ole.ok() && ThreadHasOle();
            Gdiplus::Bitmap probe(4, 4, PixelFormat32bppARGB);
            gdiplusDuring = gdiplus.ok() && probe.GetLastStatus() == Gdiplus::Ok;
        }
        after = ThreadHasOle();
    }).join();
    EXPECT_FALSE(before);
    EXPECT_TRUE(during);
    EXPECT_TRUE(gdiplusDuring);
    EXPECT_FALSE(after) << "OLE is shut down with its owner";
}

// Start-up's GDI+ session made to wait starts with the next session of any
// thread, is kept when that one ends, and ends with its owner.
TEST(Framework, ADeferredGdiplusSessionStartsWithTheFirstUseOnAnyThread) {
    fw::GdiplusSession process(fw::GdiplusSession::Start::AtFirstUse);
    EXPECT_FALSE(process.ok()) << "nothing started before a use";
    bool nestedOk = false;
    std::thread([&] {
        fw::GdiplusSession use;
        nestedOk = use.ok();
    }).join();
    EXPECT_TRUE(nestedOk);
    EXPECT_TRUE(process.ok()) << "started by the first use and kept after it";
    Gdiplus::Bitmap probe(4, 4, PixelFormat32bppARGB);
    EXPECT_EQ(probe.GetLastStatus(), Gdiplus::Ok);
}

}  // namespace

// ---------------------------------------------------------------- the rule, everywhere

namespace {

// Every test of this program must keep the lifetime rule of framework/wnd.h:
// a window that outlived the derived part of its object fails the run, naming
// the test and the class.
std::vector<std::string> g_breachReports;

class LifetimeRuleListener : public testing::EmptyTestEventListener {
    void OnTestEnd(const testing::TestInfo& test) override {
        for (const std::wstring& breach : fw::TakeLifetimeBreaches())
            g_breachReports.push_back(std::string(test.test_suite_name()) + "." + test.name() + ": " +
                                      testing::PrintToString(breach));
    }
};

class LifetimeRuleCheck : public testing::Environment {
    void TearDown() override {
        for (const std::string& report : g_breachReports)
            ADD_FAILURE() << "a window outlived the derived part of its object (destroy it in the most derived "
                             "destructor or before deleting the object): "
                          << report;
    }
};

const bool g_lifetimeRuleChecked = [] {
    testing::UnitTest::GetInstance()->listeners().Append(new LifetimeRuleListener);
    testing::AddGlobalTestEnvironment(new LifetimeRuleCheck);
    return true;
}();

}  // namespace

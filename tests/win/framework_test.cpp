// The framework's modal loop: the pre-translation walk through contained and
// owned windows, EndDialog results, and quitting through nested loops.
#include "framework/dialog.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <string>
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

}  // namespace

namespace {

TEST(Framework, AModelessDialogGoesWithItsObject) {
    HWND wnd = nullptr;
    {
        CDialog dlg(IDD_MSGBOX);
        ASSERT_TRUE(dlg.Create(IDD_MSGBOX));
        wnd = dlg.m_hWnd;
        EXPECT_EQ(CWnd::FromHandlePermanent(wnd), &dlg);
    }
    EXPECT_FALSE(::IsWindow(wnd));
    EXPECT_EQ(CWnd::FromHandlePermanent(wnd), nullptr);
}

}  // namespace

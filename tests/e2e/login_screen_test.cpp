// The real executable in login mode: the login screen it shows and how
// Escape on the frame ends it.
#include "core/launcher_ids.h"
#include "tests/win/test_util.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace testutil;

namespace {

constexpr DWORD kTimeout = 20000;

LONG_PTR ExStyle(HWND wnd) { return ::GetWindowLongPtrW(wnd, GWL_EXSTYLE); }

bool IsLoginFrame(HWND wnd) {
    RECT rc{};
    ::GetWindowRect(wnd, &rc);
    return ::IsWindowVisible(wnd) && ClassOf(wnd) == L"#32770" && TextOf(wnd) == kGameTitle &&
           (ExStyle(wnd) & WS_EX_LAYERED) && rc.right - rc.left == 1001 && rc.bottom - rc.top == 634;
}

// The visible top-level window of pid owned by `owner` whose rectangle starts
// at this offset from the owner's, or nullptr.
HWND OwnedWindowAt(DWORD pid, HWND owner, int dx, int dy) {
    RECT frame{};
    ::GetWindowRect(owner, &frame);
    for (HWND wnd : TopLevelWindows(pid)) {
        RECT rc{};
        ::GetWindowRect(wnd, &rc);
        if (::IsWindowVisible(wnd) && ::GetWindow(wnd, GW_OWNER) == owner && rc.left == frame.left + dx &&
            rc.top == frame.top + dy)
            return wnd;
    }
    return nullptr;
}

TEST(LoginScreen, FrameWithLinkBarAndLoginWindowAndEscapeEndsTheProcess) {
    Process launcher;
    ASSERT_TRUE(launcher.Start(LauncherPath(), L"/XCJY"));
    HWND frame = nullptr, linkBar = nullptr, login = nullptr;
    ASSERT_TRUE(PumpUntil(
        [&] {
            for (HWND wnd : TopLevelWindows(launcher.id()))
                if (IsLoginFrame(wnd)) frame = wnd;
            if (frame) {
                linkBar = OwnedWindowAt(launcher.id(), frame, 391, 122);
                login = OwnedWindowAt(launcher.id(), frame, 388, 198);
            }
            return frame && linkBar && login;
        },
        kTimeout))
        << "frame " << frame << " link bar " << linkBar << " login " << login;

    EXPECT_TRUE(ExStyle(frame) & WS_EX_TOPMOST);
    RECT rc{};
    ::GetWindowRect(linkBar, &rc);
    EXPECT_EQ(rc.right - rc.left, 548);
    EXPECT_EQ(rc.bottom - rc.top, 380);
    ::GetWindowRect(login, &rc);
    EXPECT_EQ(rc.right - rc.left, 535);
    EXPECT_EQ(rc.bottom - rc.top, 295);
    // Only the frame would get a taskbar button.
    for (HWND wnd : TopLevelWindows(launcher.id())) {
        if (wnd == frame || !::IsWindowVisible(wnd)) continue;
        EXPECT_TRUE(ExStyle(wnd) & WS_EX_TOOLWINDOW) << ClassOf(wnd) << " " << TextOf(wnd);
        EXPECT_FALSE(ExStyle(wnd) & WS_EX_APPWINDOW) << ClassOf(wnd) << " " << TextOf(wnd);
    }

    RECT shot{};
    ::GetWindowRect(frame, &shot);
    PumpFor(300);  // the screen gets window contents from the message loops
    SaveShot(ReadScreenRect(shot), L"login_screen.png");

    // The link bar's buttons are on the screen, over the frame: hiding the
    // bar changes what the screen shows there. After a minimise and restore
    // and after the frame takes the focus back from another window, the
    // screen shows the same buttons again (the frame must not cover them).
    RECT buttons{};
    ::GetWindowRect(linkBar, &buttons);
    buttons.top += 34;  // the row of the four large buttons
    buttons.bottom = buttons.top + 41;
    const Pixels withBar = ReadScreenRect(buttons);
    auto showsBar = [&] { return ReadScreenRect(buttons).data == withBar.data; };
    ::ShowWindow(linkBar, SW_HIDE);
    PumpFor(300);
    EXPECT_FALSE(showsBar()) << "the frame covers the link bar";
    ::ShowWindow(linkBar, SW_SHOWNA);
    PumpFor(300);
    EXPECT_TRUE(showsBar());

    ::PostMessageW(frame, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(PumpUntil([&] { return ::IsIconic(frame) != FALSE; }, kTimeout));
    ::PostMessageW(frame, WM_SYSCOMMAND, SC_RESTORE, 0);
    ASSERT_TRUE(PumpUntil([&] { return !::IsIconic(frame) && ::IsWindowVisible(linkBar); }, kTimeout));
    PumpFor(500);
    EXPECT_TRUE(showsBar()) << "after a restore";

    ::SetForegroundWindow(linkBar);
    PumpFor(200);
    ::SetForegroundWindow(frame);
    PumpFor(500);
    EXPECT_TRUE(showsBar()) << "after the frame took the focus";

    ::PostMessageW(frame, WM_KEYDOWN, VK_ESCAPE, 0);
    bool mainWindowSeen = false;
    EXPECT_TRUE(PumpUntil(
        [&] {
            for (HWND wnd : TopLevelWindows(launcher.id()))
                if (::IsWindowVisible(wnd) && TextOf(wnd) == kGameTitle && !(ExStyle(wnd) & WS_EX_LAYERED))
                    mainWindowSeen = true;
            return !launcher.Running();
        },
        kTimeout));
    EXPECT_FALSE(mainWindowSeen);
}

}  // namespace

// Two launchers at once. The running ones are running_instance.exe: the
// launcher's own main window after a login, in a process of its own; the
// second start is the real executable. They reach each other only through the
// messages and window lookups the launcher uses, and every window state below
// is read from the other processes' real windows.
#include "bosskey/boss_key.h"
#include "core/launcher_ids.h"
#include "tests/win/install_fixture.h"
#include "tests/win/test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace testutil;
using installtest::InstalledCopy;

namespace {

constexpr DWORD kTimeout = 20000;

bool IsLauncherTitled(HWND wnd) { return ClassOf(wnd) == L"#32770" && TextOf(wnd) == kGameTitle; }
bool Visible(HWND wnd) { return ::IsWindowVisible(wnd) != FALSE; }

// A logged-in launcher in a process of its own; the process ends with the object.
class RunningInstance {
public:
    // Starts it and waits for its main window to show.
    bool Start() {
        if (!process_.Start(ExeDir() + L"\\running_instance.exe", L"")) return false;
        return PumpUntil(
            [this] {
                main_ = FindMain();
                return main_ && Visible(main_);
            },
            kTimeout);
    }
    HWND main() const { return main_; }
    bool Running() const { return process_.Running(); }

    bool AnyWindowVisible() const {
        auto windows = TopLevelWindows(process_.id());
        return std::any_of(windows.begin(), windows.end(), Visible);
    }
    // Further login frames: the layered launcher windows owned by the main window.
    std::vector<HWND> LoginFrames() const {
        std::vector<HWND> frames;
        for (HWND wnd : TopLevelWindows(process_.id()))
            if (IsLauncherTitled(wnd) && ::GetWindow(wnd, GW_OWNER) == main_ &&
                (::GetWindowLongPtrW(wnd, GWL_EXSTYLE) & WS_EX_LAYERED))
                frames.push_back(wnd);
        return frames;
    }
    // The launcher windows owned by `owner` (a login frame's link bar and login window).
    std::vector<HWND> LauncherWindowsOwnedBy(HWND owner) const {
        std::vector<HWND> owned;
        for (HWND wnd : TopLevelWindows(process_.id()))
            if (IsLauncherTitled(wnd) && ::GetWindow(wnd, GW_OWNER) == owner) owned.push_back(wnd);
        return owned;
    }

private:
    HWND FindMain() const {
        for (HWND wnd : TopLevelWindows(process_.id()))
            if (IsLauncherTitled(wnd) && !::GetWindow(wnd, GW_OWNER)) return wnd;
        return nullptr;
    }

    Process process_;
    HWND main_ = nullptr;
};

// Whether this process could take the chord as a global hotkey now.
bool HotkeyFree(UINT modifiers, UINT key) {
    HWND probe = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    const bool free = ::RegisterHotKey(probe, 77, modifiers, key) != FALSE;
    if (free) ::UnregisterHotKey(probe, 77);
    ::DestroyWindow(probe);
    return free;
}

// A second start, from the install folder (which asks no question): it must
// end without showing a window of its own.
void StartAgainAndWaitForItsEnd(const InstalledCopy& copy) {
    Process second;
    ASSERT_TRUE(second.Start(copy.path(), L""));
    bool showedWindow = false;
    EXPECT_TRUE(PumpUntil(
        [&] {
            auto windows = TopLevelWindows(second.id());
            showedWindow = showedWindow || std::any_of(windows.begin(), windows.end(), Visible);
            return !second.Running();
        },
        kTimeout))
        << "the second start should hand over and end";
    EXPECT_FALSE(showedWindow);
}

TEST(TwoInstances, BossKeyOfOneTogglesBothAndTheyStayOpposite) {
    RunningInstance a, b;
    ASSERT_TRUE(a.Start());
    ASSERT_TRUE(b.Start());
    // The first instance holds the boss key, F10 by default, as start-up registers it.
    EXPECT_FALSE(HotkeyFree(0, VK_F10));

    // b hidden, as another instance's boss key would have left it.
    ::PostMessageW(b.main(), WM_TOGGLE_VISIBLE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !b.AnyWindowVisible(); }, kTimeout));
    ASSERT_TRUE(Visible(a.main()));

    for (bool aShown : {false, true, false}) {
        // What the system posts to the holder of the boss key.
        ::PostMessageW(a.main(), WM_HOTKEY, kBossKeyHotkeyId, MAKELPARAM(0, VK_F10));
        EXPECT_TRUE(PumpUntil(
            [&] {
                return Visible(a.main()) == aShown && a.AnyWindowVisible() == aShown &&
                       Visible(b.main()) == !aShown && b.AnyWindowVisible() == !aShown;
            },
            kTimeout))
            << "a should now be " << (aShown ? "shown" : "hidden") << ", b the opposite; a " << Visible(a.main())
            << ", b " << Visible(b.main());
    }
}

TEST(TwoInstances, SecondStartOpensAFurtherLoginInTheRunningInstance) {
    InstalledCopy copy;
    ASSERT_TRUE(copy.ok());
    RunningInstance running;
    ASSERT_TRUE(running.Start());
    ASSERT_TRUE(running.LoginFrames().empty());

    StartAgainAndWaitForItsEnd(copy);
    EXPECT_TRUE(PumpUntil(
        [&] {
            auto frames = running.LoginFrames();
            return frames.size() == 1 && Visible(frames.front());
        },
        kTimeout))
        << "the running instance should show one further login frame";
}

// A further login's frame and link bar carry the main window's class and
// title and lie above it; the second start must still reach the main window.
// The open login is minimised first: reaching the main window brings it back,
// while a message to the frame or link bar would change nothing.
TEST(TwoInstances, SecondStartReachesTheMainWindowBelowAnOpenFurtherLogin) {
    InstalledCopy copy;
    ASSERT_TRUE(copy.ok());
    RunningInstance running;
    ASSERT_TRUE(running.Start());
    ::PostMessageW(running.main(), WM_ADD_ACCOUNT, 0, 0);
    HWND frame = nullptr;
    ASSERT_TRUE(PumpUntil(
        [&] {
            auto frames = running.LoginFrames();
            frame = frames.empty() ? nullptr : frames.front();
            return frame && Visible(frame) && !running.LauncherWindowsOwnedBy(frame).empty();
        },
        kTimeout));
    EXPECT_NE(::FindWindowW(L"#32770", kGameTitle), running.main())
        << "a plain lookup by class and title would find the main window first here";

    ::ShowWindow(frame, SW_MINIMIZE);  // what the login page's minimise command does
    ASSERT_TRUE(PumpUntil([&] { return ::IsIconic(frame) != FALSE; }, kTimeout));

    StartAgainAndWaitForItsEnd(copy);
    EXPECT_TRUE(PumpUntil([&] { return !::IsIconic(frame) && Visible(frame); }, kTimeout))
        << "the open further login should be brought back";
    PumpFor(200);
    EXPECT_EQ(running.LoginFrames(), std::vector<HWND>{frame}) << "no second login over the open one";
    const RECT screen{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    SaveShot(ReadScreenRect(screen), L"second_start_brings_back_the_login.png");
    EXPECT_TRUE(running.Running());
}

}  // namespace

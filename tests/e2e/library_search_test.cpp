// Where the real executable takes its libraries from. A downloaded copy runs
// with administrator rights from the player's download folder, which a web
// page can save files into.
#include "core/launcher_ids.h"
#include "tests/win/install_fixture.h"
#include "tests/win/test_util.h"

#include <gtest/gtest.h>

using namespace testutil;

namespace {

constexpr DWORD kTimeout = 20000;

bool ShowsLoginFrame(DWORD pid) {
    for (HWND wnd : TopLevelWindows(pid))
        if (::IsWindowVisible(wnd) && TextOf(wnd) == kGameTitle) return true;
    return false;
}

TEST(LibrarySearch, ADllBesideTheExecutableIsNotLoaded) {
    installtest::ScratchFolder downloads(L"下载");
    const std::wstring exe = downloads / L"planted_launcher.exe";
    ASSERT_TRUE(::CopyFileW(LauncherPath().c_str(), exe.c_str(), FALSE));
    // Every library the launcher loads by name that is not a known DLL, but
    // version.dll: wine's own user32 imports it, so under wine it loads with
    // the executable, before any of the launcher's code runs. (Windows' user32
    // does not; the launcher delay-loads it.)
    const std::vector<std::wstring> names = {L"gdiplus", L"wininet", L"winmm", L"msimg32", L"bcrypt", L"comctl32"};
    for (const std::wstring& name : names)
        ASSERT_TRUE(::CopyFileW((ExeDir() + L"\\planted_dll.dll").c_str(), (downloads / (name + L".dll")).c_str(),
                                FALSE));
    NativeLibrariesFirst nativeFirst(L"planted_launcher.exe", names);

    Process launcher;
    ASSERT_TRUE(launcher.Start(exe, L"/XCJY"));
    // A planted DLL, once loaded, ends the launcher: it lacks the functions.
    PumpUntil([&] { return ShowsLoginFrame(launcher.id()) || !launcher.Running(); }, kTimeout);
    if (launcher.Running()) PumpFor(1500);  // the link bar's skin starts GDI+ after the frame shows
    EXPECT_FALSE(installtest::Exists(downloads / L"planted.mark")) << "a planted DLL was loaded";
    ASSERT_TRUE(ShowsLoginFrame(launcher.id()));
    for (HWND wnd : TopLevelWindows(launcher.id()))
        if (::IsWindowVisible(wnd) && TextOf(wnd) == kGameTitle) ::PostMessageW(wnd, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(launcher.WaitExit(kTimeout));
}

}  // namespace

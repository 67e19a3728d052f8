// The real executable started the way players, shortcuts and a second launcher
// start it.
#include "app/launcher_app.h"
#include "app/launcher_ids.h"
#include "app/run_mode_win.h"
#include "tests/win/test_util.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>

using namespace testutil;

namespace {

constexpr DWORD kTimeout = 20000;
const std::wstring kBoxCaption = L"RV星潮纪元";  // the executable's name without extension

// The launcher copied into the all-users install folder, removed afterwards.
class InstalledCopy {
public:
    InstalledCopy() {
        dir_ = InstallFolderPath();
        ::SHCreateDirectoryExW(nullptr, dir_.c_str(), nullptr);
        path_ = dir_ + L"\\RV星潮纪元.exe";
        ok_ = ::CopyFileW(LauncherPath().c_str(), path_.c_str(), FALSE) != FALSE;
    }
    ~InstalledCopy() { ::DeleteFileW(path_.c_str()); }
    bool ok() const { return ok_; }
    const std::wstring& path() const { return path_; }
    const std::wstring& dir() const { return dir_; }

private:
    std::wstring dir_, path_;
    bool ok_ = false;
};

// What a running instance shows to a second process: the named mutex and a
// dialog-class window titled with the game's name.
class FakeRunningInstance {
public:
    explicit FakeRunningInstance(bool withWindow) {
        mutex_.reset(::CreateMutexW(nullptr, TRUE, kInstanceMutexName));
        if (withWindow)
            window_ = ::CreateWindowExW(0, WC_DIALOG, kGameTitle, WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                        nullptr, nullptr);
    }
    ~FakeRunningInstance() {
        if (window_) ::DestroyWindow(window_);
    }
    HWND window() const { return window_; }

private:
    fw::UniqueHandle mutex_;
    HWND window_ = nullptr;
};

struct Posted {
    int count = 0;
    WPARAM wParam = 1;
    LPARAM lParam = 1;
};

std::function<void(const MSG&)> Recorder(HWND target, Posted& posted) {
    return [target, &posted](const MSG& msg) {
        if (msg.hwnd == target && msg.message == WM_ADD_ACCOUNT) {
            ++posted.count;
            posted.wParam = msg.wParam;
            posted.lParam = msg.lParam;
        }
    };
}

bool HasVisibleWindow(DWORD pid) {
    auto windows = TopLevelWindows(pid);
    return std::any_of(windows.begin(), windows.end(), [](HWND w) { return ::IsWindowVisible(w) != FALSE; });
}

TEST(Startup, InstalledCopyHandsTheLoginToTheRunningInstance) {
    InstalledCopy copy;
    ASSERT_TRUE(copy.ok());
    FakeRunningInstance running(true);
    ASSERT_NE(running.window(), nullptr);

    Process launcher;
    ASSERT_TRUE(launcher.Start(copy.path(), L""));
    Posted posted;
    bool sawWindow = false;
    bool ended = PumpUntil(
        [&] {
            sawWindow = sawWindow || HasVisibleWindow(launcher.id());
            return !launcher.Running();
        },
        kTimeout, Recorder(running.window(), posted));
    // A message posted just before the exit may still wait in the queue.
    PumpUntil([&] { return posted.count > 0; }, 200, Recorder(running.window(), posted));

    EXPECT_TRUE(ended);
    EXPECT_FALSE(sawWindow) << "installed mode asks nothing and shows nothing when it hands over";
    EXPECT_EQ(posted.count, 1);
    EXPECT_EQ(posted.wParam, 0u);
    EXPECT_EQ(posted.lParam, 0);
}

TEST(Startup, LoginSwitchAsksBeforeHandingOver) {
    FakeRunningInstance running(true);
    for (int answer : {IDYES, IDNO}) {
        Process launcher;
        ASSERT_TRUE(launcher.Start(LauncherPath(), L"/XCJY"));
        Posted posted;
        HWND box = WaitForDialog(launcher.id(), kBoxCaption, kAskLoginInRunning, kTimeout);
        ASSERT_NE(box, nullptr) << "answer " << answer;
        PressButton(box, answer);
        if (answer == IDYES) {
            EXPECT_TRUE(PumpUntil([&] { return !launcher.Running(); }, kTimeout, Recorder(running.window(), posted)));
            PumpUntil([&] { return posted.count > 0; }, 200, Recorder(running.window(), posted));
            EXPECT_EQ(posted.count, 1);
        } else {
            // Declined: this process goes on as an instance of its own and
            // shows its own login window.
            EXPECT_TRUE(PumpUntil(
                [&] {
                    auto windows = TopLevelWindows(launcher.id());
                    return std::any_of(windows.begin(), windows.end(), [](HWND w) {
                        return ::IsWindowVisible(w) && ClassOf(w) == L"#32770" && TextOf(w) != kBoxCaption;
                    });
                },
                kTimeout, Recorder(running.window(), posted)));
            EXPECT_EQ(posted.count, 0);
        }
    }
}

TEST(Startup, MissingRunningWindowIsReportedAndANewInstanceStarts) {
    InstalledCopy copy;
    ASSERT_TRUE(copy.ok());
    FakeRunningInstance running(false);  // mutex without a window

    Process launcher;
    ASSERT_TRUE(launcher.Start(copy.path(), L""));
    HWND box = WaitForDialog(launcher.id(), kBoxCaption, kHandOverFailed, kTimeout);
    ASSERT_NE(box, nullptr);
    PressButton(box, IDOK);
    EXPECT_TRUE(PumpUntil([&] { return WaitForDialog(launcher.id(), kBoxCaption, kHandOverFailed, 0) == nullptr &&
                                       HasVisibleWindow(launcher.id()); },
                          kTimeout));
    EXPECT_TRUE(launcher.Running());
}

// The files of a folder and the values of a registry key, to see that nothing changed.
std::vector<std::wstring> Snapshot(const std::wstring& dir, const std::wstring& key) {
    std::vector<std::wstring> items;
    WIN32_FIND_DATAW fd;
    HANDLE find = ::FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (find != INVALID_HANDLE_VALUE) {
        do items.push_back(L"file:" + std::wstring(fd.cFileName) + L":" + std::to_wstring(fd.nFileSizeLow));
        while (::FindNextFileW(find, &fd));
        ::FindClose(find);
    }
    HKEY hkey = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &hkey) == ERROR_SUCCESS) {
        wchar_t name[256];
        BYTE data[512];
        for (DWORD i = 0;; ++i) {
            DWORD nameLen = 256, dataLen = sizeof data, type = 0;
            if (::RegEnumValueW(hkey, i, name, &nameLen, nullptr, &type, data, &dataLen) != ERROR_SUCCESS) break;
            items.push_back(L"value:" + std::wstring(name) + L":" + std::to_wstring(dataLen));
        }
        ::RegCloseKey(hkey);
    }
    std::sort(items.begin(), items.end());
    return items;
}

TEST(Startup, DecliningUninstallChangesNothing) {
    InstalledCopy copy;
    ASSERT_TRUE(copy.ok());
    const std::wstring key = L"Software\\岚屿网络\\GameLogin\\XCJY";
    HKEY hkey = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &hkey, nullptr),
              ERROR_SUCCESS);
    DWORD days = 127;
    ::RegSetValueExW(hkey, L"DisableDays", 0, REG_DWORD, reinterpret_cast<BYTE*>(&days), sizeof days);
    ::RegCloseKey(hkey);
    ::WritePrivateProfileStringW(L"XCJY", L"UnInst", L"1", (copy.dir() + L"\\Statistic.ini").c_str());
    auto before = Snapshot(copy.dir(), key);

    Process launcher;
    ASSERT_TRUE(launcher.Start(copy.path(), L"/uninst"));
    HWND box = WaitForDialog(launcher.id(), kBoxCaption, kAskUninstall, kTimeout);
    ASSERT_NE(box, nullptr);
    PressButton(box, IDNO);
    EXPECT_TRUE(launcher.WaitExit(kTimeout));
    EXPECT_EQ(Snapshot(copy.dir(), key), before);

    ::DeleteFileW((copy.dir() + L"\\Statistic.ini").c_str());
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, key.c_str());
}

// The default value of a registry key under HKEY_CLASSES_ROOT, put back on scope exit.
class ClassesValue {
public:
    ClassesValue(const std::wstring& key, const std::wstring& value) : key_(key) {
        wchar_t old[1024] = {};
        LONG size = sizeof old;
        had_ = ::RegQueryValueW(HKEY_CLASSES_ROOT, key.c_str(), old, &size) == ERROR_SUCCESS;
        old_ = old;
        ::RegSetValueW(HKEY_CLASSES_ROOT, key.c_str(), REG_SZ, value.c_str(), 0);
    }
    ~ClassesValue() {
        if (had_) ::RegSetValueW(HKEY_CLASSES_ROOT, key_.c_str(), REG_SZ, old_.c_str(), 0);
    }

private:
    std::wstring key_, old_;
    bool had_ = false;
};

std::string ReadFileText(const std::wstring& path) {
    std::string text;
    HANDLE f = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return text;
    char buf[512];
    DWORD got = 0;
    while (::ReadFile(f, buf, sizeof buf, &got, nullptr) && got) text.append(buf, got);
    ::CloseHandle(f);
    return text;
}

TEST(Startup, WebModeOpensTheGameSiteInTheDefaultBrowserAndEnds) {
    // The "browser" writes the address it was given into a file.
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring out = std::wstring(temp) + L"xcjy_opened_url.txt";
    ::DeleteFileW(out.c_str());
    ClassesValue browser(L"http\\shell\\open\\command", L"cmd.exe /c echo %1> \"" + out + L"\"");
    ::SetEnvironmentVariableW(L"XCJY_GAME_SITE", L"127.0.0.1:8123");

    Process launcher;
    ASSERT_TRUE(launcher.Start(LauncherPath(), L"/webTovraD"));
    bool sawWindow = false;
    bool ended = PumpUntil(
        [&] {
            sawWindow = sawWindow || HasVisibleWindow(launcher.id());
            return !launcher.Running();
        },
        kTimeout);
    ::SetEnvironmentVariableW(L"XCJY_GAME_SITE", nullptr);
    EXPECT_TRUE(ended);
    EXPECT_FALSE(sawWindow);
    EXPECT_TRUE(PumpUntil([&] { return ReadFileText(out).find("http://127.0.0.1:8123/") != std::string::npos; },
                          kTimeout))
        << ReadFileText(out);
    ::DeleteFileW(out.c_str());
}

TEST(Startup, InstallModeEndsWithoutAWindow) {
    // Started from the build folder, which is not the install folder.
    Process launcher;
    ASSERT_TRUE(launcher.Start(LauncherPath(), L"-uninst"));
    bool sawWindow = false;
    EXPECT_TRUE(PumpUntil(
        [&] {
            sawWindow = sawWindow || HasVisibleWindow(launcher.id());
            return !launcher.Running();
        },
        kTimeout));
    EXPECT_FALSE(sawWindow);
}

}  // namespace

// The real executable started the way players, shortcuts and a second launcher
// start it.
#include "app/launcher_app.h"
#include "core/launcher_ids.h"
#include "core/run_mode_win.h"
#include "tests/win/install_fixture.h"
#include "tests/win/site_overrides.h"
#include "tests/win/test_util.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <optional>

using namespace testutil;

namespace {

constexpr DWORD kTimeout = 20000;

// Every launcher of this program talks to a loopback port where nothing
// listens, never to the operator's real sites: the administrators' override
// key is set for the whole run (tests that serve a site write over it).
class LocalSites : public testing::Environment {
    void SetUp() override {
        overrides_.emplace(AllSitesOn(kClosedLoopbackSite));
        ASSERT_TRUE(overrides_->ok());
    }
    void TearDown() override { overrides_.reset(); }
    std::optional<SiteOverrides> overrides_;
};
const auto* const g_localSites = testing::AddGlobalTestEnvironment(new LocalSites);
const std::wstring kBoxCaption = L"RV星潮纪元";  // the executable's name without extension

using installtest::InstalledCopy;

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

// What an installation leaves on a machine, written the way installation
// writes it: the executable and Statistic.ini in the install folder, the
// launcher key's values, the desktop shortcuts and the Start-menu group with
// its two shortcuts. Removed again afterwards.
class InstallationTraces {
public:
    InstallationTraces() {
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (!copy_.ok()) return;
        const std::wstring ini = copy_.dir() + L"\\Statistic.ini";
        ::WritePrivateProfileStringW(L"XCJY", L"UnInst", L"1", ini.c_str());
        ::WritePrivateProfileStringW(L"XCJY", L"ShortKey", L"2,88", ini.c_str());

        HKEY created = nullptr;
        if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_32KEY, nullptr,
                              &created, nullptr) != ERROR_SUCCESS)
            return;
        fw::UniqueRegKey key(created);
        const BYTE days[4] = {1, 6, 0, 0};
        SYSTEMTIME updated{};
        ::GetSystemTime(&updated);
        bool values = ::RegSetValueExW(key.get(), L"DisableDays", 0, REG_BINARY, days, sizeof days) == ERROR_SUCCESS &&
                      ::RegSetValueExW(key.get(), L"UpdTime", 0, REG_BINARY, reinterpret_cast<const BYTE*>(&updated),
                                       sizeof updated) == ERROR_SUCCESS;

        const std::wstring group = Group();
        ::SHCreateDirectoryExW(nullptr, group.c_str(), nullptr);
        bool links = true;
        for (const auto& [path, args] : Shortcuts()) links = links && WriteLink(path, args);
        ok_ = values && links;
    }
    ~InstallationTraces() {
        for (const auto& shortcut : Shortcuts()) ::DeleteFileW(shortcut.first.c_str());
        ::RemoveDirectoryW(Group().c_str());
        ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kKey, KEY_WOW64_32KEY, 0);
        ::DeleteFileW((copy_.dir() + L"\\Statistic.ini").c_str());
        ::CoUninitialize();
    }
    bool ok() const { return ok_; }
    const InstalledCopy& copy() const { return copy_; }

    // Every trace with its size or contents, sorted.
    std::vector<std::wstring> Snapshot() const {
        std::vector<std::wstring> items;
        AddFiles(copy_.dir(), items);
        for (const auto& shortcut : Shortcuts()) AddFile(shortcut.first, items);
        AddValues(items);
        std::sort(items.begin(), items.end());
        return items;
    }

private:
    static constexpr const wchar_t* kKey = L"Software\\岚屿网络\\GameLogin\\XCJY";

    static std::wstring Folder(int csidl) {
        wchar_t path[MAX_PATH] = {};
        ::SHGetFolderPathW(nullptr, csidl, nullptr, 0, path);
        return path;
    }
    static std::wstring Group() { return Folder(CSIDL_COMMON_PROGRAMS) + L"\\岚屿网络登录器"; }
    std::vector<std::pair<std::wstring, std::wstring>> Shortcuts() const {
        const std::wstring desktop = Folder(CSIDL_COMMON_DESKTOPDIRECTORY);
        return {{desktop + L"\\RV星潮纪元极速登录器.lnk", L"/XCJY"},
                {desktop + L"\\岚屿网页游戏.lnk", L""},
                {Group() + L"\\RV星潮纪元极速登录器.lnk", L"/XCJY"},
                {Group() + L"\\卸载 RV星潮纪元极速登录器.lnk", L"/uninst"}};
    }
    bool WriteLink(const std::wstring& path, const std::wstring& args) const {
        fw::ComPtr<IShellLinkW> link;
        if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                      reinterpret_cast<void**>(link.put()))))
            return false;
        link->SetPath(copy_.path().c_str());
        link->SetArguments(args.c_str());
        link->SetIconLocation(copy_.path().c_str(), 0);
        fw::ComPtr<IPersistFile> file;
        if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.put())))) return false;
        return SUCCEEDED(file->Save(path.c_str(), TRUE));
    }
    static void AddFile(const std::wstring& path, std::vector<std::wstring>& items) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
            items.push_back(L"file:" + path + L":" + std::to_wstring(data.nFileSizeLow));
    }
    static void AddFiles(const std::wstring& dir, std::vector<std::wstring>& items) {
        WIN32_FIND_DATAW fd;
        HANDLE find = ::FindFirstFileW((dir + L"\\*").c_str(), &fd);
        if (find == INVALID_HANDLE_VALUE) return;
        do {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) AddFile(dir + L"\\" + fd.cFileName, items);
        } while (::FindNextFileW(find, &fd));
        ::FindClose(find);
    }
    static void AddValues(std::vector<std::wstring>& items) {
        HKEY opened = nullptr;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ | KEY_WOW64_32KEY, &opened) != ERROR_SUCCESS) return;
        fw::UniqueRegKey key(opened);
        for (DWORD i = 0;; ++i) {
            wchar_t name[256];
            BYTE data[512];
            DWORD nameLen = 256, dataLen = sizeof data, type = 0;
            if (::RegEnumValueW(key.get(), i, name, &nameLen, nullptr, &type, data, &dataLen) != ERROR_SUCCESS) break;
            std::wstring item = L"value:" + std::wstring(name) + L":" + std::to_wstring(type) + L":";
            for (DWORD b = 0; b < dataLen; ++b) item += std::to_wstring(data[b]) + L",";
            items.push_back(item);
        }
    }

    InstalledCopy copy_;
    bool ok_ = false;
};

TEST(Startup, DecliningUninstallChangesNothing) {
    InstallationTraces traces;
    ASSERT_TRUE(traces.ok());
    const auto before = traces.Snapshot();
    std::wstring listed;
    for (const auto& item : before) listed += item + L"\n";
    ASSERT_EQ(before.size(), 2u + 4u + 2u) << "executable and Statistic.ini, four shortcuts, two values:\n"
                                          << testing::PrintToString(listed);

    Process launcher;
    ASSERT_TRUE(launcher.Start(traces.copy().path(), L"/uninst"));
    HWND box = WaitForDialog(launcher.id(), kBoxCaption, kAskUninstall, kTimeout);
    ASSERT_NE(box, nullptr);
    PressButton(box, IDNO);
    EXPECT_TRUE(launcher.WaitExit(kTimeout));
    EXPECT_EQ(traces.Snapshot(), before);
}

// Closing the login without a game page ends the launcher: no main window.
TEST(Startup, ALoginEndingWithoutAPageShowsNoMainWindow) {
    Process launcher;
    ASSERT_TRUE(launcher.Start(LauncherPath(), L"/XCJY"));
    HWND login = nullptr;
    ASSERT_TRUE(PumpUntil(
        [&] {
            // The login frame: the one of the login's windows without an owner
            // (the link bar and the login window are owned by it, and come
            // once the frame shows: all three are the login's).
            int owned = 0;
            for (HWND wnd : TopLevelWindows(launcher.id())) {
                if (!::IsWindowVisible(wnd) || ClassOf(wnd) != L"#32770") continue;
                if (!::GetWindow(wnd, GW_OWNER))
                    login = wnd;
                else
                    ++owned;
            }
            return login != nullptr && owned >= 2;
        },
        kTimeout));
    const std::vector<HWND> loginWindows = TopLevelWindows(launcher.id());
    ::PostMessageW(login, WM_CLOSE, 0, 0);

    std::wstring shown;
    bool ended = PumpUntil(
        [&] {
            for (HWND wnd : TopLevelWindows(launcher.id()))
                if (::IsWindowVisible(wnd) &&
                    std::find(loginWindows.begin(), loginWindows.end(), wnd) == loginWindows.end())
                    shown = ClassOf(wnd) + L" " + TextOf(wnd);
            return !launcher.Running();
        },
        kTimeout);
    EXPECT_TRUE(ended);
    EXPECT_EQ(shown, L"") << "a window was shown after the login ended";
}

// The default value of a registry key under HKEY_CLASSES_ROOT, put back on scope exit.
TEST(Startup, WebModeOpensTheGameSiteInTheDefaultBrowserAndEnds) {
    // The "browser" writes the address it was given into a file.
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring out = std::wstring(temp) + L"xcjy_opened_url.txt";
    ::DeleteFileW(out.c_str());
    ClassesValue browser(L"http\\shell\\open\\command", L"cmd.exe /c echo %1> \"" + out + L"\"");
    // What a user could set for an elevated launcher: ignored.
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
    EXPECT_TRUE(PumpUntil([&] { return ReadFileText(out).find("http://127.0.0.1:9/") != std::string::npos; },
                          kTimeout))
        << ReadFileText(out);
    ::DeleteFileW(out.c_str());
}

TEST(Startup, InstallModeEndsWithoutAWindow) {
    // Started from the build folder, which is not the install folder.
    Process launcher;
    ASSERT_TRUE(launcher.Start(LauncherPath(), L"-uninst"));
    installtest::Descendants installed;  // the installed copy it starts, ended with the test
    bool sawWindow = false;
    EXPECT_TRUE(PumpUntil(
        [&] {
            installed.Take(launcher.id());
            sawWindow = sawWindow || HasVisibleWindow(launcher.id());
            return !launcher.Running();
        },
        kTimeout));
    installed.Take(launcher.id());
    EXPECT_FALSE(sawWindow);
    installtest::ClearInstallation();
}

}  // namespace

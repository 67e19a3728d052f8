// The real launcher in its install folder updating itself from the local
// operator site, and going on with its own build when anything is wrong.
#include "core/launcher_ids.h"
#include "core/run_mode_win.h"
#include "tests/win/opsite_client.h"
#include "tests/win/site_overrides.h"
#include "tests/win/test_util.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <iostream>

using namespace testutil;

namespace {

std::string ReadAll(const std::wstring& path) {
    std::string bytes;
    if (std::FILE* f = ::_wfopen(path.c_str(), L"rb")) {
        char block[65536];
        size_t n;
        while ((n = std::fread(block, 1, sizeof block, f)) > 0) bytes.append(block, n);
        std::fclose(f);
    }
    return bytes;
}

bool WriteAll(const std::wstring& path, const std::string& bytes) {
    std::FILE* f = ::_wfopen(path.c_str(), L"wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Processes whose image is `path`.
std::vector<DWORD> ProcessesOf(const std::wstring& path) {
    std::vector<DWORD> found;
    fw::UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL ok = ::Process32FirstW(snapshot.get(), &entry); ok; ok = ::Process32NextW(snapshot.get(), &entry)) {
        fw::UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
        wchar_t image[MAX_PATH];
        DWORD size = MAX_PATH;
        if (process && ::QueryFullProcessImageNameW(process.get(), 0, image, &size) &&
            ::lstrcmpiW(image, path.c_str()) == 0)
            found.push_back(entry.th32ProcessID);
    }
    return found;
}

void EndProcessesOf(const std::wstring& path) {
    for (DWORD pid : ProcessesOf(path)) {
        fw::UniqueHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
        ::TerminateProcess(process.get(), 0);
        ::WaitForSingleObject(process.get(), 5000);
    }
}

bool HasVisibleStartupWindow(DWORD pid) {
    auto windows = TopLevelWindows(pid);
    return std::any_of(windows.begin(), windows.end(), [](HWND w) {
        return ::IsWindowVisible(w) && TextOf(w) != L"版本更新中";
    });
}

// Points the launchers started from now on at gameSite (the administrators'
// site overrides); an empty one points every site back at a closed port.
void SetSiteFor(const std::wstring& gameSite) {
    if (gameSite.empty()) {
        WriteSiteOverrides(AllSitesOn(kClosedLoopbackSite));
    } else {
        WriteSiteOverrides({{site::kValueGameSite, gameSite}, {site::kValuePlatformDomain, L"127.0.0.1"}});
    }
}

class SelfUpdate : public ::testing::Test {
protected:
    void SetUp() override {
        if (opsite::Address().empty()) GTEST_SKIP() << "run through tests/with_opsite.sh";
        opsite::Control(L"reset");
        dir_ = InstallFolderPath();
        ::SHCreateDirectoryExW(nullptr, dir_.c_str(), nullptr);
        exe_ = dir_ + L"\\RV星潮纪元.exe";
        new_ = dir_ + L"\\NewRV星潮纪元.exe";
        old_ = dir_ + L"\\OldRV星潮纪元.exe";
        build_ = ReadAll(LauncherPath());
        ASSERT_GT(build_.size(), 10000u);
        ASSERT_TRUE(WriteAll(exe_, build_));
        ::DeleteFileW(new_.c_str());
        ::DeleteFileW(old_.c_str());
        ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kLauncherRegKey, L"UpdTime");
        ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kLauncherRegKey, L"DisableDays");
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        published_ = std::wstring(temp) + L"xcjy_published_build.exe";
        SetSiteFor(opsite::Address());
    }
    void TearDown() override {
        SetSiteFor(L"");
        EndProcessesOf(exe_);
        for (auto* p : {&exe_, &new_, &old_, &published_}) ::DeleteFileW(p->c_str());
        ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kLauncherRegKey, L"UpdTime");
    }

    // The same executable with bytes appended and, unless `sameVersion`, the
    // last number of its fixed file version raised: a newer build (its
    // version resource is what the identity and the statement read). An
    // unstartable one says its image is 256 bytes long: the system refuses to
    // start it, while its version, identity and signature read as any build's.
    enum Startable { Starts, WillNotStart };
    std::string PublishNewBuild(bool sameVersion = false, Startable startable = Starts) {
        std::string next = build_ + "\r\nnext build of the launcher\r\n";
        const std::string fixed("\xBD\x04\xEF\xFE", 4);
        size_t at = next.find(fixed);
        EXPECT_NE(at, std::string::npos);
        if (!sameVersion && at != std::string::npos) next[at + 12] = static_cast<char>(next[at + 12] + 1);
        if (startable == WillNotStart) {
            // SizeOfImage: the optional header's 56th byte, after the "PE"
            // signature (4) and the file header (20).
            const size_t pe = static_cast<uint8_t>(next[0x3C]) | static_cast<uint8_t>(next[0x3D]) << 8;
            const size_t sizeOfImage = pe + 4 + 20 + 56;
            const char tiny[4] = {0, 1, 0, 0};
            next.replace(sizeOfImage, 4, tiny, 4);
        }
        EXPECT_TRUE(WriteAll(published_, next));
        std::string answer = opsite::Control(L"publish?exe=" + opsite::Encode(opsite::UnixPath(published_)));
        EXPECT_NE(answer.find("identity"), std::string::npos) << answer;
        return next;
    }

    // Starts the installed launcher and waits until it shows its own start-up
    // window; the time that took, or -1.
    long StartAndWaitForStartupWindow(Process& launcher, DWORD ms) {
        DWORD start = ::GetTickCount();
        if (!launcher.Start(exe_, L"")) return -1;
        if (!PumpUntil([&] { return HasVisibleStartupWindow(launcher.id()); }, ms)) return -1;
        return static_cast<long>(::GetTickCount() - start);
    }

    std::wstring dir_, exe_, new_, old_, published_;
    std::string build_;
};

TEST_F(SelfUpdate, NewBuildIsVerifiedSwappedInAndStarted) {
    std::string next = PublishNewBuild();
    Process launcher;
    ASSERT_TRUE(launcher.Start(exe_, L""));
    EXPECT_TRUE(launcher.WaitExit(30000)) << "the old process ends once the new build runs";
    EXPECT_EQ(ReadAll(exe_), next) << "the new build under the usual name";
    EXPECT_EQ(ReadAll(old_), build_) << "the old build beside it";
    EXPECT_FALSE(Exists(new_));
    EXPECT_TRUE(PumpUntil([&] { return !ProcessesOf(exe_).empty(); }, 10000)) << "the new build was started";

    SYSTEMTIME stored{}, now{};
    DWORD size = sizeof stored;
    EXPECT_EQ(::RegGetValueW(HKEY_LOCAL_MACHINE, kLauncherRegKey, L"UpdTime", RRF_RT_REG_BINARY, nullptr, &stored,
                             &size),
              ERROR_SUCCESS);
    ::GetSystemTime(&now);
    EXPECT_EQ(stored.wDay, now.wDay) << "the update time is recorded";
    EXPECT_EQ(opsite::CountRequests("GET /update/XCJY.exe"), 1);
}

struct TextSearch {
    const std::wstring* text;
    HWND found = nullptr;
};

BOOL CALLBACK FindChildWithText(HWND child, LPARAM param) {
    auto* search = reinterpret_cast<TextSearch*>(param);
    if (TextOf(child) != *search->text) return TRUE;
    search->found = child;
    return FALSE;
}

// A top-level window of the process that has this text, or a control with it.
HWND WindowWithText(DWORD pid, const std::wstring& text) {
    for (HWND top : TopLevelWindows(pid)) {
        if (TextOf(top) == text) return top;
        TextSearch search{&text};
        ::EnumChildWindows(top, FindChildWithText, reinterpret_cast<LPARAM>(&search));
        if (search.found) return top;
    }
    return nullptr;
}

// A verified new build that takes the name and then will not start: the
// update did happen, so the player is told so (not that it failed), and the
// file under the launcher's name is the new build, which the next start runs.
TEST_F(SelfUpdate, NewBuildInPlaceThatWillNotStartIsReportedAsInstalled) {
    std::string next = PublishNewBuild(false, WillNotStart);
    Process launcher;
    ASSERT_TRUE(launcher.Start(exe_, L""));
    HWND box = nullptr;
    ASSERT_TRUE(PumpUntil(
        [&] { return (box = WindowWithText(launcher.id(), L"新版本已安装，但未能启动，请重新打开启动器")) != nullptr; },
        30000))
        << "the player is told the new build is installed";
    EXPECT_EQ(WindowWithText(launcher.id(), L"更新版本失败，请稍后重试"), nullptr);
    EXPECT_EQ(ReadAll(exe_), next) << "the new build under the usual name";
    EXPECT_EQ(ReadAll(old_), build_) << "the old build beside it";
    EXPECT_FALSE(Exists(new_));
    SYSTEMTIME stored{}, now{};
    DWORD size = sizeof stored;
    EXPECT_EQ(::RegGetValueW(HKEY_LOCAL_MACHINE, kLauncherRegKey, L"UpdTime", RRF_RT_REG_BINARY, nullptr, &stored,
                             &size),
              ERROR_SUCCESS)
        << "the update is recorded: the check does not run again today";
    ::GetSystemTime(&now);
    EXPECT_EQ(stored.wDay, now.wDay);
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(launcher.WaitExit(10000)) << "the old build in memory ends once the player has read it";
    EXPECT_TRUE(ProcessesOf(exe_).empty());
}

// Every way the update can go wrong leaves the old build running, untouched.
TEST_F(SelfUpdate, FaultsLeaveTheOldBuildInPlace) {
    struct Case {
        const wchar_t* name;
        std::wstring control;  // set on the site after publishing (empty: nothing)
    } cases[] = {
        {L"404", L"fault?path=/update/XCJY.exe&mode=404"},
        {L"500 with a body", L"fault?path=/update/XCJY.exe&mode=500&size=4000"},
        {L"truncated body", L"fault?path=/update/XCJY.exe&mode=short"},
        {L"digest not the published one", L"config?xcjy=0123456789abcdef012345615%2C1%2C23%2C3"},
        // Whoever answers for the site can publish any identity: without the
        // operator's signature a build with its correct identity is refused.
        {L"unsigned build", L"config?statement=&signature="},
        {L"signature not the operator's", L"config?signature=" + std::wstring(128, L'7')},
        {L"redirect to another host", L"fault?path=/update/XCJY.exe&mode=redirect"},
        {L"signed, but not newer", L""},
    };
    for (const Case& c : cases) {
        SetUp();
        PublishNewBuild(c.control.empty());
        if (!c.control.empty()) opsite::Control(c.control);
        Process launcher;
        long ms = StartAndWaitForStartupWindow(launcher, 30000);
        EXPECT_GE(ms, 0) << c.name << ": start-up goes on with the old build";
        EXPECT_EQ(ReadAll(exe_), build_) << c.name << ": the launcher is unchanged byte for byte";
        EXPECT_TRUE(PumpUntil([&] { return !Exists(new_); }, 5000)) << c.name << ": the rejected download is deleted";
        EXPECT_FALSE(Exists(old_)) << c.name;
        EndProcessesOf(exe_);
    }
}

// No network condition holds the first window back more than 3 s: a dead
// server, a silent one, one that trickles a byte now and then, one that sends
// a 10 MB configuration. Each time the launcher goes on with its own build.
TEST_F(SelfUpdate, NoServerHoldsTheFirstWindowBeyondThreeSeconds) {
    struct Case {
        const wchar_t* name;
        std::wstring site;     // empty: the operator site
        std::wstring control;  // set on the site first
    } cases[] = {
        {L"answering, no update", L"", L"config?xcjy=" + opsite::Encode(opsite::PublishedIdentity(exe_))},
        {L"dead (nothing listens)", L"127.0.0.1:1", L""},
        {L"silent", L"", L"fault?path=/ConfigXcjy.htm&mode=silent&seconds=90"},
        {L"trickling a byte every 2 s", L"", L"fault?path=/ConfigXcjy.htm&mode=trickle&seconds=2"},
        {L"10 MB configuration", L"", L"fault?path=/ConfigXcjy.htm&mode=slow&seconds=0&size=10000000"},
        {L"redirect to 127.0.0.2", L"", L"fault?path=/ConfigXcjy.htm&mode=redirect"},
    };
    for (const Case& c : cases) {
        opsite::Control(L"reset");
        if (!c.control.empty()) opsite::Control(c.control);
        SetSiteFor(c.site.empty() ? opsite::Address() : c.site);
        Process launcher;
        long ms = StartAndWaitForStartupWindow(launcher, 30000);
        EndProcessesOf(exe_);
        std::wcout << L"first window: " << c.name << L" " << ms << L" ms\n";
        EXPECT_GE(ms, 0) << c.name;
        EXPECT_LT(ms, 3000) << c.name;
        EXPECT_EQ(ReadAll(exe_), build_) << c.name;
        EXPECT_FALSE(Exists(new_)) << c.name;
        // A configuration fetch that start-up walked away from leaves no
        // part of its file beside the launcher, even when the launcher ends
        // before the fetch does.
        EXPECT_TRUE(PumpUntil([&] { return !Exists(dir_ + L"\\ConfigXcjy.htm"); }, 2000)) << c.name;
    }
    EXPECT_EQ(opsite::CountRequests("127.0.0.2"), 0);
}

}  // namespace

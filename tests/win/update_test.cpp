// The version check's registry gates, the remote configuration, and the
// verified swap of a downloaded build.
#include "core/launcher_ids.h"
#include "core/start_program.h"
#include "net/build_identity.h"
#include "net/update.h"
#include "tests/win/opsite_client.h"
#include "tests/win/test_util.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <tlhelp32.h>

#include <fstream>

namespace {

void SetBinary(const wchar_t* name, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kLauncherRegKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExW(key, name, 0, REG_BINARY, static_cast<const BYTE*>(data), size);
    ::RegCloseKey(key);
}

void DeleteValue(const wchar_t* name) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kLauncherRegKey, 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
        ::RegDeleteValueW(key, name);
        ::RegCloseKey(key);
    }
}

class UpdateGates : public ::testing::Test {
protected:
    void TearDown() override {
        DeleteValue(L"UpdTime");
        DeleteValue(L"DisableDays");
    }
};

TEST_F(UpdateGates, DisableDaysSkipTheirDaysOfTheWeek) {
    struct Case {
        BYTE days[4];
        const char* disabled;  // Sunday .. Saturday
    } cases[] = {
        {{6, 4, 2, 0}, "0010101"},  // Saturday, Thursday, Tuesday
        {{3, 0, 0, 0}, "1001000"},  // Wednesday, and Sunday through the two zero bytes
        {{0, 0, 0, 0}, "0000000"},  // the gate is off
        {{0, 0, 0, 5}, "1000000"},  // the highest byte is ignored; its zeros still name Sunday
    };
    for (const Case& c : cases) {
        SetBinary(L"DisableDays", c.days, 4);
        for (int day = 0; day < 7; ++day)
            EXPECT_EQ(IsCheckDisabledToday(day), c.disabled[day] == '1')
                << int(c.days[0]) << "," << int(c.days[1]) << "," << int(c.days[2]) << " day " << day;
    }
    DeleteValue(L"DisableDays");
    EXPECT_FALSE(IsCheckDisabledToday(0)) << "missing value";
}

TEST_F(UpdateGates, CheckPausesForTheDayOfAnUpdate) {
    SYSTEMTIME now{};
    ::GetSystemTime(&now);
    DeleteValue(L"UpdTime");
    EXPECT_TRUE(IsCheckDue()) << "no update recorded";

    ASSERT_TRUE(RecordUpdateTime());
    EXPECT_FALSE(IsCheckDue()) << "updated today (UTC)";

    FILETIME ft{};
    ::SystemTimeToFileTime(&now, &ft);
    ULARGE_INTEGER t{{ft.dwLowDateTime, ft.dwHighDateTime}};
    t.QuadPart -= 24ull * 3600 * 10000000;
    ft = {t.LowPart, t.HighPart};
    SYSTEMTIME yesterday{};
    ::FileTimeToSystemTime(&ft, &yesterday);
    SetBinary(L"UpdTime", &yesterday, sizeof yesterday);
    EXPECT_TRUE(IsCheckDue()) << "updated yesterday";

    BYTE today[4] = {static_cast<BYTE>(now.wDayOfWeek), 0xFF, 0xFF, 0};
    SetBinary(L"DisableDays", today, 4);
    EXPECT_FALSE(IsCheckDue()) << "today is a disabled day";
}

TEST_F(UpdateGates, RecordUpdateTimeStoresSixteenBytesOfUtc) {
    ASSERT_TRUE(RecordUpdateTime());
    SYSTEMTIME stored{}, now{};
    DWORD size = sizeof stored, type = 0;
    ASSERT_EQ(::RegGetValueW(HKEY_LOCAL_MACHINE, kLauncherRegKey, L"UpdTime", RRF_RT_REG_BINARY, &type, &stored, &size),
              ERROR_SUCCESS);
    ::GetSystemTime(&now);
    EXPECT_EQ(size, 16u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(stored.wYear, now.wYear);
    EXPECT_EQ(stored.wDay, now.wDay);
}

class VersionCheck : public ::testing::Test {
protected:
    void SetUp() override {
        if (opsite::Address().empty()) GTEST_SKIP() << "run through tests/with_opsite.sh";
        opsite::Control(L"reset");
        wchar_t exe[MAX_PATH];
        ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
        local_ = opsite::PublishedIdentity(exe);
        ASSERT_EQ(local_.size(), 32u);
    }
    void Publish(const std::wstring& identity) {
        opsite::Control(L"config?xcjy=" + identity + L"&updaddr=http://x.example/");
    }
    std::wstring local_;
};

TEST_F(VersionCheck, OnlyADifferentIdentityMeansUpdate) {
    std::wstring upper = local_;
    for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(c));
    std::wstring otherDigit = local_;
    otherDigit[5] = otherDigit[5] == L'0' ? L'1' : L'0';
    std::wstring otherVersion = local_.substr(0, 23) + L"15,1,23,2";
    struct Case {
        std::wstring published;
        bool update;
    } cases[] = {{local_, false}, {upper, false}, {otherDigit, true}, {otherVersion, true}, {L"", false}};
    for (const Case& c : cases) {
        Publish(c.published);
        SelfUpdate update;
        EXPECT_EQ(update.Check(TRUE) != 0, c.update) << c.published;
        EXPECT_EQ(update.Offer().address, L"http://x.example/") << "the address is read either way";
    }
    wchar_t config[MAX_PATH];
    ::GetModuleFileNameW(nullptr, config, MAX_PATH);
    ::PathRemoveFileSpecW(config);
    ::PathAppendW(config, L"ConfigXcjy.htm");
    EXPECT_FALSE(::PathFileExistsW(config)) << "the configuration file is deleted after reading";
}

TEST_F(VersionCheck, NothingLearnedMeansNoUpdate) {
    Publish(local_.substr(0, 23) + L"15,1,23,2");
    SelfUpdate update;
    update.SetOffer({L"kept", L"", L"", L""});
    opsite::Control(L"fault?path=/ConfigXcjy.htm&mode=500&size=200");
    EXPECT_EQ(update.Check(TRUE), 0);
    EXPECT_EQ(update.Offer().address, L"kept");
    opsite::Control(L"fault?path=/ConfigXcjy.htm&mode=none");
    // The test program runs in install mode, where start-up never checks.
    opsite::Control(L"requests?clear=1");
    EXPECT_EQ(update.Check(FALSE), 0);
    EXPECT_EQ(opsite::CountRequests("ConfigXcjy"), 0);
}

// A folder of its own with a launcher build and a downloaded one.
class SwapFolder : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        dir_ = std::wstring(temp) + L"xcjy swap test";
        ::SHCreateDirectoryExW(nullptr, dir_.c_str(), nullptr);
        current_ = dir_ + L"\\RV星潮纪元.exe";
        new_ = dir_ + L"\\NewRV星潮纪元.exe";
        old_ = dir_ + L"\\OldRV星潮纪元.exe";
    }
    void TearDown() override {
        for (auto* p : {&current_, &new_, &old_}) ::DeleteFileW(p->c_str());
        ::RemoveDirectoryW(dir_.c_str());
    }
    static void Write(const std::wstring& path, const std::string& bytes) {
        std::ofstream(path.c_str(), std::ios::binary) << bytes;
    }
    static std::string Read(const std::wstring& path) {
        std::ifstream in(path.c_str(), std::ios::binary);
        return in ? std::string(std::istreambuf_iterator<char>(in), {}) : std::string("<missing>");
    }
    // The launcher with bytes appended: another build of the same version.
    void MakeNewBuild(const std::string& tail) {
        std::string exe = Read(testutil::LauncherPath());
        ASSERT_GT(exe.size(), 1000u);
        Write(new_, exe + tail);
    }
    std::wstring dir_, current_, new_, old_;
};

TEST_F(SwapFolder, VerifiedOnlyWithThePublishedIdentity) {
    MakeNewBuild("appended");
    std::wstring identity = opsite::PublishedIdentity(new_);
    std::wstring upper = identity;
    for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(c));
    EXPECT_TRUE(VerifyUpdateFile(new_, identity));
    EXPECT_TRUE(VerifyUpdateFile(new_, upper));
    EXPECT_FALSE(VerifyUpdateFile(new_, opsite::PublishedIdentity(testutil::LauncherPath()))) << "another build";
    EXPECT_FALSE(VerifyUpdateFile(new_, identity.substr(0, 23) + L"15,1,23,2")) << "another version";
    EXPECT_FALSE(VerifyUpdateFile(new_, L""));

    std::string exe = Read(new_);
    Write(new_, exe.substr(0, exe.size() / 2));
    EXPECT_FALSE(VerifyUpdateFile(new_, opsite::PublishedIdentity(new_))) << "a truncated build has no version";
    Write(new_, "<html>500 Internal Server Error</html>");
    EXPECT_FALSE(VerifyUpdateFile(new_, opsite::PublishedIdentity(new_))) << "an error page";
}

TEST_F(SwapFolder, SwapPutsTheNewBuildUnderTheUsualName) {
    Write(current_, "old build");
    Write(new_, "new build");
    Write(old_, "build before the last");
    ASSERT_TRUE(SwapInNewBuild(current_, new_, old_));
    EXPECT_EQ(Read(current_), "new build");
    EXPECT_EQ(Read(old_), "old build");
    EXPECT_EQ(Read(new_), "<missing>");
}

TEST_F(SwapFolder, FailedSwapLeavesTheOldBuildInPlace) {
    Write(current_, "old build");
    // No new file to take the name: the old build must come back.
    EXPECT_FALSE(SwapInNewBuild(current_, new_, old_));
    EXPECT_EQ(Read(current_), "old build");

    // The new file is held open without sharing, so it cannot be moved.
    Write(new_, "new build");
    HANDLE held = ::CreateFileW(new_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(SwapInNewBuild(current_, new_, old_));
    ::CloseHandle(held);
    EXPECT_EQ(Read(current_), "old build");
}

// Processes whose image is `path`, with their priority class.
std::vector<std::pair<DWORD, DWORD>> ProcessesOf(const std::wstring& path) {
    std::vector<std::pair<DWORD, DWORD>> found;
    fw::UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL ok = ::Process32FirstW(snapshot.get(), &entry); ok; ok = ::Process32NextW(snapshot.get(), &entry)) {
        fw::UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE,
                                               entry.th32ProcessID));
        wchar_t image[MAX_PATH];
        DWORD size = MAX_PATH;
        if (process && ::QueryFullProcessImageNameW(process.get(), 0, image, &size) &&
            ::lstrcmpiW(image, path.c_str()) == 0)
            found.emplace_back(entry.th32ProcessID, ::GetPriorityClass(process.get()));
    }
    return found;
}

void EndProcesses(const std::wstring& path) {
    for (auto [pid, priority] : ProcessesOf(path)) {
        fw::UniqueHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
        ::TerminateProcess(process.get(), 0);
        ::WaitForSingleObject(process.get(), 5000);
    }
}

TEST(StartProgram, PathWithBlanksStartsThatProgram) {
    wchar_t temp[MAX_PATH], system[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    ::GetSystemDirectoryW(system, MAX_PATH);
    std::wstring root = std::wstring(temp) + L"xcjy start";
    std::wstring decoy = root + L"\\my.exe";          // what a bare command line would find first
    std::wstring program = root + L"\\my game\\x.exe";
    ::SHCreateDirectoryExW(nullptr, (root + L"\\my game").c_str(), nullptr);
    std::wstring notepad = std::wstring(system) + L"\\notepad.exe";
    ASSERT_TRUE(::CopyFileW(notepad.c_str(), decoy.c_str(), FALSE));
    ASSERT_TRUE(::CopyFileW(notepad.c_str(), program.c_str(), FALSE));

    StartProgram(program.c_str());
    EXPECT_TRUE(testutil::PumpUntil([&] { return !ProcessesOf(program).empty(); }, 10000));
    auto started = ProcessesOf(program);
    ASSERT_EQ(started.size(), 1u);
    // The idle priority class is not checked: wine reports every process at
    // the normal class, whatever it was created with.
    EXPECT_TRUE(ProcessesOf(decoy).empty());

    EndProcesses(program);
    EndProcesses(decoy);
    ::DeleteFileW(program.c_str());
    ::DeleteFileW(decoy.c_str());
    ::RemoveDirectoryW((root + L"\\my game").c_str());
    ::RemoveDirectoryW(root.c_str());
}

TEST(MakeExeDirPath, BesideTheRunningExecutable) {
    wchar_t exe[MAX_PATH];
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring path;
    ASSERT_TRUE(MakeExeDirPath(nullptr, path));
    EXPECT_EQ(path, exe);
    ASSERT_TRUE(MakeExeDirPath(L"PopWnd.jpg", path));
    ::PathRemoveFileSpecW(exe);
    EXPECT_EQ(path, std::wstring(exe) + L"\\PopWnd.jpg");
}

}  // namespace

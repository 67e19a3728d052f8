// The real executable installing itself and removing itself, with its survey
// request sent to the local operator site and its self-delete batch running
// after it has ended.
#include <winsock2.h>  // before windows.h

#include "app/launcher_app.h"
#include "tests/win/install_fixture.h"
#include "tests/win/site_overrides.h"
#include "tests/win/test_util.h"

#include <gtest/gtest.h>

#include <iostream>

using namespace installtest;
using namespace testutil;

namespace {

constexpr DWORD kTimeout = 20000;
const std::wstring kBoxCaption = L"RV星潮纪元";

std::wstring Widen(const std::string& text) {
    std::wstring wide(text.size(), L'\0');
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                                        static_cast<int>(wide.size()));
    wide.resize(n > 0 ? n : 0);
    return wide;
}

// The local operator site, run by the Unix python beside wine. A program under
// wine cannot signal it, so it runs while its stop file exists.
class LocalSite {
public:
    LocalSite() {
        const std::string name = "xcjy-e2e-" + std::to_string(::GetCurrentProcessId()) + "-" +
                                 std::to_string(::GetTickCount());
        unixDir_ = "/tmp/" + name;
        dir_ = L"Z:\\tmp\\" + Widen(name);
        ::CreateDirectoryW(dir_.c_str(), nullptr);
        WriteBytes(dir_ + L"\\run", "");
        const std::wstring command = L"start.exe /unix /usr/bin/python3 " + Widen(XCJY_SOURCE_DIR) +
                                     L"/tools/opsite/opsite.py --port-file " + Widen(unixDir_) +
                                     L"/port --survey-log " + Widen(unixDir_) + L"/survey.log --stop-file " +
                                     Widen(unixDir_) + L"/run";
        Process start;
        if (!start.Start(SystemFile(L"start.exe"), command.substr(command.find(L' ') + 1)) || !start.WaitExit(kTimeout))
            return;
        PumpUntil([this] { return !ReadBytes(dir_ + L"\\port").empty(); }, kTimeout);
        port_ = std::atoi(ReadBytes(dir_ + L"\\port").c_str());
    }
    ~LocalSite() {
        ::DeleteFileW((dir_ + L"\\run").c_str());
        // The site removes its port file as it ends.
        PumpUntil([this] { return !Exists(dir_ + L"\\port"); }, 5000);
        RemoveTree(dir_);
    }
    LocalSite(const LocalSite&) = delete;
    LocalSite& operator=(const LocalSite&) = delete;

    int port() const { return port_; }
    std::string SurveyLog() const { return ReadBytes(dir_ + L"\\survey.log"); }

    static std::wstring SystemFile(const wchar_t* name) {
        wchar_t system[MAX_PATH] = {};
        ::GetSystemDirectoryW(system, MAX_PATH);
        return std::wstring(system) + L"\\" + name;
    }

private:
    std::string unixDir_;
    std::wstring dir_;
    int port_ = 0;
};

bool HasVisibleWindow(DWORD pid) {
    for (HWND w : TopLevelWindows(pid))
        if (::IsWindowVisible(w)) return true;
    return false;
}

// The platform client site of the launchers started meanwhile; afterwards it
// points where nothing listens again, as for the rest of this program.
class ClientSiteOn {
public:
    explicit ClientSiteOn(int port) {
        ok_ = WriteSiteOverrides({{site::kValueClientSite, L"127.0.0.1:" + std::to_wstring(port)}});
    }
    ~ClientSiteOn() { WriteSiteOverrides({{site::kValueClientSite, kClosedLoopbackSite}}); }
    ClientSiteOn(const ClientSiteOn&) = delete;
    ClientSiteOn& operator=(const ClientSiteOn&) = delete;
    bool ok() const { return ok_; }

private:
    bool ok_ = false;
};

class InstallE2E : public ::testing::Test {
protected:
    void SetUp() override {
        ::CoInitialize(nullptr);
        ClearInstallation();
        std::cout << "ANSI code page " << ::GetACP() << ", OEM code page " << ::GetOEMCP() << "\n";
    }
    void TearDown() override {
        ClearInstallation();
        ::CoUninitialize();
    }
};

TEST_F(InstallE2E, InstallModeInstallsAndLeavesTheInstalledCopyRunning) {
    ScratchFolder downloads(L"下载");
    const std::wstring copy = downloads / L"RV星潮纪元.exe";
    ASSERT_TRUE(::CopyFileW(LauncherPath().c_str(), copy.c_str(), FALSE));
    const std::wstring installed = InstallFolderPath() + L"\\RV星潮纪元.exe";

    Process installer;
    ASSERT_TRUE(installer.Start(copy, L""));
    Descendants started;
    DWORD installedId = 0;
    // The installed copy runs on in installed mode: it shows its login window.
    const bool running = PumpUntil(
        [&] {
            started.Take(installer.id());
            for (DWORD id : started.ids())
                if (SamePath(ImageOf(id), installed) && HasVisibleWindow(id)) installedId = id;
            return installedId != 0;
        },
        kTimeout);
    EXPECT_TRUE(installer.WaitExit(kTimeout));
    ASSERT_TRUE(running) << "the installed copy did not start in installed mode";

    EXPECT_EQ(ReadBytes(installed), ReadBytes(copy));
    for (const std::wstring& link :
         {DesktopLink(), GroupLink(kShortcutName), GroupLink(kUninstallShortcutName)})
        EXPECT_EQ(ReadLink(link).target, installed) << link;
    EXPECT_EQ(ReadRegString(kInstalledProgramsKey, L"UninstallString"), L"\"" + installed + L"\" /uninst");
    BYTE days[4] = {};
    DWORD size = sizeof days;
    EXPECT_EQ(::RegGetValueW(HKEY_LOCAL_MACHINE, kLauncherRegKey, L"DisableDays", RRF_RT_REG_BINARY, nullptr, days,
                             &size),
              ERROR_SUCCESS);
}

// The state an installation leaves, made by the launcher's own installer code.
std::wstring Installed(bool withSettings) {
    const std::wstring target = InstallCopyOf(LauncherPath());
    WriteDisableDays();
    if (withSettings)
        ::WritePrivateProfileStringW(L"XCJY", L"UnInst", L"1", (InstallFolderPath() + L"\\Statistic.ini").c_str());
    return target;
}

// Answers the uninstall question with Yes and the closing notice with OK;
// returns the moment the notice was closed.
DWORD ConfirmUninstall(const Process& launcher, const std::function<void()>& whileNoticeIsOpen = {}) {
    HWND ask = WaitForDialog(launcher.id(), kBoxCaption, kAskUninstall, kTimeout);
    EXPECT_NE(ask, nullptr);
    if (!ask) return 0;
    PressButton(ask, IDYES);
    HWND done = WaitForDialog(launcher.id(), kBoxCaption, kUninstallDoneText, kTimeout);
    EXPECT_NE(done, nullptr);
    if (!done) return 0;
    if (whileNoticeIsOpen) whileNoticeIsOpen();
    PressButton(done, IDOK);
    return ::GetTickCount();
}

TEST_F(InstallE2E, DecliningUninstallKeepsTheWholeInstallation) {
    const std::wstring exe = Installed(true);
    const auto before = InstallationTraces();
    ASSERT_GE(before.size(), 10u);
    Process launcher;
    ASSERT_TRUE(launcher.Start(exe, L"/uninst"));
    HWND ask = WaitForDialog(launcher.id(), kBoxCaption, kAskUninstall, kTimeout);
    ASSERT_NE(ask, nullptr);
    Descendants started;
    started.Take(launcher.id());
    PressButton(ask, IDNO);
    EXPECT_TRUE(launcher.WaitExit(kTimeout));
    started.Take(launcher.id());
    EXPECT_TRUE(started.ids().empty()) << "declining started something";
    EXPECT_EQ(InstallationTraces(), before);
}

struct UninstallCase {
    const char* what;
    bool withSettings;     // the folder also holds Statistic.ini with one uninstall counted
    const char* survey;    // how the survey address ends
    bool folderRemoved;
};

TEST_F(InstallE2E, UninstallRemovesEverythingReportsTheCountAndDeletesItselfAfterwards) {
    LocalSite site;
    ASSERT_NE(site.port(), 0) << "the local operator site did not start";
    ClientSiteOn client(site.port());
    ASSERT_TRUE(client.ok());
    size_t surveysBefore = 0;
    for (const UninstallCase& c : {UninstallCase{"alone in its folder", false, "&count=1", true},
                                   UninstallCase{"beside the settings file", true, "&count=2", false}}) {
        SCOPED_TRACE(c.what);
        ClearInstallation();
        const std::wstring exe = Installed(c.withSettings);
        ASSERT_TRUE(Exists(exe));

        Process launcher;
        ASSERT_TRUE(launcher.Start(exe, L"/uninst"));
        Descendants batch;
        ConfirmUninstall(launcher, [&] {
            batch.Take(launcher.id());
            // Key, entry and shortcuts are gone before the notice.
            EXPECT_FALSE(KeyExists(kLauncherRegKey));
            EXPECT_FALSE(KeyExists(kInstalledProgramsKey));
            for (const std::wstring& link :
                 {DesktopLink(), GroupLink(kShortcutName), GroupLink(kUninstallShortcutName)})
                EXPECT_FALSE(Exists(link)) << link;
            EXPECT_FALSE(Exists(ProgramsGroupPath()));
        });
        EXPECT_TRUE(launcher.WaitExit(kTimeout));
        EXPECT_FALSE(batch.ids().empty()) << "no self-delete batch was started";

        // The survey request has reached the site before the process ended.
        std::string log = site.SurveyLog();
        ASSERT_GT(log.size(), surveysBefore);
        std::string last = log.substr(surveysBefore);
        surveysBefore = log.size();
        EXPECT_NE(last.find("uninstall.htm?tag=XCJY&ver=15,1,23,3" + std::string(c.survey) + "\n"), std::string::npos)
            << last;

        EXPECT_TRUE(batch.WaitEnd(kTimeout)) << "the batch is still running";
        EXPECT_FALSE(Exists(exe));
        EXPECT_EQ(Exists(InstallFolderPath()), !c.folderRemoved);
        if (c.withSettings) {
            EXPECT_TRUE(Exists(InstallFolderPath() + L"\\Statistic.ini"));
        }
    }
}

TEST_F(InstallE2E, ASurveyServerThatNeverAnswersDelaysTheEndOnlyByTheBound) {
    // Accepts connections (the system's backlog) and never answers.
    WSADATA wsa;
    ASSERT_EQ(::WSAStartup(MAKEWORD(2, 2), &wsa), 0);
    SOCKET silent = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(silent, 8), 0);
    int length = sizeof address;
    ::getsockname(silent, reinterpret_cast<sockaddr*>(&address), &length);
    ClientSiteOn client(::ntohs(address.sin_port));
    ASSERT_TRUE(client.ok());

    const std::wstring exe = Installed(false);
    Process launcher;
    ASSERT_TRUE(launcher.Start(exe, L"/uninst"));
    Descendants batch;
    const DWORD closed = ConfirmUninstall(launcher, [&] { batch.Take(launcher.id()); });
    EXPECT_TRUE(launcher.WaitExit(kSurveyWaitMs + 5000));
    EXPECT_LT(::GetTickCount() - closed, kSurveyWaitMs + 5000);
    EXPECT_TRUE(batch.WaitEnd(kTimeout));
    EXPECT_FALSE(Exists(exe));
    ::closesocket(silent);
    ::WSACleanup();
}

}  // namespace

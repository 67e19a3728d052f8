// The game client download dialog against the operator site: its states,
// progress, Cancel in the middle of a download and the close button.
#include "net/build_identity.h"
#include "net/down_game_dlg.h"
#include "res/resource.h"
#include "tests/win/opsite_client.h"
#include "tests/win/test_util.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <commctrl.h>

#include <vector>

namespace {

DWORD FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    return ::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ? data.nFileSizeLow : 0;
}

// Ends every process running `image` and tells how many there were.
int EndProcessesOf(const std::wstring& image) {
    int count = 0;
    fw::UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL ok = ::Process32FirstW(snapshot.get(), &entry); ok; ok = ::Process32NextW(snapshot.get(), &entry)) {
        fw::UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE,
                                               FALSE, entry.th32ProcessID));
        wchar_t path[MAX_PATH];
        DWORD size = MAX_PATH;
        if (process && ::QueryFullProcessImageNameW(process.get(), 0, path, &size) &&
            ::lstrcmpiW(path, image.c_str()) == 0) {
            ++count;
            ::TerminateProcess(process.get(), 0);
            ::WaitForSingleObject(process.get(), 5000);
        }
    }
    return count;
}

LRESULT CALLBACK RecordPositions(HWND w, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    if (m == PBM_SETPOS) reinterpret_cast<std::vector<WPARAM>*>(ref)->push_back(wp);
    return ::DefSubclassProc(w, m, wp, lp);
}

class DownGameTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (opsite::Address().empty()) GTEST_SKIP() << "run through tests/with_opsite.sh";
        opsite::Control(L"reset");
        PointConfigAtTheGame();
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        exe_ = std::wstring(temp) + L"Hyxd.exe";
        EndProcessesOf(exe_);
        ::DeleteFileW(exe_.c_str());
    }
    void TearDown() override {
        EndProcessesOf(exe_);
        ::DeleteFileW(exe_.c_str());
    }
    // Every game name reads the one ConfigXcjy.htm; here it names another
    // game's launcher and publishes that program's identity and its signed
    // statement as the client of "Hyxd". The site serves the wine prefix's
    // regsvr32 as the game.
    static void PointConfigAtTheGame() {
        // The prefix's own regsvr32 is built for the machine the test build
        // is, as a game client must be.
        const std::wstring identity = IdentityOfExecutable(L"C:\\windows\\system32\\regsvr32.exe");
        ASSERT_FALSE(identity.empty());
        opsite::Control(L"config?updaddr=" + opsite::Encode(L"http://{{HOST}}/games/Hyxd.exe") +
                        L"&xcjy=" + opsite::Encode(identity) + L"&signgame=Hyxd");
    }
    static std::wstring Caption(const CDownGameDlg& dlg) { return dlg.GetWindowText(); }
    static bool Enabled(const CWnd& w) { return ::IsWindowEnabled(w.m_hWnd) != FALSE; }
    static void Shot(HWND wnd, const wchar_t* name) {
        testutil::Repaint(wnd);
        testutil::SaveShot(testutil::CaptureScreen(wnd), name);
    }
    // Opens the dialog as the game page does, only without its own modal loop.
    static void Open(CDownGameDlg& dlg) {
        ASSERT_TRUE(dlg.Create(IDD_DOWNLOAD));
        dlg.CenterWindow();
        ::ShowWindow(dlg.m_hWnd, SW_SHOW);
    }
    static void CloseBox(CDownGameDlg& dlg) {
        ::PostMessageW(dlg.m_hWnd, WM_COMMAND, kIdCaptionClose, 0);
        testutil::PumpUntilPreTranslated([] { return false; }, 200);
    }
    std::wstring exe_;
};

TEST_F(DownGameTest, DownloadsStartsAndThenLetsThePlayerClose) {
    CDownGameDlg dlg(L"Hyxd");
    Open(dlg);
    ASSERT_TRUE(testutil::PumpUntilPreTranslated([&] { return Caption(dlg) != L"游戏下载中..."; }, 15000));
    EXPECT_EQ(Caption(dlg), L"下载完成");
    EXPECT_TRUE(Enabled(dlg.m_btnOK));
    EXPECT_FALSE(Enabled(dlg.m_btnCancel));
    EXPECT_EQ(dlg.m_stStatus.m_strText, L"已加载  100%");
    EXPECT_EQ(dlg.m_progress.GetPos(), 100);
    EXPECT_TRUE(testutil::PumpUntilPreTranslated([&] { return EndProcessesOf(exe_) == 1; }, 5000)) << "the downloaded program was started";
    Shot(dlg.m_hWnd, L"download_done.png");
    std::wstring ini;
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    ini = self;
    ini = ini.substr(0, ini.rfind(L'\\')) + L"\\Hyxd.ini";
    EXPECT_EQ(::GetFileAttributesW(ini.c_str()), INVALID_FILE_ATTRIBUTES) << "the configuration is deleted";
    CloseBox(dlg);
    EXPECT_FALSE(::IsWindowVisible(dlg.m_hWnd)) << "the close box ends it once the download is over";
}

TEST_F(DownGameTest, FailuresShowOnlyInTheCaption) {
    struct Case {
        const wchar_t* fault;
        bool okEnabled;
        const wchar_t* shot;
    } cases[] = {
        {L"fault?path=/ConfigXcjy.htm&mode=404", false, L"download_config_failed.png"},
        {L"fault?path=/games/Hyxd.exe&mode=500&size=300", true, L"download_failed.png"},
        {L"fault?path=/games/Hyxd.exe&mode=short&size=5000&sent=3000", true, nullptr},
        // A complete download that is not the published build: never started.
        {L"config?xcjy=0123456789abcdef0123456151123", true, nullptr},
        {L"config?xcjy=", true, nullptr},
    };
    for (const Case& c : cases) {
        opsite::Control(L"reset");
        PointConfigAtTheGame();
        opsite::Control(c.fault);
        CDownGameDlg dlg(L"Hyxd");
        Open(dlg);
        ASSERT_TRUE(testutil::PumpUntilPreTranslated([&] { return Caption(dlg) != L"游戏下载中..."; }, 15000)) << c.fault;
        testutil::PumpUntilPreTranslated([&] { return !dlg.m_hThread || ::WaitForSingleObject(dlg.m_hThread.get(), 0) == WAIT_OBJECT_0; }, 5000);
        EXPECT_EQ(Caption(dlg), L"下载失败") << c.fault;
        EXPECT_EQ(Enabled(dlg.m_btnOK), c.okEnabled) << c.fault;
        EXPECT_EQ(Enabled(dlg.m_btnCancel), !c.okEnabled) << c.fault;
        EXPECT_EQ(::GetFileAttributesW(exe_.c_str()), INVALID_FILE_ATTRIBUTES) << c.fault << ": the partial file goes";
        if (c.shot) Shot(dlg.m_hWnd, c.shot);
        CloseBox(dlg);
        EXPECT_EQ(::IsWindowVisible(dlg.m_hWnd) == FALSE, c.okEnabled) << c.fault << ": close box";
    }
    EXPECT_EQ(EndProcessesOf(exe_), 0);
}

TEST_F(DownGameTest, CancelStopsTheDownloadAtOnce) {
    opsite::Control(L"fault?path=/games/Hyxd.exe&mode=slow&seconds=30&chunk=4096");
    CDownGameDlg dlg(L"Hyxd");
    Open(dlg);
    ASSERT_TRUE(testutil::PumpUntilPreTranslated([&] { return dlg.m_progress.GetPos() > 0; }, 15000));
    EXPECT_EQ(Caption(dlg), L"游戏下载中...");
    EXPECT_FALSE(Enabled(dlg.m_btnOK));
    Shot(dlg.m_hWnd, L"download_running.png");
    CloseBox(dlg);
    EXPECT_TRUE(::IsWindowVisible(dlg.m_hWnd)) << "the close box does nothing while it runs";

    DWORD start = ::GetTickCount();
    ::SendMessageW(dlg.m_hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                   reinterpret_cast<LPARAM>(dlg.m_btnCancel.m_hWnd));
    EXPECT_LT(::GetTickCount() - start, 3000u) << "the blocked read is cut short";
    EXPECT_FALSE(::IsWindowVisible(dlg.m_hWnd));
    EXPECT_FALSE(dlg.m_hThread) << "the worker is gone";
    EXPECT_TRUE(dlg.m_job->handles.Cancelled());
    DWORD partial = FileSize(exe_);
    EXPECT_GT(partial, 0u) << "the partial file stays";
    testutil::PumpUntilPreTranslated([] { return false; }, 300);
    EXPECT_EQ(FileSize(exe_), partial) << "nothing writes to it any more";
    EXPECT_EQ(EndProcessesOf(exe_), 0) << "nothing is started";
}

// A server that stopped sending (silent after the request, or a byte now
// and then): Cancel returns within 1 s, and nothing writes the file after it.
TEST_F(DownGameTest, CancelReturnsWithinASecondFromAStalledServer) {
    for (const wchar_t* fault : {L"fault?path=/games/Hyxd.exe&mode=silent&seconds=60",
                                 L"fault?path=/games/Hyxd.exe&mode=trickle&seconds=5&size=100000"}) {
        opsite::Control(L"requests?clear=1");
        opsite::Control(fault);
        CDownGameDlg dlg(L"Hyxd");
        Open(dlg);
        ASSERT_TRUE(testutil::PumpUntilPreTranslated(
            [&] { return opsite::CountRequests("GET /games/Hyxd.exe") == 1; }, 15000)) << fault;
        testutil::PumpUntilPreTranslated([] { return false; }, 300);
        DWORD start = ::GetTickCount();
        ::SendMessageW(dlg.m_hWnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                       reinterpret_cast<LPARAM>(dlg.m_btnCancel.m_hWnd));
        EXPECT_LT(::GetTickCount() - start, 1000u) << fault;
        EXPECT_FALSE(::IsWindowVisible(dlg.m_hWnd)) << fault;
        DWORD partial = FileSize(exe_);
        testutil::PumpUntilPreTranslated([] { return false; }, 6000);
        EXPECT_EQ(FileSize(exe_), partial) << fault << ": nothing writes to it any more";
        EXPECT_EQ(EndProcessesOf(exe_), 0) << "nothing is started";
    }
}

TEST_F(DownGameTest, ProgressOfATwoMillionByteDownload) {
    opsite::Control(L"fault?path=/games/Hyxd.exe&mode=slow&seconds=0.2&size=2000000&chunk=200000");
    CDownGameDlg dlg(L"Hyxd");
    std::vector<WPARAM> positions;
    ASSERT_TRUE(dlg.Create(IDD_DOWNLOAD));
    ::SetWindowSubclass(dlg.m_progress.m_hWnd, RecordPositions, 77, reinterpret_cast<DWORD_PTR>(&positions));
    ::ShowWindow(dlg.m_hWnd, SW_SHOW);
    ASSERT_TRUE(testutil::PumpUntilPreTranslated([&] { return Caption(dlg) != L"游戏下载中..."; }, 20000));
    // Reads take what has arrived, at most 256 KB: at least eight of them,
    // each position at or past the one before.
    ASSERT_GE(positions.size(), 8u);
    for (size_t i = 1; i < positions.size(); ++i) EXPECT_GE(positions[i], positions[i - 1]) << "read " << i;
    EXPECT_LT(positions.front(), 20u);
    EXPECT_EQ(positions.back(), 100u);
    EXPECT_EQ(dlg.m_stStatus.m_strText, L"已加载  100%");
    ::RemoveWindowSubclass(dlg.m_progress.m_hWnd, RecordPositions, 77);
}

TEST_F(DownGameTest, EmptyOrUnsafeNames) {
    {
        CDownGameDlg dlg(L"");
        Open(dlg);
        testutil::PumpUntilPreTranslated([] { return false; }, 200);
        EXPECT_EQ(Caption(dlg), L"游戏下载中...");
        EXPECT_FALSE(dlg.m_hThread);
        EXPECT_TRUE(Enabled(dlg.m_btnOK)) << "the template's state";
        EXPECT_TRUE(Enabled(dlg.m_btnCancel));
    }
    opsite::Control(L"requests?clear=1");
    CDownGameDlg dlg(L"..\\..\\Hyxd");
    Open(dlg);
    testutil::PumpUntilPreTranslated([] { return false; }, 300);
    EXPECT_EQ(Caption(dlg), L"下载失败");
    EXPECT_FALSE(dlg.m_hThread);
    EXPECT_EQ(opsite::CountRequests("HTTP/1.1"), 0);
}

}  // namespace

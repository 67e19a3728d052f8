// The self-update's progress dialog and RunSelfUpdate's refusals.
#include "core/start_program.h"
#include "net/prgs_dlg.h"
#include "net/update.h"
#include "tests/win/opsite_client.h"
#include "tests/win/test_util.h"

#include <gtest/gtest.h>


namespace {

class PrgsDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (opsite::Address().empty()) GTEST_SKIP() << "run through tests/with_opsite.sh";
        opsite::Control(L"reset");
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        file_ = std::wstring(temp) + L"xcjy_prgs_test.bin";
        ::DeleteFileW(file_.c_str());
    }
    void TearDown() override { ::DeleteFileW(file_.c_str()); }
    std::wstring file_;
};

// Looks at the screen from another thread while the dialog's own thread is
// busy downloading inside the timer message: the bar must move all the same.
struct Watcher {
    bool barMoved = false;

    static testutil::Pixels BarPixels(HWND dlg) {
        RECT r{};
        ::GetWindowRect(::GetDlgItem(dlg, 1001), &r);
        return testutil::ReadScreenRect(r);
    }
    static DWORD WINAPI Run(LPVOID p) {
        auto* w = static_cast<Watcher*>(p);
        HWND dlg = nullptr;
        for (int i = 0; i < 200 && !dlg; ++i, ::Sleep(10)) dlg = ::FindWindowW(L"#32770", L"版本更新中");
        if (!dlg) return 0;
        ::Sleep(500);
        testutil::Pixels early = BarPixels(dlg);
        ::Sleep(600);
        testutil::Pixels later = BarPixels(dlg);
        w->barMoved = !early.data.empty() && early.data != later.data;
        RECT r{};
        ::GetWindowRect(dlg, &r);
        testutil::SaveShot(testutil::ReadScreenRect(r), L"update_progress.png");
        return 0;
    }
};

TEST_F(PrgsDlgTest, DownloadsInsideItsFirstTimerAndEndsWithTheResult) {
    opsite::Control(L"fault?path=/ConfigXcjy.htm&mode=slow&size=60000&seconds=1.5&chunk=3000");
    CPrgsDlg dlg;
    dlg.m_szUrl = L"http://" + opsite::Address() + L"/ConfigXcjy.htm";
    dlg.m_szFile = file_;
    Watcher watcher;
    fw::UniqueHandle thread(::CreateThread(nullptr, 0, Watcher::Run, &watcher, 0, nullptr));
    EXPECT_EQ(dlg.DoModal(), IDOK);
    ::WaitForSingleObject(thread.get(), 5000);
    EXPECT_TRUE(watcher.barMoved) << "the bar moves on screen while the download runs";

    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(::GetFileAttributesExW(file_.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeLow, 60000u);

    struct Failing {
        const wchar_t* fault;
        std::wstring url;
    } failing[] = {{L"fault?path=/ConfigXcjy.htm&mode=404", dlg.m_szUrl}, {L"reset", L""}};
    for (const Failing& f : failing) {
        opsite::Control(f.fault);
        CPrgsDlg again;
        again.m_szUrl = f.url;
        again.m_szFile = file_;
        EXPECT_EQ(again.DoModal(), IDCANCEL) << f.fault;
    }
}

TEST_F(PrgsDlgTest, RunSelfUpdateRefusesWhatItCannotVerify) {
    std::wstring exe, newPath;
    MakeExeDirPath(nullptr, exe);
    MakeExeDirPath(L"NewRV星潮纪元.exe", newPath);
    // Served with a 200 and its length, yet not the build that was published
    // (any path of the site will do).
    opsite::Control(L"fault?path=/ConfigXcjy.htm&mode=slow&seconds=0&size=5000");
    SelfUpdate update;
    update.SetOffer({L"http://" + opsite::Address() + L"/ConfigXcjy.htm", L"0123456789abcdef012345615,1,23,3", L"", L""});
    EXPECT_FALSE(update.Run());
    EXPECT_EQ(::GetFileAttributesW(newPath.c_str()), INVALID_FILE_ATTRIBUTES) << "the download is deleted";
    EXPECT_NE(::GetFileAttributesW(exe.c_str()), INVALID_FILE_ATTRIBUTES) << "the running build stays";

    update.SetOffer({L"", update.Offer().identity, L"", L""});
    EXPECT_FALSE(update.Run()) << "no address";
}

}  // namespace

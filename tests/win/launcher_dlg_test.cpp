// The main window and the game page set on real windows: the main window made
// from its template with its skins, pages added the way the login hands them
// over, driven by real messages.
#include "app/launcher_app.h"
#include "bosskey/boss_key.h"
#include "core/launcher_ids.h"
#include "framework/winapp.h"
#include "mainwnd/game_pages.h"
#include "mainwnd/launcher_dlg.h"
#include "mainwnd/mute.h"
#include "res/resource.h"
#include "skin/message_box.h"
#include "skin/skin_geometry.h"
#include "skin/tab_ctrl.h"
#include "tests/win/page_set_fixture.h"
#include "tests/win/test_util.h"
#include "web/login_bk_dlg.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

std::wstring SettingsFile() { return testutil::ExeDir() + L"\\Statistic.ini"; }

// Runs `action` while the shared driver answers the skinned box it shows
// with button `buttonId`; returns the texts asked (none when no box showed).
std::vector<std::wstring> Answering(int buttonId, const std::function<void()>& action) {
    std::vector<std::wstring> asked;
    testutil::ModalBoxDriver driver(kGameTitle);
    driver.Run(
        [&] {
            action();
            return 0;
        },
        {testutil::ModalBoxDriver::Answer(buttonId, &asked)});
    return asked;
}

bool TakeQuitMessage() {
    MSG msg{};
    return ::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
}

// Pumps for a while; true when the quit message came by (and was taken).
bool PumpSeesQuit(DWORD ms) {
    bool quit = false;
    testutil::PumpUntil([&] { return quit; }, ms, [&](const MSG& msg) { quit = quit || msg.message == WM_QUIT; });
    return quit;
}

RECT ClientRectOf(HWND child, HWND parent) {
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The page window or the browser inside it has the keyboard focus.
bool FocusIn(HWND page) {
    HWND focus = ::GetFocus();
    return focus && (focus == page || ::IsChild(page, focus));
}

SIZE SizeOf(HWND wnd) {
    RECT r{};
    ::GetWindowRect(wnd, &r);
    return {r.right - r.left, r.bottom - r.top};
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The pages' browsers need OLE, as start-up sets it up.
        ::OleInitialize(nullptr);
        ::DeleteFileW(SettingsFile().c_str());
        pages_ = std::make_unique<CGamePageSet>();
        LogIn(L"account0", L"11");
    }

    void TearDown() override {
        dlg_.reset();
        // The pages' browsers go before OLE, as at the launcher's end.
        pages_.reset();
        TakeQuitMessage();
        ::DeleteFileW(SettingsFile().c_str());
        ::OleUninitialize();
    }

    // The main window as start-up makes it after the first login.
    void Open() {
        dlg_ = std::make_unique<CLauncherDlg>(*pages_, update_);
        // The notice would fetch from the operator's site: not here.
        dlg_->m_nNoticeDelayMs = 0;
        // Registered with the launcher's own application object, as start-up does.
        theApp.m_pMainWnd = dlg_.get();
        ASSERT_TRUE(dlg_->Create(IDD_MAIN));
        testutil::PumpFor(30);
    }

    // What the login hands over: a page with its account and server.
    void LogIn(const std::wstring& account, const std::wstring& server) {
        pages_->AddGamePage(L"about:blank#" + account, account, server);
    }

    // A further login that succeeded, as OpenAnotherLogin finishes it.
    void AddAccount(const std::wstring& account, const std::wstring& server) {
        LogIn(account, server);
        ASSERT_TRUE(pages_->AddTabForNewestPage());
    }

    CGameWnd* PageObject(int i) const { return pages_->Pages()[static_cast<size_t>(i)].window.get(); }
    HWND Page(int i) const { return PageObject(i)->m_hWnd; }
    CCaptTab& Tabs() const { return pages_->Tabs(); }
    std::wstring TabText(int i) const {
        wchar_t text[128] = {};
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = 128;
        TabCtrl_GetItem(Tabs().m_hWnd, i, &item);
        return text;
    }
    bool Visible(HWND wnd) const { return ::IsWindowVisible(wnd) != FALSE; }

    void ClickTab(int i) {
        RECT r{};
        Tabs().GetItemRect(i, &r);
        const LPARAM at = MAKELPARAM(r.left + 40, 15);
        ::SendMessageW(Tabs(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        ::SendMessageW(Tabs(), WM_LBUTTONUP, 0, at);
    }

    std::unique_ptr<CGamePageSet> pages_;
    SelfUpdate update_;
    std::unique_ptr<CLauncherDlg> dlg_;
};

TEST_F(MainWindowTest, OpensMaximisedWithTheFirstPageItsTabAndItsStripWidth) {
    Open();
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    RECT r = dlg_->GetWindowRect();
    EXPECT_EQ(r.left, work.left);
    EXPECT_EQ(r.top, work.top);
    EXPECT_EQ(r.right, work.right);
    EXPECT_EQ(r.bottom, work.bottom);
    EXPECT_EQ(testutil::TextOf(*dlg_), kGameTitle);

    ASSERT_NE(Page(0), nullptr);
    EXPECT_EQ(::GetWindow(Page(0), GW_OWNER), dlg_->m_hWnd);
    // Hidden until its page has loaded.
    EXPECT_FALSE(Visible(Page(0)));
    RECT page{};
    ::GetWindowRect(Page(0), &page);
    EXPECT_EQ(page.left, r.left + 4);
    EXPECT_EQ(page.top, r.top + 30);
    EXPECT_EQ(page.right, r.right - 4);
    EXPECT_EQ(page.bottom, r.bottom - 4);

    ASSERT_EQ(Tabs().GetItemCount(), 1);
    EXPECT_EQ(TabText(0), L"account0");
    EXPECT_EQ(Tabs().GetItemData(0), reinterpret_cast<LPARAM>(PageObject(0)));
    RECT strip = ClientRectOf(Tabs(), *dlg_);
    EXPECT_EQ(strip.left, 100);
    EXPECT_EQ(strip.top, 6);
    EXPECT_EQ(strip.right - strip.left, 199);
    EXPECT_EQ(strip.bottom - strip.top, 22);

    // The instance's mutex now exists for later starts.
    fw::UniqueHandle mutex(::OpenMutexW(SYNCHRONIZE, FALSE, kInstanceMutexName));
    EXPECT_TRUE(mutex);
    // F10 is the boss key when nothing is stored.
    EXPECT_EQ(g_bossKey, (Hotkey{0, kVkF10}));
}

TEST_F(MainWindowTest, MinimumSizeGrowsWithPagesAndHeightNeverBelow260) {
    Open();
    ::SetWindowPos(*dlg_, nullptr, 10, 10, 300, 100, SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(SizeOf(*dlg_).cx, 646);
    EXPECT_EQ(SizeOf(*dlg_).cy, 260);
    ::SetWindowPos(*dlg_, nullptr, 10, 10, 700, 259, SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(SizeOf(*dlg_).cx, 700);
    EXPECT_EQ(SizeOf(*dlg_).cy, 260);

    AddAccount(L"account1", L"12");
    AddAccount(L"account2", L"13");
    ::SetWindowPos(*dlg_, nullptr, 10, 10, 700, 300, SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(SizeOf(*dlg_).cx, 1024);
    EXPECT_EQ(SizeOf(*dlg_).cy, 300);
    ::SetWindowPos(*dlg_, nullptr, 10, 10, 1025, 261, SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(SizeOf(*dlg_).cx, 1025);
    EXPECT_EQ(SizeOf(*dlg_).cy, 261);
}

TEST_F(MainWindowTest, CaptionControlsFollowTheRightEdge) {
    Open();
    for (int width : {1200, 800, 1600, 646}) {
        ::SetWindowPos(*dlg_, nullptr, 0, 0, width, 400, SWP_NOZORDER | SWP_NOACTIVATE);
        const int cx = dlg_->GetClientRect().right;
        const struct {
            int id, x, y, w, h;
        } places[] = {
            {IDC_BTN_HIDE, cx - 114, 0, 27, 27},     {IDC_BTN_MUTE, cx - 141, 0, 27, 27},
            {IDC_BTN_SYSTEM, cx - 185, 0, 44, 28},   {IDC_BTN_HALL, cx - 264, 0, 79, 28},
            {IDC_ST_ADD_ACCOUNT, cx - 325, 7, 56, 16},
        };
        for (const auto& p : places) {
            RECT r = ClientRectOf(::GetDlgItem(*dlg_, p.id), *dlg_);
            EXPECT_EQ(r.left, p.x) << p.id << " at " << width;
            EXPECT_EQ(r.top, p.y) << p.id;
            EXPECT_EQ(r.right - r.left, p.w) << p.id;
            EXPECT_EQ(r.bottom - r.top, p.h) << p.id;
        }
        // The skinned base's caption buttons stay at the right end.
        RECT close = ClientRectOf(dlg_->m_btnClose, *dlg_);
        EXPECT_EQ(close.right, cx) << width;
        // Pages follow the window.
        RECT page{};
        ::GetWindowRect(Page(0), &page);
        EXPECT_EQ(page.right - page.left, width - 8);
        // The strip is not moved by a resize.
        EXPECT_EQ(ClientRectOf(Tabs(), *dlg_).left, 100);
    }
}

TEST_F(MainWindowTest, EscAndEnterDoNothingAndCloseAsksFirst) {
    Open();
    {
        bool quit = true;
        auto asked = Answering(skin::kMsgBoxFirstButtonId, [&] {
            for (WPARAM key : {VK_ESCAPE, VK_RETURN}) {
                MSG msg{dlg_->m_hWnd, WM_KEYDOWN, key, 0, 0, {}};
                // Through the pre-translation the message loop gives every message.
                fw::PumpMessage(msg, nullptr);
            }
            quit = PumpSeesQuit(150);
        });
        EXPECT_FALSE(quit);
        EXPECT_TRUE(asked.empty());
        EXPECT_TRUE(Visible(*dlg_));
    }
    {
        bool quit = true;
        auto asked = Answering(skin::kMsgBoxSecondButtonId, [&] {
            // The dialog manager posts the close on as IDCANCEL.
            ::SendMessageW(*dlg_, WM_SYSCOMMAND, SC_CLOSE, 0);
            quit = PumpSeesQuit(300);
        });
        EXPECT_FALSE(quit);
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0], L"窗口即将关闭，确定要退出游戏？");
        EXPECT_TRUE(Visible(*dlg_));
    }
    {
        bool quit = false;
        auto asked = Answering(skin::kMsgBoxFirstButtonId, [&] {
            ::SendMessageW(*dlg_, WM_SYSCOMMAND, SC_CLOSE, 0);
            quit = PumpSeesQuit(1000);
        });
        EXPECT_TRUE(quit);
        EXPECT_EQ(asked.size(), 1u);
        // The mutex is released: another thread can own it now.
        fw::UniqueHandle mutex(::OpenMutexW(SYNCHRONIZE, FALSE, kInstanceMutexName));
        ASSERT_TRUE(mutex);
        struct Waiter {
            static DWORD WINAPI Run(void* m) {
                DWORD got = ::WaitForSingleObject(m, 0);
                if (got == WAIT_OBJECT_0) ::ReleaseMutex(m);
                return got;
            }
        };
        fw::UniqueHandle thread(::CreateThread(nullptr, 0, &Waiter::Run, mutex.get(), 0, nullptr));
        ::WaitForSingleObject(thread.get(), 5000);
        DWORD code = 0;
        ::GetExitCodeThread(thread.get(), &code);
        EXPECT_EQ(code, WAIT_OBJECT_0);
    }
}

TEST_F(MainWindowTest, QuitFromTheTrayMenuAsksNothing) {
    Open();
    bool quit = false;
    auto asked = Answering(skin::kMsgBoxFirstButtonId, [&] {
        dlg_->RunMenuCommand(CLauncherDlg::kCmdQuit);
        quit = PumpSeesQuit(500);
    });
    EXPECT_TRUE(quit);
    EXPECT_TRUE(asked.empty());
}

TEST_F(MainWindowTest, MenusCarryTheirItemsAndTheStoredBossKey) {
    ::WritePrivateProfileStringW(L"XCJY", L"ShortKey", L"2,88", SettingsFile().c_str());
    Open();
    auto items = [](HMENU menu) {
        std::vector<std::pair<int, std::wstring>> list;
        for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
            wchar_t text[64] = {};
            ::GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
            list.emplace_back(static_cast<int>(::GetMenuItemID(menu, i)), text);
        }
        return list;
    };
    using Items = std::vector<std::pair<int, std::wstring>>;
    const Items system = {{1, L"刷新 (F5)"}, {2, L"隐藏/恢复(Ctrl  +  X)"}, {3, L"清除缓存"}, {0, L""},
                          {4, L"更新"},      {5, L"设置..."},               {-1, L"版本号: 15,1,23,3"}};
    Items tray = system;
    tray.back() = {6, L"退出"};
    EXPECT_EQ(items(dlg_->BuildMenu(false).get()), system);
    EXPECT_EQ(items(dlg_->BuildMenu(true).get()), tray);

    ::DeleteFileW(SettingsFile().c_str());
    EXPECT_EQ(items(dlg_->BuildMenu(true).get())[1].second, L"隐藏/恢复(F10)");
}

TEST_F(MainWindowTest, AFourthAccountIsRefusedBeforeAnyLoginOpens) {
    Open();
    AddAccount(L"account1", L"12");
    AddAccount(L"account2", L"13");
    const std::vector<std::wstring> refused{L"当前窗体只支持3个游戏页"};
    EXPECT_EQ(Answering(skin::kMsgBoxFirstButtonId, [&] { ::SendMessageW(*dlg_, WM_ADD_ACCOUNT, 0, 0); }), refused);
    // The label "开小号" says the same.
    EXPECT_EQ(Answering(skin::kMsgBoxFirstButtonId,
                        [&] {
                            ::SendMessageW(*dlg_, WM_COMMAND, MAKEWPARAM(IDC_ST_ADD_ACCOUNT, STN_CLICKED),
                                           reinterpret_cast<LPARAM>(::GetDlgItem(*dlg_, IDC_ST_ADD_ACCOUNT)));
                        }),
              refused);
    EXPECT_EQ(g_pLoginBk, nullptr);
    EXPECT_EQ(pages_->GetPageCount(), 3);
}

HWND g_loginOwner = nullptr;
void CALLBACK CancelLogin(HWND, UINT, UINT_PTR id, DWORD) {
    if (!g_pLoginBk || !g_pLoginBk->m_hWnd) return;
    g_loginOwner = ::GetWindow(g_pLoginBk->m_hWnd, GW_OWNER);
    ::KillTimer(nullptr, id);
    g_pLoginBk->EndDialog(IDCANCEL);
}

TEST_F(MainWindowTest, AFurtherLoginThatAddsNoPageChangesNothing) {
    Open();
    // The login frame is ended at once, as a cancelled login would be.
    ::SetTimer(nullptr, 0, 20, &CancelLogin);
    ::SendMessageW(*dlg_, WM_ADD_ACCOUNT, 0, 0);
    EXPECT_EQ(g_loginOwner, dlg_->m_hWnd);
    EXPECT_EQ(g_pLoginBk, nullptr);
    EXPECT_EQ(pages_->GetPageCount(), 1);
    EXPECT_EQ(Tabs().GetItemCount(), 1);
}

// How a further login hands over its page, from inside its modal loop.
std::function<bool()> s_furtherLogin;
void CALLBACK RunFurtherLogin(HWND, UINT, UINT_PTR id, DWORD) {
    if (s_furtherLogin && s_furtherLogin()) ::KillTimer(nullptr, id);
}

TEST_F(MainWindowTest, AFurtherLoginThatAddsAPageGivesItItsTabHoweverItEnds) {
    struct Case {
        const wchar_t* how;
        std::function<void(CLoginBkDlg&)> handOver;
    };
    const Case cases[] = {
        {L"the page's loadgame",
         [](CLoginBkDlg& login) { login.m_dlgLogin.Navigate(L"app://loadgame:acc1,12|about:blank#acc1"); }},
        // A page in the set and a cancelled login: the page still needs its tab.
        {L"a page added, then the login ended with IDCANCEL",
         [this](CLoginBkDlg& login) {
             pages_->AddGamePage(L"about:blank#acc2", L"acc2", L"13");
             login.EndDialog(IDCANCEL);
         }},
    };
    Open();
    ::ShowWindow(*dlg_, SW_SHOW);
    int expectedTabs = 1;
    for (const Case& c : cases) {
        s_furtherLogin = [&c] {
            if (!g_pLoginBk || !g_pLoginBk->m_dlgLogin.m_hWnd) return false;
            c.handOver(*g_pLoginBk);
            return true;
        };
        ::SetTimer(nullptr, 0, 20, &RunFurtherLogin);
        ::SendMessageW(*dlg_, WM_ADD_ACCOUNT, 0, 0);
        s_furtherLogin = nullptr;
        ++expectedTabs;
        ASSERT_EQ(pages_->GetPageCount(), expectedTabs) << c.how;
        ASSERT_EQ(Tabs().GetItemCount(), expectedTabs) << c.how;
        const int newest = expectedTabs - 1;
        EXPECT_EQ(TabText(newest), testutil::Accounts(*pages_)[static_cast<size_t>(newest)]) << c.how;
        EXPECT_EQ(Tabs().GetCurSel(), newest) << c.how;
        ASSERT_NE(Page(newest), nullptr) << c.how;
        EXPECT_EQ(::GetWindow(Page(newest), GW_OWNER), dlg_->m_hWnd) << c.how;
    }
}

TEST_F(MainWindowTest, AGamePageShowsItselfWhenLoadedOnlyWhileTheMainWindowShows) {
    Open();
    for (bool mainShown : {false, true}) {
        ::ShowWindow(*dlg_, mainShown ? SW_SHOW : SW_HIDE);
        ::ShowWindow(Page(0), SW_HIDE);
        PageObject(0)->OnNavigateComplete(nullptr, L"about:blank#account0");
        EXPECT_EQ(Visible(Page(0)), mainShown);
    }
}

TEST_F(MainWindowTest, TheMuteButtonSilencesThisProcessOnTheNextTickAndUnmutes) {
    Open();
    if (OwnAudioSessionMuted() < 0) GTEST_SKIP() << "no audio device in this session";
    auto clickMute = [&] {
        ::SendMessageW(*dlg_, WM_COMMAND, MAKEWPARAM(IDC_BTN_MUTE, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(*dlg_, IDC_BTN_MUTE)));
    };
    clickMute();
    EXPECT_TRUE(testutil::PumpUntil([] { return OwnAudioSessionMuted() == 1; }, 2000));
    clickMute();
    EXPECT_TRUE(testutil::PumpUntil([] { return OwnAudioSessionMuted() == 0; }, 2000));
}

TEST_F(MainWindowTest, TheNoticeWaitsForTimer2) {
    dlg_ = std::make_unique<CLauncherDlg>(*pages_, update_);
    theApp.m_pMainWnd = dlg_.get();
    ASSERT_EQ(dlg_->m_nNoticeDelayMs, 3000u);
    dlg_->m_nNoticeDelayMs = 60000;  // armed, and never firing within the test
    ASSERT_TRUE(dlg_->Create(IDD_MAIN));
    testutil::PumpFor(30);
    EXPECT_EQ(dlg_->m_dlgNotice.m_hWnd, nullptr) << "no notice before its timer";
    EXPECT_TRUE(::KillTimer(*dlg_, CLauncherDlg::kTimerNotice)) << "timer 2 is armed";
}

TEST_F(MainWindowTest, HallButtonShowsTheHallAndItsStripUntilATabIsPicked) {
    Open();
    AddAccount(L"account1", L"12");
    pages_->ShowCurrentPage(TRUE);
    ASSERT_TRUE(Visible(Page(1)));

    ::SendMessageW(*dlg_, WM_COMMAND, MAKEWPARAM(IDC_BTN_HALL, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(*dlg_, IDC_BTN_HALL)));
    EXPECT_TRUE(pages_->m_bHall);
    ASSERT_NE(pages_->Hall().m_hWnd, nullptr);
    EXPECT_TRUE(Visible(pages_->Hall().m_hWnd));
    EXPECT_FALSE(Visible(Page(0)));
    EXPECT_FALSE(Visible(Page(1)));
    RECT hall{}, main = dlg_->GetWindowRect();
    ::GetWindowRect(pages_->Hall().m_hWnd, &hall);
    EXPECT_EQ(hall.left, main.left + 4);
    EXPECT_EQ(hall.top, main.top + 30);
    EXPECT_EQ(hall.right, main.right - 4);
    EXPECT_EQ(hall.bottom, main.bottom - 4);

    const DWORD clicked = ::GetTickCount();
    ASSERT_TRUE(testutil::PumpUntil([&] { return dlg_->m_bHallShown != FALSE; }, 1000));
    EXPECT_LE(::GetTickCount() - clicked, 450u);

    ClickTab(0);
    EXPECT_FALSE(pages_->m_bHall);
    EXPECT_FALSE(Visible(pages_->Hall().m_hWnd));
    EXPECT_TRUE(Visible(Page(0)));
    EXPECT_TRUE(testutil::PumpUntil([&] { return dlg_->m_bHallShown == FALSE; }, 1000));
}

TEST_F(MainWindowTest, ToggleVisibleHidesAndRestoresEveryWindowOfTheInstance) {
    Open();
    AddAccount(L"account1", L"12");
    pages_->ShowCurrentPage(TRUE);
    CLoginBkDlg login(*pages_, dlg_.get());
    ASSERT_TRUE(login.Create(IDD_LOGIN, dlg_.get()));
    ::ShowWindow(login, SW_SHOWNA);
    g_pLoginBk = &login;

    // The hide button toggles without telling other instances.
    ::SendMessageW(*dlg_, WM_COMMAND, MAKEWPARAM(IDC_BTN_HIDE, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(*dlg_, IDC_BTN_HIDE)));
    EXPECT_FALSE(Visible(*dlg_));
    EXPECT_FALSE(Visible(Page(0)));
    EXPECT_FALSE(Visible(Page(1)));
    EXPECT_FALSE(Visible(login));

    // Message 1027 restores: the current page (tab 1) and the login frame.
    ::SendMessageW(*dlg_, WM_TOGGLE_VISIBLE, 0, 0);
    EXPECT_TRUE(Visible(*dlg_));
    EXPECT_FALSE(Visible(Page(0)));
    EXPECT_TRUE(Visible(Page(1)));
    EXPECT_TRUE(Visible(login));

    // With the hall shown, restoring shows the hall instead of a page.
    dlg_->ShowHall();
    dlg_->ToggleVisible(FALSE);
    EXPECT_FALSE(Visible(pages_->Hall().m_hWnd));
    dlg_->ToggleVisible(FALSE);
    EXPECT_TRUE(Visible(pages_->Hall().m_hWnd));
    EXPECT_FALSE(Visible(Page(1)));
    g_pLoginBk = nullptr;
    login.DestroyWindow();
}

// A window that looks like another instance's main window and counts 1027.
class CFakeInstance : public CDialog {
public:
    CFakeInstance() : CDialog(IDD_LOGIN) {}
    ~CFakeInstance() override { DestroyOwnWindow(); }
    int toggles = 0;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_TOGGLE_VISIBLE) ++toggles;
        return CDialog::WindowProc(msg, wParam, lParam);
    }
};

TEST_F(MainWindowTest, BossKeyTogglesThisInstanceAndTellsTheOthers) {
    Open();
    CFakeInstance other, untitled;
    ASSERT_TRUE(other.Create(IDD_LOGIN));
    ASSERT_TRUE(untitled.Create(IDD_LOGIN));
    ::SetWindowTextW(other, kGameTitle);
    ::SetWindowTextW(untitled, L"星潮纪元 ");

    ::SendMessageW(*dlg_, WM_HOTKEY, kBossKeyHotkeyId, MAKELPARAM(0, VK_F10));
    EXPECT_FALSE(Visible(*dlg_));
    testutil::PumpFor(50);
    EXPECT_EQ(other.toggles, 1);
    EXPECT_EQ(untitled.toggles, 0);
    // Another hotkey id does nothing.
    ::SendMessageW(*dlg_, WM_HOTKEY, 2, 0);
    testutil::PumpFor(50);
    EXPECT_FALSE(Visible(*dlg_));
    EXPECT_EQ(other.toggles, 1);
}

// ---------------------------------------------------------------- the page set

TEST_F(MainWindowTest, TabStripWidensPerPageAndKeepsItsWidthWhenPagesClose) {
    Open();
    auto stripWidth = [this] { return SizeOf(Tabs()).cx; };
    EXPECT_EQ(stripWidth(), 199);
    AddAccount(L"account1", L"12");
    EXPECT_EQ(stripWidth(), 388);
    AddAccount(L"account2", L"13");
    EXPECT_EQ(stripWidth(), 577);
    EXPECT_EQ(Tabs().GetCurSel(), 2);
    pages_->ClosePage(1);
    EXPECT_EQ(stripWidth(), 577);
}

TEST_F(MainWindowTest, ClosingTabZeroOfThreeShiftsEveryList) {
    Open();
    AddAccount(L"account1", L"12");
    AddAccount(L"account2", L"13");
    for (int i = 0; i < 3; ++i) pages_->SetPageTabTitle(PageObject(i), L"t" + std::to_wstring(i));
    CGameWnd* formerOne = PageObject(1);
    CGameWnd* formerTwo = PageObject(2);
    HWND closed = Page(0);
    Tabs().SetCurSel(1);

    pages_->ClosePage(0);
    EXPECT_FALSE(::IsWindow(closed));
    ASSERT_EQ(pages_->GetPageCount(), 2);
    EXPECT_EQ(PageObject(0), formerOne);
    EXPECT_EQ(PageObject(1), formerTwo);
    EXPECT_EQ(testutil::Accounts(*pages_), (std::vector<std::wstring>{L"account1", L"account2"}));
    EXPECT_EQ(testutil::Servers(*pages_), (std::vector<std::wstring>{L"12", L"13"}));
    EXPECT_EQ(testutil::PageTitles(*pages_), (std::vector<std::wstring>{L"t1", L"t2"}));
    EXPECT_EQ(testutil::TabTitles(*pages_), (std::vector<std::wstring>{L"12服-星潮纪元", L"13服-星潮纪元"}));
    ASSERT_EQ(Tabs().GetItemCount(), 2);
    EXPECT_EQ(Tabs().GetItemData(0), reinterpret_cast<LPARAM>(formerOne));
    EXPECT_EQ(TabText(1), L"13服-星潮纪元");
    EXPECT_EQ(pages_->GetTabTitle(0), L"12服-星潮纪元");
    EXPECT_EQ(pages_->GetTabTitle(2), L"");
    EXPECT_EQ(pages_->GetTabTitle(-1), L"");

    // Out of range: nothing happens.
    pages_->ClosePage(2);
    pages_->ClosePage(-1);
    EXPECT_EQ(pages_->GetPageCount(), 2);
}

TEST_F(MainWindowTest, ClosingTheCurrentTabShowsTheNextFirst) {
    Open();
    AddAccount(L"account1", L"12");
    AddAccount(L"account2", L"13");
    Tabs().SetCurSel(0);
    pages_->ShowCurrentPage(TRUE);
    CGameWnd* next = PageObject(1);
    pages_->ClosePage(0);
    EXPECT_TRUE(::IsWindowVisible(next->m_hWnd));
    EXPECT_TRUE(FocusIn(next->m_hWnd));
    EXPECT_EQ(reinterpret_cast<CGameWnd*>(Tabs().GetItemData(Tabs().GetCurSel())), next);
}

TEST_F(MainWindowTest, ClosingTheOnlyTabShowsItsPageThenDestroysIt) {
    Open();
    HWND page = Page(0);
    pages_->ClosePage(0);
    EXPECT_FALSE(::IsWindow(page));
    EXPECT_EQ(pages_->GetPageCount(), 0);
    EXPECT_EQ(Tabs().GetItemCount(), 0);
    EXPECT_TRUE(testutil::Accounts(*pages_).empty());
    // With no tab left these do nothing.
    pages_->SelectNextPage();
    pages_->RefreshCurrentPage();
    EXPECT_TRUE(pages_->ShowCurrentPage(TRUE));
    dlg_->FocusCurrentPage();
}

TEST_F(MainWindowTest, SelectNextPageFromTheLastTabWrapsToTheFirst) {
    Open();
    AddAccount(L"account1", L"12");
    AddAccount(L"account2", L"13");
    pages_->ShowCurrentPage(TRUE);
    ASSERT_EQ(Tabs().GetCurSel(), 2);
    pages_->SelectNextPage();
    EXPECT_EQ(Tabs().GetCurSel(), 0);
    EXPECT_TRUE(Visible(Page(0)));
    EXPECT_FALSE(Visible(Page(1)));
    EXPECT_FALSE(Visible(Page(2)));
    EXPECT_TRUE(FocusIn(Page(0)));
}

TEST_F(MainWindowTest, AnOlderPagesFirstTitleRenamesItsOwnTab) {
    Open();
    AddAccount(L"account1", L"12");
    // Page 0 reports its title only after page 1 was added.
    pages_->SetPageTabTitle(PageObject(0), L"星潮纪元-whatever");
    EXPECT_EQ(TabText(0), L"11服-星潮纪元");
    EXPECT_EQ(TabText(1), L"account1");
    EXPECT_EQ(pages_->GetTabTitle(0), L"11服-星潮纪元");
    EXPECT_EQ(pages_->GetTabTitle(1), L"");
    pages_->SetPageTabTitle(PageObject(1), L"x");
    EXPECT_EQ(TabText(1), L"12服-星潮纪元");
    EXPECT_EQ(pages_->GetTabTitle(1), L"12服-星潮纪元");
    // A page not in the set changes nothing.
    CGameWnd stranger(L"about:blank");
    pages_->SetPageTabTitle(&stranger, L"y");
    EXPECT_EQ(testutil::TabTitles(*pages_).size(), 2u);
}

TEST_F(MainWindowTest, RefreshPostsF5ToTheCurrentPage) {
    Open();
    AddAccount(L"account1", L"12");
    Tabs().SetCurSel(0);
    pages_->RefreshCurrentPage();
    MSG msg{};
    ASSERT_TRUE(::PeekMessageW(&msg, Page(0), WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>(VK_F5));
    EXPECT_EQ(msg.lParam, 0);
    EXPECT_FALSE(::PeekMessageW(&msg, Page(1), WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));
}

}  // namespace

// ---------------------------------------------------------------- pictures

void CALLBACK ShootAndCloseMenu(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    RECT screen{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    testutil::SaveShot(testutil::ReadScreenRect(screen), L"main_window_system_menu.png");
    ::EndMenu();
}

// With XCJY_SHOT_DIR set: the main window with three tabs (the first renamed
// to its server), the hall button on, and the system menu open.
TEST_F(MainWindowTest, Screenshots) {
    if (!_wgetenv(L"XCJY_SHOT_DIR")) GTEST_SKIP() << "XCJY_SHOT_DIR not set";
    Open();
    AddAccount(L"account1", L"12");
    AddAccount(L"account2", L"13");
    pages_->SetPageTabTitle(PageObject(0), L"星潮纪元-第11区");
    ::SetWindowPos(*dlg_, nullptr, 0, 0, 1200, 500, SWP_NOZORDER | SWP_NOACTIVATE);
    Tabs().SetCurSel(0);
    dlg_->ShowHall();
    testutil::PumpUntil([&] { return dlg_->m_bHallShown != FALSE; }, 1000);
    testutil::Repaint(*dlg_);
    RECT r = dlg_->GetWindowRect();
    r.bottom = r.top + 120;
    testutil::PumpFor(150);
    testutil::SaveShot(testutil::ReadScreenRect(r), L"main_window_three_tabs_hall.png");

    ::SetTimer(nullptr, 0, 400, &ShootAndCloseMenu);
    ::SendMessageW(*dlg_, WM_COMMAND, MAKEWPARAM(IDC_BTN_SYSTEM, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(*dlg_, IDC_BTN_SYSTEM)));
}

// The login frame run modally for real, with the real login window and its
// browser: each way the login ends, page commands navigated in the real
// control, the frame's layered window with its owned windows, and the keys.
#include "core/launcher_ids.h"
#include "framework/sessions.h"
#include "net/operator_site_win.h"
#include "res/resource.h"
#include "tests/win/fake_html_element.h"
#include "tests/win/page_set_fixture.h"
#include "tests/win/test_util.h"
#include "web/login_bk_dlg.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

// Runs steps inside the frame's modal loop, one per timer tick once the
// owned windows exist; a step returns false to be run again on the next tick.
// The login is ended with -2 when about five seconds pass without a step done.
class LoginRun {
public:
    explicit LoginRun(CLoginBkDlg& frame) : m_frame(frame) {}

    void Then(std::function<bool()> step) { m_steps.push_back(std::move(step)); }

    INT_PTR Run() {
        s_current = this;
        UINT_PTR timer = ::SetTimer(nullptr, 0, 20, &LoginRun::Tick);
        INT_PTR result = m_frame.DoModal();
        ::KillTimer(nullptr, timer);
        s_current = nullptr;
        return result;
    }
    bool AllStepsRan() const { return m_next == m_steps.size(); }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        LoginRun* run = s_current;
        if (!run || run->m_busy || !run->m_frame.m_dlgLogin.m_hWnd) return;
        run->m_busy = true;  // a step may run a nested loop (a message box)
        if (run->m_next < run->m_steps.size() && run->m_steps[run->m_next]()) {
            ++run->m_next;
            run->m_idleTicks = 0;
        } else if (++run->m_idleTicks > 250) {
            run->m_frame.EndDialog(-2);  // a step waited, or the login went on, too long
        }
        run->m_busy = false;
    }

    static inline LoginRun* s_current = nullptr;
    CLoginBkDlg& m_frame;
    std::vector<std::function<bool()>> m_steps;
    size_t m_next = 0;
    int m_idleTicks = 0;
    bool m_busy = false;
};

class LoginTest : public testing::Test {
protected:
    void SetUp() override {
        frame.m_dlgLogin.m_startLauncher = [this] { ++launchersStarted; };
    }

    // Navigates the login window's real browser, as the page would.
    std::function<bool()> Navigate(std::wstring url) {
        return [this, url] {
            frame.m_dlgLogin.Navigate(url.c_str());
            return true;
        };
    }
    std::wstring LoginLocation() {
        BSTR location = nullptr;
        frame.m_dlgLogin.GetBrowser()->get_LocationURL(&location);
        std::wstring text = location ? location : L"";
        ::SysFreeString(location);
        return text;
    }
    void AddOpenPage(const std::wstring& account, const std::wstring& server) {
        pages.AddGamePage(L"http://127.0.0.1:9/open.html", account, server);
    }

    fw::OleSession ole;
    CGamePageSet pages;
    CLoginBkDlg frame{pages};
    LoginRun run{frame};
    int launchersStarted = 0;
};

TEST_F(LoginTest, LoadGameAddsThePageWithAccountAndServerAndEndsWithOk) {
    run.Then(Navigate(L"app://loadgame:12345,s1|http://127.0.0.1:9/play.html?a=1|b"));
    EXPECT_EQ(run.Run(), IDOK);
    ASSERT_EQ(pages.Pages().size(), 1u);
    EXPECT_EQ(pages.Pages()[0].window->GetAddress(), L"http://127.0.0.1:9/play.html?a=1|b");
    EXPECT_EQ(testutil::Accounts(pages), std::vector<std::wstring>{L"12345"});
    EXPECT_EQ(testutil::Servers(pages), std::vector<std::wstring>{L"s1"});
}

TEST_F(LoginTest, LoadGameDecodesTheAccountAndCutsMissingValuesFromTheAddress) {
    struct Case {
        const wchar_t* url;
        const wchar_t* account;
        const wchar_t* server;
    };
    const std::wstring longAccount(200, L'a');
    const std::wstring longUrl = L"app://loadgame:" + longAccount + L"%E5%BC%A0,9|T";
    const Case cases[] = {
        {L"app://loadgame:%E5%BC%A0,%E5%BC%A0|T", L"\u5f20", L"%E5%BC%A0"},  // only the account is decoded
        {L"app://loadgame|http://127.0.0.1:9/p?uid=abcde%E5%BC%A0&server=7", L"\u5f20", L"7"},
        {L"app://loadgame:a|http://127.0.0.1:9/p?server=8", L"a", L"8"},
        {L"app://loadgame|http://127.0.0.1:9/p", L"", L""},
        {longUrl.c_str(), nullptr, L"9"},  // no cut at 127 bytes
        {L"app://loadgame:a%00b,1|T", L"a", L"1"},  // an escaped NUL ends the account
    };
    for (const auto& c : cases) {
        CGamePageSet casePages;
        CLoginBkDlg login(casePages);
        LoginRun loginRun(login);
        std::wstring url = c.url;
        loginRun.Then([&login, url] {
            login.m_dlgLogin.Navigate(url.c_str());
            return true;
        });
        EXPECT_EQ(loginRun.Run(), IDOK) << c.url;
        ASSERT_EQ(testutil::Accounts(casePages).size(), 1u) << c.url;
        EXPECT_EQ(testutil::Accounts(casePages)[0], c.account ? c.account : longAccount + L"\u5f20") << c.url;
        EXPECT_EQ(testutil::Servers(casePages)[0], c.server) << c.url;
    }
}

struct BoxSearch {
    HWND found = nullptr;
    std::wstring text;
};

BOOL CALLBACK MatchSystemBox(HWND wnd, LPARAM lp) {
    auto* s = reinterpret_cast<BoxSearch*>(lp);
    if (testutil::ClassOf(wnd) != L"#32770" || !::IsWindowVisible(wnd) || testutil::TextOf(wnd) != kGameTitle)
        return TRUE;
    // The frame and the link bar have the same class and title; the box has
    // its text in the static 0xFFFF.
    HWND label = ::GetDlgItem(wnd, 0xFFFF);
    if (!label) return TRUE;
    s->found = wnd;
    s->text = testutil::TextOf(label);
    return FALSE;
}

// The system's message box of this thread captioned with the game title.
HWND FindSystemBox(std::wstring* text) {
    BoxSearch search;
    ::EnumThreadWindows(::GetCurrentThreadId(), &MatchSystemBox, reinterpret_cast<LPARAM>(&search));
    if (text) *text = search.text;
    return search.found;
}

// The skinned question box of this thread (it has button 5000), or nullptr.
BOOL CALLBACK MatchSkinnedBox(HWND wnd, LPARAM lp) {
    if (!::IsWindowVisible(wnd) || !::GetDlgItem(wnd, 5000) || testutil::TextOf(wnd) != kGameTitle) return TRUE;
    *reinterpret_cast<HWND*>(lp) = wnd;
    return FALSE;
}

HWND FindSkinnedBox() {
    HWND found = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), &MatchSkinnedBox, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Called with the skinned box, from a thread timer, while one shows.
std::function<void(HWND)> s_onBox;
void CALLBACK OnBoxTick(HWND, UINT, UINT_PTR, DWORD) {
    if (HWND box = FindSkinnedBox(); box && s_onBox) s_onBox(box);
}

std::function<void()> s_closeBox;
void CALLBACK CloseBoxTick(HWND, UINT, UINT_PTR, DWORD) {
    if (s_closeBox) s_closeBox();
}

TEST_F(LoginTest, SameAccountOnTheSameServerIsRefusedWithTheSystemBox) {
    AddOpenPage(L"12345", L"s1");
    std::wstring boxText;
    HWND boxOwner = nullptr;
    // The box runs its own loop inside the navigation; a thread timer closes it.
    s_closeBox = [&] {
        if (HWND box = FindSystemBox(&boxText)) {
            boxOwner = ::GetWindow(box, GW_OWNER);
            ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
    };
    UINT_PTR timer = ::SetTimer(nullptr, 0, 30, &CloseBoxTick);
    run.Then(Navigate(L"app://loadgame:12345,s1|http://127.0.0.1:9/again.html"));
    EXPECT_EQ(run.Run(), IDCANCEL);
    ::KillTimer(nullptr, timer);
    s_closeBox = nullptr;
    EXPECT_EQ(boxText, L"此帐号已在 s1服 登录，同一账号不能在同一个服重复登录");
    EXPECT_NE(boxOwner, nullptr);
    EXPECT_EQ(pages.Pages().size(), 1u);
    EXPECT_EQ(testutil::Accounts(pages).size(), 1u);

    // The same account on another server is a new login.
    CLoginBkDlg other(pages);
    LoginRun otherRun(other);
    otherRun.Then([&other] {
        other.m_dlgLogin.Navigate(L"app://loadgame:12345,s2|http://127.0.0.1:9/s2.html");
        return true;
    });
    EXPECT_EQ(otherRun.Run(), IDOK);
    EXPECT_EQ(testutil::Servers(pages), (std::vector<std::wstring>{L"s1", L"s2"}));
}

TEST_F(LoginTest, AHandedOverPageIsFinalTwoLoadGamesOpenOnePage) {
    // Every command comes before the frame's loop looks again: the browser
    // reports them one after another (it would drop a navigation that a
    // second Navigate call overtakes, so they are reported as it does).
    std::vector<bool> cancelled;
    auto pageNavigates = [&](const wchar_t* url) {
        bool cancel = false;
        frame.m_dlgLogin.OnBeforeNavigate2(nullptr, url, cancel);
        cancelled.push_back(cancel);
    };
    run.Then([&] {
        pageNavigates(L"app://loadgame:a,1|http://127.0.0.1:9/one.html");
        pageNavigates(L"app://loadgame:b,2|http://127.0.0.1:9/two.html");
        pageNavigates(L"app://exitgame/");
        pageNavigates(L"app://restart/");
        ::SendMessageW(frame.m_dlgLogin.m_hWnd, WM_CLOSE, 0, 0);
        ::SendMessageW(frame.m_hWnd, WM_COMMAND, IDCANCEL, 0);  // Escape on the frame
        return true;
    });
    EXPECT_EQ(run.Run(), IDOK);
    EXPECT_EQ(testutil::Accounts(pages), std::vector<std::wstring>{L"a"});
    EXPECT_EQ(cancelled, (std::vector<bool>{true, true, true, true})) << "commands all, even when they change nothing";
    EXPECT_EQ(launchersStarted, 0) << "no second launcher after a login that succeeded";
}

TEST_F(LoginTest, TheLinkBarsCloseQuestionAnsweredAfterALoginLeavesItALogin) {
    // The question is open (its own loop) while the player logs in on the
    // page, then answered Yes.
    bool asked = false;
    s_onBox = [&](HWND box) {
        if (asked) return;
        asked = true;
        frame.m_dlgLogin.Navigate(L"app://loadgame:a,1|http://127.0.0.1:9/one.html");
        testutil::PressButton(box, 5000);  // 是
    };
    UINT_PTR timer = ::SetTimer(nullptr, 0, 30, &OnBoxTick);
    run.Then([&] {
        testutil::PressButton(frame.m_dlgMenu.m_hWnd, IDC_BTN_LINK_CLOSE);
        return true;
    });
    EXPECT_EQ(run.Run(), IDOK);
    ::KillTimer(nullptr, timer);
    s_onBox = nullptr;
    EXPECT_TRUE(asked);
    EXPECT_EQ(testutil::Accounts(pages), std::vector<std::wstring>{L"a"});
}

TEST_F(LoginTest, RestartStartsANewLauncherAndEndsWithOk) {
    run.Then(Navigate(L"app://restart/"));
    EXPECT_EQ(run.Run(), IDOK);
    EXPECT_EQ(launchersStarted, 1);
    EXPECT_TRUE(pages.Pages().empty());
}

TEST_F(LoginTest, ExitGameEndsWithCancel) {
    run.Then(Navigate(L"app://exitgame/"));
    EXPECT_EQ(run.Run(), IDCANCEL);
    EXPECT_EQ(launchersStarted, 0);
}

TEST_F(LoginTest, MinimizeWithAnOpenPageEndsTheFurtherLogin) {
    AddOpenPage(L"a", L"1");
    run.Then(Navigate(L"app://minimize/"));
    EXPECT_EQ(run.Run(), IDCANCEL);
}

TEST_F(LoginTest, MinimizeWithoutPagesMinimisesTheFrameAndTheLoginGoesOn) {
    bool iconic = false, ownedHidden = false;
    run.Then(Navigate(L"app://minimize/"));
    run.Then([&] {
        iconic = ::IsIconic(frame.m_hWnd) != FALSE;
        ownedHidden = !::IsWindowVisible(frame.m_dlgLogin.m_hWnd) && !::IsWindowVisible(frame.m_dlgMenu.m_hWnd);
        return true;
    });
    run.Then(Navigate(L"app://exitgame/"));
    EXPECT_EQ(run.Run(), IDCANCEL);
    EXPECT_TRUE(run.AllStepsRan());
    EXPECT_TRUE(iconic);
    EXPECT_TRUE(ownedHidden);
}

TEST_F(LoginTest, AMinimisedOrHiddenLoginStaysHiddenWhateverItsPageLoads) {
    struct Seen {
        bool afterMinimise, afterHide, afterShow;
    } seen{true, true, false};
    auto pageLoaded = [&] { frame.m_dlgLogin.OnNavigateComplete(nullptr, L"http://127.0.0.1:9/lobby.html"); };
    auto loginShown = [&] { return ::IsWindowVisible(frame.m_dlgLogin.m_hWnd) != FALSE; };
    run.Then(Navigate(L"app://minimize/"));
    run.Then([&] {
        pageLoaded();
        seen.afterMinimise = loginShown();
        ::ShowWindow(frame.m_hWnd, SW_RESTORE);
        ::ShowWindow(frame.m_hWnd, SW_HIDE);  // as the boss key hides it
        pageLoaded();
        seen.afterHide = loginShown();
        ::ShowWindow(frame.m_hWnd, SW_SHOW);
        ::ShowWindow(frame.m_dlgLogin.m_hWnd, SW_HIDE);
        pageLoaded();
        seen.afterShow = loginShown();
        return true;
    });
    run.Then(Navigate(L"app://exitgame/"));
    EXPECT_EQ(run.Run(), IDCANCEL);
    EXPECT_TRUE(run.AllStepsRan());
    EXPECT_FALSE(seen.afterMinimise);
    EXPECT_FALSE(seen.afterHide);
    EXPECT_TRUE(seen.afterShow);
}

TEST_F(LoginTest, UnknownCommandsNavigateAndDoNotEndTheLogin) {
    std::vector<std::wstring> locations;
    for (const wchar_t* url : {L"app://minimize", L"app://LoadGame|x", L"app://bogus/"}) {
        run.Then(Navigate(url));
        run.Then([&] {
            locations.push_back(LoginLocation());
            return true;
        });
    }
    run.Then(Navigate(L"app://exitgame/"));
    EXPECT_EQ(run.Run(), IDCANCEL);
    // Not cancelled: the browser went to each address (and failed there); it
    // reports them in its own normalised form.
    ASSERT_EQ(locations.size(), 3u);
    EXPECT_EQ(::_wcsnicmp(locations[0].c_str(), L"app://minimize", 14), 0) << locations[0];
    EXPECT_EQ(::_wcsnicmp(locations[1].c_str(), L"app://loadgame", 14), 0) << locations[1];
    EXPECT_EQ(::_wcsicmp(locations[2].c_str(), L"app://bogus/"), 0) << locations[2];
    EXPECT_TRUE(pages.Pages().empty());
}

TEST_F(LoginTest, CloseOfTheLoginWindowEndsWithCancel) {
    run.Then([&] {
        ::PostMessageW(frame.m_dlgLogin.m_hWnd, WM_CLOSE, 0, 0);
        return true;
    });
    EXPECT_EQ(run.Run(), IDCANCEL);
}

TEST_F(LoginTest, KeysEnterOnTheFrameAndEscapeOrF5InThePageDoNothingEscapeOnTheFrameCancels) {
    bool stillRunning = false;
    run.Then([&] {
        ::PostMessageW(frame.m_hWnd, WM_KEYDOWN, VK_RETURN, 0);
        ::PostMessageW(frame.m_dlgLogin.m_hWnd, WM_KEYDOWN, VK_ESCAPE, 0);
        ::PostMessageW(frame.m_dlgLogin.m_hWnd, WM_KEYDOWN, VK_F5, 0);
        ::PostMessageW(frame.m_dlgMenu.m_hWnd, WM_KEYDOWN, VK_RETURN, 0);
        return true;
    });
    run.Then([&] {
        stillRunning = ::IsWindowVisible(frame.m_hWnd) && ::IsWindowVisible(frame.m_dlgLogin.m_hWnd) &&
                       ::IsWindowVisible(frame.m_dlgMenu.m_hWnd);
        ::PostMessageW(frame.m_hWnd, WM_KEYDOWN, VK_ESCAPE, 0);
        return true;
    });
    EXPECT_EQ(run.Run(), IDCANCEL);
    EXPECT_TRUE(run.AllStepsRan());
    EXPECT_TRUE(stillRunning);
}

TEST_F(LoginTest, FrameIsLayeredTopmostAndCarriesItsWindowsAtTheirOffsets) {
    struct Seen {
        RECT frame, linkBar, login;
        LONG_PTR frameEx, loginEx, linkBarEx;
        std::wstring title;
        bool hiddenWithFrame, shownWithFrame;
        bool linkBarAbove, loginAbove;
    } seen{};
    run.Then([&] {
        ::SetWindowPos(frame.m_hWnd, nullptr, 37, 21, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        ::GetWindowRect(frame.m_hWnd, &seen.frame);
        ::GetWindowRect(frame.m_dlgMenu.m_hWnd, &seen.linkBar);
        ::GetWindowRect(frame.m_dlgLogin.m_hWnd, &seen.login);
        seen.frameEx = ::GetWindowLongPtrW(frame.m_hWnd, GWL_EXSTYLE);
        seen.loginEx = ::GetWindowLongPtrW(frame.m_dlgLogin.m_hWnd, GWL_EXSTYLE);
        seen.linkBarEx = ::GetWindowLongPtrW(frame.m_dlgMenu.m_hWnd, GWL_EXSTYLE);
        seen.title = testutil::TextOf(frame.m_hWnd);
        for (HWND w = ::GetWindow(frame.m_hWnd, GW_HWNDPREV); w; w = ::GetWindow(w, GW_HWNDPREV)) {
            if (w == frame.m_dlgMenu.m_hWnd) seen.linkBarAbove = true;
            if (w == frame.m_dlgLogin.m_hWnd) seen.loginAbove = true;
        }
        ::ShowWindow(frame.m_hWnd, SW_HIDE);
        seen.hiddenWithFrame =
            !::IsWindowVisible(frame.m_dlgLogin.m_hWnd) && !::IsWindowVisible(frame.m_dlgMenu.m_hWnd);
        ::ShowWindow(frame.m_hWnd, SW_SHOW);
        seen.shownWithFrame = ::IsWindowVisible(frame.m_dlgLogin.m_hWnd) && ::IsWindowVisible(frame.m_dlgMenu.m_hWnd);
        return true;
    });
    run.Then(Navigate(L"app://exitgame/"));
    EXPECT_EQ(run.Run(), IDCANCEL);

    EXPECT_EQ(seen.frame.left, 37);
    EXPECT_EQ(seen.frame.top, 21);
    EXPECT_EQ(seen.frame.right - seen.frame.left, 1001);
    EXPECT_EQ(seen.frame.bottom - seen.frame.top, 634);
    EXPECT_EQ(seen.linkBar.left, 37 + 391);
    EXPECT_EQ(seen.linkBar.top, 21 + 122);
    EXPECT_EQ(seen.linkBar.right - seen.linkBar.left, 548);
    EXPECT_EQ(seen.linkBar.bottom - seen.linkBar.top, 380);
    EXPECT_EQ(seen.login.left, 37 + 388);
    EXPECT_EQ(seen.login.top, 21 + 198);
    EXPECT_EQ(seen.login.right - seen.login.left, 535);
    EXPECT_EQ(seen.login.bottom - seen.login.top, 295);
    EXPECT_TRUE(seen.frameEx & WS_EX_LAYERED);
    EXPECT_TRUE(seen.frameEx & WS_EX_TOPMOST);
    EXPECT_TRUE(seen.loginEx & WS_EX_LAYERED);
    EXPECT_TRUE(seen.loginEx & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(seen.loginEx & WS_EX_APPWINDOW);
    EXPECT_TRUE(seen.linkBarEx & WS_EX_LAYERED);
    EXPECT_TRUE(seen.linkBarEx & WS_EX_TOOLWINDOW);
    EXPECT_EQ(seen.title, kGameTitle);
    EXPECT_TRUE(seen.linkBarAbove) << "owned windows lie above their owner";
    EXPECT_TRUE(seen.loginAbove) << "owned windows lie above their owner";
    EXPECT_TRUE(seen.hiddenWithFrame);
    EXPECT_TRUE(seen.shownWithFrame);
}

TEST_F(LoginTest, SeeThroughColoursOfTheLoginWindowAndTheLinkBar) {
    COLORREF loginKey = 0, barKey = 0;
    DWORD loginFlags = 0, barFlags = 0;
    run.Then([&] {
        BYTE alpha = 0;
        ::GetLayeredWindowAttributes(frame.m_dlgLogin.m_hWnd, &loginKey, &alpha, &loginFlags);
        ::GetLayeredWindowAttributes(frame.m_dlgMenu.m_hWnd, &barKey, &alpha, &barFlags);
        return true;
    });
    run.Then(Navigate(L"app://exitgame/"));
    EXPECT_EQ(run.Run(), IDCANCEL);
    EXPECT_EQ(loginKey, RGB(254, 254, 254));
    EXPECT_EQ(loginFlags, static_cast<DWORD>(LWA_COLORKEY));
    EXPECT_EQ(barKey, RGB(255, 0, 255));
    EXPECT_EQ(barFlags, static_cast<DWORD>(LWA_COLORKEY));
}

// Records the drag messages a window gets, in place of the system's move loop.
LRESULT CALLBACK RecordDrag(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR seen) {
    if ((msg == WM_NCLBUTTONDOWN || msg == WM_NCLBUTTONUP || msg == WM_NCMOUSEMOVE) && wParam == HTCAPTION) {
        reinterpret_cast<std::vector<UINT>*>(seen)->push_back(msg);
        return 0;
    }
    return ::DefSubclassProc(wnd, msg, wParam, lParam);
}

TEST_F(LoginTest, ThePageBackgroundDragsTheFrameAndHasNoSpriteButtons) {
    std::vector<UINT> frameDrag, loginDrag;
    std::vector<HRESULT> answers;
    run.Then([&] {
        ::SetWindowSubclass(frame.m_hWnd, RecordDrag, 77, reinterpret_cast<DWORD_PTR>(&frameDrag));
        ::SetWindowSubclass(frame.m_dlgLogin.m_hWnd, RecordDrag, 77, reinterpret_cast<DWORD_PTR>(&loginDrag));
        for (const wchar_t* tag : {L"BODY", L"td", L"DIV"}) {
            auto element = testutil::FakeHtmlElement::Make(tag);
            for (DISPID event : {DISPID_HTMLELEMENTEVENTS2_ONMOUSEDOWN, DISPID_HTMLELEMENTEVENTS2_ONMOUSEMOVE,
                                 DISPID_HTMLELEMENTEVENTS2_ONMOUSEUP})
                answers.push_back(frame.m_dlgLogin.DispatchElementEvent(event, element));
        }
        // The login page keeps its own buttons and context menu.
        answers.push_back(frame.m_dlgLogin.DispatchElementEvent(DISPID_HTMLELEMENTEVENTS2_ONMOUSEDOWN,
                                                                testutil::FakeHtmlElement::Make(L"SPAN", L"button")));
        answers.push_back(frame.m_dlgLogin.DispatchElementEvent(DISPID_HTMLELEMENTEVENTS2_ONCONTEXTMENU,
                                                                testutil::FakeHtmlElement::Make(L"BODY")));
        ::RemoveWindowSubclass(frame.m_hWnd, RecordDrag, 77);
        ::RemoveWindowSubclass(frame.m_dlgLogin.m_hWnd, RecordDrag, 77);
        return true;
    });
    run.Then(Navigate(L"app://exitgame/"));
    EXPECT_EQ(run.Run(), IDCANCEL);
    const std::vector<UINT> oneDrag{WM_NCLBUTTONDOWN, WM_NCMOUSEMOVE, WM_NCLBUTTONUP};
    std::vector<UINT> threeDrags;
    for (int i = 0; i < 3; ++i) threeDrags.insert(threeDrags.end(), oneDrag.begin(), oneDrag.end());
    EXPECT_EQ(frameDrag, threeDrags);
    EXPECT_TRUE(loginDrag.empty()) << "the frame is dragged, not the login window";
    EXPECT_EQ(answers, (std::vector<HRESULT>{S_FALSE, S_FALSE, S_FALSE, S_FALSE, S_FALSE, S_FALSE, S_FALSE, S_FALSE,
                                             S_FALSE, S_OK, S_OK}));
}

struct Received {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

// Keeps the drag and key messages a window gets; the drag ones go no further
// (no system move loop in a test).
LRESULT CALLBACK RecordReceived(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR seen) {
    if (msg == WM_NCLBUTTONDOWN || msg == WM_KEYDOWN) {
        reinterpret_cast<std::vector<Received>*>(seen)->push_back({msg, wParam, lParam});
        if (msg == WM_NCLBUTTONDOWN) return 0;
    }
    return ::DefSubclassProc(wnd, msg, wParam, lParam);
}

TEST_F(LoginTest, AButtonPressAnywhereOnTheFrameIsACaptionPressAtThatScreenPoint) {
    std::vector<Received> seen;
    POINT screen{};
    run.Then([&] {
        ::SetWindowSubclass(frame.m_hWnd, RecordReceived, 78, reinterpret_cast<DWORD_PTR>(&seen));
        ::SetWindowPos(frame.m_hWnd, nullptr, 30, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        ::SendMessageW(frame.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(120, 300));
        POINT client{120, 300};
        ::ClientToScreen(frame.m_hWnd, &client);
        screen = client;
        ::RemoveWindowSubclass(frame.m_hWnd, RecordReceived, 78);
        return true;
    });
    run.Then(Navigate(L"app://exitgame/"));
    EXPECT_EQ(run.Run(), IDCANCEL);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].msg, static_cast<UINT>(WM_NCLBUTTONDOWN));
    EXPECT_EQ(seen[0].wParam, static_cast<WPARAM>(HTCAPTION));
    EXPECT_EQ(seen[0].lParam, MAKELPARAM(screen.x, screen.y));
}

// The innermost window of the browser inside the login window: where the
// page's keys arrive.
HWND InnermostChild(HWND parent) {
    HWND inner = nullptr;
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_CHILD)) inner = child;
    return inner;
}

TEST_F(LoginTest, EscapeAndF5PressedInsideTheBrowserNeverReachIt) {
    std::vector<Received> seen;
    HWND inner = nullptr;
    run.Then([&] {
        inner = InnermostChild(frame.m_dlgLogin.m_hWnd);
        if (!inner) return true;
        ::SetWindowSubclass(inner, RecordReceived, 79, reinterpret_cast<DWORD_PTR>(&seen));
        // Through the frame's own loop, as keys typed in the page come.
        for (WPARAM key : {WPARAM{VK_F5}, WPARAM{VK_ESCAPE}, WPARAM{'A'}}) ::PostMessageW(inner, WM_KEYDOWN, key, 0);
        return true;
    });
    run.Then([&] {
        if (inner) ::RemoveWindowSubclass(inner, RecordReceived, 79);
        return true;
    });
    run.Then(Navigate(L"app://exitgame/"));
    EXPECT_EQ(run.Run(), IDCANCEL);
    ASSERT_NE(inner, nullptr) << "the browser has a window inside the login window";
    std::vector<WPARAM> keys;
    for (const Received& r : seen) keys.push_back(r.wParam);
    EXPECT_EQ(keys, std::vector<WPARAM>{'A'}) << "only the other key reaches the page";
}

// ---------------------------------------------------------------- link bar

int s_boxAnswer = 0;  // 5000 (是) or 5001 (否)
bool s_boxSeen = false;
void CALLBACK AnswerBoxTick(HWND, UINT, UINT_PTR, DWORD) {
    if (HWND box = FindSkinnedBox()) {
        s_boxSeen = true;
        ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(s_boxAnswer, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(box, s_boxAnswer)));
    }
}

void PressLinkBarButton(CLoginBkDlg& frame, int id) {
    testutil::PressButton(frame.m_dlgMenu.m_hWnd, id);
}

TEST_F(LoginTest, LinkBarCloseAsksAndOnlyYesEndsTheLogin) {
    s_boxSeen = false;
    s_boxAnswer = 5001;
    UINT_PTR timer = ::SetTimer(nullptr, 0, 30, &AnswerBoxTick);
    bool stillRunningAfterNo = false;
    run.Then([&] {
        PressLinkBarButton(frame, IDC_BTN_LINK_CLOSE);
        return true;
    });
    run.Then([&] {
        if (!s_boxSeen) return false;
        stillRunningAfterNo = ::IsWindowVisible(frame.m_hWnd) != FALSE;
        s_boxSeen = false;
        s_boxAnswer = 5000;
        PressLinkBarButton(frame, IDC_BTN_LINK_CLOSE);
        return true;
    });
    EXPECT_EQ(run.Run(), IDCANCEL);
    ::KillTimer(nullptr, timer);
    EXPECT_TRUE(run.AllStepsRan());
    EXPECT_TRUE(stillRunningAfterNo);
    EXPECT_TRUE(s_boxSeen);
}

TEST_F(LoginTest, LinkBarMinimiseMinimisesTheFirstLoginAndEndsAFurtherOne) {
    bool iconic = false;
    run.Then([&] {
        PressLinkBarButton(frame, IDC_BTN_LINK_MIN);
        return true;
    });
    run.Then([&] {
        iconic = ::IsIconic(frame.m_hWnd) != FALSE;
        return iconic;
    });
    run.Then(Navigate(L"app://exitgame/"));
    EXPECT_EQ(run.Run(), IDCANCEL);
    EXPECT_TRUE(iconic);

    AddOpenPage(L"a", L"1");
    CLoginBkDlg further(pages);
    LoginRun furtherRun(further);
    furtherRun.Then([&further] {
        PressLinkBarButton(further, IDC_BTN_LINK_MIN);
        return true;
    });
    EXPECT_EQ(furtherRun.Run(), IDCANCEL);
    EXPECT_FALSE(::IsWindow(further.m_hWnd));
}

TEST_F(LoginTest, LinkBarOpensTheFourPagesInTheDefaultBrowser) {
    // The "browser" appends each address it is given to a file.
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring out = std::wstring(temp) + L"xcjy_link_bar_urls.txt";
    ::DeleteFileW(out.c_str());
    const std::wstring command = L"cmd.exe /c echo \"%1\">> \"" + out + L"\"";
    testutil::ClassesValue http(L"http\\shell\\open\\command", command);
    testutil::ClassesValue https(L"https\\shell\\open\\command", command);

    // One at a time: two "browsers" appending at once would collide.
    int pressed = 0;
    for (int id : {IDC_BTN_LINK_SITE, IDC_BTN_LINK_RECHARGE, IDC_BTN_LINK_SERVICE, IDC_BTN_LINK_FORUM}) {
        run.Then([&, id] {
            PressLinkBarButton(frame, id);
            ++pressed;
            return true;
        });
        run.Then([&] {
            std::string text = testutil::ReadFileText(out);
            return std::count(text.begin(), text.end(), '\n') >= pressed;
        });
    }
    run.Then(Navigate(L"app://exitgame/"));
    EXPECT_EQ(run.Run(), IDCANCEL);
    EXPECT_TRUE(run.AllStepsRan());

    const std::string text = testutil::ReadFileText(out);
    const site::OperatorSite& s = CurrentSite();
    for (const std::wstring& url : {site::GameRootUrl(s), site::RechargeUrl(s), site::UserCentreUrl(s), site::ForumUrl(s)}) {
        std::string narrow(url.begin(), url.end());
        EXPECT_NE(text.find("\"" + narrow + "\""), std::string::npos) << narrow << "\n" << text;
    }
    EXPECT_EQ(CMenuDlg::LinkAddress(IDC_BTN_LINK_RECHARGE).rfind(L"https://", 0), 0u);
    EXPECT_EQ(CMenuDlg::LinkAddress(IDC_BTN_LINK_SERVICE).rfind(L"http://", 0), 0u);
    EXPECT_EQ(CMenuDlg::LinkAddress(IDC_BTN_LINK_FORUM).rfind(L"http://", 0), 0u);
    ::DeleteFileW(out.c_str());
}

TEST_F(LoginTest, LinkBarButtonsTakeTheSizeOfOneFrame) {
    SIZE close{}, site{};
    run.Then([&] {
        RECT rc = frame.m_dlgMenu.m_btnExit.GetWindowRect();
        close = {rc.right - rc.left, rc.bottom - rc.top};
        rc = frame.m_dlgMenu.m_btnSite.GetWindowRect();
        site = {rc.right - rc.left, rc.bottom - rc.top};
        return true;
    });
    run.Then(Navigate(L"app://exitgame/"));
    EXPECT_EQ(run.Run(), IDCANCEL);
    EXPECT_EQ(close.cx, 21);
    EXPECT_EQ(close.cy, 21);
    EXPECT_EQ(site.cx, 113);
    EXPECT_EQ(site.cy, 41);
}

}  // namespace

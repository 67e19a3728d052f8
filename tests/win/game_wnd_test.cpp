// The game page window on a real browser control. No document loads under
// Wine, so script calls go to a fake script window and the Flash player's chain
// of windows is made by the test.
#include "core/launcher_ids.h"
#include "framework/winapp.h"
#include "mainwnd/game_pages.h"
#include "mainwnd/game_wnd.h"
#include "net/operator_site_win.h"
#include "res/resource.h"
#include "skin/message_box.h"
#include "skin/skin_geometry.h"
#include "tests/win/fake_script_window.h"
#include "tests/win/page_set_fixture.h"
#include "tests/win/test_util.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

void PumpThroughLoop() {
    for (int round = 0; round < 3; ++round) {
        MSG msg{};
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) fw::PumpMessage(msg, nullptr);
        testutil::PumpFor(10);
    }
}

// A game page that records what its before-navigate handler decided.
class RecordingGameWnd : public CGameWnd {
public:
    using CGameWnd::CGameWnd;
    ~RecordingGameWnd() override { DestroyOwnWindow(); }
    struct Navigation {
        std::wstring url;
        bool cancelled;
    };
    std::vector<Navigation> navigations;

    void OnBeforeNavigate2(IDispatch* frame, const std::wstring& url, bool& cancel) override {
        CGameWnd::OnBeforeNavigate2(frame, url, cancel);
        navigations.push_back({url, cancel});
    }
    int NavigationsTo(const std::wstring& url) const {
        int n = 0;
        for (const Navigation& nav : navigations) n += nav.url == url && !nav.cancelled;
        return n;
    }
};

// Windows of the named classes, as the browser and the Flash player make them.
struct RecordedKey {
    HWND wnd;
    UINT msg;
    WPARAM key;
};
std::vector<RecordedKey> g_received;

LRESULT CALLBACK RecordingProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_KEYDOWN || msg == WM_RBUTTONDOWN || msg == WM_RBUTTONUP) g_received.push_back({wnd, msg, wParam});
    return ::DefWindowProcW(wnd, msg, wParam, lParam);
}

HWND MakeChild(HWND parent, const wchar_t* className, const wchar_t* title = L"") {
    WNDCLASSW wc{};
    wc.lpfnWndProc = RecordingProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = className;
    ::RegisterClassW(&wc);
    return ::CreateWindowExW(0, className, title, WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, parent, nullptr,
                             ::GetModuleHandleW(nullptr), nullptr);
}

// The dialog manager hands the page's focus on to the browser window inside
// it; with its children disabled for a moment the focus stays on the page
// window itself, where a click outside the game leaves it.
void KeepFocusOnPage(HWND page) {
    std::vector<HWND> children;
    for (HWND child = ::GetWindow(page, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        if (::IsWindowEnabled(child)) children.push_back(child);
    for (HWND child : children) ::EnableWindow(child, FALSE);
    ::SetFocus(page);
    for (HWND child : children) ::EnableWindow(child, TRUE);
}

class GameWndTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::OleInitialize(nullptr);
        g_received.clear();
    }
    void TearDown() override {
        page_.reset();
        ::OleUninitialize();
    }

    RecordingGameWnd& Open(const std::wstring& url) {
        page_ = std::make_unique<RecordingGameWnd>(url);
        EXPECT_TRUE(page_->CreatePage(nullptr));
        ::ShowWindow(*page_, SW_SHOWNA);
        PumpThroughLoop();
        return *page_;
    }

    std::unique_ptr<RecordingGameWnd> page_;
};

TEST_F(GameWndTest, NavigatesToItsAddressAndF5NavigatesThereAgain) {
    const std::wstring url = L"http://127.0.0.1:9/game/page?uid=1";
    RecordingGameWnd& page = Open(url);
    EXPECT_FALSE(::IsWindowVisible(::GetWindow(page, GW_OWNER)));
    EXPECT_EQ(page.NavigationsTo(url), 1);
    // Wherever the page went since, F5 goes back to its own address.
    page.Navigate(L"http://127.0.0.1:9/elsewhere");
    PumpThroughLoop();
    ::PostMessageW(page, WM_KEYDOWN, VK_F5, 0);
    PumpThroughLoop();
    EXPECT_EQ(page.NavigationsTo(url), 2);
    // RefreshCurrentPage posts exactly this key.
}

TEST_F(GameWndTest, FlatScrollBarsOnlyForTheGameSite) {
    DOCHOSTUIINFO info{};
    info.cbSize = sizeof info;
    Open(site::GameRootUrl(CurrentSite()) + L"s/game.html").GetHostInfo(&info);
    EXPECT_EQ(info.dwFlags, static_cast<DWORD>(DOCHOSTUIFLAG_FLAT_SCROLLBAR));
    Open(L"http://127.0.0.1:9/game").GetHostInfo(&info);
    EXPECT_EQ(info.dwFlags, static_cast<DWORD>(DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_SCROLL_NO));
    VARIANT_BOOL silent = VARIANT_FALSE;
    ASSERT_NE(page_->GetBrowser(), nullptr);
    page_->GetBrowser()->get_Silent(&silent);
    EXPECT_EQ(silent, VARIANT_TRUE);
}

TEST_F(GameWndTest, FocusKeysOnThePageWindowGoToTheFlashPlayer) {
    RecordingGameWnd& page = Open(L"http://127.0.0.1:9/game");
    HWND shell = MakeChild(page, L"Shell Embedding");
    HWND view = MakeChild(shell, L"Shell DocObject View");
    HWND server = MakeChild(view, L"Internet Explorer_Server");
    HWND flash = MakeChild(server, L"MacromediaFlashPlayerActiveX");
    ASSERT_TRUE(flash);
    // Ahead of the browser's own (empty) window of that class.
    ::SetWindowPos(shell, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    for (WPARAM key : {VK_RETURN, VK_ESCAPE, VK_TAB, VK_SHIFT}) {
        g_received.clear();
        KeepFocusOnPage(page);
        ASSERT_EQ(::GetFocus(), page.m_hWnd);
        ::PostMessageW(page, WM_KEYDOWN, key, 0);
        PumpThroughLoop();
        // Tab then goes on through the dialog's own keyboard navigation.
        if (key != VK_TAB) {
            EXPECT_EQ(::GetFocus(), flash) << key;
        }
        ASSERT_FALSE(g_received.empty()) << key;
        EXPECT_EQ(g_received[0].wnd, flash);
        EXPECT_EQ(g_received[0].key, key);
        EXPECT_TRUE(::IsWindow(page)) << "the page never closes itself";
    }
    // Another key leaves the focus where it is.
    KeepFocusOnPage(page);
    ::PostMessageW(page, WM_KEYDOWN, 'A', 0);
    PumpThroughLoop();
    EXPECT_EQ(::GetFocus(), page.m_hWnd);
}

TEST_F(GameWndTest, FocusStaysOnThePageWithoutTheWholeFlashChain) {
    RecordingGameWnd& page = Open(L"http://127.0.0.1:9/game");
    KeepFocusOnPage(page);
    HWND shell = MakeChild(page, L"Shell Embedding");
    MakeChild(shell, L"Shell DocObject View", L"titled");
    ::SetFocus(page);
    ::PostMessageW(page, WM_KEYDOWN, VK_RETURN, 0);
    PumpThroughLoop();
    EXPECT_EQ(::GetFocus(), page.m_hWnd);
}

TEST_F(GameWndTest, RightButtonCallsThePageScriptAndThePressNeverReachesTheBrowser) {
    RecordingGameWnd& page = Open(L"http://127.0.0.1:9/game");
    // Without a document nothing is called and nothing breaks.
    page.CallClientScript(2);
    EXPECT_FALSE(page.m_spScriptWindow);

    testutil::FakeScriptWindow script;
    page.m_spScriptWindow.copy_from(&script);
    HWND plugin = MakeChild(page, L"XcjyTestPlugin");
    ::PostMessageW(plugin, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
    ::PostMessageW(plugin, WM_RBUTTONUP, 0, MAKELPARAM(5, 5));
    PumpThroughLoop();
    EXPECT_EQ(script.scripts, (std::vector<std::wstring>{L"ClientCallJs(2)", L"ClientCallJs(3)"}));
    EXPECT_EQ(script.languages, (std::vector<std::wstring>{L"JavaScript", L"JavaScript"}));
    ASSERT_EQ(g_received.size(), 1u);
    EXPECT_EQ(g_received[0].msg, static_cast<UINT>(WM_RBUTTONUP));
    page_.reset();
    EXPECT_EQ(script.refs, 1u);  // the page let go of the window
}

TEST_F(GameWndTest, TitleAfterTheGameNameRenamesTheTabWithTheServer) {
    CGamePageSet pages;
    pages.AddGamePage(L"http://127.0.0.1:9/game", L"acc", L"12");
    pages.Pages()[0].window->OnTitleChange(L"RV星潮纪元-星潮纪元-第12区");
    EXPECT_EQ(testutil::PageTitles(pages), (std::vector<std::wstring>{L"星潮纪元-第12区"}));
    EXPECT_EQ(pages.GetTabTitle(0), L"12服-星潮纪元");
}

// The set owns its pages: they and the script windows they keep go when the
// set goes, which its owner arranges before OLE ends (no page outlives the
// launcher's OLE session at static destruction).
TEST_F(GameWndTest, PagesAndTheirScriptWindowsEndWithTheirSet) {
    testutil::FakeScriptWindow script;
    HWND window = nullptr;
    {
        CGamePageSet pages;
        pages.AddGamePage(L"about:blank", L"acc", L"12");
        CGameWnd& page = *pages.Pages()[0].window;
        ASSERT_TRUE(page.CreatePage(nullptr));
        window = page.m_hWnd;
        page.m_spScriptWindow.copy_from(&script);
        ASSERT_EQ(script.refs, 2u);
    }
    EXPECT_EQ(script.refs, 1u) << "the page let go of its script window";
    EXPECT_FALSE(::IsWindow(window));
}

// Runs `action`, then pumps for up to `waitMs` more, while the shared driver
// answers the download question (captioned with the product's name) with its
// second button; returns the texts asked. The page asks from a later turn of
// its message loop than the navigation.
std::vector<std::wstring> AnsweringDownloadQuestion(const std::function<void()>& action, DWORD waitMs) {
    std::vector<std::wstring> asked;
    testutil::ModalBoxDriver driver(L"RV星潮纪元极速登录器");
    driver.Run(
        [&] {
            action();
            testutil::PumpUntil([&] { return !asked.empty(); }, waitMs);
            return 0;
        },
        {testutil::ModalBoxDriver::Answer(skin::kMsgBoxSecondButtonId, &asked)});
    return asked;
}

TEST_F(GameWndTest, HostileEntergameCommandsAreCancelledAndStartNothing) {
    RecordingGameWnd& page = Open(L"http://127.0.0.1:9/game");
    auto asked = AnsweringDownloadQuestion([&] {
        for (const wchar_t* url : {L"app://entergame|..\\..\\Windows\\notepad", L"app://entergame|C:x|http://u/",
                                   L"app://entergame|", L"http://x/?app://entergame|xyz"}) {
            page.navigations.clear();
            page.Navigate(url);
            PumpThroughLoop();
            if (page.navigations.empty()) {
                ADD_FAILURE() << "no navigation seen for " << url;
                continue;
            }
            EXPECT_TRUE(page.navigations.back().cancelled) << url;
        }
    }, 300);
    EXPECT_TRUE(asked.empty());
}

TEST_F(GameWndTest, EntergameWithoutTheLauncherOffersTheDownloadAndOpensOnlyWebAddresses) {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring out = std::wstring(temp) + L"xcjy_entergame_url.txt";
    ::DeleteFileW(out.c_str());
    // The "browser" writes the address it was given into a file.
    testutil::ClassesValue browser(L"http\\shell\\open\\command", L"cmd.exe /c echo %1> \"" + out + L"\"");

    RecordingGameWnd& page = Open(L"http://127.0.0.1:9/game");
    // Answered only when captioned with the product's name.
    auto asked = AnsweringDownloadQuestion([&] {
        page.Navigate(L"app://entergame|nosuchgame|http://127.0.0.1:9/fallback");
        PumpThroughLoop();
    }, 5000);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], L"下载RV星潮纪元极速登录器，玩游戏更加方便快捷，现在就去下载吧？");
    EXPECT_TRUE(page.navigations.back().cancelled);
    EXPECT_TRUE(testutil::PumpUntil(
        [&] { return testutil::ReadFileText(out).find("http://127.0.0.1:9/fallback") != std::string::npos; }, 10000))
        << testutil::ReadFileText(out);
    ::DeleteFileW(out.c_str());

    // A fallback that is no web address goes to the game site's root instead.
    asked = AnsweringDownloadQuestion([&] {
        page.Navigate(L"app://entergame|nosuchgame|file:///C:/windows/notepad.exe");
        PumpThroughLoop();
    }, 5000);
    EXPECT_EQ(asked.size(), 1u);
    const std::wstring rootUrl = site::GameRootUrl(CurrentSite());
    const std::string root(rootUrl.begin(), rootUrl.end());
    EXPECT_TRUE(testutil::PumpUntil([&] { return testutil::ReadFileText(out).find(root) != std::string::npos; }, 10000))
        << testutil::ReadFileText(out);
    ::DeleteFileW(out.c_str());
}

}  // namespace

// The caption tab strip on the main window's template, driven by real mouse
// messages and read back from the screen. Its pages are a small stand-in page
// set, so that what the strip asks of it shows.
#include "res/resource.h"
#include "skin/dlg_ex.h"
#include "skin/message_box.h"
#include "skin/skin_geometry.h"
#include "skin/skin_image.h"
#include "skin/tab_ctrl.h"
#include "skin/tab_page_set.h"
#include "tests/win/test_util.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kStripX = 100;
constexpr int kStripY = 6;
// The page set makes the strip 577 pixels wide for three tabs.
constexpr int kStripWidth = 577;
constexpr int kTabHeight = 22;
constexpr COLORREF kMagenta = RGB(255, 0, 255);

HINSTANCE Module() { return ::GetModuleHandleW(nullptr); }

testutil::Pixels SkinPixels(UINT id) {
    fw::UniqueBitmap bmp = LoadPngResource(Module(), id);
    SIZE size = CBitmap::BitmapSize(bmp.get());
    fw::WindowDC screen(nullptr);
    fw::MemDC mem(screen);
    fw::ScopedSelect select(mem, bmp.get());
    return testutil::CopyOfDC(mem, 0, 0, size.cx, size.cy);
}

// The main window as far as the strip is concerned: template 102 with its
// skin and caption band, control 1011 attached by the data exchange, the strip
// given its images and styles and placed where the page set puts it for three
// pages. The template's other controls belong to other classes and are hidden.
class CMainLikeDlg : public CDlgEx {
public:
    explicit CMainLikeDlg(CTabCtrlBase& strip) : CDlgEx(IDD_MAIN), m_strip(strip) {}
    ~CMainLikeDlg() override { DestroyOwnWindow(); }

protected:
    void DoDataExchange() override { DDX_Control(IDC_TAB_PAGES, m_strip); }

    BOOL OnInitDialog() override {
        CDlgEx::OnInitDialog();
        ModifyStyle(0, WS_CLIPCHILDREN);
        SetCaptionText(L"星潮纪元");
        SetCaptionLayout(30, 4, 0, 0);
        m_bmpClose = LoadPngResource(Module(), IDB_CAPT_CLOSE);
        m_bmpMin = LoadPngResource(Module(), IDB_CAPT_MIN);
        SetSkin(m_bmpClose.get(), m_bmpMin.get(), LoadPngResource(Module(), IDB_MAIN_BK), FALSE, TRUE,
                LoadPngResource(Module(), IDB_CAPT_MAX), LoadPngResource(Module(), IDB_CAPT_RESTORE));
        for (int id : {IDC_BTN_HIDE, IDC_BTN_MUTE, IDC_BTN_SYSTEM, IDC_BTN_HALL, IDC_ST_ADD_ACCOUNT, IDC_ST_HALL})
            ::ShowWindow(::GetDlgItem(m_hWnd, id), SW_HIDE);
        ::SetWindowPos(m_hWnd, nullptr, 40, 40, 900, 200, SWP_NOZORDER | SWP_NOACTIVATE);

        m_bmpTabs = LoadPngResource(Module(), IDB_TAB);
        m_bmpTabClose = LoadPngResource(Module(), IDB_TAB_CLOSE);
        m_strip.SetImages(m_bmpTabs.get(), m_bmpTabClose.get());
        m_strip.ModifyStyle(0, TCS_BUTTONS | TCS_FIXEDWIDTH | TCS_OWNERDRAWFIXED | TCS_FOCUSNEVER);
        m_strip.m_nTextLeft = 28;
        m_strip.m_nTextRight = 13;
        m_strip.m_nTextFormat = DT_VCENTER | DT_SINGLELINE;
        ::MoveWindow(m_strip, kStripX, kStripY, kStripWidth, kTabHeight, TRUE);
        return TRUE;
    }
    void OnOK() override {}
    void OnCancel() override {}

private:
    CTabCtrlBase& m_strip;
    fw::UniqueBitmap m_bmpClose, m_bmpMin, m_bmpTabs, m_bmpTabClose;
};

void SetLeftButtonHeld(bool held) {
    BYTE keys[256] = {};
    ::GetKeyboardState(keys);
    keys[VK_LBUTTON] = held ? 0x80 : 0;
    ::SetKeyboardState(keys);
}

bool TakeQuitMessage(WPARAM* code) {
    MSG msg{};
    if (!::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) return false;
    if (code) *code = msg.wParam;
    return true;
}

RECT TabRect(const CTabCtrl& tabs, int i) {
    RECT r{};
    tabs.GetItemRect(i, &r);
    return r;
}

DWORD TabState(const CTabCtrl& tabs, int i) {
    TCITEMW item{};
    item.mask = TCIF_STATE;
    item.dwStateMask = 0xFFFFFFFF;
    TabCtrl_GetItem(tabs.m_hWnd, i, &item);
    return item.dwState;
}

// ---------------------------------------------------------------- the caption strip

// Pages as plain owned popups, each tab's item data naming its page; it does
// what the game page set does with the strip's calls, and counts them.
class StandInPages : public CTabPageSet {
public:
    struct Page {
        HWND wnd = nullptr;
        std::wstring server;
    };

    CTabCtrl* strip = nullptr;
    std::vector<std::unique_ptr<Page>> pages;
    HWND hall = nullptr;
    bool hallShown = false;
    int shown = 0;  // ShowCurrentPage calls
    std::vector<int> closed;

    std::wstring PageTitle(int index) const override {
        if (index < 0 || index >= static_cast<int>(pages.size())) return {};
        return pages[static_cast<size_t>(index)]->server + L"服-星潮纪元";
    }
    std::wstring GameTitle() const override { return L"星潮纪元"; }
    HWND PageWindow(LPARAM tabData) const override {
        const auto* page = reinterpret_cast<const Page*>(tabData);
        return page ? page->wnd : nullptr;
    }
    void ShowCurrentPage() override {
        ++shown;
        for (auto& page : pages) ::ShowWindow(page->wnd, SW_HIDE);
        const int current = strip->GetCurSel();
        if (current < 0) return;
        if (HWND wnd = PageWindow(strip->GetItemData(current))) {
            ::ShowWindow(wnd, SW_SHOW);
            ::SetFocus(wnd);
        }
    }
    void ClosePage(int index) override {
        closed.push_back(index);
        if (index < 0 || index >= static_cast<int>(pages.size())) return;
        ::DestroyWindow(pages[static_cast<size_t>(index)]->wnd);
        strip->DeleteItem(index);
        pages.erase(pages.begin() + index);
        if (strip->GetItemCount() > 0 && strip->GetCurSel() < 0) {
            strip->SetCurSel(index < strip->GetItemCount() ? index : strip->GetItemCount() - 1);
            ShowCurrentPage();
        }
    }
    bool HallShown() const override { return hallShown; }
    void HideHall() override {
        hallShown = false;
        ::ShowWindow(hall, SW_HIDE);
    }
};

class CaptTabTest : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TAB_CLASSES | ICC_BAR_CLASSES};
        ::InitCommonControlsEx(&icc);
        pages_.strip = &strip_;
        ASSERT_TRUE(dlg_.Create(IDD_MAIN));
        ASSERT_NE(strip_.m_hWnd, nullptr);
        ::ShowWindow(dlg_, SW_SHOW);
        ::UpdateWindow(dlg_);
    }

    void TearDown() override {
        SetLeftButtonHeld(false);
        dlg_.DestroyWindow();  // takes the strip, its tooltip and the owned pages with it
        TakeQuitMessage(nullptr);
    }

    // An owned popup laid where the page set lays every page: over the main
    // window less the caption band, so that no page covers the strip.
    HWND MakePage() {
        RECT r = dlg_.GetWindowRect();
        return ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, r.left + 4, r.top + 30, r.right - r.left - 8,
                                 r.bottom - r.top - 34, dlg_, nullptr, nullptr, nullptr);
    }

    // Adds `count` pages with their windows and tabs, the way the page set
    // does it, selects tab 0 and shows its page, and parks the real pointer on
    // the last tab so that the system's mouse-leave tracking stays quiet.
    void OpenPages(int count) {
        for (int i = 0; i < count; ++i) {
            auto page = std::make_unique<StandInPages::Page>();
            page->wnd = MakePage();
            ASSERT_NE(page->wnd, nullptr);
            page->server = std::to_wstring(11 + i);
            const std::wstring account = L"account" + std::to_wstring(i);
            strip_.InsertItem(i, account.c_str(), reinterpret_cast<LPARAM>(page.get()));
            pages_.pages.push_back(std::move(page));
        }
        strip_.SetCurSel(0);
        pages_.ShowCurrentPage();
        pages_.shown = 0;
        // Beside the tabs the control lets the pointer through to the parent,
        // which would count as leaving the strip.
        POINT park{TabRect(strip_, count - 1).left + 5, kTabHeight - 2};
        ::ClientToScreen(strip_, &park);
        ::SetCursorPos(park.x, park.y);
        testutil::PumpFor(50);
        Leave();
        Paint();
    }

    void Move(int x, int y, WPARAM keys = 0) { ::SendMessageW(strip_, WM_MOUSEMOVE, keys, MAKELPARAM(x, y)); }
    void Down(int x, int y) { ::SendMessageW(strip_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y)); }
    void Up(int x, int y) { ::SendMessageW(strip_, WM_LBUTTONUP, 0, MAKELPARAM(x, y)); }
    void Click(int x, int y) {
        Down(x, y);
        Up(x, y);
    }
    void Leave() { ::SendMessageW(strip_, WM_MOUSELEAVE, 0, 0); }

    // A click whose close question (if the strip asks one) is answered with
    // button `answer`.
    struct Answered {
        size_t asked = 0;
        int selectionWhenAsked = -1;
        std::wstring question;
    };
    Answered ClickAnswering(int x, int y, int answer) {
        Answered seen;
        testutil::ModalBoxDriver driver(L"星潮纪元");
        driver.Run(
            [&] {
                Click(x, y);
                return 0;
            },
            {[&](HWND box) {
                seen.selectionWhenAsked = strip_.GetCurSel();
                if (auto* asking = dynamic_cast<CMessageBox*>(CWnd::FromHandlePermanent(box)))
                    seen.question = asking->m_strText;
                testutil::PressButton(box, answer);
            }});
        seen.asked = driver.stepsRun;
        return seen;
    }
    void Paint() { ::UpdateWindow(strip_); }

    std::wstring TipText() {
        wchar_t text[256] = {};
        TOOLINFOW info{};
        info.cbSize = sizeof info;
        info.hwnd = strip_;
        info.uFlags = TTF_IDISHWND;
        info.uId = reinterpret_cast<UINT_PTR>(strip_.m_hWnd);
        info.lpszText = text;
        ::SendMessageW(strip_.m_tip, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&info));
        return text;
    }

    // The parent's skin as it lies under the strip.
    testutil::Pixels SkinUnderStrip() {
        RECT client = dlg_.GetClientRect();
        fw::WindowDC screen(nullptr);
        fw::OffscreenDC skin(screen, client.right, client.bottom);
        dlg_.DrawSkin(skin);
        testutil::Pixels whole = testutil::CopyOfDC(skin, 0, 0, client.right, client.bottom);
        testutil::Pixels under;
        under.width = kStripWidth;
        under.height = kTabHeight;
        for (int y = 0; y < kTabHeight; ++y)
            for (int x = 0; x < kStripWidth; ++x) under.data.push_back(whole.at(kStripX + x, kStripY + y));
        return under;
    }

    HWND PageWnd(int i) const { return pages_.pages[static_cast<size_t>(i)]->wnd; }
    bool PageVisible(int i) const { return ::IsWindowVisible(PageWnd(i)) != FALSE; }

    StandInPages pages_;
    CCaptTab strip_{pages_};
    CMainLikeDlg dlg_{strip_};
};

TEST_F(CaptTabTest, TabsAreOneFrameEachAndTheStripTakesTheFourStyles) {
    OpenPages(3);
    const DWORD styles = TCS_BUTTONS | TCS_FIXEDWIDTH | TCS_OWNERDRAWFIXED | TCS_FOCUSNEVER;
    EXPECT_EQ(strip_.GetStyle() & styles, styles);
    for (int i = 0; i < 3; ++i) {
        RECT r = TabRect(strip_, i);
        EXPECT_EQ(r.top, 0) << i;
        EXPECT_EQ(r.right - r.left, 189) << i;
        EXPECT_EQ(r.bottom - r.top, 22) << i;
        EXPECT_LE(r.right, kStripWidth) << i;
        if (i > 0) {
            EXPECT_GE(r.left, TabRect(strip_, i - 1).right) << i;
        }
    }
    // The tooltip covers the whole strip with one tool.
    ASSERT_NE(strip_.m_tip.m_hWnd, nullptr);
    EXPECT_EQ(::SendMessageW(strip_.m_tip, TTM_GETTOOLCOUNT, 0, 0), 1);
    EXPECT_EQ(::SendMessageW(strip_.m_tip, TTM_GETDELAYTIME, TTDT_INITIAL, 0), 1000);
    EXPECT_TRUE(::GetWindowLongW(strip_.m_tip, GWL_STYLE) & TTS_ALWAYSTIP);
}

TEST_F(CaptTabTest, HotBitFollowsPointerButNeverLandsOnSelectedTab) {
    OpenPages(3);
    const RECT r1 = TabRect(strip_, 1);
    Move(r1.left + 50, 15);
    EXPECT_TRUE(TabState(strip_, 1) & CTabCtrlBase::kStateHot);
    EXPECT_EQ(strip_.m_nHotTab, 1);

    Move(50, 15);  // tab 0 is the selected one
    EXPECT_FALSE(TabState(strip_, 0) & CTabCtrlBase::kStateHot);
    EXPECT_FALSE(TabState(strip_, 1) & CTabCtrlBase::kStateHot);
    // ... yet the close box is offered on it.
    EXPECT_EQ(strip_.m_nHotTab, 0);
    EXPECT_EQ(strip_.m_nCloseState, skin::kCloseOnTab);

    Move(r1.left + 50, 15);
    Leave();
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(TabState(strip_, i) & CTabCtrlBase::kStateHot) << i;
    EXPECT_EQ(strip_.m_nHotTab, -1);
    EXPECT_EQ(strip_.m_nCloseState, skin::kCloseNone);
}

TEST_F(CaptTabTest, CloseBoxStateFollowsPointerAndButton) {
    OpenPages(3);
    const RECT r0 = TabRect(strip_, 0);
    const RECT r1 = TabRect(strip_, 1);
    const RECT r2 = TabRect(strip_, 2);
    enum Action { kMove, kMoveHeld, kDown, kLeave };
    struct Step {
        Action action;
        int x, y;
        int hotTab, closeState;
    };
    const Step steps[] = {
        {kMove, r0.left + 50, 15, 0, skin::kCloseOnTab},
        {kMove, r0.right - 12, 0, 0, skin::kCloseHover},
        {kMove, r0.right - 1, 12, 0, skin::kCloseHover},
        {kMove, r0.right - 13, 5, 0, skin::kCloseOnTab},  // left of the box
        {kMove, r0.right - 6, 13, 0, skin::kCloseOnTab},  // below it
        {kMoveHeld, r0.right - 6, 6, 0, skin::kClosePressed},
        {kMove, r0.right - 6, 6, 0, skin::kCloseHover},
        {kMove, r1.left + 20, 15, 1, skin::kCloseOnTab},
        {kDown, r1.right - 6, 6, 1, skin::kClosePressed},
        {kMove, r2.right - 1, 12, 2, skin::kCloseHover},
        {kMove, kStripWidth - 2, 6, -1, skin::kCloseOnTab},  // beyond the last tab: no box anywhere
        {kLeave, 0, 0, -1, skin::kCloseNone},
        // A press where there is no tab never counts as one on a close box.
        {kDown, r0.right + 1, 6, -1, skin::kCloseNone},
        {kDown, kStripWidth - 2, 6, -1, skin::kCloseNone},
    };
    int n = 0;
    for (const Step& s : steps) {
        switch (s.action) {
        case kMove:
            Move(s.x, s.y);
            break;
        case kMoveHeld:
            SetLeftButtonHeld(true);
            Move(s.x, s.y, MK_LBUTTON);
            SetLeftButtonHeld(false);
            break;
        case kDown:
            Down(s.x, s.y);
            break;
        case kLeave:
            Leave();
            break;
        }
        EXPECT_EQ(strip_.m_nHotTab, s.hotTab) << "step " << n;
        EXPECT_EQ(strip_.m_nCloseState, s.closeState) << "step " << n;
        ++n;
    }
}

TEST_F(CaptTabTest, TooltipKeepsFirstTitleUntilBoxOrLeave) {
    OpenPages(3);
    const RECT r1 = TabRect(strip_, 1);
    const RECT r2 = TabRect(strip_, 2);
    Move(40, 18);
    EXPECT_EQ(TipText(), L"11服-星潮纪元");
    Move(r1.left + 40, 18);  // straight on to the next tab's lower half
    EXPECT_EQ(TipText(), L"11服-星潮纪元");
    Move(r1.right - 5, 5);  // over its close box
    EXPECT_EQ(TipText(), L"11服-星潮纪元");
    Move(r1.left + 40, 18);
    EXPECT_EQ(TipText(), L"12服-星潮纪元");
    Leave();
    Move(r2.left + 40, 18);
    EXPECT_EQ(TipText(), L"13服-星潮纪元");
}

TEST_F(CaptTabTest, OnlyAReleaseOnTheCloseBoxAsks) {
    OpenPages(3);
    const RECT r0 = TabRect(strip_, 0);
    const RECT r1 = TabRect(strip_, 1);
    const RECT r2 = TabRect(strip_, 2);
    struct Case {
        int x, y;
        bool asks;
    };
    std::vector<Case> cases = {
        // The box of a tab (0, 0, 189, 22) is (176, 0, 189, 13); x 176 is its
        // left edge and does not count.
        {r0.right - 12, 0, true},   {r0.right - 1, 12, true},   {r0.right - 6, 6, true},
        {r1.right - 1, 0, true},    {r0.right - 13, 6, false},  {r0.right - 6, 13, false},
        {r0.left + 50, 10, false},  {r2.right + 2, 6, false},
    };
    // Between two tabs, where the control leaves a gap.
    if (r1.left > r0.right) cases.push_back({r0.right + 1, 6, false});
    for (const Case& c : cases) {
        strip_.SetCurSel(0);
        EXPECT_EQ(ClickAnswering(c.x, c.y, skin::kMsgBoxSecondButtonId).asked, c.asks ? 1 : 0) << c.x << "," << c.y;
    }
    // "No" leaves every tab and page in place and does not quit.
    EXPECT_EQ(strip_.GetItemCount(), 3);
    EXPECT_TRUE(pages_.closed.empty());
    EXPECT_FALSE(TakeQuitMessage(nullptr));
}

TEST_F(CaptTabTest, ClosingAnotherTabSelectsItFirst) {
    OpenPages(3);
    const RECT r2 = TabRect(strip_, 2);
    Move(r2.right - 6, 6);
    const Answered yes = ClickAnswering(r2.right - 6, 6, skin::kMsgBoxFirstButtonId);
    EXPECT_EQ(yes.asked, 1);
    EXPECT_EQ(yes.question, L"13服-星潮纪元确定要退出此账号？");
    EXPECT_EQ(yes.selectionWhenAsked, 2);
    EXPECT_EQ(pages_.closed, std::vector<int>{2});
    EXPECT_EQ(strip_.GetItemCount(), 2);
    EXPECT_FALSE(TakeQuitMessage(nullptr));
}

TEST_F(CaptTabTest, YesOnTheOnlyTabQuits) {
    OpenPages(1);
    EXPECT_EQ(ClickAnswering(182, 6, skin::kMsgBoxFirstButtonId).asked, 1);
    EXPECT_EQ(pages_.closed, std::vector<int>{0});
    EXPECT_EQ(strip_.GetItemCount(), 0);
    WPARAM code = 99;
    EXPECT_TRUE(TakeQuitMessage(&code));
    EXPECT_EQ(code, 0u);
}

TEST_F(CaptTabTest, ClickOnTabFocusesItsPageAndEndsTheHall) {
    OpenPages(3);
    // A release on the selected tab changes no selection and shows nothing
    // anew, yet hands the keyboard to the page.
    ::SetFocus(dlg_);
    Click(60, 15);
    EXPECT_EQ(::GetFocus(), PageWnd(0));
    EXPECT_EQ(pages_.shown, 0);

    pages_.hall = MakePage();
    ::ShowWindow(pages_.hall, SW_SHOW);
    pages_.hallShown = true;
    // The hall rule alone brings the selected tab's page back.
    Click(60, 15);
    EXPECT_FALSE(pages_.hallShown);
    EXPECT_FALSE(::IsWindowVisible(pages_.hall));
    EXPECT_EQ(pages_.shown, 1);
    EXPECT_TRUE(PageVisible(0));
    EXPECT_FALSE(PageVisible(1));

    // Another tab: the reflected selection change shows its page alone.
    const RECT r2 = TabRect(strip_, 2);
    Click(r2.left + 60, 15);
    EXPECT_EQ(strip_.GetCurSel(), 2);
    EXPECT_FALSE(PageVisible(0));
    EXPECT_FALSE(PageVisible(1));
    EXPECT_TRUE(PageVisible(2));
    EXPECT_EQ(::GetFocus(), PageWnd(2));
    EXPECT_FALSE(::IsWindowVisible(pages_.hall));
}

// Whether the strip's pixels at (x0, y0) show `frame` of a strip image of
// `frameWidth` columns: every opaque pixel of the frame's columns [c0, c1) must
// match, and every transparent one must show `under` (when given) instead.
::testing::AssertionResult ShowsFrame(const testutil::Pixels& screen, const testutil::Pixels* under,
                                      const testutil::Pixels& strip, int frameWidth, int frame, int x0, int y0,
                                      int c0, int c1) {
    int keyed = 0;
    for (int y = 0; y < strip.height; ++y) {
        for (int x = c0; x < c1; ++x) {
            COLORREF want = strip.at(frame * frameWidth + x, y);
            if (want == kMagenta) {
                ++keyed;
                if (!under) continue;
                want = under->at(x0 + x, y0 + y);
            }
            COLORREF got = screen.at(x0 + x, y0 + y);
            if (got != want)
                return ::testing::AssertionFailure()
                       << "frame " << frame << " at (" << x0 + x << "," << y0 + y << "): got " << std::hex << got
                       << " want " << want;
        }
    }
    return ::testing::AssertionSuccess() << keyed << " keyed pixels";
}

TEST_F(CaptTabTest, PaintsFramesAndCloseBoxOverTheParentSkin) {
    OpenPages(3);
    const RECT r[3] = {TabRect(strip_, 0), TabRect(strip_, 1), TabRect(strip_, 2)};
    const testutil::Pixels tabs = SkinPixels(IDB_TAB);
    const testutil::Pixels boxes = SkinPixels(IDB_TAB_CLOSE);
    const testutil::Pixels skinUnder = SkinUnderStrip();
    // Tab `tab` shows tab frame `frame` left of its title (where the frame has
    // its star) and in the close box's corner.
    auto tabShows = [&](const testutil::Pixels& screen, int tab, int frame) {
        auto left = ShowsFrame(screen, &skinUnder, tabs, 189, frame, r[tab].left, 0, 0, 28);
        return left ? ShowsFrame(screen, &skinUnder, tabs, 189, frame, r[tab].left, 0, 176, 189) : left;
    };
    // The box's own transparent corners show the tab under it.
    auto boxShows = [&](const testutil::Pixels& screen, int tab, int frame) {
        return ShowsFrame(screen, nullptr, boxes, 13, frame, r[tab].right - 13, 0, 0, 13);
    };

    Move(r[1].left + 60, 15);  // tab 1 hot with its box; tab 0 selected; tab 2 normal
    Paint();
    const testutil::Pixels screen = testutil::CaptureWindowDC(strip_);
    EXPECT_TRUE(ShowsFrame(screen, &skinUnder, tabs, 189, 2, r[0].left, 0, 0, 28));
    EXPECT_TRUE(ShowsFrame(screen, &skinUnder, tabs, 189, 1, r[1].left, 0, 0, 28));
    EXPECT_TRUE(boxShows(screen, 1, 0));
    EXPECT_TRUE(tabShows(screen, 0, 2));
    EXPECT_TRUE(tabShows(screen, 2, 0));
    // The three frames are different pictures.
    EXPECT_NE(screen.at(r[0].left + 10, 12), screen.at(r[1].left + 10, 12));
    EXPECT_NE(screen.at(r[1].left + 10, 12), screen.at(r[2].left + 10, 12));
    EXPECT_NE(screen.at(r[0].left + 10, 12), screen.at(r[2].left + 10, 12));

    // Hover and pressed frames of the box.
    Move(r[1].right - 6, 6);
    Paint();
    EXPECT_TRUE(boxShows(testutil::CaptureWindowDC(strip_), 1, 1));
    SetLeftButtonHeld(true);
    Move(r[1].right - 6, 7, MK_LBUTTON);
    SetLeftButtonHeld(false);
    Paint();
    EXPECT_TRUE(boxShows(testutil::CaptureWindowDC(strip_), 1, 2));

    // The selected tab keeps its frame under the pointer and shows the box
    // too; the tab the pointer left is normal again. Leaving takes the box away.
    Move(r[0].left + 100, 15);
    Paint();
    const testutil::Pixels overSelected = testutil::CaptureWindowDC(strip_);
    EXPECT_TRUE(ShowsFrame(overSelected, &skinUnder, tabs, 189, 2, r[0].left, 0, 0, 28));
    EXPECT_TRUE(boxShows(overSelected, 0, 0));
    EXPECT_TRUE(tabShows(overSelected, 1, 0));
    Leave();
    Paint();
    const testutil::Pixels left = testutil::CaptureWindowDC(strip_);
    EXPECT_TRUE(tabShows(left, 0, 2));
    EXPECT_TRUE(tabShows(left, 1, 0));

    // No key colour anywhere on the strip, in any of these pictures.
    for (const testutil::Pixels* p : {&screen, &overSelected, &left})
        for (COLORREF c : p->data) ASSERT_NE(c, kMagenta);

    // A look at the whole caption band.
    strip_.SetItemText(0, L"11服-星潮纪元");
    strip_.SetItemText(1, L"12服-星潮纪元");
    strip_.SetCurSel(1);
    Move(40, 15);
    ::RedrawWindow(dlg_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    testutil::SaveShot(testutil::CaptureWindowDC(dlg_), L"tabs_caption.png");
}

// What the player sees with three pages and the newest one selected: the
// three tabs side by side in the 577-pixel strip, each one frame of the tab
// strip edge to edge from x 0, and no scroll arrows (no child window shows
// over the strip). Read back from the screen, not from the strip's DC.
TEST_F(CaptTabTest, ThreeTabsFitTheStripOnScreenWithNoArrows) {
    OpenPages(3);
    strip_.SetCurSel(2);
    Leave();
    for (int i = 0; i < 3; ++i) {
        const RECT r = TabRect(strip_, i);
        EXPECT_EQ(r.left, 189 * i) << i;
        EXPECT_EQ(r.right, 189 * (i + 1)) << i;
        EXPECT_EQ(r.bottom, 22) << i;
    }
    HWND child = ::GetWindow(strip_, GW_CHILD);
    for (; child; child = ::GetWindow(child, GW_HWNDNEXT)) EXPECT_FALSE(::IsWindowVisible(child));

    RECT onScreen = strip_.GetWindowRect();
    ::RedrawWindow(dlg_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    testutil::PumpFor(100);
    const testutil::Pixels screen = testutil::ReadScreenRect(onScreen);
    ASSERT_EQ(screen.width, kStripWidth);
    const testutil::Pixels tabs = SkinPixels(IDB_TAB);
    const testutil::Pixels skinUnder = SkinUnderStrip();
    EXPECT_TRUE(ShowsFrame(screen, &skinUnder, tabs, 189, 0, 0, 0, 0, 28));
    EXPECT_TRUE(ShowsFrame(screen, &skinUnder, tabs, 189, 0, 189, 0, 0, 28));
    EXPECT_TRUE(ShowsFrame(screen, &skinUnder, tabs, 189, 2, 378, 0, 0, 28));
    EXPECT_TRUE(ShowsFrame(screen, &skinUnder, tabs, 189, 2, 378, 0, 176, 189));
    // The strip's last ten pixels show the parent's skin, not a tab or an arrow.
    for (int y = 0; y < kTabHeight; ++y)
        for (int x = 567; x < kStripWidth; ++x) ASSERT_EQ(screen.at(x, y), skinUnder.at(x, y)) << x << "," << y;

    // A press on each tab selects that tab, on the same layout.
    for (int i : {0, 1, 2}) {
        Click(189 * i + 60, 15);
        EXPECT_EQ(strip_.GetCurSel(), i);
        EXPECT_TRUE(PageVisible(i));
    }
}

TEST_F(CaptTabTest, EraseShowsTheParentSkinAndLeavesTheDcAsFound) {
    OpenPages(1);
    fw::WindowDC screen(nullptr);
    fw::OffscreenDC dc(screen, kStripWidth, kTabHeight);
    EXPECT_EQ(::SendMessageW(strip_, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc.get()), 0), TRUE);
    POINT windowOrg{-1, -1}, viewportOrg{-1, -1};
    ::GetWindowOrgEx(dc, &windowOrg);
    ::GetViewportOrgEx(dc, &viewportOrg);
    EXPECT_EQ(windowOrg.x, 0);
    EXPECT_EQ(windowOrg.y, 0);
    EXPECT_EQ(viewportOrg.x, 0);
    EXPECT_EQ(viewportOrg.y, 0);
    EXPECT_EQ(testutil::CopyOfDC(dc, 0, 0, kStripWidth, kTabHeight).data, SkinUnderStrip().data);
}

// ---------------------------------------------------------------- the reusable base

// Records what the paint loop hands to each drawing step.
class CRecordingTabs : public CTabCtrlBase {
public:
    ~CRecordingTabs() override { DestroyOwnWindow(); }
    struct Call {
        char step;
        RECT rect;
        DWORD state;
        std::wstring text;
    };
    std::vector<Call> calls;

    void DrawTabBack(HDC dc, const RECT& rect, DWORD state) override {
        calls.push_back({'b', rect, state, {}});
        CTabCtrlBase::DrawTabBack(dc, rect, state);
    }
    void DrawTabClose(HDC dc, const RECT& rect, DWORD state) override {
        calls.push_back({'c', rect, state, {}});
        CTabCtrlBase::DrawTabClose(dc, rect, state);
    }
    void DrawTabText(HDC dc, const wchar_t* text, const RECT& rect, DWORD state) override {
        calls.push_back({'t', rect, state, text});
        CTabCtrlBase::DrawTabText(dc, text, rect, state);
    }
};

TEST(TabCtrlBaseTest, PaintDrawsEachTabInThreeStepsWithTitleCutTo127) {
    CRecordingTabs tabs;
    CMainLikeDlg dlg(tabs);
    ASSERT_TRUE(dlg.Create(IDD_MAIN));
    ::ShowWindow(dlg, SW_SHOW);
    const std::wstring longTitle(150, L'长');
    tabs.InsertItem(0, L"短", 0);
    tabs.InsertItem(1, longTitle.c_str(), 0);
    tabs.SetCurSel(0);
    ::SendMessageW(tabs, WM_MOUSEMOVE, 0, MAKELPARAM(TabRect(tabs, 1).left + 30, 10));
    tabs.calls.clear();
    ::InvalidateRect(tabs, nullptr, FALSE);
    ::UpdateWindow(tabs);

    ASSERT_EQ(tabs.calls.size(), 6u);
    const char order[] = {'b', 'c', 't', 'b', 'c', 't'};
    for (size_t i = 0; i < 6; ++i) {
        const int tab = static_cast<int>(i / 3);
        EXPECT_EQ(tabs.calls[i].step, order[i]) << i;
        const RECT want = TabRect(tabs, tab);
        EXPECT_TRUE(::EqualRect(&tabs.calls[i].rect, &want)) << i;
    }
    EXPECT_TRUE(tabs.calls[0].state & TCIS_BUTTONPRESSED);
    EXPECT_FALSE(tabs.calls[0].state & CTabCtrlBase::kStateHot);
    EXPECT_TRUE(tabs.calls[3].state & CTabCtrlBase::kStateHot);
    EXPECT_EQ(tabs.calls[2].text, L"短");
    EXPECT_EQ(tabs.calls[5].text, longTitle.substr(0, 127));
    dlg.DestroyWindow();
}

TEST(TabCtrlBaseTest, CreateForcesStripStylesAndSetImagesNeedsTabStrip) {
    CRecordingTabs tabs;
    CMainLikeDlg dlg(tabs);
    ASSERT_TRUE(dlg.Create(IDD_MAIN));
    CTabCtrlBase made;
    ASSERT_TRUE(made.Create(0, RECT{10, 40, 300, 62}, &dlg, 4000));
    const DWORD forced = WS_CHILD | WS_VISIBLE | TCS_FOCUSNEVER | TCS_OWNERDRAWFIXED | TCS_FIXEDWIDTH | TCS_BUTTONS;
    EXPECT_EQ(made.GetStyle() & forced, forced);

    EXPECT_FALSE(made.SetImages(nullptr, nullptr));
    fw::UniqueBitmap strip = LoadPngResource(Module(), IDB_TAB);
    EXPECT_TRUE(made.SetImages(strip.get(), nullptr));
    EXPECT_EQ(made.m_imgTabs.GetImageCount(), 3);
    EXPECT_FALSE(made.m_imgClose);
    made.InsertItem(0, L"x", 0);
    RECT r = TabRect(made, 0);
    EXPECT_EQ(r.right - r.left, 189);
    EXPECT_EQ(r.bottom - r.top, 22);
    made.DestroyWindow();
    dlg.DestroyWindow();
}

}  // namespace

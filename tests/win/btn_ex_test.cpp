// The image button with real windows: its four faces, the pressed latch, its
// text, and stretching.
#include "tests/win/skinned_dialog_fixture.h"
#include "tests/win/test_util.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

struct ButtonScene {
    TestSkinnedDlg host;
    CBtnEx button;
    fw::UniqueBitmap strip;

    explicit ButtonScene(UINT stripId = IDB_CAPT_CLOSE, SIZE size = {27, 27}, const wchar_t* text = L"") {
        EXPECT_TRUE(host.Make());
        ::SetWindowPos(host.m_hWnd, HWND_TOP, 200, 200, 200, 120, SWP_SHOWWINDOW);
        RECT r{60, 50, 60 + size.cx, 50 + size.cy};
        EXPECT_TRUE(button.Create(text, WS_CHILD | WS_VISIBLE, r, &host, 77));
        strip = LoadPngResource(::GetModuleHandleW(nullptr), stripId);
        button.SetImage(strip.get(), FALSE);
        testutil::PumpFor(50);
    }
    // The button drawn through WM_PRINTCLIENT, which owner-drawn buttons
    // answer with the same WM_DRAWITEM painting they use on screen.
    testutil::Pixels Shot() { return testutil::Capture(button.m_hWnd); }
    long Clicks() const {
        return std::count(host.commands.begin(), host.commands.end(), MAKEWPARAM(77, BN_CLICKED));
    }
    // What frame f should look like: the strip's pixel, or the dialog's skin
    // where the strip is transparent.
    testutil::Pixels Expected(int frame, const testutil::Pixels& background) {
        testutil::Pixels p = background;
        fw::WindowDC screen(nullptr);
        fw::MemDC mem(screen);
        fw::ScopedSelect select(mem, strip.get());
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x) {
                COLORREF c = ::GetPixel(mem, frame * p.width + x, y);
                if (c != kColorKey) p.data[static_cast<size_t>(y) * p.width + x] = c;
            }
        return p;
    }
};

// The dialog's own painting (children are not part of it) under the button.
testutil::Pixels BackgroundUnder(ButtonScene& s) {
    testutil::Pixels whole = testutil::Capture(s.host.m_hWnd);
    RECT r = s.button.GetWindowRect();
    ::MapWindowPoints(nullptr, s.host.m_hWnd, reinterpret_cast<POINT*>(&r), 2);
    testutil::Pixels bg;
    bg.width = r.right - r.left;
    bg.height = r.bottom - r.top;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) bg.data.push_back(whole.at(x, y));
    return bg;
}

TEST(ImageButton, FacesFollowHoverPressAndDisable) {
    ButtonScene s;
    testutil::Pixels bg = BackgroundUnder(s);

    EXPECT_EQ(s.Shot().data, s.Expected(0, bg).data) << "normal";
    ::SendMessageW(s.button.m_hWnd, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(s.Shot().data, s.Expected(0, bg).data) << "a pointer passing over is no hover yet";
    ::SendMessageW(s.button.m_hWnd, WM_MOUSEHOVER, 0, 0);
    EXPECT_EQ(s.Shot().data, s.Expected(1, bg).data) << "hover";
    ::SendMessageW(s.button.m_hWnd, BM_SETSTATE, TRUE, 0);
    EXPECT_EQ(s.Shot().data, s.Expected(2, bg).data) << "pressed";
    ::SendMessageW(s.button.m_hWnd, BM_SETSTATE, FALSE, 0);
    EXPECT_EQ(s.Shot().data, s.Expected(2, bg).data) << "the latch holds the pressed face until button up";
    ::SendMessageW(s.button.m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(s.Shot().data, s.Expected(1, bg).data) << "hover stays until the mouse leaves";
    ::EnableWindow(s.button.m_hWnd, FALSE);
    EXPECT_EQ(s.Shot().data, s.Expected(3, bg).data) << "disabled even while hovered";
    ::EnableWindow(s.button.m_hWnd, TRUE);
    ::SendMessageW(s.button.m_hWnd, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(s.Shot().data, s.Expected(0, bg).data) << "normal after leaving";
    EXPECT_FALSE(s.button.m_bTracking);
}

TEST(ImageButton, PressDragOffAndReleaseOutsideDoesNotClick) {
    ButtonScene s;
    testutil::Pixels bg = BackgroundUnder(s);
    ::SendMessageW(s.button.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(s.Shot().data, s.Expected(2, bg).data);
    ::SendMessageW(s.button.m_hWnd, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(100, 100));
    EXPECT_EQ(s.Shot().data, s.Expected(2, bg).data) << "still pressed while held off the button";
    ::SendMessageW(s.button.m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(100, 100));
    ::SendMessageW(s.button.m_hWnd, WM_MOUSELEAVE, 0, 0);
    testutil::PumpFor(50);
    EXPECT_EQ(s.Shot().data, s.Expected(0, bg).data);
    EXPECT_EQ(s.Clicks(), 0);

    ::SendMessageW(s.button.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::SendMessageW(s.button.m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    testutil::PumpFor(50);
    EXPECT_EQ(s.Clicks(), 1);
}

TEST(ImageButton, TextComesFromSubclassingOrFromTheField) {
    ButtonScene s(IDB_SMALL_BTN, {57, 23}, L"确定");
    EXPECT_EQ(s.button.m_strText, L"确定");
    EXPECT_TRUE(s.button.GetStyle() & BS_OWNERDRAW);
    testutil::Pixels withText = s.Shot();

    ::SetWindowTextW(s.button.m_hWnd, L"取消");
    EXPECT_EQ(s.Shot().data, withText.data) << "the window text is not what is drawn";

    s.button.m_strText = L"";
    testutil::Pixels blank = s.Shot();
    EXPECT_NE(blank.data, withText.data);
    s.button.m_strText = L"确定";
    EXPECT_EQ(s.Shot().data, withText.data);

    // Disabled text is grey, not the text colour.
    s.button.m_crText = RGB(255, 0, 0);
    testutil::Pixels red = s.Shot();
    ::EnableWindow(s.button.m_hWnd, FALSE);
    testutil::Pixels grey = s.Shot();
    int redPixels = 0, redWhenDisabled = 0;
    for (COLORREF c : red.data) redPixels += c == RGB(255, 0, 0);
    for (COLORREF c : grey.data) redWhenDisabled += c == RGB(255, 0, 0);
    EXPECT_GT(redPixels, 0);
    EXPECT_EQ(redWhenDisabled, 0);
}

TEST(ImageButton, AFrameOfAnotherSizeIsStretchedWithTheKeyStillTransparent) {
    ButtonScene s(IDB_CAPT_CLOSE, {54, 54});
    testutil::Pixels shot = s.Shot();
    ASSERT_EQ(shot.width, 54);
    int key = 0;
    for (COLORREF c : shot.data) key += c == kColorKey;
    EXPECT_EQ(key, 0);
    // Twice the frame's size: each frame pixel covers a 2 x 2 block, and the
    // skin shows where the frame is transparent.
    const testutil::Pixels bg = BackgroundUnder(s);
    testutil::Pixels strip;
    {
        fw::WindowDC screen(nullptr);
        fw::MemDC mem(screen);
        fw::ScopedSelect select(mem, s.strip.get());
        strip = testutil::CopyOfDC(mem, 0, 0, 27, 27);  // frame 0
    }
    int opaque = 0, wrong = 0;
    for (int y = 0; y < 54; ++y)
        for (int x = 0; x < 54; ++x) {
            const COLORREF face = strip.at(x / 2, y / 2);
            opaque += face != kColorKey;
            wrong += shot.at(x, y) != (face != kColorKey ? face : bg.at(x, y));
        }
    EXPECT_GT(opaque, 100);
    EXPECT_EQ(wrong, 0) << "of 54 x 54 pixels";

    // SetImage with resize makes the button one frame big.
    s.button.SetImage(s.strip.get(), TRUE);
    RECT r = s.button.GetWindowRect();
    EXPECT_EQ(r.right - r.left, 27);
    EXPECT_EQ(r.bottom - r.top, 27);
}

}  // namespace

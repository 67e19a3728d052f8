// The skinned dialog base with real windows: hit testing, region, caption
// buttons, its own maximise and restore, edge sizing, painting.
#include "tests/win/skinned_dialog_fixture.h"
#include "tests/win/test_util.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

LRESULT HitAt(HWND wnd, int x, int y) {
    POINT pt{x, y};
    ::ClientToScreen(wnd, &pt);
    return ::SendMessageW(wnd, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y));
}

RECT WindowRectOf(HWND wnd) {
    RECT r{};
    ::GetWindowRect(wnd, &r);
    return r;
}

RECT ClientRectIn(HWND child, HWND parent) {
    RECT r = WindowRectOf(child);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

RECT WorkArea() {
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

// Real mouse input at a screen point, through the system's input queue.
void Mouse(DWORD flags, int x, int y) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    in.mi.dx = x * 65535 / (::GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = y * 65535 / (::GetSystemMetrics(SM_CYSCREEN) - 1);
    ::SendInput(1, &in, sizeof in);
}

// Presses at `from`, moves in steps to `to` and releases there, from a second
// thread while this one runs whatever modal loop the press starts.
void DragWithRealInput(POINT from, POINT to) {
    Mouse(0, from.x, from.y);
    testutil::PumpFor(100);
    std::thread driver([&] {
        ::Sleep(300);
        for (int step = 1; step <= 8; ++step) {
            Mouse(0, from.x + (to.x - from.x) * step / 8, from.y + (to.y - from.y) * step / 8);
            ::Sleep(30);
        }
        Mouse(MOUSEEVENTF_LEFTUP, to.x, to.y);
    });
    Mouse(MOUSEEVENTF_LEFTDOWN, from.x, from.y);
    testutil::PumpFor(1200);
    driver.join();
    testutil::PumpFor(200);
}

SkinSetup MainWindowSetup() {
    SkinSetup s;
    s.resizable = TRUE;
    s.background = IDB_MAIN_BK;
    s.min = IDB_CAPT_MIN;
    s.max = IDB_CAPT_MAX;
    s.restore = IDB_CAPT_RESTORE;
    return s;
}

TEST(SkinnedDialog, HitTestOfAResizableWindow) {
    TestSkinnedDlg dlg(MainWindowSetup());
    ASSERT_TRUE(dlg.Make());
    ResizeTo(dlg.m_hWnd, 1000, 600);
    const struct {
        int x, y;
        LRESULT hit;
    } cases[] = {
        {2, 2, HTTOPLEFT},     {2, 5, HTLEFT},      {2, 598, HTBOTTOMLEFT}, {500, 2, HTTOP},
        {500, 10, HTCAPTION},  {500, 300, HTCLIENT}, {500, 598, HTBOTTOM},  {998, 300, HTRIGHT},
        {998, 1, HTTOPRIGHT},  {998, 598, HTBOTTOMRIGHT},
    };
    for (const auto& c : cases) EXPECT_EQ(HitAt(dlg.m_hWnd, c.x, c.y), c.hit) << c.x << "," << c.y;
}

TEST(SkinnedDialog, HitTestWithoutResizingAndWholeWindowCaption) {
    TestSkinnedDlg fixed{SkinSetup{}};
    ASSERT_TRUE(fixed.Make());
    ResizeTo(fixed.m_hWnd, 300, 200);
    EXPECT_EQ(HitAt(fixed.m_hWnd, 150, 10), HTCAPTION);
    EXPECT_EQ(HitAt(fixed.m_hWnd, 150, 40), HTCLIENT);
    EXPECT_EQ(HitAt(fixed.m_hWnd, 1, 150), HTCLIENT) << "edges do not size a fixed window";

    SkinSetup whole;
    whole.captionHeight = -1;
    TestSkinnedDlg drag(whole);
    ASSERT_TRUE(drag.Make());
    ResizeTo(drag.m_hWnd, 300, 200);
    for (POINT p : {POINT{1, 1}, POINT{150, 100}, POINT{299, 199}}) EXPECT_EQ(HitAt(drag.m_hWnd, p.x, p.y), HTCAPTION);

    whole.resizable = TRUE;
    TestSkinnedDlg sizable(whole);
    ASSERT_TRUE(sizable.Make());
    ResizeTo(sizable.m_hWnd, 300, 200);
    EXPECT_EQ(HitAt(sizable.m_hWnd, 1, 100), HTLEFT);
    EXPECT_EQ(HitAt(sizable.m_hWnd, 150, 1), HTTOP);
    EXPECT_EQ(HitAt(sizable.m_hWnd, 150, 198), HTCAPTION) << "the bottom rows are caption";
}

TEST(SkinnedDialog, RegionCutsTheSkinsTransparentCornersAtAnySize) {
    TestSkinnedDlg dlg(MainWindowSetup());
    ASSERT_TRUE(dlg.Make());
    fw::UniqueBitmap skin = LoadPngResource(::GetModuleHandleW(nullptr), IDB_MAIN_BK);
    fw::WindowDC screen(nullptr);
    fw::MemDC mem(screen);
    fw::ScopedSelect select(mem, skin.get());
    SIZE s = CBitmap::BitmapSize(skin.get());
    ASSERT_EQ(::GetPixel(mem, 0, 0), kColorKey) << "the main skin has a transparent top-left corner";

    for (SIZE size : {SIZE{400, 300}, SIZE{1000, 600}}) {
        ResizeTo(dlg.m_hWnd, size.cx, size.cy);
        fw::UniqueRegion rgn(::CreateRectRgn(0, 0, 0, 0));
        ASSERT_NE(::GetWindowRgn(dlg.m_hWnd, rgn.get()), ERROR);
        for (int y = 0; y < 9; ++y) {
            for (int x = 0; x < 9; ++x) {
                // Each skin corner cell maps onto the same window corner.
                const struct {
                    int sx, sy, wx, wy;
                } corners[] = {{x, y, x, y},
                               {s.cx - 1 - x, y, size.cx - 1 - x, y},
                               {x, s.cy - 9 + y, x, size.cy - 9 + y},
                               {s.cx - 1 - x, s.cy - 9 + y, size.cx - 1 - x, size.cy - 9 + y}};
                for (const auto& c : corners) {
                    bool key = ::GetPixel(mem, c.sx, c.sy) == kColorKey;
                    EXPECT_EQ(::PtInRegion(rgn.get(), c.wx, c.wy) == FALSE, key)
                        << size.cx << "x" << size.cy << " window pixel " << c.wx << "," << c.wy;
                }
            }
        }
        EXPECT_TRUE(::PtInRegion(rgn.get(), size.cx / 2, size.cy / 2));
    }
}

TEST(SkinnedDialog, CaptionButtonsStandRightToLeftAndFollowTheWidth) {
    TestSkinnedDlg dlg(MainWindowSetup());
    ASSERT_TRUE(dlg.Make());
    ResizeTo(dlg.m_hWnd, 800, 500);
    auto expectPlaces = [&](int width) {
        EXPECT_TRUE(SameRect(ClientRectIn(dlg.m_btnClose.m_hWnd, dlg.m_hWnd), RECT{width - 27, 0, width, 27}));
        EXPECT_TRUE(SameRect(ClientRectIn(dlg.m_btnMax.m_hWnd, dlg.m_hWnd), RECT{width - 54, 0, width - 27, 27}));
        EXPECT_TRUE(SameRect(ClientRectIn(dlg.m_btnMin.m_hWnd, dlg.m_hWnd), RECT{width - 81, 0, width - 54, 27}));
    };
    expectPlaces(800);
    ResizeTo(dlg.m_hWnd, 650, 500);
    expectPlaces(650);
    EXPECT_EQ(::GetDlgCtrlID(dlg.m_btnClose.m_hWnd), 50000);
    EXPECT_EQ(::GetDlgCtrlID(dlg.m_btnMin.m_hWnd), 50001);
    EXPECT_EQ(::GetDlgCtrlID(dlg.m_btnMax.m_hWnd), 50002);

    // A dialog given only a close strip has only that button, at the margin.
    SkinSetup small;
    small.btnRightMargin = 5;
    small.btnTop = 1;
    TestSkinnedDlg box(small);
    ASSERT_TRUE(box.Make());
    RECT client = box.GetClientRect();
    EXPECT_TRUE(SameRect(ClientRectIn(box.m_btnClose.m_hWnd, box.m_hWnd),
                         RECT{client.right - 5 - 27, 1, client.right - 5, 28}));
    EXPECT_EQ(box.m_btnMax.m_hWnd, nullptr);
    EXPECT_EQ(box.m_btnMin.m_hWnd, nullptr);
}

TEST(SkinnedDialog, MaximiseFillsTheWorkAreaAndRestoreReturnsToTheLastPlace) {
    TestSkinnedDlg dlg(MainWindowSetup());
    ASSERT_TRUE(dlg.Make());
    const RECT work = WorkArea();
    const int ww = work.right - work.left, wh = work.bottom - work.top;
    EXPECT_TRUE(SameRect(dlg.m_rcRestore, RECT{ww / 8, wh / 8, work.right - ww / 8, work.bottom - wh / 8}));

    // The caption button maximises, through the command it sends, and forgets
    // the hover it had: the button moves away from under the pointer.
    dlg.m_btnMax.m_bHover = TRUE;
    dlg.m_btnMax.m_bTracking = TRUE;
    ::SendMessageW(dlg.m_btnMax.m_hWnd, BM_CLICK, 0, 0);
    EXPECT_TRUE(dlg.m_bMaximized);
    EXPECT_FALSE(dlg.m_btnMax.m_bHover);
    EXPECT_FALSE(dlg.m_btnMax.m_bTracking);
    EXPECT_TRUE(SameRect(WindowRectOf(dlg.m_hWnd), work));
    EXPECT_EQ(HitAt(dlg.m_hWnd, 500, 10), HTCLIENT) << "a maximised window cannot be dragged";

    // A double-click in the caption band restores it to the initial place.
    ::SendMessageW(dlg.m_hWnd, WM_LBUTTONDBLCLK, 0, MAKELPARAM(200, 10));
    EXPECT_FALSE(dlg.m_bMaximized);
    EXPECT_TRUE(SameRect(WindowRectOf(dlg.m_hWnd), dlg.m_rcRestore));

    // Below the caption band a double-click does nothing; a caption double-click
    // of the restored window maximises again.
    ::SendMessageW(dlg.m_hWnd, WM_NCLBUTTONDBLCLK, HTCAPTION, 0);
    EXPECT_TRUE(dlg.m_bMaximized);
    ::SendMessageW(dlg.m_hWnd, WM_LBUTTONDBLCLK, 0, MAKELPARAM(200, 100));
    EXPECT_TRUE(dlg.m_bMaximized);
    dlg.OnBtnMax();
    EXPECT_FALSE(dlg.m_bMaximized);

    // A narrower maximum is centred in the work area.
    dlg.m_nMaxWidth = ww - 200;
    dlg.OnBtnMax();
    RECT r = WindowRectOf(dlg.m_hWnd);
    EXPECT_EQ(r.left, work.left + 100);
    EXPECT_EQ(r.right, work.right - 100);
}

// The system's sizing and moving loops, driven by real mouse input.
TEST(SkinnedDialog, EdgeAndCaptionDragsGoThroughTheSystemLoopsAndSetTheRestorePlace) {
    TestSkinnedDlg dlg(MainWindowSetup());
    ASSERT_TRUE(dlg.Make());
    ::SetWindowPos(dlg.m_hWnd, HWND_TOP, 100, 100, 600, 400, SWP_SHOWWINDOW);
    testutil::PumpFor(200);
    const RECT before = WindowRectOf(dlg.m_hWnd);
    DragWithRealInput({before.right - 2, before.top + 200}, {before.right + 78, before.top + 200});

    const RECT after = WindowRectOf(dlg.m_hWnd);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.right, before.right + 80);
    EXPECT_TRUE(SameRect(dlg.m_rcRestore, after));
    EXPECT_TRUE(SameRect(ClientRectIn(dlg.m_btnClose.m_hWnd, dlg.m_hWnd),
                         RECT{after.right - after.left - 27, 0, after.right - after.left, 27}));

    // Dragged by the caption band: moved, and a later restore comes back here.
    DragWithRealInput({after.left + 200, after.top + 12}, {after.left + 240, after.top + 42});
    const RECT moved = WindowRectOf(dlg.m_hWnd);
    EXPECT_EQ(moved.left, after.left + 40);
    EXPECT_EQ(moved.top, after.top + 30);
    EXPECT_TRUE(SameRect(dlg.m_rcRestore, moved));
    dlg.DestroyWindow();
}

// A double-click on an owner-drawn button sends BN_CLICKED and then
// BN_DOUBLECLICKED; the maximise button must act once.
TEST(SkinnedDialog, DoubleClickOnTheMaximiseButtonMaximisesOnce) {
    TestSkinnedDlg dlg(MainWindowSetup());
    ASSERT_TRUE(dlg.Make());
    // In the work area's top-right corner the button stays where it was when
    // the window maximises, so the second click meets it again.
    const RECT work = WorkArea();
    ::SetWindowPos(dlg.m_hWnd, HWND_TOP, work.right - 600, work.top, 600, 400, SWP_SHOWWINDOW);
    testutil::PumpFor(200);
    const RECT button = WindowRectOf(dlg.m_btnMax.m_hWnd);
    const POINT at{(button.left + button.right) / 2, (button.top + button.bottom) / 2};
    Mouse(0, at.x, at.y);
    testutil::PumpFor(100);
    for (int click = 0; click < 2; ++click) {
        Mouse(MOUSEEVENTF_LEFTDOWN, at.x, at.y);
        Mouse(MOUSEEVENTF_LEFTUP, at.x, at.y);
    }
    testutil::PumpUntil([&] { return dlg.commands.size() >= 2; }, 2000);
    testutil::PumpFor(100);

    EXPECT_EQ(dlg.commands, (std::vector<WPARAM>{MAKEWPARAM(kIdCaptionMax, BN_CLICKED),
                                                 MAKEWPARAM(kIdCaptionMax, BN_DOUBLECLICKED)}));
    EXPECT_TRUE(dlg.m_bMaximized);
    EXPECT_TRUE(SameRect(WindowRectOf(dlg.m_hWnd), work));
    dlg.DestroyWindow();
}

TEST(SkinnedDialog, PaintsItsSkinIconAndCaptionAndNoKeyColourInsideTheRegion) {
    TestSkinnedDlg dlg(MainWindowSetup());
    ASSERT_TRUE(dlg.Make());
    HICON icon = static_cast<HICON>(
        ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, 16, 16, LR_SHARED));
    ASSERT_NE(icon, nullptr);
    ::SendMessageW(dlg.m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    // Given again the very skin it holds, the dialog keeps it.
    HBITMAP skin = dlg.m_bmpSkin.GetSafeHandle();
    dlg.SetSkin(nullptr, nullptr, fw::UniqueBitmap(skin), FALSE, TRUE);
    EXPECT_EQ(dlg.m_bmpSkin.GetSafeHandle(), skin);
    ASSERT_EQ(::GetObjectType(skin), static_cast<DWORD>(OBJ_BITMAP));

    ::SetWindowPos(dlg.m_hWnd, HWND_TOP, 50, 50, 640, 360, SWP_SHOWWINDOW);
    testutil::PumpFor(200);
    testutil::Pixels shot = testutil::CaptureScreen(dlg.m_hWnd);
    ASSERT_EQ(shot.width, 640);
    int key = 0;
    for (COLORREF c : shot.data) key += c == kColorKey;
    EXPECT_EQ(key, 0);
    // The caption band and the body are painted from the skin, not left blank.
    EXPECT_NE(shot.at(320, 15), shot.at(320, 200));
    // The caption buttons are drawn over the caption band.
    EXPECT_NE(shot.at(640 - 13, 13), shot.at(320, 13));
    // The small icon stands at the border, vertically centred in the caption.
    testutil::Pixels bare;
    {
        fw::WindowDC screen(nullptr);
        fw::OffscreenDC mem(screen, 640, 360);
        dlg.DrawSkin(mem);
        bare = testutil::CopyOfDC(mem, 0, 0, 640, 360);
    }
    int iconPixels = 0;
    for (int y = 7; y < 23; ++y)
        for (int x = 4; x < 20; ++x) iconPixels += shot.at(x, y) != bare.at(x, y);
    EXPECT_GT(iconPixels, 64) << "of the 16 x 16 icon square";
    testutil::SaveShot(shot, L"skinned_dialog.png");

    // A new caption text repaints the caption's text row, not the body.
    ::ValidateRect(dlg.m_hWnd, nullptr);
    dlg.SetCaptionText(L"星潮纪元 - 新标题");
    RECT update{};
    ASSERT_TRUE(::GetUpdateRect(dlg.m_hWnd, &update, FALSE));
    EXPECT_LE(update.left, 4 + 16 + 5);
    EXPECT_EQ(update.right, 640);
    EXPECT_LE(update.bottom, 30);
    dlg.DestroyWindow();
}

}  // namespace

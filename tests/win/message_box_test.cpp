// The skinned message box run for real: SkinMessageBox on the test thread,
// driven from a thread timer inside its own modal loop, so that keys and clicks
// take the same road as a player's (pre-translation, dialog manager, buttons).
#include "framework/winapp.h"
#include "res/resource.h"
#include "skin/message_box.h"
#include "skin/skin_image.h"
#include "tests/win/test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kCaption[] = L"星潮纪元";
constexpr int kFirst = 5000;
constexpr int kSecond = 5001;
constexpr int kBw = 57;  // one frame of the 228 x 23 button strip
constexpr int kBh = 23;

// SkinMessageBox with our caption, for ModalBoxDriver::Run.
std::function<int()> ShowBox(const std::wstring& text, int type) {
    return [text, type] { return SkinMessageBox(text, kCaption, type); };
}

HWND FindBox(const std::wstring& caption) { return testutil::ModalBoxDriver::FindBox(caption); }

// ---------------------------------------------------------------- actions

enum class Act { FirstBmClick, FirstMouse, SecondBmClick, SecondMouse, CaptionClose, WmClose, AltF4 };

const char* Name(Act a) {
    switch (a) {
    case Act::FirstBmClick: return "first button, BM_CLICK";
    case Act::FirstMouse: return "first button, mouse";
    case Act::SecondBmClick: return "second button, BM_CLICK";
    case Act::SecondMouse: return "second button, mouse";
    case Act::CaptionClose: return "caption close button";
    case Act::WmClose: return "WM_CLOSE";
    case Act::AltF4: return "Alt+F4";
    }
    return "?";
}

void MouseClick(HWND button) {
    RECT r{};
    ::GetClientRect(button, &r);
    LPARAM at = MAKELPARAM(r.right / 2, r.bottom / 2);
    ::PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageW(button, WM_LBUTTONUP, 0, at);
}

void Perform(HWND box, Act a) {
    switch (a) {
    case Act::FirstBmClick: ::SendMessageW(::GetDlgItem(box, kFirst), BM_CLICK, 0, 0); break;
    case Act::FirstMouse: MouseClick(::GetDlgItem(box, kFirst)); break;
    case Act::SecondBmClick: ::SendMessageW(::GetDlgItem(box, kSecond), BM_CLICK, 0, 0); break;
    case Act::SecondMouse: MouseClick(::GetDlgItem(box, kSecond)); break;
    case Act::CaptionClose: MouseClick(::GetDlgItem(box, 50000)); break;
    case Act::WmClose: ::PostMessageW(box, WM_CLOSE, 0, 0); break;
    case Act::AltF4:
        ::PostMessageW(box, WM_SYSKEYDOWN, VK_F4, 1 | (1 << 29));
        ::PostMessageW(box, WM_SYSKEYUP, VK_F4, 1 | (1 << 29) | (3u << 30));
        break;
    }
}

void PostKey(HWND target, UINT vk) {
    ::PostMessageW(target, WM_KEYDOWN, vk, 1);
    ::PostMessageW(target, WM_KEYUP, vk, 1 | (3u << 30));
}

// ---------------------------------------------------------------- geometry

RECT ChildRect(HWND box, int id) {
    RECT r{};
    HWND child = ::GetDlgItem(box, id);
    if (!child) return r;
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

SIZE SizeOf(const RECT& r) { return {r.right - r.left, r.bottom - r.top}; }

// The text measured as the box measures it: DT_CALCRECT in the dialog's font.
SIZE MeasureInFont(HWND wnd, HFONT font, const std::wstring& text) {
    HDC dc = ::GetDC(wnd);
    HGDIOBJ old = ::SelectObject(dc, font);
    RECT r{};
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT);
    ::SelectObject(dc, old);
    ::ReleaseDC(wnd, dc);
    return SizeOf(r);
}

SIZE MeasureInBox(HWND box, const std::wstring& text) {
    return MeasureInFont(box, reinterpret_cast<HFONT>(::SendMessageW(box, WM_GETFONT, 0, 0)), text);
}

INT_PTR CALLBACK InertDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// A text exactly `width` pixels wide in the message box template's font, made
// of one character repeated, possibly followed by a few of another.
std::wstring TextOfWidth(int width) {
    HWND probe = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MSGBOX), nullptr,
                                      InertDialogProc, 0);
    if (!probe) return {};
    HFONT font = reinterpret_cast<HFONT>(::SendMessageW(probe, WM_GETFONT, 0, 0));
    const std::wstring chars = L"0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ.汉";
    std::wstring found;
    for (wchar_t a : chars) {
        for (wchar_t b : chars) {
            for (int m = 0; m < 6 && found.empty(); ++m) {
                std::wstring text(static_cast<size_t>(m), b);
                while (MeasureInFont(probe, font, text).cx < width) text.insert(text.begin(), a);
                if (MeasureInFont(probe, font, text).cx == width) found = text;
            }
            if (!found.empty()) break;
        }
        if (!found.empty()) break;
    }
    ::DestroyWindow(probe);
    return found;
}

// Everything the box must be for `text`, checked against the measured text.
void ExpectLayout(HWND box, const std::wstring& text, int type, int lines) {
    SCOPED_TRACE(testing::Message() << "type " << type << ", " << lines << " line(s)");
    const SIZE t = MeasureInBox(box, text);
    const int w = 2 * kBw + 60 >= t.cx ? 2 * kBw + 60 : t.cx + 60;
    const int h = 3 * lines + 90 + t.cy + kBh;

    RECT wr{};
    ::GetWindowRect(box, &wr);
    EXPECT_EQ(SizeOf(wr).cx, w) << "text " << t.cx << " x " << t.cy;
    EXPECT_EQ(SizeOf(wr).cy, h) << "text " << t.cx << " x " << t.cy;
    RECT cr{};
    ::GetClientRect(box, &cr);
    EXPECT_EQ(cr.right, w) << "no frame: the client area is the window";
    EXPECT_EQ(cr.bottom, h);
    EXPECT_TRUE(::GetWindowLongPtrW(box, GWL_EXSTYLE) & WS_EX_TOPMOST);

    auto* msgBox = dynamic_cast<CMessageBox*>(CWnd::FromHandlePermanent(box));
    ASSERT_NE(msgBox, nullptr);
    EXPECT_EQ(msgBox->m_nLines, lines);

    const int top = h - 30 - kBh;
    const bool two = type == 1 || type == 4;
    const RECT first = ChildRect(box, kFirst);
    if (two) {
        EXPECT_EQ(first.left, w / 2 - 10 - kBw);
        EXPECT_EQ(first.right, w / 2 - 10);
        const RECT second = ChildRect(box, kSecond);
        EXPECT_EQ(second.left, w / 2 + 10);
        EXPECT_EQ(second.right, w / 2 + 10 + kBw);
        EXPECT_EQ(second.top, top);
        EXPECT_EQ(second.bottom, h - 30);
    } else {
        EXPECT_EQ(::GetDlgItem(box, kSecond), nullptr) << "one button only";
        EXPECT_EQ(first.left, (w - kBw) / 2);
        EXPECT_EQ(first.right, (w - kBw) / 2 + kBw);
    }
    EXPECT_EQ(first.top, top);
    EXPECT_EQ(first.bottom, h - 30);

    const std::wstring labels[2] = {type == 4 ? L"是" : L"确定", type == 4 ? L"否" : L"取消"};
    EXPECT_EQ(msgBox->m_btn1.m_strText, labels[0]);
    if (two) {
        EXPECT_EQ(msgBox->m_btn2.m_strText, labels[1]);
    }

    // The close button sits against the final right edge, not the template's.
    const RECT close = ChildRect(box, 50000);
    EXPECT_EQ(close.right, w);
    EXPECT_EQ(close.top, 0);
}

// ---------------------------------------------------------------- pixels

// What the screen shows under the box's window rectangle (the region's cut
// corners show whatever lies behind). Read without pumping: this runs inside
// the box's modal loop.
testutil::Pixels ScreenOf(HWND box) {
    RECT r{};
    ::GetWindowRect(box, &r);
    return testutil::ReadScreenRect(r);
}

// Text pixels, antialiased edges included: clearly darker than the light
// centre of the skin (RGB 231, 241, 247).
bool IsInk(COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c) < 600; }

int CountKey(const testutil::Pixels& p) {
    int n = 0;
    for (COLORREF c : p.data) n += c == kColorKey;
    return n;
}

// ---------------------------------------------------------------- results

TEST(SkinMessageBox, ResultOfEachWayOut) {
    const struct {
        int type;
        Act act;
        int expected;
    } cases[] = {
        {4, Act::FirstBmClick, IDYES},   {4, Act::FirstMouse, IDYES},     {4, Act::SecondBmClick, IDNO},
        {4, Act::SecondMouse, IDNO},     {4, Act::CaptionClose, IDCANCEL}, {4, Act::WmClose, IDCANCEL},
        {4, Act::AltF4, IDCANCEL},       {1, Act::FirstMouse, IDOK},      {1, Act::SecondBmClick, IDCANCEL},
        {1, Act::CaptionClose, IDCANCEL}, {1, Act::WmClose, IDCANCEL},    {0, Act::FirstBmClick, IDOK},
        {0, Act::FirstMouse, IDOK},      {0, Act::CaptionClose, IDCANCEL}, {0, Act::WmClose, IDCANCEL},
        {3, Act::FirstMouse, IDOK},      {3, Act::CaptionClose, IDCANCEL}, {2, Act::FirstBmClick, IDOK},
    };
    for (const auto& c : cases) {
        testutil::ModalBoxDriver driver(kCaption);
        int result = driver.Run(ShowBox(L"窗口即将关闭，确定要退出游戏？", c.type), {[&](HWND box) { Perform(box, c.act); }});
        EXPECT_EQ(result, c.expected) << "type " << c.type << ", " << Name(c.act);
        EXPECT_EQ(FindBox(kCaption), nullptr) << "the box is destroyed";
    }
}

TEST(SkinMessageBox, EnterEscAndDoubleClickNotificationsDoNotCloseIt) {
    for (int type : {0, 1, 4}) {
        testutil::ModalBoxDriver driver(kCaption);
        bool openAfterKeys = false;
        int result = driver.Run(
            ShowBox(L"缓存清除完毕！", type),
            {
                [](HWND box) {
                    PostKey(box, VK_RETURN);
                    PostKey(box, VK_ESCAPE);
                    // What the owner-drawn button adds to a double-click: its
                    // click has already answered.
                    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(kFirst, BN_DOUBLECLICKED),
                                   reinterpret_cast<LPARAM>(::GetDlgItem(box, kFirst)));
                },
                // The same keys with the focus on a button, as after a click that
                // did not release over it.
                [](HWND box) {
                    ::SetFocus(::GetDlgItem(box, kFirst));
                    PostKey(::GetFocus(), VK_RETURN);
                    PostKey(::GetFocus(), VK_ESCAPE);
                },
                [&](HWND box) {
                    openAfterKeys = ::IsWindowVisible(box) != FALSE;
                    ::PostMessageW(box, WM_CLOSE, 0, 0);
                },
            });
        EXPECT_TRUE(openAfterKeys) << "type " << type;
        EXPECT_EQ(result, IDCANCEL) << "type " << type << ": only the final WM_CLOSE ends it";
    }
}

// ---------------------------------------------------------------- layout

TEST(SkinMessageBox, SizeButtonsAndTextsFollowTheMeasuredText) {
    const struct {
        std::wstring text;
        int type;
        int lines;
    } cases[] = {
        {L"当前窗体只支持3个游戏页", 0, 1},
        {L"窗口即将关闭，确定要退出游戏？", 4, 1},
        {L"第一行\n第二行\n第三行", 1, 3},
        {L"重置老板键失败，可能与其他窗口热键冲突！原老板键也已经失效，请重置！", 4, 1},
        {L"末尾有换行\n", 0, 2},
        {L"其他类型按一个按钮处理", 3, 1},
    };
    for (const auto& c : cases) {
        testutil::ModalBoxDriver driver(kCaption);
        driver.Run(ShowBox(c.text, c.type),
                   {[&](HWND box) {
                        ExpectLayout(box, c.text, c.type, c.lines);
                        ::PostMessageW(box, WM_CLOSE, 0, 0);
                    }});
        EXPECT_EQ(driver.stepsRun, 1u);
    }
}

TEST(SkinMessageBox, YesNoBoxOfWidth240PlacesItsButtonsAt53And130) {
    const std::wstring text = TextOfWidth(180);
    ASSERT_FALSE(text.empty()) << "no text 180 pixels wide found in the dialog font";
    RECT first{}, second{}, window{};
    testutil::ModalBoxDriver driver(kCaption);
    driver.Run(ShowBox(text, 4), {[&](HWND box) {
                   ::GetWindowRect(box, &window);
                   first = ChildRect(box, kFirst);
                   second = ChildRect(box, kSecond);
                   ::PostMessageW(box, WM_CLOSE, 0, 0);
               }});
    const SIZE size = SizeOf(window);
    EXPECT_EQ(size.cx, 240);
    EXPECT_EQ(first.left, 53);
    EXPECT_EQ(first.right, 110);
    EXPECT_EQ(second.left, 130);
    EXPECT_EQ(second.right, 187);
    EXPECT_EQ(first.bottom, size.cy - 30);
    EXPECT_EQ(second.bottom, size.cy - 30);
}

// ---------------------------------------------------------------- painting

TEST(SkinMessageBox, LinesAreDrawnLeftAlignedInACentredBlockAndNoKeyColourShows) {
    const std::wstring text = L"短\n这是三行里最长的一行文字\n中等长度的一行";
    testutil::Pixels shot;
    SIZE measured{};
    RECT firstButton{};
    testutil::ModalBoxDriver driver(kCaption);
    driver.Run(ShowBox(text, 0), {[&](HWND box) {
                   ::UpdateWindow(box);
                   shot = ScreenOf(box);
                   measured = MeasureInBox(box, text);
                   firstButton = ChildRect(box, kFirst);
                   ::PostMessageW(box, WM_CLOSE, 0, 0);
               }});
    ASSERT_GT(shot.width, 0);
    testutil::SaveShot(shot, L"msgbox-lines.png");
    EXPECT_EQ(CountKey(shot), 0);

    const int lh = measured.cy / 3;
    const int blockLeft = (shot.width - measured.cx) / 2;
    auto lineTop = [&](int i) { return 55 + i * (lh + 3); };
    // Ink inside the client area between the caption and the button, away from
    // the skin's border: it must all lie in the three line rectangles.
    int stray = 0;
    int left[3] = {shot.width, shot.width, shot.width};
    int right[3] = {-1, -1, -1};
    for (int y = 31; y < firstButton.top; ++y) {
        for (int x = 6; x < shot.width - 6; ++x) {
            if (!IsInk(shot.at(x, y))) continue;
            int line = -1;
            for (int i = 0; i < 3; ++i)
                if (y >= lineTop(i) && y < lineTop(i) + lh && x >= blockLeft && x < blockLeft + measured.cx) line = i;
            if (line < 0) {
                ++stray;
                continue;
            }
            left[line] = std::min(left[line], x);
            right[line] = std::max(right[line], x);
        }
    }
    EXPECT_EQ(stray, 0) << "ink outside the line rectangles";
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(testing::Message() << "line " << i);
        ASSERT_GE(right[i], 0) << "line not drawn";
        EXPECT_LE(left[i] - blockLeft, 2) << "lines start at the block's left edge";
    }
    EXPECT_GE(right[1], blockLeft + measured.cx - 3) << "the longest line spans the block";
    EXPECT_LT(right[0], right[2]);
    EXPECT_LT(right[2], right[1]);
}

TEST(SkinMessageBox, ScreenshotsOfAYesNoAndAnOkBox) {
    const struct {
        int type;
        const wchar_t* text;
        const wchar_t* file;
    } cases[] = {
        {4, L"窗口即将关闭，确定要退出游戏？", L"msgbox-yesno.png"},
        {0, L"重置老板键失败，可能与其他窗口热键冲突！\n原老板键也已经失效，请重置！", L"msgbox-ok.png"},
    };
    for (const auto& c : cases) {
        testutil::Pixels shot;
        testutil::ModalBoxDriver driver(kCaption);
        driver.Run(ShowBox(c.text, c.type),
                   {
                       // Hover over the first button: its face changes, still
                       // without key pixels.
                       [](HWND box) {
                           HWND button = ::GetDlgItem(box, kFirst);
                           ::PostMessageW(button, WM_MOUSEHOVER, 0, MAKELPARAM(5, 5));
                       },
                       [&](HWND box) {
                           shot = ScreenOf(box);
                           ::PostMessageW(box, WM_CLOSE, 0, 0);
                       },
                   });
        ASSERT_GT(shot.width, 0);
        EXPECT_EQ(CountKey(shot), 0) << c.type;
        testutil::SaveShot(shot, c.file);
    }
}

TEST(SkinMessageBox, FreesEveryImageItWasGiven) {
    HINSTANCE inst = ::GetModuleHandleW(nullptr);
    fw::UniqueBitmap images[4] = {LoadPngResource(inst, IDB_SMALL_BK), LoadPngResource(inst, IDB_CAPT_CLOSE),
                                  LoadPngResource(inst, IDB_SMALL_BTN), LoadPngResource(inst, IDB_SMALL_BTN)};
    HBITMAP handles[4] = {};
    for (int i = 0; i < 4; ++i) {
        handles[i] = images[i].get();
        ASSERT_EQ(::GetObjectType(handles[i]), static_cast<DWORD>(OBJ_BITMAP));
    }
    std::wstring text, caption;
    testutil::ModalBoxDriver driver(kCaption);
    int result = driver.Run(
        [&] {
            CMessageBox box;
            box.SetContent(1, kCaption, nullptr, std::move(images[0]), std::move(images[1]), std::move(images[2]),
                           std::move(images[3]));
            return static_cast<int>(box.DoModal());
        },
        {[&](HWND box) {
            auto* msgBox = dynamic_cast<CMessageBox*>(CWnd::FromHandlePermanent(box));
            ASSERT_NE(msgBox, nullptr);
            text = msgBox->m_strText;
            caption = testutil::TextOf(box);
            ::SendMessageW(::GetDlgItem(box, kSecond), BM_CLICK, 0, 0);
        }});
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(text, L"") << "a missing text is empty";
    EXPECT_EQ(caption, kCaption);
    for (HBITMAP b : handles) EXPECT_EQ(::GetObjectType(b), 0u) << "freed with the box";
}

// ---------------------------------------------------------------- placement

TEST(SkinMessageBox, CentredInTheWorkAreaWithoutAnOwner) {
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    RECT r{};
    HWND owner = reinterpret_cast<HWND>(1);
    testutil::ModalBoxDriver driver(kCaption);
    driver.Run(ShowBox(L"已经是最新版本，无需进行更新", 0), {[&](HWND box) {
                   ::GetWindowRect(box, &r);
                   owner = ::GetWindow(box, GW_OWNER);
                   ::PostMessageW(box, WM_CLOSE, 0, 0);
               }});
    ASSERT_EQ(owner, nullptr);
    const SIZE size = SizeOf(r);
    EXPECT_EQ(r.left, work.left + (work.right - work.left - size.cx) / 2);
    EXPECT_EQ(r.top, work.top + (work.bottom - work.top - size.cy) / 2);
}

TEST(SkinMessageBox, CentredOverTheApplicationsMainWindowWhichItDisables) {
    // The test program may or may not link an application object.
    std::optional<CWinApp> localApp;
    CWinApp* app = AfxGetApp();
    if (!app) app = &localApp.emplace();
    CWnd* previousMain = app->m_pMainWnd;

    CWnd mainWnd;
    ASSERT_TRUE(mainWnd.CreateEx(0, L"STATIC", L"主窗口", WS_POPUP | WS_VISIBLE, RECT{100, 80, 900, 680}, nullptr, 0));
    app->m_pMainWnd = &mainWnd;

    RECT r{};
    HWND owner = nullptr;
    bool mainDisabled = false;
    testutil::ModalBoxDriver driver(kCaption);
    int result = driver.Run(ShowBox(L"当前窗体只支持3个游戏页", 0), {[&](HWND box) {
                                ::GetWindowRect(box, &r);
                                owner = ::GetWindow(box, GW_OWNER);
                                mainDisabled = !::IsWindowEnabled(mainWnd.m_hWnd);
                                Perform(box, Act::FirstMouse);
                            }});
    app->m_pMainWnd = previousMain;

    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(owner, mainWnd.m_hWnd);
    EXPECT_TRUE(mainDisabled);
    EXPECT_TRUE(::IsWindowEnabled(mainWnd.m_hWnd)) << "enabled again when the box ends";
    const SIZE size = SizeOf(r);
    EXPECT_EQ(r.left, 100 + (800 - size.cx) / 2);
    EXPECT_EQ(r.top, 80 + (600 - size.cy) / 2);
}

}  // namespace

// CStaticEx on a skinned dialog: real windows, pixels read back from the
// labels' window DCs and compared with the parent's own capture.
#include "skin/static_ex.h"

#include "framework/winapp.h"
#include "res/resource.h"
#include "skin/dlg_ex.h"
#include "skin/skin_image.h"
#include "tests/win/skinned_dialog_fixture.h"
#include "tests/win/test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// Where a label's pixels differ from the parent's skin under it.
struct Ink {
    int width = 0, height = 0;
    std::vector<bool> on;
    bool at(int x, int y) const { return on[static_cast<size_t>(y) * width + x]; }
    int count() const { return static_cast<int>(std::count(on.begin(), on.end(), true)); }
    // Bounding box of the ink; empty when there is none.
    RECT box() const {
        RECT r{width, height, 0, 0};
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (at(x, y)) r = {std::min<LONG>(r.left, x), std::min<LONG>(r.top, y), std::max<LONG>(r.right, x + 1),
                                   std::max<LONG>(r.bottom, y + 1)};
        return r;
    }
};

// `both` is exactly `first` with `second` drawn `step` pixels lower.
void ExpectStacked(const Ink& both, const Ink& first, const Ink& second, int step) {
    for (int y = 0; y < both.height; ++y)
        for (int x = 0; x < both.width; ++x) {
            const int y2 = y - step;
            const bool want = first.at(x, y) || (y2 >= 0 && second.at(x, y2));
            ASSERT_EQ(both.at(x, y), want) << "step " << step << " at " << x << "," << y;
        }
}

class StaticExTest : public OnSkinnedParent<460, 240> {
protected:
    void SetUp() override {
        OnSkinnedParent::SetUp();
        m_dlg.commands.clear();
    }
    void TearDown() override { m_labels.clear(); }

    // A label created in code with the dialog's font, as a template would give it.
    CStaticEx& AddLabel(const wchar_t* text, RECT r, DWORD style = 0,
                        const std::function<void(CStaticEx&)>& setup = {}) {
        auto label = std::make_unique<CStaticEx>();
        const UINT id = 1000 + static_cast<UINT>(m_labels.size());
        EXPECT_TRUE(label->Create(text, WS_CHILD | WS_VISIBLE | style, r, &m_dlg, id));
        ::SendMessageW(*label, WM_SETFONT, reinterpret_cast<WPARAM>(m_dlg.GetFont()), FALSE);
        if (setup) setup(*label);
        m_labels.push_back(std::move(label));
        return *m_labels.back();
    }

    RECT PlaceOf(HWND label) const {
        RECT r{};
        ::GetWindowRect(label, &r);
        ::MapWindowPoints(nullptr, m_dlg, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    Ink InkOf(const CStaticEx& label) {
        testutil::Repaint(label);
        testutil::Pixels shot = testutil::CaptureWindowDC(label);
        RECT at = PlaceOf(label);
        Ink ink{shot.width, shot.height, {}};
        for (int y = 0; y < shot.height; ++y)
            for (int x = 0; x < shot.width; ++x) ink.on.push_back(shot.at(x, y) != m_skin.at(at.left + x, at.top + y));
        return ink;
    }

    // Line height of the dialog's font, the font every label here starts from.
    int LineHeight() {
        fw::WindowDC dc(m_dlg);
        fw::ScopedSelect font(dc, m_dlg.GetFont());
        TEXTMETRICW tm{};
        ::GetTextMetricsW(dc, &tm);
        return tm.tmHeight;
    }
    int TextWidth(const wchar_t* text) {
        fw::WindowDC dc(m_dlg);
        fw::ScopedSelect font(dc, m_dlg.GetFont());
        SIZE size{};
        ::GetTextExtentPoint32W(dc, text, static_cast<int>(wcslen(text)), &size);
        return size.cx;
    }

    std::vector<std::unique_ptr<CStaticEx>> m_labels;
};

// The main window's "开小号" label: 56 x 16, image 146 (12 x 13), white,
// underlined, hand cursor.
TEST_F(StaticExTest, ImageSitsAtThreeOneAndTextStartsAtEighteen) {
    fw::UniqueBitmap image = LoadPngResource(AfxGetResourceHandle(), IDB_ADD_ACCOUNT);
    // ImageList_AddMasked blackens the key pixels of the bitmap it is given, so
    // the expected pixels come from a copy of their own.
    fw::UniqueBitmap reference = LoadPngResource(AfxGetResourceHandle(), IDB_ADD_ACCOUNT);
    ASSERT_EQ(CBitmap::BitmapSize(image.get()).cx, 12);
    CStaticEx& label = AddLabel(L"开小号", {200, 8, 256, 24}, SS_NOTIFY, [&](CStaticEx& l) {
        l.m_bHandCursor = TRUE;
        l.m_bUnderline = TRUE;
        l.m_crText = RGB(255, 255, 255);
        EXPECT_TRUE(l.SetImage(image.get()));
    });
    EXPECT_EQ(label.m_nImageWidth, 12);
    EXPECT_EQ(label.m_nImageHeight, 13);
    testutil::Repaint(m_dlg);
    testutil::Pixels shot = testutil::CaptureWindowDC(label);
    RECT at = PlaceOf(label);
    testutil::SaveShot(testutil::CaptureWindowDC(m_dlg), L"label_image.png");

    // The image 1:1 at (3, 1), its key pixels showing the parent's skin.
    fw::WindowDC screen(nullptr);
    fw::MemDC src(screen);
    fw::ScopedSelect select(src, reference.get());
    for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 12; ++x) {
            COLORREF want = ::GetPixel(src, x, y);
            if (want == kColorKey) want = m_skin.at(at.left + 3 + x, at.top + 1 + y);
            ASSERT_EQ(shot.at(3 + x, 1 + y), want) << "image pixel " << x << "," << y;
        }

    // Text (with its underline, which starts where the text starts) begins at
    // x = 18; nothing is drawn between the image and the text.
    int firstText = -1;
    for (int x = 15; x < shot.width && firstText < 0; ++x)
        for (int y = 0; y < shot.height; ++y)
            if (shot.at(x, y) != m_skin.at(at.left + x, at.top + y)) {
                firstText = x;
                break;
            }
    EXPECT_EQ(firstText, 18);
    for (COLORREF c : shot.data) ASSERT_NE(c, kColorKey);
}

// A label whose text area is narrower than the average character (sample
// width / 11) draws nothing but the parent's skin; a wider one draws text.
TEST_F(StaticExTest, TextOnlyWhenTheAverageCharacterFits) {
    struct Case {
        int width;
        bool text;
    } cases[] = {{5, false}, {40, true}};
    int x = 20;
    for (const Case& c : cases) {
        CStaticEx& label = AddLabel(L"开小号", {x, 60, x + c.width, 80});
        x += c.width + 20;
        EXPECT_EQ(InkOf(label).count() > 0, c.text) << "width " << c.width;
    }
}

// "ab\r\ncd": the carriage return is dropped, the line feed starts a second
// line lh + gap lower; each line looks exactly as it does alone.
TEST_F(StaticExTest, LineFeedStartsALineOneLinePlusGapLower) {
    const int lh = LineHeight();
    for (int gap : {3, 10}) {
        CStaticEx& label = AddLabel(L"", {40, 60, 140, 130}, 0, [&](CStaticEx& l) {
            if (gap != 3) l.m_nLineGap = gap;
        });
        EXPECT_EQ(label.m_nLineGap, gap);
        label.m_strText = L"ab";
        Ink first = InkOf(label);
        label.m_strText = L"cd";
        Ink second = InkOf(label);
        label.m_strText = L"ab\r\ncd";
        Ink both = InkOf(label);
        ASSERT_GT(first.count(), 0);
        ExpectStacked(both, first, second, lh + gap);
        label.DestroyWindow();
    }
}

// Wrapping is greedy per character: in a label exactly as wide as "ab cd" the
// text "ab cdefgh" breaks after "d" (not at the space), and "efgh" starts the
// second line at the left edge.
TEST_F(StaticExTest, LongTextBreaksBetweenCharacters) {
    const int lh = LineHeight();
    const int width = TextWidth(L"ab cd");
    CStaticEx& label = AddLabel(L"ab cdefgh", {40, 60, 40 + width, 60 + 2 * lh + 3});
    EXPECT_EQ(label.m_strText, L"ab cdefgh");
    Ink wrapped = InkOf(label);
    label.m_strText = L"ab cd";
    Ink first = InkOf(label);
    label.m_strText = L"efgh";
    Ink second = InkOf(label);
    ASSERT_GT(second.count(), 0);
    ExpectStacked(wrapped, first, second, lh + 3);
}

// Each font setting changes the text against a plain label of the same text.
TEST_F(StaticExTest, FontSettingsOverrideTheDialogFont) {
    const RECT place{40, 60, 240, 110};
    Ink plain = InkOf(AddLabel(L"开小号ab", place));
    RECT p = plain.box();
    ASSERT_GT(plain.count(), 0);
    m_labels.back()->DestroyWindow();

    auto widestRow = [](const Ink& ink) {
        int best = 0;
        for (int y = 0; y < ink.height; ++y) {
            int run = 0;
            for (int x = 0; x < ink.width; ++x) {
                run = ink.at(x, y) ? run + 1 : 0;
                best = std::max(best, run);
            }
        }
        return best;
    };
    struct Case {
        const char* name;
        std::function<void(CStaticEx&)> setup;
        std::function<bool(const Ink&)> holds;
    } cases[] = {
        {"underline", [](CStaticEx& l) { l.m_bUnderline = TRUE; },
         [&](const Ink& ink) { return widestRow(ink) > widestRow(plain) + (p.right - p.left) / 2; }},
        {"weight 700", [](CStaticEx& l) { l.m_nFontWeight = 700; },
         [&](const Ink& ink) { return ink.count() > plain.count() * 5 / 4; }},
        {"height 24", [](CStaticEx& l) { l.m_nFontHeight = 24; },
         [&](const Ink& ink) { return ink.box().bottom - ink.box().top > (p.bottom - p.top) * 3 / 2; }},
        {"width 14", [](CStaticEx& l) { l.m_nFontWidth = 14; },
         [&](const Ink& ink) { return ink.box().right - ink.box().left > (p.right - p.left) * 5 / 4; }},
    };
    for (const Case& c : cases) {
        CStaticEx& label = AddLabel(L"开小号ab", place, 0, c.setup);
        EXPECT_TRUE(c.holds(InkOf(label))) << c.name;
        label.DestroyWindow();
    }
}

// The hand label sets the hand; a plain one leaves the cursor alone. Both
// answer TRUE, so neither the parent nor the class cursor gets a say.
TEST_F(StaticExTest, SetCursorShowsTheHandOnlyWhenAsked) {
    const HCURSOR hand = ::LoadCursorW(nullptr, IDC_HAND);
    const HCURSOR cross = ::LoadCursorW(nullptr, IDC_CROSS);
    for (BOOL handCursor : {TRUE, FALSE}) {
        CStaticEx& label = AddLabel(L"开小号", {40, 60, 96, 76}, SS_NOTIFY,
                                    [&](CStaticEx& l) { l.m_bHandCursor = handCursor; });
        ::SetCursor(cross);
        LRESULT answer = ::SendMessageW(label, WM_SETCURSOR, reinterpret_cast<WPARAM>(label.m_hWnd),
                                        MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(answer, TRUE);
        EXPECT_EQ(::GetCursor(), handCursor ? hand : cross) << "hand cursor " << handCursor;
        label.DestroyWindow();
    }
}

TEST_F(StaticExTest, ClickOnNotifyLabelReachesParentAsStnClicked) {
    CStaticEx& label = AddLabel(L"开小号", {40, 60, 96, 76}, SS_NOTIFY);
    const WPARAM clicked = MAKEWPARAM(::GetDlgCtrlID(label), STN_CLICKED);
    ::PostMessageW(label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ::PostMessageW(label, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(testutil::PumpUntil(
        [&] { return std::find(m_dlg.commands.begin(), m_dlg.commands.end(), clicked) != m_dlg.commands.end(); },
        2000));
}

// Empty labels anywhere on the dialog, across the caption band's edge and the
// body's border, show exactly the parent's skin under them.
TEST_F(StaticExTest, BackgroundIsTheParentsSkin) {
    const RECT places[] = {{10, 20, 120, 45}, {0, 100, 30, 140}, {300, 200, 450, 240}, {150, 80, 250, 120}};
    for (const RECT& place : places) {
        CStaticEx& label = AddLabel(L"", place);
        EXPECT_EQ(InkOf(label).count(), 0) << "label at " << place.left << "," << place.top;
    }
}

// The static style picks the alignment; the labels together are also the
// screenshot of a label set (XCJY_SHOT_DIR).
TEST_F(StaticExTest, StyleAlignsTheText) {
    struct Case {
        DWORD style;
        const char* name;
        std::function<bool(const RECT& ink, int width)> holds;
    } cases[] = {
        {SS_LEFT, "left", [](const RECT& ink, int) { return ink.left <= 2; }},
        {SS_RIGHT, "right", [](const RECT& ink, int width) { return ink.right >= width - 2; }},
        {SS_CENTER, "centre",
         [](const RECT& ink, int width) { return std::abs((ink.left + ink.right) - width) <= 3; }},
    };
    int y = 45;
    for (const Case& c : cases) {
        CStaticEx& label = AddLabel(L"对齐ab", {250, y, 400, y + 18}, c.style);
        y += 22;
        Ink ink = InkOf(label);
        ASSERT_GT(ink.count(), 0) << c.name;
        EXPECT_TRUE(c.holds(ink.box(), ink.width)) << c.name;
    }

    fw::UniqueBitmap image = LoadPngResource(AfxGetResourceHandle(), IDB_ADD_ACCOUNT);
    AddLabel(L"开小号", {200, 8, 256, 24}, SS_NOTIFY, [&](CStaticEx& l) {
        l.m_bHandCursor = l.m_bUnderline = TRUE;
        l.m_crText = RGB(255, 255, 255);
        l.SetImage(image.get());
    });
    AddLabel(L"公告标题", {20, 45, 200, 62}, 0, [](CStaticEx& l) {
        l.m_nFontWeight = 700;
        l.m_crText = RGB(19, 43, 67);
    });
    AddLabel(L"一段很长的公告正文会在标签的宽度处逐字折行，不看单词边界。\r\n换行符另起一行。",
             {20, 65, 200, 140}, 0, [](CStaticEx& l) { l.m_crText = RGB(30, 39, 46); });
    AddLabel(L"已加载 %57", {250, 120, 400, 140}, 0, [](CStaticEx& l) {
        l.m_nFontHeight = 16;
        l.m_crText = RGB(72, 81, 86);
    });
    testutil::Repaint(m_dlg);
    for (COLORREF px : testutil::CaptureWindowDC(m_dlg).data) ASSERT_NE(px, kColorKey);
    testutil::SaveShot(testutil::CaptureWindowDC(m_dlg), L"label_set.png");
}

}  // namespace

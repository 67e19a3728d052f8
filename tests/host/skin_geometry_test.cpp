#include "skin/skin_geometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <set>
#include <utility>
#include <vector>

namespace skin {

// Readable failure messages.
void PrintTo(const Rect& r, std::ostream* os)
{
    *os << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}
void PrintTo(const Point& p, std::ostream* os)
{
    *os << "(" << p.x << ", " << p.y << ")";
}
void PrintTo(const Size& s, std::ostream* os)
{
    *os << s.cx << " x " << s.cy;
}

}  // namespace skin

namespace {

using skin::Point;
using skin::Rect;
using skin::Size;

// ---------------------------------------------------------------- hit test

TEST(SkinHitTest, Table)
{
    struct Case {
        Point pt;
        int caption;
        bool maximized, resizable;
        int expected;
    };
    // Client 1000 x 600, border 4 throughout.
    const Case cases[] = {
        // Resizable, caption 30.
        {{2, 2}, 30, false, true, skin::kHitTopLeft},
        {{2, 5}, 30, false, true, skin::kHitLeft},
        {{2, 598}, 30, false, true, skin::kHitBottomLeft},
        {{500, 2}, 30, false, true, skin::kHitTop},
        {{500, 3}, 30, false, true, skin::kHitCaption},  // the top band is 3 rows, not the border
        {{500, 10}, 30, false, true, skin::kHitCaption},
        {{500, 29}, 30, false, true, skin::kHitCaption},
        {{500, 30}, 30, false, true, skin::kHitDefault},
        {{500, 300}, 30, false, true, skin::kHitDefault},
        {{500, 595}, 30, false, true, skin::kHitDefault},
        {{500, 596}, 30, false, true, skin::kHitBottom},
        {{500, 598}, 30, false, true, skin::kHitBottom},
        {{995, 300}, 30, false, true, skin::kHitDefault},
        {{996, 300}, 30, false, true, skin::kHitRight},
        {{998, 300}, 30, false, true, skin::kHitRight},
        {{998, 1}, 30, false, true, skin::kHitTopRight},
        {{998, 598}, 30, false, true, skin::kHitBottomRight},
        // Not resizable: caption band or nothing.
        {{500, 10}, 30, false, false, skin::kHitCaption},
        {{2, 2}, 30, false, false, skin::kHitCaption},
        {{500, 40}, 30, false, false, skin::kHitDefault},
        {{2, 300}, 30, false, false, skin::kHitDefault},
        {{500, 300}, -1, false, false, skin::kHitCaption},
        {{2, 598}, -1, false, false, skin::kHitCaption},
        // Resizable, whole window caption: sides and top size, bottom drags.
        {{2, 300}, -1, false, true, skin::kHitLeft},
        {{998, 300}, -1, false, true, skin::kHitRight},
        {{500, 1}, -1, false, true, skin::kHitTop},
        {{500, 300}, -1, false, true, skin::kHitCaption},
        {{500, 598}, -1, false, true, skin::kHitCaption},
        // Maximised: neither dragged nor sized.
        {{2, 2}, 30, true, true, skin::kHitDefault},
        {{500, 10}, 30, true, true, skin::kHitDefault},
        {{500, 10}, -1, true, false, skin::kHitDefault},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(skin::SkinHitTest(c.pt, Size{1000, 600}, 4, c.caption, c.maximized, c.resizable),
                  c.expected)
            << "point (" << c.pt.x << ", " << c.pt.y << ") caption " << c.caption
            << (c.maximized ? " maximised" : "") << (c.resizable ? " resizable" : "");
    }
}

TEST(SizeCommandForHit, EdgesMapToSizingCommandsOthersToZero)
{
    const std::pair<int, unsigned> cases[] = {
        {skin::kHitLeft, 0xF001},     {skin::kHitRight, 0xF002},
        {skin::kHitTop, 0xF003},      {skin::kHitTopLeft, 0xF004},
        {skin::kHitTopRight, 0xF005}, {skin::kHitBottom, 0xF006},
        {skin::kHitBottomLeft, 0xF007}, {skin::kHitBottomRight, 0xF008},
        {skin::kHitCaption, 0},       {skin::kHitClient, 0},
        {skin::kHitDefault, 0},       {9, 0}, {18, 0},
    };
    for (const auto& [hit, command] : cases)
        EXPECT_EQ(skin::SizeCommandForHit(hit), command) << "hit code " << hit;
}

// ---------------------------------------------------------------- restore and maximise

TEST(WorkAreaRects, RestoreIsAnEighthInAndMaximiseIsCentred)
{
    const Rect work{0, 0, 1920, 1040};
    EXPECT_EQ(skin::InitialRestoreRect(work), (Rect{240, 130, 1680, 910}));
    // Left and top are taken from the work area's size alone, not its origin.
    EXPECT_EQ(skin::InitialRestoreRect(Rect{60, 0, 1920, 1040}), (Rect{232, 130, 1688, 910}));

    EXPECT_EQ(skin::MaximizedRect(work, 1440, 900), (Rect{240, 70, 1680, 970}));
    EXPECT_EQ(skin::MaximizedRect(work, 1920, 1040), work);  // the defaults fill the work area
    EXPECT_EQ(skin::MaximizedRect(work, 2560, 1440), work);  // never widened
    // An odd excess loses the same truncated half on each side.
    EXPECT_EQ(skin::MaximizedRect(Rect{0, 0, 1921, 1040}, 1440, 1040), (Rect{240, 0, 1681, 1040}));
    EXPECT_EQ(skin::MaximizedRect(Rect{100, 50, 2020, 1090}, 1440, 1040), (Rect{340, 50, 1780, 1090}));
}

// ---------------------------------------------------------------- caption icon and text

TEST(CaptionLayout, TextAndIconPositions)
{
    struct Case {
        int border, caption, fontHeight;
        bool icon;
        Point text;
    };
    const Case cases[] = {
        {4, 30, -12, true, {25, 7}},
        {4, 30, 12, true, {25, 7}},    // the sign of lfHeight does not matter
        {4, 30, -12, false, {9, 7}},   // no icon: 16 pixels further left
        {3, -1, -12, true, {24, 4}},   // negative start falls back to row 6
        {3, 0, -12, false, {8, 4}},
        {4, 10, -12, true, {25, -2}},  // (10 + 1 - 12) / 2 truncates to 0, not -1
    };
    for (const Case& c : cases)
        EXPECT_EQ(skin::CaptionTextPos(c.border, c.caption, c.fontHeight, c.icon), c.text)
            << "caption " << c.caption << " font " << c.fontHeight;

    EXPECT_EQ(skin::CaptionIconY(30), 7);
    EXPECT_EQ(skin::CaptionIconY(-1), 6);
    EXPECT_EQ(skin::CaptionIconY(0), -7);
    // At 150 %: a 24-pixel icon centred in the 45-pixel band, the text after it.
    EXPECT_EQ(skin::CaptionIconY(45, 24), 11);
    EXPECT_EQ(skin::CaptionTextPos(6, 45, -18, true, 24), (Point{35, 12}));
}

// ---------------------------------------------------------------- caption buttons

TEST(CaptionButtons, PlacedRightToLeftTouchingEachOther)
{
    const Size frame27{27, 27};
    const auto all = skin::PlaceCaptionButtons(1000, 0, 0, frame27, frame27, frame27);
    EXPECT_EQ(all.close, (Rect{973, 0, 1000, 27}));
    EXPECT_EQ(all.maximize, (Rect{946, 0, 973, 27}));
    EXPECT_EQ(all.minimize, (Rect{919, 0, 946, 27}));

    // Default margin and top; without a maximise button the minimise button
    // touches the close button; frames of different sizes.
    const auto noMax = skin::PlaceCaptionButtons(1000, 5, 1, Size{21, 21}, std::nullopt, Size{18, 18});
    EXPECT_EQ(noMax.close, (Rect{974, 1, 995, 22}));
    EXPECT_FALSE(noMax.maximize.has_value());
    EXPECT_EQ(noMax.minimize, (Rect{956, 1, 974, 19}));

    const auto closeOnly = skin::PlaceCaptionButtons(174, 0, 0, frame27, std::nullopt, std::nullopt);
    EXPECT_EQ(closeOnly.close, (Rect{147, 0, 174, 27}));
    EXPECT_FALSE(closeOnly.minimize.has_value());

    const auto noClose = skin::PlaceCaptionButtons(300, 3, 3, std::nullopt, std::nullopt, frame27);
    EXPECT_EQ(noClose.minimize, (Rect{270, 3, 297, 30}));
}

TEST(CaptionButtons, ReplacedAfterSizeKeepTheirOwnSizeAndTop)
{
    skin::CaptionButtonRects current;
    current.close = Rect{973, 0, 1000, 27};
    current.minimize = Rect{951, 2, 973, 24};  // moved down by its owner; 22 x 22
    const auto moved = skin::ReplaceCaptionButtons(800, 5, current);
    EXPECT_EQ(moved.close, (Rect{768, 0, 795, 27}));
    EXPECT_FALSE(moved.maximize.has_value());
    EXPECT_EQ(moved.minimize, (Rect{746, 2, 768, 24}));
}

// ---------------------------------------------------------------- skin blits

std::vector<skin::SkinBlit> Blits(Size window, Size bitmap, int border, int caption, bool nineGrid)
{
    return skin::SkinBlits(window, bitmap, border, caption, nineGrid);
}

void ExpectBlits(const std::vector<skin::SkinBlit>& actual,
                 const std::vector<skin::SkinBlit>& expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(actual[i].src, expected[i].src) << "blit " << i;
        EXPECT_EQ(actual[i].dst, expected[i].dst) << "blit " << i;
        EXPECT_EQ(actual[i].stretch, expected[i].stretch) << "blit " << i;
    }
}

TEST(SkinBlits, NineGridOfTheMainWindowSkin)
{
    // 30 x 51 skin, border 4, caption 30, on a 1000 x 600 window.
    ExpectBlits(Blits({1000, 600}, {30, 51}, 4, 30, true), {
        {{0, 0, 4, 30}, {0, 0, 4, 30}, false},
        {{4, 0, 26, 30}, {4, 0, 996, 30}, true},
        {{26, 0, 30, 30}, {996, 0, 1000, 30}, false},
        {{0, 30, 4, 47}, {0, 30, 4, 596}, true},
        {{26, 30, 30, 47}, {996, 30, 1000, 596}, true},
        {{4, 30, 26, 47}, {4, 30, 996, 596}, true},
        {{0, 47, 4, 51}, {0, 596, 4, 600}, false},
        {{4, 47, 26, 51}, {4, 596, 996, 600}, true},
        {{26, 47, 30, 51}, {996, 596, 1000, 600}, false},
    });
}

TEST(SkinBlits, NineGridTilesTheWindowExactly)
{
    struct Case {
        Size window;
        int caption;
    };
    for (const Case& c : {Case{{174, 128}, 30}, Case{{1440, 900}, 30}, Case{{100, 80}, -1}}) {
        long long area = 0;
        for (const skin::SkinBlit& b : Blits(c.window, {30, 51}, 4, c.caption, true)) {
            EXPECT_GE(b.dst.left, 0);
            EXPECT_GE(b.dst.top, 0);
            EXPECT_LE(b.dst.right, c.window.cx);
            EXPECT_LE(b.dst.bottom, c.window.cy);
            area += static_cast<long long>(b.dst.width()) * b.dst.height();
        }
        EXPECT_EQ(area, static_cast<long long>(c.window.cx) * c.window.cy)
            << c.window.cx << " x " << c.window.cy << " caption " << c.caption;
    }
    // With the whole window as caption the top band is the border.
    EXPECT_EQ(Blits({100, 80}, {30, 51}, 4, -1, true).front().dst, (Rect{0, 0, 4, 4}));
}

TEST(SkinBlits, OneToOneLeavesOutEmptyCopies)
{
    // The pop-up notice: 250 x 191 skin on a window of its size, border 3,
    // caption 0, so the top-right cell has no height.
    ExpectBlits(Blits({250, 191}, {250, 191}, 3, 0, false), {
        {{0, 0, 250, 191}, {0, 0, 250, 191}, false},
        {{247, 0, 250, 188}, {247, 0, 250, 188}, true},
        {{0, 188, 3, 191}, {0, 188, 3, 191}, false},
        {{3, 188, 247, 191}, {3, 188, 247, 191}, true},
        {{247, 188, 250, 191}, {247, 188, 250, 191}, false},
    });
    // A window too small for the corner cells gets no mirrored copies.
    for (const skin::SkinBlit& b : Blits({6, 6}, {30, 51}, 4, 30, true)) {
        EXPECT_GT(b.dst.width(), 0);
        EXPECT_GT(b.dst.height(), 0);
    }
}

// ---------------------------------------------------------------- window region

// A skin of the given size whose key pixels are listed; reading outside the
// bitmap is a test failure.
struct KeySkin {
    Size size;
    std::set<std::pair<int, int>> keys;

    void AddBlock(int x, int y, int w, int h)
    {
        for (int j = y; j < y + h; ++j)
            for (int i = x; i < x + w; ++i)
                keys.insert({i, j});
    }
    std::vector<Point> Cut(Size window) const
    {
        return skin::CornerCutPixels(window, size, [this](int x, int y) {
            EXPECT_TRUE(0 <= x && x < size.cx && 0 <= y && y < size.cy)
                << "read outside the skin at (" << x << ", " << y << ")";
            return keys.count({x, y}) != 0;
        });
    }
};

std::vector<Point> Block(int x, int y, int w, int h)
{
    std::vector<Point> pixels;
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i)
            pixels.push_back({i, j});
    return pixels;
}

TEST(CornerCutPixels, LeftCornersCutTheSamePixelsAtAnyWindowSize)
{
    KeySkin topLeft{{30, 51}, {}};
    topLeft.AddBlock(0, 0, 3, 3);
    KeySkin bottomLeft{{30, 51}, {}};
    bottomLeft.AddBlock(0, 48, 3, 3);

    for (const Size window : {Size{30, 51}, Size{174, 128}, Size{1000, 600}}) {
        EXPECT_EQ(topLeft.Cut(window), Block(0, 0, 3, 3)) << window.cx << " x " << window.cy;
        EXPECT_EQ(bottomLeft.Cut(window), Block(0, window.cy - 3, 3, 3))
            << window.cx << " x " << window.cy;
    }
}

TEST(CornerCutPixels, OnlyTheNineByNineCornerCellsAreSearched)
{
    KeySkin skin{{30, 51}, {}};
    // Inside the cells: the right cell's innermost column is 21, the bottom
    // cell's top row 42.
    skin.keys = {{29, 0}, {21, 0}, {29, 50}, {0, 42}, {8, 8}};
    // Outside every cell.
    skin.keys.insert({{9, 0}, {20, 0}, {0, 9}, {0, 41}, {15, 25}});

    const std::vector<Point> expected = {
        {991, 0}, {999, 0}, {8, 8}, {0, 591}, {999, 599},
    };
    EXPECT_EQ(skin.Cut({1000, 600}), expected);
}

TEST(CornerCutPixels, SkinShorterThanTheCellsIsReadOnlyInside)
{
    KeySkin tiny{{5, 5}, {}};
    tiny.AddBlock(0, 0, 5, 5);
    const std::vector<Point> cut = tiny.Cut({100, 100});

    std::vector<Point> expected;
    for (const Point origin : {Point{0, 0}, Point{95, 0}, Point{0, 95}, Point{95, 95}})
        for (const Point p : Block(origin.x, origin.y, 5, 5))
            expected.push_back(p);
    std::sort(expected.begin(), expected.end(), [](const Point& a, const Point& b) {
        return a.y != b.y ? a.y < b.y : a.x < b.x;
    });
    EXPECT_EQ(cut, expected);
}

TEST(CornerCutPixels, PixelReachedTwiceStaysInTheRegion)
{
    // A 12-row skin: rows 3..8 belong to both the top and the bottom cell.
    KeySkin skin{{30, 12}, {}};
    skin.keys = {{0, 5}};
    EXPECT_TRUE(skin.Cut({100, 12}).empty());  // XOR twice: back in
    EXPECT_EQ(skin.Cut({100, 40}), (std::vector<Point>{{0, 5}, {0, 33}}));
}

// ---------------------------------------------------------------- image button

TEST(ChooseButtonFace, FrameAndLatch)
{
    struct Case {
        bool disabled, selected, latch, hover;
        int frame;
        bool setsLatch;
    };
    const Case cases[] = {
        {false, false, false, false, skin::kFrameNormal, false},
        {false, false, false, true, skin::kFrameHover, false},
        {false, true, false, false, skin::kFramePressed, true},
        {false, true, false, true, skin::kFramePressed, true},
        {false, false, true, false, skin::kFramePressed, true},  // held and dragged off
        {true, false, false, true, skin::kFrameDisabled, false},
        {true, true, true, true, skin::kFrameDisabled, false},
    };
    for (const Case& c : cases) {
        const skin::ButtonFace face = skin::ChooseButtonFace(c.disabled, c.selected, c.latch, c.hover);
        EXPECT_EQ(face.frame, c.frame) << c.disabled << c.selected << c.latch << c.hover;
        EXPECT_EQ(face.setPressedLatch, c.setsLatch) << c.disabled << c.selected << c.latch << c.hover;
    }
}

// ---------------------------------------------------------------- label

TEST(LabelTextFormat, FromStaticStyle)
{
    const std::pair<unsigned, unsigned> cases[] = {
        {0x0, 0x10},             // SS_LEFT: DT_WORDBREAK
        {0x100, 0x10},           // SS_NOTIFY changes nothing
        {0x1, 0x15},             // SS_CENTER: | DT_CENTER | DT_VCENTER
        {0x2, 0x12},             // SS_RIGHT: | DT_RIGHT
        {0x4000, 0x8010},        // SS_ENDELLIPSIS: | DT_END_ELLIPSIS
        {0x8000, 0x4030},        // SS_PATHELLIPSIS: | DT_PATH_ELLIPSIS | DT_SINGLELINE
        {0xC000, 0x10},          // SS_WORDELLIPSIS: no ellipsis flag
        {0x200, 0x34},           // SS_CENTERIMAGE: | DT_VCENTER | DT_SINGLELINE
        {0x4202, 0x8036},        // right, end ellipsis, centre image
    };
    for (const auto& [style, format] : cases)
        EXPECT_EQ(skin::LabelTextFormat(style), format) << std::hex << "style 0x" << style;
}

TEST(LabelLayout, ImageAtLeftTextAfterIt)
{
    EXPECT_EQ(skin::LabelImagePos({56, 16}, {12, 13}), (Point{3, 1}));
    EXPECT_EQ(skin::LabelFirstLineRect({56, 16}, 12, 13), (Rect{18, 0, 56, 13}));
    EXPECT_EQ(skin::LabelFirstLineRect({56, 16}, 0, 13), (Rect{0, 0, 56, 13}));
}

// ---------------------------------------------------------------- progress bar

TEST(ProgressFillRect, CentredInTheTrack)
{
    EXPECT_EQ(skin::ProgressFillRect({390, 21}, {390, 21}), (Rect{0, 0, 390, 21}));
    EXPECT_EQ(skin::ProgressFillRect({401, 24}, {390, 21}), (Rect{5, 1, 395, 22}));
}

TEST(ProgressFillParts, BothEndsOfTheImageFrameTheFill)
{
    struct Case {
        Rect fill;
        int pos;
        int width;
        Rect leftSrc, leftDst, rightSrc, rightDst;
    };
    const Case cases[] = {
        {{0, 0, 390, 21}, 50, 195,
         {0, 0, 97, 21}, {0, 0, 97, 21}, {292, 0, 390, 21}, {97, 0, 195, 21}},
        {{0, 0, 390, 21}, 100, 390,
         {0, 0, 195, 21}, {0, 0, 195, 21}, {195, 0, 390, 21}, {195, 0, 390, 21}},
        {{0, 0, 390, 21}, 1, 3,
         {0, 0, 1, 21}, {0, 0, 1, 21}, {388, 0, 390, 21}, {1, 0, 3, 21}},
        {{5, 1, 395, 22}, 50, 195,
         {0, 0, 97, 21}, {5, 1, 102, 22}, {292, 0, 390, 21}, {102, 1, 200, 22}},
    };
    for (const Case& c : cases) {
        const skin::ProgressFill f = skin::ProgressFillParts(c.fill, c.pos, 0, 100);
        EXPECT_EQ(f.width, c.width) << "pos " << c.pos;
        EXPECT_EQ(f.leftSrc, c.leftSrc) << "pos " << c.pos;
        EXPECT_EQ(f.leftDst, c.leftDst) << "pos " << c.pos;
        EXPECT_EQ(f.rightSrc, c.rightSrc) << "pos " << c.pos;
        EXPECT_EQ(f.rightDst, c.rightDst) << "pos " << c.pos;
    }
}

TEST(ProgressFillParts, NoFillAndDoubleRounding)
{
    EXPECT_EQ(skin::ProgressFillParts({0, 0, 390, 21}, 0, 0, 100).width, 0);
    EXPECT_EQ(skin::ProgressFillParts({0, 0, 390, 21}, 50, 100, 100).width, 0);  // equal bounds
    // 29 / 100 * 100 is just under 29 in double precision: a full bar of 29
    // pixels fills 28, unlike 29 * 100 / 100 in integers.
    EXPECT_EQ(skin::ProgressFillParts({0, 0, 29, 10}, 100, 0, 100).width, 28);
}

// ---------------------------------------------------------------- tab strip

TEST(TabCloseBox, RectAndHitTest)
{
    const Rect first{0, 0, 189, 22};
    const Rect second{189, 0, 378, 22};
    EXPECT_EQ(skin::TabCloseBoxRect(first), (Rect{176, 0, 189, 13}));
    EXPECT_EQ(skin::TabCloseBoxRect(second), (Rect{365, 0, 378, 13}));

    struct Case {
        Rect tab;
        Point pt;
        bool hit;
    };
    const Case cases[] = {
        {first, {177, 0}, true},   {first, {188, 12}, true},  {first, {182, 6}, true},
        {first, {176, 5}, false},  {first, {189, 5}, false},  {first, {180, 13}, false},
        {first, {180, -1}, false}, {second, {366, 0}, true},  {second, {365, 0}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(skin::TabCloseBoxHit(c.tab, c.pt), c.hit) << "(" << c.pt.x << ", " << c.pt.y << ")";
}

// Three 189 x 22 tabs lie edge to edge in the 577-pixel strip the page set
// makes for them; points between rows or past the last tab find none.
TEST(TabLayout, TabsEdgeToEdgeAndHitTest)
{
    const Size tab{189, 22};
    EXPECT_EQ(skin::TabItemRect(0, tab), (Rect{0, 0, 189, 22}));
    EXPECT_EQ(skin::TabItemRect(2, tab), (Rect{378, 0, 567, 22}));
    EXPECT_LE(skin::TabItemRect(2, tab).right, 577);
    EXPECT_EQ(skin::TabItemRect(1, {284, 33}), (Rect{284, 0, 568, 33}));  // 150 %

    struct Case {
        Point pt;
        int count;
        int want;
    };
    const Case cases[] = {
        {{0, 0}, 3, 0},    {{188, 21}, 3, 0},  {{189, 0}, 3, 1}, {{566, 10}, 3, 2},
        {{567, 10}, 3, -1}, {{200, 10}, 1, -1}, {{10, 22}, 3, -1}, {{-1, 5}, 3, -1},
        {{10, -1}, 3, -1},  {{10, 5}, 0, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(skin::TabIndexAt(c.pt, c.count, tab), c.want) << c.pt.x << "," << c.pt.y << " of " << c.count;
    EXPECT_EQ(skin::TabIndexAt({5, 5}, 3, {0, 22}), -1);  // no images yet: no tab size
}

TEST(TabFrames, BackgroundCloseBoxAndText)
{
    EXPECT_EQ(skin::TabBackFrame(0), 0);
    EXPECT_EQ(skin::TabBackFrame(0x80), 1);
    EXPECT_EQ(skin::TabBackFrame(0x1), 2);
    EXPECT_EQ(skin::TabBackFrame(0x81), 2);  // the selected tab never looks hot
    EXPECT_EQ(skin::TabBackFrame(0x2), 0);

    EXPECT_EQ(skin::TabCloseFrame(skin::kCloseNone), -1);
    EXPECT_EQ(skin::TabCloseFrame(skin::kCloseOnTab), 0);
    EXPECT_EQ(skin::TabCloseFrame(skin::kCloseHover), 1);
    EXPECT_EQ(skin::TabCloseFrame(skin::kClosePressed), 2);

    EXPECT_EQ(skin::TabTextRect({0, 0, 189, 22}, 28, 13), (Rect{28, 3, 176, 22}));
    EXPECT_EQ(skin::TabTextRect({189, 0, 378, 22}, 3, 3), (Rect{192, 3, 375, 22}));
}

// ---------------------------------------------------------------- message box

const Size kButtonFrame{57, 23};

TEST(MessageBoxSize, WidthFromButtonsOrText)
{
    struct Case {
        Size text;
        int lines;
        Size box;
    };
    const Case cases[] = {
        {{100, 12}, 1, {174, 128}},
        {{174, 12}, 1, {174, 128}},
        {{175, 12}, 1, {235, 128}},
        {{180, 12}, 1, {240, 128}},
        {{100, 39}, 3, {174, 161}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(skin::MessageBoxSize(c.text, c.lines, kButtonFrame), c.box)
            << "text " << c.text.cx << " x " << c.text.cy;
}

TEST(MessageBoxButtonRects, PairOrSingleCentredAboveTheBottom)
{
    for (const int type : {skin::kMbYesNo, skin::kMbOkCancel}) {
        const auto pair = skin::MessageBoxButtonRects({240, 128}, kButtonFrame, type);
        EXPECT_EQ(pair.first, (Rect{53, 75, 110, 98}));
        EXPECT_EQ(pair.second, (Rect{130, 75, 187, 98}));
    }
    for (const int type : {skin::kMbOk, 2, 3}) {
        const auto single = skin::MessageBoxButtonRects({174, 128}, kButtonFrame, type);
        EXPECT_EQ(single.first, (Rect{58, 75, 115, 98})) << "type " << type;
        EXPECT_FALSE(single.second.has_value()) << "type " << type;
    }
}

TEST(MessageBoxLayout, TextBlockEndsEightPixelsAboveTheButtons)
{
    for (int lines = 1; lines <= 3; ++lines) {
        const Size text{150, 13 * lines};
        const Size box = skin::MessageBoxSize(text, lines, kButtonFrame);
        const Rect buttons = skin::MessageBoxButtonRects(box, kButtonFrame, skin::kMbYesNo).first;

        Rect previous{};
        for (int i = 0; i < lines; ++i) {
            const Rect line = skin::MessageBoxLineRect(box.cx, text, lines, i);
            EXPECT_EQ(line.left, (box.cx - 150) / 2);
            EXPECT_EQ(line.width(), 150);
            EXPECT_EQ(line.height(), 13);
            EXPECT_EQ(line.top, i == 0 ? 55 : previous.top + 13 + 3) << "line " << i;
            previous = line;
        }
        EXPECT_EQ(buttons.top - previous.bottom, 8) << lines << " lines";
    }
}

TEST(MessageBoxResult, ButtonsAndClose)
{
    struct Case {
        int id, type, result;
    };
    const Case cases[] = {
        {5000, skin::kMbYesNo, skin::kIdYes},     {5001, skin::kMbYesNo, skin::kIdNo},
        {5000, skin::kMbOkCancel, skin::kIdOk},   {5001, skin::kMbOkCancel, skin::kIdCancel},
        {5000, skin::kMbOk, skin::kIdOk},         {5000, 2, skin::kIdOk},
        {0, skin::kMbYesNo, skin::kIdCancel},     {0, skin::kMbOk, skin::kIdCancel},
    };
    for (const Case& c : cases)
        EXPECT_EQ(skin::MessageBoxResult(c.id, c.type), c.result) << c.id << " type " << c.type;

    // The numbers callers compare against.
    EXPECT_EQ(skin::kIdOk, 1);
    EXPECT_EQ(skin::kIdCancel, 2);
    EXPECT_EQ(skin::kIdYes, 6);
    EXPECT_EQ(skin::kIdNo, 7);
}

}  // namespace

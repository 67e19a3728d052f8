// The display scale: the design's pixel figures at 100, 125, 150 and 200 %.
#include "res/resource.h"
#include "skin/dpi_scale.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

using skin::Rect;
using skin::Size;

TEST(DpiScale, RoundsOnceToTheNearestPixel)
{
    struct Case {
        int px, dpi, want;
    };
    const Case cases[] = {
        {189, 96, 189}, {189, 120, 236},  {189, 144, 284}, {189, 192, 378},  // 236.25, 283.5
        {577, 120, 721}, {577, 144, 866},  {577, 192, 1154},                    // 721.25, 865.5
        {1001, 144, 1502}, {634, 144, 951}, {1001, 120, 1251}, {634, 120, 793}, // 1501.5, 951, 1251.25, 792.5
        {13, 144, 20},  {13, 120, 16},   {1, 144, 2},     {1, 120, 1},        // 19.5, 16.25, 1.5, 1.25
        {0, 144, 0},    {-4, 144, -6},   {-3, 144, -5},                       // -4.5 rounds away from zero
        {30, 0, 30},    {30, -1, 30},                                         // no DPI known: the design
    };
    for (const Case& c : cases) EXPECT_EQ(skin::ScalePx(c.px, c.dpi), c.want) << c.px << " at " << c.dpi;
}

// The specified rectangles keep their sizes whole: a rectangle's right edge
// is its scaled left plus its scaled width, not its scaled right edge.
TEST(DpiScale, SpecifiedRectanglesAtEachScale)
{
    struct Case {
        const char* what;
        Rect design;
        int dpi;
        Rect want;
    };
    const Case cases[] = {
        {"frame", {0, 0, 1001, 634}, 96, {0, 0, 1001, 634}},
        {"frame", {0, 0, 1001, 634}, 120, {0, 0, 1251, 793}},
        {"frame", {0, 0, 1001, 634}, 144, {0, 0, 1502, 951}},
        {"frame", {0, 0, 1001, 634}, 192, {0, 0, 2002, 1268}},
        {"link bar", {391, 122, 939, 502}, 120, {489, 153, 489 + 685, 153 + 475}},
        {"link bar", {391, 122, 939, 502}, 144, {587, 183, 587 + 822, 183 + 570}},
        {"login", {388, 198, 923, 493}, 144, {582, 297, 582 + 803, 297 + 443}},
        {"login", {388, 198, 923, 493}, 192, {776, 396, 776 + 1070, 396 + 590}},
        {"tab strip", {100, 6, 677, 28}, 144, {150, 9, 150 + 866, 9 + 33}},
        {"system button", {0, 0, 44, 28}, 120, {0, 0, 55, 35}},
        // 391.5 and 355.5 both round up: the right edge is 748, where
        // scaling the edge itself would give 747.
        {"halves", {261, 0, 498, 1}, 144, {392, 0, 748, 2}},
    };
    for (const Case& c : cases) {
        const Rect got = skin::ScaleRect(c.design, c.dpi);
        EXPECT_EQ(got, c.want) << c.what << " at " << c.dpi << ": " << got.left << "," << got.top << ","
                               << got.right << "," << got.bottom;
    }
    // Three scaled tabs always fit the scaled strip.
    for (int dpi : {96, 120, 144, 168, 192, 240, 288})
        EXPECT_LE(3 * skin::ScalePx(189, dpi), skin::ScalePx(577, dpi)) << dpi;
}

// The main window's caption controls, placed from the right edge (x relative
// to it), and the link bar's close and minimise buttons: neighbours that touch
// at 100 % never overlap, and every control stays within a pixel of its
// scaled design place with its scaled size.
TEST(DpiScale, TouchingControlsNeverOverlap)
{
    const std::vector<Rect> caption = {
        {-114, 0, -87, 27}, {-141, 0, -114, 27}, {-185, 0, -141, 28}, {-264, 0, -185, 28}, {-325, 7, -269, 23},
    };
    const std::vector<Rect> linkBar = {{524, 0, 545, 21}, {506, 2, 524, 20}, {0, 34, 113, 75}, {137, 34, 250, 75}};
    for (const std::vector<Rect>* row : {&caption, &linkBar}) {
        for (int dpi : {96, 120, 144, 168, 192}) {
            const std::vector<Rect> got = skin::ScaleTouchingRow(*row, dpi);
            ASSERT_EQ(got.size(), row->size());
            for (size_t i = 0; i < got.size(); ++i) {
                const Rect want = skin::ScaleRect((*row)[i], dpi);
                EXPECT_EQ(got[i].width(), want.width());
                EXPECT_EQ(got[i].height(), want.height());
                EXPECT_LE(std::abs(got[i].left - want.left), 1) << i << " at " << dpi;
                EXPECT_EQ(got[i].top, want.top);
                for (size_t j = 0; j < got.size(); ++j) {
                    if (i == j) continue;
                    const bool apart = got[i].right <= got[j].left || got[j].right <= got[i].left ||
                                       got[i].bottom <= got[j].top || got[j].bottom <= got[i].top;
                    EXPECT_TRUE(apart) << i << " and " << j << " at " << dpi;
                }
            }
            if (dpi == 96) {
                EXPECT_EQ(got, *row);
            }
        }
    }
    // 125 %: the sound button (27 -> 34 wide) would reach a pixel into the
    // hide button at -143; it moves to -177.
    EXPECT_EQ(skin::ScaleTouchingRow(caption, 120)[1], (Rect{-177, 0, -143, 34}));
}

TEST(DpiScale, SkinsScaleFrameByFrame)
{
    EXPECT_EQ(skin::SkinFrames(IDB_CAPT_CLOSE), 4);
    EXPECT_EQ(skin::SkinFrames(IDB_LINK_FORUM), 4);
    EXPECT_EQ(skin::SkinFrames(IDB_TAB), 3);
    EXPECT_EQ(skin::SkinFrames(IDB_TAB_CLOSE), 3);
    EXPECT_EQ(skin::SkinFrames(IDB_MAIN_BK), 1);
    EXPECT_EQ(skin::SkinFrames(IDB_LOGIN_BK), 1);
    // 108 = 4 x 27: 27 at 125 % is 33.75 -> 34, so the strip is 136, not 135.
    EXPECT_EQ(skin::ScaledSkinSize({108, 27}, 4, 120), (Size{136, 34}));
    EXPECT_EQ(skin::ScaledSkinSize({567, 22}, 3, 144), (Size{852, 33}));
    EXPECT_EQ(skin::ScaledSkinSize({30, 51}, 1, 144), (Size{45, 77}));  // 76.5
    EXPECT_EQ(skin::ScaledSkinSize({228, 23}, 4, 96), (Size{228, 23}));
}

// A font made at one scale, made again for another: the height rounds to
// the nearest pixel and keeps its sign (negative: the character height).
TEST(DpiScale, FontHeightsFromOneScaleToAnother)
{
    struct Case {
        int height, from, to, want;
    };
    const Case cases[] = {
        {-11, 96, 144, -17},  {-11, 96, 192, -22}, {-11, 96, 120, -14},  // 16.5, 13.75
        {-17, 144, 96, -11},  {-17, 144, 192, -23},                     // 11.33, 22.67
        {-12, 96, 96, -12},   {16, 96, 144, 24},   {0, 96, 144, 0},     // a cell height, the default
        {-11, 0, 144, -17},   {-11, 96, 0, -11},                        // no DPI known: 96
    };
    for (const Case& c : cases)
        EXPECT_EQ(skin::ScaleFontHeight(c.height, c.from, c.to), c.want) << c.height << " " << c.from << "->" << c.to;
}

}  // namespace

// CImgProgress on a skinned dialog with the real track (161) and fill (162):
// what each position leaves on screen, read back from the bar's window DC.
#include "skin/img_progress.h"

#include "framework/winapp.h"
#include "res/resource.h"
#include "skin/dlg_ex.h"
#include "skin/skin_image.h"
#include "tests/win/skinned_dialog_fixture.h"
#include "tests/win/test_util.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

fw::UniqueBitmap Skin(UINT id) { return LoadPngResource(AfxGetResourceHandle(), id); }

class ImgProgressTest : public OnSkinnedParent<460, 200> {
protected:
    static constexpr RECT kPlace{30, 80, 330, 100};

    void SetUp() override {
        OnSkinnedParent::SetUp();
        ASSERT_TRUE(m_bar.Create(WS_CHILD | WS_VISIBLE, kPlace, &m_dlg, 1024));
    }

    CImgProgress m_bar;
};

TEST_F(ImgProgressTest, WithoutImagesShowsOnlyTheParentsSkin) {
    m_bar.SetPos(50);
    testutil::Repaint(m_dlg);
    testutil::Pixels shot = testutil::CaptureWindowDC(m_bar);
    ASSERT_EQ(shot.width, kPlace.right - kPlace.left);
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x)
            ASSERT_EQ(shot.at(x, y), m_skin.at(kPlace.left + x, kPlace.top + y)) << x << "," << y;
}

// Equal track and fill sizes: the control takes the track's size where it was,
// and the fill lies exactly over the bar.
TEST_F(ImgProgressTest, SetImagesSizesTheControlToTheTrack) {
    EXPECT_TRUE(m_bar.SetImages(Skin(IDB_PROGRESS_TRACK), Skin(IDB_PROGRESS_FILL)));
    // Given again the very bitmaps it holds, the bar keeps them alive.
    HBITMAP track = m_bar.m_hTrack.GetSafeHandle(), fill = m_bar.m_hFill.GetSafeHandle();
    m_bar.SetImages(fw::UniqueBitmap(track), fw::UniqueBitmap(fill));
    EXPECT_EQ(m_bar.m_hTrack.GetSafeHandle(), track);
    EXPECT_EQ(::GetObjectType(track), static_cast<DWORD>(OBJ_BITMAP));
    EXPECT_EQ(::GetObjectType(fill), static_cast<DWORD>(OBJ_BITMAP));
    RECT r = m_bar.GetWindowRect();
    ::MapWindowPoints(nullptr, m_dlg, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, kPlace.left);
    EXPECT_EQ(r.top, kPlace.top);
    EXPECT_EQ(r.right - r.left, 390);
    EXPECT_EQ(r.bottom - r.top, 21);
    EXPECT_TRUE(::EqualRect(&m_bar.m_rcBar, &m_bar.m_rcFill));
    RECT bar{0, 0, 390, 21};
    EXPECT_TRUE(::EqualRect(&m_bar.m_rcBar, &bar));
}

// Pixels of a skin bitmap, row by row.
std::vector<COLORREF> PixelsOf(HBITMAP bmp) {
    SIZE size = CBitmap::BitmapSize(bmp);
    std::vector<COLORREF> px;
    fw::WindowDC screen(nullptr);
    fw::MemDC src(screen);
    fw::ScopedSelect select(src, bmp);
    for (int y = 0; y < size.cy; ++y)
        for (int x = 0; x < size.cx; ++x) px.push_back(::GetPixel(src, x, y));
    return px;
}

// The track alone is the track image 1:1 over the parent's skin. With the fill,
// the filled width shows the fill image's left end for its first half and its
// right end for the rest, over the track; key pixels let the track through.
// Expected pixels come from the images and the parent's own capture.
TEST_F(ImgProgressTest, FillShowsBothEndsOfTheImageAtEachPosition) {
    const int fw = 390, fh = 21;
    m_bar.SetImages(Skin(IDB_PROGRESS_TRACK), {});
    const std::vector<COLORREF> track = PixelsOf(m_bar.m_hTrack);
    testutil::Repaint(m_dlg);
    const testutil::Pixels trackOnly = testutil::CaptureWindowDC(m_bar);
    ASSERT_EQ(trackOnly.width, fw);
    for (int y = 0; y < fh; ++y)
        for (int x = 0; x < fw; ++x) {
            COLORREF t = track[static_cast<size_t>(y) * fw + x];
            ASSERT_EQ(trackOnly.at(x, y), t != kColorKey ? t : m_skin.at(kPlace.left + x, kPlace.top + y))
                << "track at " << x << "," << y;
        }

    m_bar.SetImages(Skin(IDB_PROGRESS_TRACK), Skin(IDB_PROGRESS_FILL));
    const std::vector<COLORREF> fill = PixelsOf(m_bar.m_hFill);

    struct Case {
        int lo, hi, pos;
        int width;  // filled pixels
    } cases[] = {{0, 100, 0, 0}, {0, 100, 1, 3}, {0, 100, 50, 195}, {0, 100, 100, 390}, {40, 40, 40, 0}};
    for (const Case& c : cases) {
        ::SendMessageW(m_bar, PBM_SETRANGE32, c.lo, c.hi);
        m_bar.SetPos(c.pos);
        testutil::Repaint(m_dlg);
        testutil::Pixels shot = testutil::CaptureWindowDC(m_bar);
        testutil::SaveShot(testutil::CaptureWindowDC(m_dlg), L"progress_" + std::to_wstring(c.lo) + L"_" +
                                                                 std::to_wstring(c.hi) + L"_" + std::to_wstring(c.pos) +
                                                                 L".png");
        const int half = c.width / 2;
        for (int y = 0; y < fh; ++y)
            for (int x = 0; x < fw; ++x) {
                COLORREF want = trackOnly.at(x, y);
                if (x < c.width) {
                    const int sx = x < half ? x : fw - c.width + x;
                    if (COLORREF f = fill[static_cast<size_t>(y) * fw + sx]; f != kColorKey) want = f;
                }
                ASSERT_EQ(shot.at(x, y), want) << "range " << c.lo << ".." << c.hi << " pos " << c.pos << " at " << x
                                               << "," << y;
            }
        for (COLORREF px : testutil::CaptureWindowDC(m_dlg).data) ASSERT_NE(px, kColorKey);
    }
}

}  // namespace

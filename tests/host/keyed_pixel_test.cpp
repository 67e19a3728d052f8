#include "skin/keyed_pixel.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

namespace {

using Bgra = std::array<std::uint8_t, 4>;

Bgra ConvertOne(Bgra src, std::uint32_t key = skin::kColorKey)
{
    Bgra dst{0xAA, 0xAA, 0xAA, 0xAA};
    EXPECT_TRUE(skin::ConvertArgbToKeyedDib(src.data(), 4, 1, 1, dst.data(), key));
    return dst;
}

struct PixelCase {
    const char* what;
    Bgra src;       // B, G, R, A
    Bgra expected;  // B, G, R, 0
};

TEST(KeyedPixel, ConvertsByAlpha)
{
    const PixelCase cases[] = {
        {"transparent black becomes the key", {0, 0, 0, 0}, {255, 0, 255, 0}},
        {"transparent white becomes the key", {255, 255, 255, 0}, {255, 0, 255, 0}},
        {"opaque near-magenta is kept exactly", {254, 1, 255, 255}, {254, 1, 255, 0}},
        {"half-transparent black over white", {0, 0, 0, 128}, {127, 127, 127, 0}},
        {"channels blend independently", {200, 100, 50, 128}, {227, 177, 152, 0}},
        {"alpha 1 is nearly white", {0, 0, 0, 1}, {254, 254, 254, 0}},
        {"alpha 254 black keeps a trace of white", {0, 0, 0, 254}, {1, 1, 1, 0}},
        {"white stays white at any alpha", {255, 255, 255, 77}, {255, 255, 255, 0}},
    };
    for (const PixelCase& c : cases)
        EXPECT_EQ(ConvertOne(c.src), c.expected) << c.what;
}

TEST(KeyedPixel, KeyIsTakenInColorrefByteOrder)
{
    // COLORREF 0x00BBGGRR: red in the low byte, while a DIB pixel starts with blue.
    EXPECT_EQ(ConvertOne({9, 9, 9, 0}, 0x00123456u), (Bgra{0x12, 0x34, 0x56, 0}));
}

TEST(KeyedPixel, FirstSourceRowEndsUpLastAndStridePaddingIsSkipped)
{
    constexpr int kW = 2, kH = 3, kSrcStride = 12;  // one padding pixel per row
    std::vector<std::uint8_t> src(kSrcStride * kH);
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            std::uint8_t* p = &src[y * kSrcStride + x * 4];
            p[0] = static_cast<std::uint8_t>(10 * y + x);
            p[1] = 1;
            p[2] = 2;
            p[3] = 255;
        }
        std::uint8_t* pad = &src[y * kSrcStride + kW * 4];
        pad[0] = pad[1] = pad[2] = 0x77;
        pad[3] = 255;
    }
    const std::size_t dibBytes = kW * kH * 4;
    std::vector<std::uint8_t> dst(dibBytes + 4, 0xEE);  // 4 guard bytes

    ASSERT_TRUE(skin::ConvertArgbToKeyedDib(src.data(), kSrcStride, kW, kH, dst.data()));

    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x) {
            const std::uint8_t* d = &dst[((kH - 1 - y) * kW + x) * 4];
            EXPECT_EQ(d[0], 10 * y + x) << "source row " << y << " column " << x;
            EXPECT_EQ(d[3], 0);
        }
    }
    for (std::size_t i = dibBytes; i < dst.size(); ++i)
        EXPECT_EQ(dst[i], 0xEE) << "wrote past the DIB";
}

TEST(KeyedPixel, RefusesMissingBuffersAndEmptyImages)
{
    Bgra src{1, 2, 3, 255};
    Bgra dst{0xAA, 0xAA, 0xAA, 0xAA};
    EXPECT_FALSE(skin::ConvertArgbToKeyedDib(nullptr, 4, 1, 1, dst.data()));
    EXPECT_FALSE(skin::ConvertArgbToKeyedDib(src.data(), 4, 1, 1, nullptr));
    EXPECT_FALSE(skin::ConvertArgbToKeyedDib(src.data(), 0, 0, 1, dst.data()));
    EXPECT_FALSE(skin::ConvertArgbToKeyedDib(src.data(), 4, 1, 0, dst.data()));
    EXPECT_EQ(dst, (Bgra{0xAA, 0xAA, 0xAA, 0xAA}));
}

// Scaling by the nearest pixel keeps bands of rows pure: the caption band of
// 30 rows (its last the gold line) over a body, drawn at twice the size and
// scaled to 125 % and 150 %, ends where the scaled caption ends, without a
// row blended of the two. Columns are sampled the same way.
TEST(NearestScale, BandsStayPureAndEndWhereTheScaleRoundsThem)
{
    constexpr std::uint32_t kCaption = 0xFF102446, kGold = 0xFFD6AA50, kBody = 0xFF0A0E22;
    const int srcH = 102;  // 51 design rows at twice the size
    std::vector<std::uint32_t> src(static_cast<size_t>(srcH) * 2);
    for (int y = 0; y < srcH; ++y)
        src[static_cast<size_t>(y) * 2] = src[static_cast<size_t>(y) * 2 + 1] = y < 58 ? kCaption : y < 60 ? kGold : kBody;
    struct Case {
        int height, lastGold;  // 51 design rows scaled; the caption's scaled height - 1
    } cases[] = {{77, 44}, {64, 37}, {102, 59}, {51, 29}};
    for (const Case& c : cases) {
        std::vector<std::uint32_t> out(static_cast<size_t>(c.height) * 3, 0);
        ASSERT_TRUE(skin::ScaleNearest(src.data(), 8, 2, srcH, out.data(), 12, 3, c.height));
        auto row = [&](int y) {
            for (int x = 1; x < 3; ++x) EXPECT_EQ(out[static_cast<size_t>(y) * 3 + x], out[static_cast<size_t>(y) * 3]);
            return out[static_cast<size_t>(y) * 3];
        };
        EXPECT_EQ(row(0), kCaption) << c.height;
        EXPECT_EQ(row(c.lastGold), kGold) << c.height << ": the caption's last row";
        EXPECT_EQ(row(c.lastGold + 1), kBody) << c.height << ": the body's first row";
        EXPECT_EQ(row(c.height - 1), kBody) << c.height;
    }
    std::uint32_t one = 0;
    EXPECT_FALSE(skin::ScaleNearest(nullptr, 8, 2, 2, &one, 4, 1, 1));
    EXPECT_FALSE(skin::ScaleNearest(src.data(), 8, 2, 2, &one, 4, 0, 1));
}

TEST(StripFrameWidth, DividesAndDropsLeftoverColumns)
{
    struct Case {
        int stripWidth, frames, frameWidth;
    };
    const Case cases[] = {
        {108, 4, 27},  // caption buttons
        {567, 3, 189}, // tab backgrounds
        {10, 4, 2},    // last two columns ignored
        {12, 1, 12},   // label image: the whole bitmap
        {10, 0, 0},    // no frames: no division by zero
    };
    for (const Case& c : cases)
        EXPECT_EQ(skin::StripFrameWidth(c.stripWidth, c.frames), c.frameWidth)
            << c.stripWidth << " / " << c.frames;
}

}  // namespace

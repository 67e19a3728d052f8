#include "skin/keyed_pixel.h"

#include <cstddef>
#include <cstring>

namespace skin {

namespace {

// Walks a top-down 32bpp source into a bottom-up DIB of the same size (rows
// width*4 bytes apart, the first source row stored last), handing each pixel's
// four source bytes and four destination bytes to `convert`. The walk reads a
// pixel before it writes it, so one row may be converted in place.
template <typename PixelConversion>
bool ConvertIntoBottomUpDib(const void* src, int srcStride, int width, int height, void* dst,
                            PixelConversion convert)
{
    if (!src || !dst || width <= 0 || height <= 0)
        return false;
    const auto* srcBase = static_cast<const std::uint8_t*>(src);
    auto* dstBase = static_cast<std::uint8_t*>(dst);
    const std::ptrdiff_t dstStride = static_cast<std::ptrdiff_t>(width) * 4;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* s = srcBase + static_cast<std::ptrdiff_t>(y) * srcStride;
        std::uint8_t* d = dstBase + static_cast<std::ptrdiff_t>(height - 1 - y) * dstStride;
        for (int x = 0; x < width; ++x, s += 4, d += 4)
            convert(s, d);
    }
    return true;
}

}  // namespace

bool ConvertArgbToKeyedDib(const void* src, int srcStride, int width, int height,
                           void* dst, std::uint32_t keyColorRef)
{
    // COLORREF keeps red in the low byte; a DIB pixel starts with blue.
    const std::uint8_t keyB = static_cast<std::uint8_t>(keyColorRef >> 16);
    const std::uint8_t keyG = static_cast<std::uint8_t>(keyColorRef >> 8);
    const std::uint8_t keyR = static_cast<std::uint8_t>(keyColorRef);
    return ConvertIntoBottomUpDib(src, srcStride, width, height, dst,
                                  [=](const std::uint8_t* s, std::uint8_t* d) {
        const int a = s[3];
        if (a == 255) {
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
        } else if (a == 0) {
            d[0] = keyB;
            d[1] = keyG;
            d[2] = keyR;
        } else {
            // c' = (a*(c-255) + 255*255) / 255. With 0 < a < 255 the numerator
            // stays within [255, 65025], so the division never meets a negative
            // value and the result always fits a byte.
            d[0] = static_cast<std::uint8_t>((a * (s[0] - 255) + 65025) / 255);
            d[1] = static_cast<std::uint8_t>((a * (s[1] - 255) + 65025) / 255);
            d[2] = static_cast<std::uint8_t>((a * (s[2] - 255) + 65025) / 255);
        }
        d[3] = 0;
    });
}

int StripFrameWidth(int stripWidth, int frames)
{
    return frames > 0 ? stripWidth / frames : 0;
}

bool ScaleNearest(const void* src, int srcStride, int srcWidth, int srcHeight, void* dst, int dstStride, int width,
                  int height)
{
    if (!src || !dst || srcWidth <= 0 || srcHeight <= 0 || width <= 0 || height <= 0)
        return false;
    // The centre of output pixel x lies at (x + 1/2) * srcWidth / width in
    // the source; in whole numbers, (2x + 1) * srcWidth / (2 width).
    auto under = [](int i, int from, int to) {
        return static_cast<int>((2LL * i + 1) * from / (2LL * to));
    };
    const auto* in = static_cast<const std::uint8_t*>(src);
    auto* out = static_cast<std::uint8_t*>(dst);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = in + static_cast<std::ptrdiff_t>(under(y, srcHeight, height)) * srcStride;
        std::uint8_t* to = out + static_cast<std::ptrdiff_t>(y) * dstStride;
        for (int x = 0; x < width; ++x)
            std::memcpy(to + static_cast<std::ptrdiff_t>(x) * 4, row + static_cast<std::ptrdiff_t>(under(x, srcWidth, width)) * 4, 4);
    }
    return true;
}

}  // namespace skin

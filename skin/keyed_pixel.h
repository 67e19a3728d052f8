// Reduction of a decoded 32-bit ARGB image to the toolkit's one-bit transparency:
// the pixel layout every skin bitmap is drawn with. Portable: no Windows headers.
#pragma once

#include <cstdint>

namespace skin {

// RGB(255, 0, 255) in COLORREF layout (0x00BBGGRR).
inline constexpr std::uint32_t kColorKey = 0x00FF00FF;

// Converts a top-down 32bpp ARGB image (per pixel the bytes B, G, R, A; rows
// srcStride bytes apart, as GDI+ LockBits hands them out) into the bits of a
// bottom-up 32bpp BI_RGB DIB of the same size (rows width*4 bytes apart, first
// source row stored last):
//   alpha 0       -> keyColorRef (a COLORREF, 0x00BBGGRR)
//   alpha 255     -> the colour unchanged
//   anything else -> each channel blended over white
// The fourth byte of every destination pixel is 0. Returns false, writing
// nothing, for null pointers or a non-positive size.
bool ConvertArgbToKeyedDib(const void* src, int srcStride, int width, int height,
                           void* dst, std::uint32_t keyColorRef = kColorKey);

// Scales a top-down 32bpp image (rows srcStride bytes apart) to width x
// height into dst (rows dstStride bytes apart) by the nearest pixel: each
// output pixel is the source pixel under its centre, so a band of flat rows
// stays flat and two bands never blend. Returns false, writing nothing, for
// null pointers or a non-positive size.
bool ScaleNearest(const void* src, int srcStride, int srcWidth, int srcHeight, void* dst, int dstStride, int width,
                  int height);

// Width of one frame of a state strip of `frames` frames side by side; the
// leftover columns of a width that does not divide evenly are ignored.
// 0 for a non-positive frame count.
int StripFrameWidth(int stripWidth, int frames);

}  // namespace skin

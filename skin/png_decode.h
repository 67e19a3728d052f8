// Decoding of the PNG pictures the launcher carries in its resources, straight
// into the bits a layered window is painted from. Portable: no Windows headers.
//
// The system's decoders sit behind COM and libraries of their own; loading
// them and starting their apartment cost more than the decoding itself, ahead
// of the first window. The launcher's pictures are all of one kind (8-bit RGB
// or RGBA samples, not interlaced), and only that kind is taken here.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace skin {

// Neither side of a picture may be longer than this.
inline constexpr int kMaxPngSide = 16384;

struct PngInfo {
    int width = 0;
    int height = 0;
};

// The picture's size when `png` is a PNG that DecodePngPremultiplied takes:
// 8-bit truecolour samples with or without alpha, not interlaced, each side
// 1..kMaxPngSide. nullopt for anything else, including a damaged header.
std::optional<PngInfo> ReadPngInfo(std::string_view png);

// Decodes `png` into the bits of a bottom-up 32bpp DIB of the picture's size
// (rows width * 4 bytes apart, the first row of the picture stored last), in
// the layout UpdateLayeredWindow blends: per pixel B, G, R, A with each colour
// channel premultiplied, (c * a + 127) / 255; without alpha in the picture, A
// is 255. dstBytes must be exactly width * height * 4. Returns false for a
// picture ReadPngInfo refuses, damaged compressed data (a wrong check value
// included), missing or surplus data, or an unknown row filter; what was
// written to dst by then is not the picture.
bool DecodePngPremultiplied(std::string_view png, void* dst, std::size_t dstBytes);

}  // namespace skin

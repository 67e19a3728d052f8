// The plain geometry types of the skinned toolkit's portable arithmetic, shared
// by the layout rules (skin_geometry.h) and the display scale (dpi_scale.h).
// Portable: no Windows headers.
#pragma once

namespace skin {

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

struct Size {
    int cx = 0;
    int cy = 0;
    bool operator==(const Size&) const = default;
};

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const Rect&) const = default;
};

// Frames of the four-frame button strip: normal, hover, pressed, disabled.
inline constexpr int kButtonFrames = 4;

}  // namespace skin

// The display scale in one place. Every size, position and offset of the
// launcher's windows is a pixel figure of the 100 % design (96 dpi); a window
// on a display of another DPI uses that figure times dpi / 96, rounded once,
// here. Positions and sizes are scaled each on its own, so that a control of
// a given design size has the same size wherever it stands. Portable: no
// Windows headers.
#pragma once

#include "skin/skin_types.h"

#include <algorithm>
#include <vector>

namespace skin {

inline constexpr int kDesignDpi = 96;

// px x dpi / 96, rounded to the nearest pixel (halves away from zero). A DPI
// of 0 or below (none known) counts as 96.
int ScalePx(int px, int dpi);
Point ScalePoint(Point p, int dpi);
Size ScaleSize(Size s, int dpi);
// left and top scaled as positions, width and height as sizes.
Rect ScaleRect(Rect r, int dpi);

// A row of controls at the scale, each ScaleRect of its design rectangle,
// except that a control whose right edge touches a neighbour's left edge in
// the design (at 100 %) moves left by the pixel that rounding would let it
// overlap that neighbour by. Sizes stay the scaled design sizes (the size of
// one frame of a button's strip), places stay within a pixel of the scaled
// design. Positions may be negative (controls placed from a right edge).
std::vector<Rect> ScaleTouchingRow(const std::vector<Rect>& design, int dpi);

// A font height (a LOGFONT lfHeight, negative for the character height)
// made for a display of `fromDpi`, for one of `toDpi`: rounded to the
// nearest pixel, its sign kept. A DPI of 0 or below counts as 96.
int ScaleFontHeight(int height, int fromDpi, int toDpi);

// How many frames the skin image of this resource id holds side by side (4
// for buttons, 3 for the tab and close box strips, 1 for pictures): a skin is
// scaled frame by frame, so that each frame is exactly the scaled design frame
// and no frame bleeds into its neighbour.
int SkinFrames(unsigned id);
// Whether the skin of this resource id is a window background that the
// skinned dialog stretches as a nine-grid (131, 164): bands of flat colour,
// scaled by the nearest pixel. A filtered pixel between two bands (the
// caption's gold line and the body) would be stretched down the whole window.
bool SkinScalesByNearestPixel(unsigned id);

// The size of a skin image of `frames` frames and design size `design` at dpi:
// frames x ScalePx(frame width) wide, ScalePx(height) high.
Size ScaledSkinSize(Size design, int frames, int dpi);

}  // namespace skin

// Rectangles between the portable layout code and the Windows calls.
#pragma once

#include "skin/skin_geometry.h"

#include <windows.h>

inline skin::Rect ToSkin(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }
inline RECT ToWin(const skin::Rect& r) { return {r.left, r.top, r.right, r.bottom}; }

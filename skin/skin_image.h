// Skin images: PNG resources turned into colour-keyed bitmaps, state strips cut
// into image lists, and the parent background every skinned control paints
// under itself.
#pragma once

#include "framework/controls.h"
#include "framework/handles.h"
#include "skin/dpi_scale.h"
#include "skin/keyed_pixel.h"

#include <windows.h>

#include <string_view>
#include <thread>

namespace Gdiplus {
class Bitmap;
}

// The one colour key of the toolkit: a pixel of exactly this colour is
// transparent in image lists, TransparentBlt and window regions. The portable
// conversion writes the same value.
inline constexpr COLORREF kColorKey = skin::kColorKey;
static_assert(kColorKey == RGB(255, 0, 255));

// Skin image `id` of type "PNG" (or an ordinary bitmap resource of that id,
// returned unconverted) as a 32-bit bottom-up DIB section whose transparent
// pixels hold the colour key. Empty on failure. Drawn for a display of `dpi`:
// each frame of a state strip is the design frame scaled (skin::ScalePx),
// resampled with high-quality filtering (the nine-grid window backgrounds by
// the nearest pixel) before the colour key is applied.
fw::UniqueBitmap LoadPngResource(HINSTANCE module, UINT id, int dpi = skin::kDesignDpi);
// Skin image `id` of type "PNG" with its alpha kept: a 32-bit bottom-up DIB
// section of premultiplied pixels, as UpdateLayeredWindow (ULW_ALPHA) takes
// them, scaled for `dpi` as above. Empty on failure.
fw::UniqueBitmap LoadPngResourceWithAlpha(HINSTANCE module, UINT id, int dpi = skin::kDesignDpi);
// Above 96 dpi a skin is drawn from resource id + this offset, when the
// resources carry one of exactly twice the design size: scaling down keeps
// 125 % and 150 % as sharp as the drawing allows.
inline constexpr UINT kDoubleSizeSkinOffset = 1000;

// LoadPngResourceWithAlpha run on a thread of its own from construction, so
// that the caller goes on meanwhile (start-up decodes the login frame's
// picture while it checks for an update and makes the frame's window).
// Take() waits for the picture and hands it over once; the destructor waits
// for a picture nobody took. Dpi() waits too, and is the display scale the
// picture is drawn for (kSystemDpi: the system's, asked on the picture's
// thread).
class PrefetchedPng {
public:
    static constexpr int kSystemDpi = 0;
    PrefetchedPng(HINSTANCE module, UINT id, int dpi = skin::kDesignDpi);
    ~PrefetchedPng();
    PrefetchedPng(const PrefetchedPng&) = delete;
    PrefetchedPng& operator=(const PrefetchedPng&) = delete;

    int Dpi();
    fw::UniqueBitmap Take();

private:
    void WaitReady();

    int m_dpi;                 // written by the thread before m_ready is set
    fw::UniqueBitmap m_bitmap;
    fw::UniqueHandle m_ready;  // set once m_bitmap holds the picture (or its failure)
    std::thread m_thread;      // declared last: it starts once the rest is made
};
// A decoded image as such a DIB section: alpha 0 becomes `key`, partial alpha is
// blended over white. Empty on failure.
fw::UniqueBitmap MakeKeyedBitmap(Gdiplus::Bitmap& image, COLORREF key);
// A picture of any format GDI+ decodes, held in memory (a downloaded file's
// bytes, kept so that another display scale decodes them again), drawn over
// white into a new 32-bit DIB section, at its own size times dpi / 96
// (high-quality filtering when scaled); width and height receive the result's
// size (0 when it cannot be decoded, and the result is then empty).
fw::UniqueBitmap LoadImageBytesOnWhite(std::string_view bytes, int& width, int& height,
                                       int dpi = skin::kDesignDpi);
// Hands `bitmap` over to `holder`, which frees what it held before. A holder
// given the very handle it already holds keeps it: freeing the old one first
// would leave it holding a deleted bitmap.
void AdoptBitmap(CBitmap& holder, fw::UniqueBitmap bitmap);
// Replaces `list` with the image list of `strip` cut into `frames` equal frames
// (24-bit colour with a mask made from the colour key). The strip is only read.
void BuildStripImageList(CImageList& list, HBITMAP strip, int frames);
// Paints into `dc` (the control's off-screen DC) the part of the parent's skin
// that lies under `control`, by letting the parent erase its background into the
// DC with the origin shifted to the control's place.
void DrawParentBackground(HWND control, HDC dc);

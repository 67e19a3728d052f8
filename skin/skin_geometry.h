// Window-free arithmetic of the skinned toolkit: hit testing, skin blits, corner
// regions, caption layout, button faces, label, progress, tab and message box
// geometry. Portable: no Windows headers, so the numeric codes below are our own
// constants with the values Windows uses. Their names avoid the Windows macro
// names (HTLEFT, DT_CENTER, IDOK, ...), which would otherwise be expanded inside
// this header when a Win32 file includes windows.h first.
#pragma once

#include "skin/skin_types.h"

#include <functional>
#include <optional>
#include <vector>

namespace skin {

// ---------------------------------------------------------------- dialog frame

// WM_NCHITTEST answers (Windows values), plus our "leave it to DefWindowProc".
inline constexpr int kHitDefault = -1;
inline constexpr int kHitClient = 1;
inline constexpr int kHitCaption = 2;
inline constexpr int kHitLeft = 10;
inline constexpr int kHitRight = 11;
inline constexpr int kHitTop = 12;
inline constexpr int kHitTopLeft = 13;
inline constexpr int kHitTopRight = 14;
inline constexpr int kHitBottom = 15;
inline constexpr int kHitBottomLeft = 16;
inline constexpr int kHitBottomRight = 17;

// Caption height -1 means the whole window is caption.
inline constexpr int kWholeWindowCaption = -1;

// Hit code of a skinned dialog for a point in client coordinates. The client
// rectangle is (0, 0, clientSize.cx, clientSize.cy). Returns kHitDefault where
// the system's own answer applies (always while maximised).
int SkinHitTest(Point pt, Size clientSize, int border, int captionHeight,
                bool maximized, bool resizable);

// WM_SYSCOMMAND wParam that starts the system sizing loop for an edge hit code:
// SC_SIZE (0xF000) + 1..8 for kHitLeft..kHitBottomRight; 0 for any other code.
unsigned SizeCommandForHit(int hitCode);

// One copy of the skin bitmap onto the window image: BitBlt when !stretch
// (src and dst have the same size), StretchBlt otherwise.
struct SkinBlit {
    Rect src;
    Rect dst;
    bool stretch = false;
};

// The copies that paint a skin of size `bitmap` onto a window of size `window`,
// in drawing order: nine-grid when nineGrid, else the 1:1 layout (whole bitmap
// first, then the right column and the bottom row re-laid against the window's
// edges). The top band is captionHeight high, or border high when captionHeight
// is -1. Copies whose source or destination would be empty or negative are left
// out (StretchBlt would mirror a negative one).
std::vector<SkinBlit> SkinBlits(Size window, Size bitmap, int border,
                                int captionHeight, bool nineGrid);

// Window pixels to cut out of the rectangular window region: the 9 x 9 corner
// cells of the skin are searched for key pixels (isKey(x, y), skin coordinates,
// only ever called inside the bitmap) and each found pixel is mapped onto the
// matching window corner. The region is built by XOR, so a window pixel reached
// an even number of times (possible only for skins under 18 pixels in a
// direction) stays in; the list holds the net result, sorted by row then column,
// without duplicates. XOR (or subtract) each one-pixel rectangle from
// (0, 0, W, H). Pixels may fall outside a window smaller than the corner cells.
std::vector<Point> CornerCutPixels(Size window, Size bitmap,
                                   const std::function<bool(int x, int y)>& isKey);

// Restore rectangle set up when the dialog initialises: an eighth of the work
// area's width and height in from each side. Left and top are ww/8 and wh/8
// themselves, not offset by the work area's origin (the origin is 0 on a
// primary monitor with the taskbar at the bottom or right).
Rect InitialRestoreRect(Rect workArea);

// Maximised rectangle: the work area, narrowed symmetrically to at most
// maxWidth x maxHeight (half the excess off each side, truncated).
Rect MaximizedRect(Rect workArea, int maxWidth, int maxHeight);

// Small caption icon: drawn kCaptionIconSize square at x = border, y from here.
inline constexpr int kCaptionIconSize = 16;
// iconSize: the icon's side at the window's scale (16 at 100 %).
int CaptionIconY(int captionHeight, int iconSize = kCaptionIconSize);

// Top-left of the caption text for TextOut. fontHeight is the LOGFONT lfHeight
// (its sign is ignored); hasIcon shifts the text right by the icon's width.
Point CaptionTextPos(int border, int captionHeight, int fontHeight, bool hasIcon,
                      int iconSize = kCaptionIconSize);

// Caption buttons of a skinned dialog, client coordinates; an absent button is
// nullopt.
struct CaptionButtonRects {
    std::optional<Rect> close;
    std::optional<Rect> maximize;  // the maximise/restore button
    std::optional<Rect> minimize;
};

// Placement when the skin is set: close, maximise, minimise from right to left,
// each touching the next, the close button's right edge at
// layoutRight - rightMargin, all tops at `top`. Each frame size is one frame of
// that button's strip (strip width / 4 x strip height); nullopt leaves the
// button out and it takes no room.
CaptionButtonRects PlaceCaptionButtons(int layoutRight, int rightMargin, int top,
                                       std::optional<Size> closeFrame,
                                       std::optional<Size> maxFrame,
                                       std::optional<Size> minFrame);

// Placement after WM_SIZE: the existing buttons (current client rectangles)
// slid against the new right edge in the same order, each keeping its own size
// and top.
CaptionButtonRects ReplaceCaptionButtons(int clientWidth, int rightMargin,
                                         const CaptionButtonRects& current);

// ---------------------------------------------------------------- image button

// Frames of the four-frame button strip (kButtonFrames in skin_types.h).
inline constexpr int kFrameNormal = 0;
inline constexpr int kFrameHover = 1;
inline constexpr int kFramePressed = 2;
inline constexpr int kFrameDisabled = 3;

struct ButtonFace {
    int frame = kFrameNormal;
    bool setPressedLatch = false;  // the caller sets its latch when true
};

// disabled: ODS_DISABLED or ODS_GRAYED; selected: ODS_SELECTED; pressedLatch: the
// button's latch, cleared by the caller on WM_LBUTTONUP; hover: after
// WM_MOUSEHOVER until WM_MOUSELEAVE.
ButtonFace ChooseButtonFace(bool disabled, bool selected, bool pressedLatch, bool hover);

// ---------------------------------------------------------------- label

// Static control styles (Windows values).
inline constexpr unsigned kSsCenter = 0x1;
inline constexpr unsigned kSsRight = 0x2;
inline constexpr unsigned kSsTypeMask = 0x1F;
inline constexpr unsigned kSsCenterImage = 0x200;
inline constexpr unsigned kSsEndEllipsis = 0x4000;
inline constexpr unsigned kSsPathEllipsis = 0x8000;
inline constexpr unsigned kSsWordEllipsis = 0xC000;
inline constexpr unsigned kSsEllipsisMask = 0xC000;

// DrawText formats (Windows values).
inline constexpr unsigned kDtLeft = 0x0;
inline constexpr unsigned kDtCenter = 0x1;
inline constexpr unsigned kDtRight = 0x2;
inline constexpr unsigned kDtVCenter = 0x4;
inline constexpr unsigned kDtWordBreak = 0x10;
inline constexpr unsigned kDtSingleLine = 0x20;
inline constexpr unsigned kDtPathEllipsis = 0x4000;
inline constexpr unsigned kDtEndEllipsis = 0x8000;

// DrawText format of a label's lines from its window style. SS_WORDELLIPSIS
// adds no ellipsis flag.
unsigned LabelTextFormat(unsigned staticStyle);

// Where the label's image is drawn: x 3, vertically centred (truncated).
Point LabelImagePos(Size label, Size image);

// Rectangle of the label's first line: the client rectangle, one line high,
// starting right of the image (imageWidth + 6) when imageWidth is not 0. Each
// further line is the previous one moved down by lineHeight + the line gap.
Rect LabelFirstLineRect(Size label, int imageWidth, int lineHeight);

// ---------------------------------------------------------------- progress bar

// The fill image's place inside the track: centred, offsets truncated.
Rect ProgressFillRect(Size track, Size fill);

// The visible fill for a position: `width` pixels, made of the fill image's
// left end (leftSrc -> leftDst) and its right end (rightSrc -> rightDst), so the
// image's rounded caps always frame the filled part. Source rectangles are in
// the fill image, destinations in the control. width 0 means draw no fill (a
// position of 0, or a range whose bounds are equal).
struct ProgressFill {
    int width = 0;
    Rect leftSrc, leftDst;
    Rect rightSrc, rightDst;
};

// width = fillRect.width() / (hi - lo) * pos in double precision, truncated
// and kept within 0..fillRect.width().
ProgressFill ProgressFillParts(Rect fillRect, int pos, int lo, int hi);

// ---------------------------------------------------------------- tab strip

// Tab item state bits: TCIS_BUTTONPRESSED (the selected tab of a TCS_BUTTONS
// strip) and the bit the strip sets on the tab under the mouse.
inline constexpr unsigned kTabStateSelected = 0x1;
inline constexpr unsigned kTabStateHot = 0x80;

// Close box states: none shown, over the tab, over the box, box pressed.
inline constexpr int kCloseNone = 0;
inline constexpr int kCloseOnTab = 1;
inline constexpr int kCloseHover = 2;
inline constexpr int kClosePressed = 3;

inline constexpr int kTabCloseBoxSize = 13;

// The close box in a tab's top-right corner, box x box (13 at 100 %).
Rect TabCloseBoxRect(Rect tab, int box = kTabCloseBoxSize);

// Whether a point hits the close box of the tab found under it:
// tab.right - box < x < tab.right and 0 <= y < box. The y test is against the
// strip's own rows, not the tab's top. The caller must have found a tab at the
// point; a point over no tab never counts.
bool TabCloseBoxHit(Rect tab, Point pt, int box = kTabCloseBoxSize);

// The strip lays its tabs out itself, edge to edge from x 0 in one row, each
// exactly `tab` big: the common control would add its own margins between
// button tabs (and scroll arrows once they no longer fit), which differ from
// one system to the next. Tab `index` of that row:
Rect TabItemRect(int index, Size tab);
// The tab under a point, -1 for none (beyond the last of `count` tabs, or
// outside the row).
int TabIndexAt(Point pt, int count, Size tab);

// Frame of the three-frame tab strip (normal 0, hot 1, selected 2).
int TabBackFrame(unsigned itemState);

// Frame of the three-frame close box strip for a close state, -1 for none.
int TabCloseFrame(int closeState);

// Title rectangle: the tab inset by textLeft on the left, 3 at the top and
// textRight on the right.
Rect TabTextRect(Rect tab, int textLeft, int textRight);

// ---------------------------------------------------------------- message box

// Message box types and results (Windows values).
inline constexpr int kMbOk = 0;
inline constexpr int kMbOkCancel = 1;
inline constexpr int kMbYesNo = 4;
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

inline constexpr int kMsgBoxFirstButtonId = 5000;
inline constexpr int kMsgBoxSecondButtonId = 5001;

// Window size from the measured text (DT_CALCRECT of the whole text), its line
// count (1 + line feeds) and one frame of the button strip. The box's own
// margins and gaps are design pixels, scaled for `dpi` (the text and the
// button frame come measured at that scale).
Size MessageBoxSize(Size text, int lineCount, Size buttonFrame, int dpi = 96);

// Button rectangles in a client area of `client`: two buttons centred with 20
// pixels between them for kMbOkCancel and kMbYesNo, otherwise one centred
// button; bottoms 30 pixels above the client bottom.
struct MessageBoxButtons {
    Rect first;
    std::optional<Rect> second;
};
MessageBoxButtons MessageBoxButtonRects(Size client, Size buttonFrame, int type, int dpi = 96);

// Rectangle of text line `index` (0-based): a block text.cx wide centred
// horizontally, lines text.cy / lineCount high from y 55, each 3 pixels below
// the previous one. Lines are drawn left-aligned inside it.
Rect MessageBoxLineRect(int clientWidth, Size text, int lineCount, int index, int dpi = 96);

// Dialog result for a click on button id 5000 or 5001 of a box of `type`;
// any other id (caption close button, WM_CLOSE) gives kIdCancel.
int MessageBoxResult(int buttonId, int type);

}  // namespace skin

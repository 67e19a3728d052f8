#include "skin/skin_geometry.h"

#include "skin/dpi_scale.h"

#include <algorithm>
#include <cstdlib>

namespace skin {

namespace {

Rect RectXYWH(int x, int y, int w, int h)
{
    return Rect{x, y, x + w, y + h};
}

// Rows of the resize band at the top of a resizable window's caption: a fixed
// 3, whatever the border width. Only the side and bottom bands follow the border.
constexpr int kTopSizingRows = 3;

// Side of the skin's corner cells searched for key pixels.
constexpr int kCornerCell = 9;

}  // namespace

// ---------------------------------------------------------------- dialog frame

int SkinHitTest(Point pt, Size clientSize, int border, int captionHeight,
                bool maximized, bool resizable)
{
    // A maximised window must be neither dragged nor sized; the system's answer
    // for a frameless window is "client" everywhere.
    if (maximized)
        return kHitDefault;

    const int x = pt.x;
    const int y = pt.y;
    const bool wholeCaption = captionHeight == kWholeWindowCaption;

    if (!resizable)
        return (wholeCaption || (0 <= y && y < captionHeight)) ? kHitCaption : kHitDefault;

    const int right = clientSize.cx;
    const int bottom = clientSize.cy;
    const bool topRows = 0 <= y && y < border;
    const bool bottomRows = bottom - border <= y && y < bottom;

    if (0 <= x && x < border)
        return topRows ? kHitTopLeft : bottomRows ? kHitBottomLeft : kHitLeft;
    if (right - border <= x && x < right)
        return topRows ? kHitTopRight : bottomRows ? kHitBottomRight : kHitRight;
    if (0 <= y && y < kTopSizingRows)
        return kHitTop;
    // With the whole window as caption the bottom rows drag rather than size.
    if (wholeCaption || (kTopSizingRows <= y && y < captionHeight))
        return kHitCaption;
    if (bottomRows)
        return kHitBottom;
    return kHitDefault;
}

unsigned SizeCommandForHit(int hitCode)
{
    // WMSZ_LEFT..WMSZ_BOTTOMRIGHT (1..8) follow HTLEFT..HTBOTTOMRIGHT (10..17)
    // in the same order.
    if (hitCode < kHitLeft || hitCode > kHitBottomRight)
        return 0;
    return 0xF000u + static_cast<unsigned>(hitCode - kHitLeft + 1);
}

std::vector<SkinBlit> SkinBlits(Size window, Size bitmap, int border,
                                int captionHeight, bool nineGrid)
{
    const int W = window.cx, H = window.cy;
    const int w = bitmap.cx, h = bitmap.cy;
    const int b = border;
    const int t = captionHeight == kWholeWindowCaption ? border : captionHeight;

    std::vector<SkinBlit> blits;
    auto add = [&](Rect src, Rect dst, bool stretch) {
        if (src.width() > 0 && src.height() > 0 && dst.width() > 0 && dst.height() > 0)
            blits.push_back(SkinBlit{src, dst, stretch});
    };
    auto copy = [&](int sx, int sy, int cw, int ch, int dx, int dy) {
        add(RectXYWH(sx, sy, cw, ch), RectXYWH(dx, dy, cw, ch), false);
    };
    auto stretchTo = [&](Rect src, Rect dst) { add(src, dst, true); };

    if (nineGrid) {
        copy(0, 0, b, t, 0, 0);
        stretchTo(RectXYWH(b, 0, w - 2 * b, t), RectXYWH(b, 0, W - 2 * b, t));
        copy(w - b, 0, b, t, W - b, 0);
        stretchTo(RectXYWH(0, t, b, h - t - b), RectXYWH(0, t, b, H - t - b));
        stretchTo(RectXYWH(w - b, t, b, h - t - b), RectXYWH(W - b, t, b, H - t - b));
        stretchTo(RectXYWH(b, t, w - 2 * b, h - t - b), RectXYWH(b, t, W - 2 * b, H - t - b));
    } else {
        // Meant for windows sized to the skin, where the later copies repaint the
        // same pixels; a larger window gets its right column and bottom row
        // pulled out to its edges.
        copy(0, 0, W, H, 0, 0);
        copy(w - b, 0, b, t, W - b, 0);
        stretchTo(RectXYWH(w - b, t, b, h - t - b), RectXYWH(W - b, t, b, H - t - b));
    }
    copy(0, h - b, b, b, 0, H - b);
    stretchTo(RectXYWH(b, h - b, w - 2 * b, b), RectXYWH(b, H - b, W - 2 * b, b));
    copy(w - b, h - b, b, b, W - b, H - b);
    return blits;
}

std::vector<Point> CornerCutPixels(Size window, Size bitmap,
                                   const std::function<bool(int x, int y)>& isKey)
{
    std::vector<Point> toggled;
    if (!isKey)
        return toggled;

    const int W = window.cx, H = window.cy;
    const int w = bitmap.cx, h = bitmap.cy;
    const int cols = std::min(kCornerCell, w);

    auto scanRow = [&](int skinRow, int windowRow) {
        for (int j = 0; j < cols; ++j) {
            if (isKey(j, skinRow))
                toggled.push_back(Point{j, windowRow});
            if (isKey(w - 1 - j, skinRow))
                toggled.push_back(Point{W - 1 - j, windowRow});
        }
    };
    for (int i = 0; i < kCornerCell && i < h; ++i)
        scanRow(i, i);
    // A skin shorter than the cell has no rows above 0 to read; the bottom cell
    // then starts at the skin's first row.
    for (int r = std::max(0, h - kCornerCell); r < h; ++r)
        scanRow(r, H - h + r);

    // The region is built by XOR: keep the pixels reached an odd number of times.
    std::sort(toggled.begin(), toggled.end(), [](const Point& a, const Point& b) {
        return a.y != b.y ? a.y < b.y : a.x < b.x;
    });
    std::vector<Point> cut;
    for (std::size_t i = 0; i < toggled.size();) {
        std::size_t run = i;
        while (run < toggled.size() && toggled[run] == toggled[i])
            ++run;
        if ((run - i) % 2 == 1)
            cut.push_back(toggled[i]);
        i = run;
    }
    return cut;
}

Rect InitialRestoreRect(Rect workArea)
{
    const int dx = workArea.width() / 8;
    const int dy = workArea.height() / 8;
    return Rect{dx, dy, workArea.right - dx, workArea.bottom - dy};
}

Rect MaximizedRect(Rect workArea, int maxWidth, int maxHeight)
{
    Rect r = workArea;
    if (r.width() > maxWidth) {
        const int d = (r.width() - maxWidth) / 2;
        r.left += d;
        r.right -= d;
    }
    if (r.height() > maxHeight) {
        const int d = (r.height() - maxHeight) / 2;
        r.top += d;
        r.bottom -= d;
    }
    return r;
}

int CaptionIconY(int captionHeight, int iconSize)
{
    if (captionHeight == kWholeWindowCaption)
        return 6;
    return (captionHeight - (iconSize - 1)) / 2;
}

Point CaptionTextPos(int border, int captionHeight, int fontHeight, bool hasIcon, int iconSize)
{
    const int iconWidth = hasIcon ? iconSize : 0;
    int y0 = (captionHeight + 1 - std::abs(fontHeight)) / 2;
    if (y0 < 0)
        y0 = 6;
    return Point{border + iconWidth + 5, y0 - 2};
}

CaptionButtonRects PlaceCaptionButtons(int layoutRight, int rightMargin, int top,
                                       std::optional<Size> closeFrame,
                                       std::optional<Size> maxFrame,
                                       std::optional<Size> minFrame)
{
    int x = layoutRight - rightMargin;
    auto place = [&](std::optional<Size> frame) -> std::optional<Rect> {
        if (!frame)
            return std::nullopt;
        const Rect r{x - frame->cx, top, x, top + frame->cy};
        x = r.left;
        return r;
    };
    CaptionButtonRects rects;
    rects.close = place(closeFrame);
    rects.maximize = place(maxFrame);
    rects.minimize = place(minFrame);
    return rects;
}

CaptionButtonRects ReplaceCaptionButtons(int clientWidth, int rightMargin,
                                         const CaptionButtonRects& current)
{
    int x = clientWidth - rightMargin;
    auto slide = [&](const std::optional<Rect>& r) -> std::optional<Rect> {
        if (!r)
            return std::nullopt;
        x -= r->width();
        return Rect{x, r->top, x + r->width(), r->bottom};
    };
    CaptionButtonRects rects;
    rects.close = slide(current.close);
    rects.maximize = slide(current.maximize);
    rects.minimize = slide(current.minimize);
    return rects;
}

// ---------------------------------------------------------------- image button

ButtonFace ChooseButtonFace(bool disabled, bool selected, bool pressedLatch, bool hover)
{
    if (disabled)
        return ButtonFace{kFrameDisabled, false};
    // The latch keeps the pressed face while the button is held and the mouse
    // is dragged off it: the system then no longer reports the item selected.
    if (selected || pressedLatch)
        return ButtonFace{kFramePressed, true};
    return ButtonFace{hover ? kFrameHover : kFrameNormal, false};
}

// ---------------------------------------------------------------- label

unsigned LabelTextFormat(unsigned staticStyle)
{
    unsigned format = kDtWordBreak;
    switch (staticStyle & kSsTypeMask) {
    case kSsCenter:
        format |= kDtCenter | kDtVCenter;
        break;
    case kSsRight:
        format |= kDtRight;
        break;
    default:
        break;
    }
    switch (staticStyle & kSsEllipsisMask) {
    case kSsEndEllipsis:
        format |= kDtEndEllipsis;
        break;
    case kSsPathEllipsis:
        format |= kDtPathEllipsis | kDtSingleLine;
        break;
    default:
        break;
    }
    if (staticStyle & kSsCenterImage)
        format |= kDtVCenter | kDtSingleLine;
    return format;
}

Point LabelImagePos(Size label, Size image)
{
    return Point{3, (label.cy - image.cy) / 2};
}

Rect LabelFirstLineRect(Size label, int imageWidth, int lineHeight)
{
    const int left = imageWidth != 0 ? imageWidth + 6 : 0;
    return Rect{left, 0, label.cx, lineHeight};
}

// ---------------------------------------------------------------- progress bar

Rect ProgressFillRect(Size track, Size fill)
{
    const int dx = (track.cx - fill.cx) / 2;
    const int dy = (track.cy - fill.cy) / 2;
    return RectXYWH(dx, dy, fill.cx, fill.cy);
}

ProgressFill ProgressFillParts(Rect fillRect, int pos, int lo, int hi)
{
    ProgressFill parts;
    if (hi == lo)
        return parts;

    const int fw = fillRect.width();
    const int fh = fillRect.height();
    // Divide first, then multiply, in double: the rounding of this order decides
    // the pixel count at some positions.
    const double exact = static_cast<double>(fw) / (hi - lo) * pos;
    if (!(exact >= 1.0))
        return parts;
    const int w = exact >= fw ? fw : static_cast<int>(exact);
    const int half = w / 2;

    parts.width = w;
    parts.leftSrc = RectXYWH(0, 0, half, fh);
    parts.leftDst = RectXYWH(fillRect.left, fillRect.top, half, fh);
    parts.rightSrc = RectXYWH(fw - (w - half), 0, w - half, fh);
    parts.rightDst = RectXYWH(fillRect.left + half, fillRect.top, w - half, fh);
    return parts;
}

// ---------------------------------------------------------------- tab strip

Rect TabCloseBoxRect(Rect tab, int box)
{
    return RectXYWH(tab.right - box, tab.top, box, box);
}

bool TabCloseBoxHit(Rect tab, Point pt, int box)
{
    return tab.right - box < pt.x && pt.x < tab.right && 0 <= pt.y && pt.y < box;
}

Rect TabItemRect(int index, Size tab)
{
    return RectXYWH(index * tab.cx, 0, tab.cx, tab.cy);
}

int TabIndexAt(Point pt, int count, Size tab)
{
    if (tab.cx <= 0 || pt.x < 0 || pt.y < 0 || pt.y >= tab.cy) return -1;
    const int index = pt.x / tab.cx;
    return index < count ? index : -1;
}

int TabBackFrame(unsigned itemState)
{
    if (itemState & kTabStateSelected)
        return 2;
    if (itemState & kTabStateHot)
        return 1;
    return 0;
}

int TabCloseFrame(int closeState)
{
    switch (closeState) {
    case kCloseOnTab:
        return 0;
    case kCloseHover:
        return 1;
    case kClosePressed:
        return 2;
    default:
        return -1;
    }
}

Rect TabTextRect(Rect tab, int textLeft, int textRight)
{
    return Rect{tab.left + textLeft, tab.top + 3, tab.right - textRight, tab.bottom};
}

// ---------------------------------------------------------------- message box

namespace {

bool HasTwoButtons(int type)
{
    return type == kMbOkCancel || type == kMbYesNo;
}

// Space between the button row and the box's bottom edge.
constexpr int kButtonBottomGap = 30;

constexpr int kTextTop = 55;
constexpr int kTextLineGap = 3;

}  // namespace

Size MessageBoxSize(Size text, int lineCount, Size buttonFrame, int dpi)
{
    const int margin = ScalePx(60, dpi);
    const int buttonsWidth = 2 * buttonFrame.cx + margin;
    const int width = buttonsWidth >= text.cx ? buttonsWidth : text.cx + margin;
    const int height = ScalePx(kTextLineGap, dpi) * lineCount + ScalePx(90, dpi) + text.cy + buttonFrame.cy;
    return Size{width, height};
}

MessageBoxButtons MessageBoxButtonRects(Size client, Size buttonFrame, int type, int dpi)
{
    const int bw = buttonFrame.cx;
    const int bottom = client.cy - ScalePx(kButtonBottomGap, dpi);
    const int top = bottom - buttonFrame.cy;
    const int halfGap = ScalePx(10, dpi);

    MessageBoxButtons buttons;
    if (HasTwoButtons(type)) {
        const int mid = client.cx / 2;
        buttons.first = Rect{mid - halfGap - bw, top, mid - halfGap, bottom};
        buttons.second = Rect{mid + halfGap, top, mid + halfGap + bw, bottom};
    } else {
        const int left = (client.cx - bw) / 2;
        buttons.first = Rect{left, top, left + bw, bottom};
    }
    return buttons;
}

Rect MessageBoxLineRect(int clientWidth, Size text, int lineCount, int index, int dpi)
{
    const int lineHeight = text.cy / std::max(1, lineCount);
    const int left = (clientWidth - text.cx) / 2;
    const int top = ScalePx(kTextTop, dpi) + index * (lineHeight + ScalePx(kTextLineGap, dpi));
    return Rect{left, top, left + text.cx, top + lineHeight};
}

int MessageBoxResult(int buttonId, int type)
{
    const bool yesNo = type == kMbYesNo;
    if (buttonId == kMsgBoxFirstButtonId)
        return yesNo ? kIdYes : kIdOk;
    if (buttonId == kMsgBoxSecondButtonId)
        return yesNo ? kIdNo : kIdCancel;
    return kIdCancel;
}

}  // namespace skin

#include "skin/dpi_scale.h"

#include "res/resource.h"

namespace skin {

int ScalePx(int px, int dpi)
{
    if (dpi <= 0) dpi = kDesignDpi;
    const long long scaled = static_cast<long long>(px) * dpi;
    const long long half = kDesignDpi / 2;
    return static_cast<int>(scaled >= 0 ? (scaled + half) / kDesignDpi : -((-scaled + half) / kDesignDpi));
}

int ScaleFontHeight(int height, int fromDpi, int toDpi)
{
    if (fromDpi <= 0) fromDpi = kDesignDpi;
    if (toDpi <= 0) toDpi = kDesignDpi;
    const long long scaled = static_cast<long long>(height < 0 ? -height : height) * toDpi;
    const int size = static_cast<int>((scaled + fromDpi / 2) / fromDpi);
    return height < 0 ? -size : size;
}

Point ScalePoint(Point p, int dpi) { return {ScalePx(p.x, dpi), ScalePx(p.y, dpi)}; }

Size ScaleSize(Size s, int dpi) { return {ScalePx(s.cx, dpi), ScalePx(s.cy, dpi)}; }

Rect ScaleRect(Rect r, int dpi)
{
    const int left = ScalePx(r.left, dpi);
    const int top = ScalePx(r.top, dpi);
    return {left, top, left + ScalePx(r.width(), dpi), top + ScalePx(r.height(), dpi)};
}

std::vector<Rect> ScaleTouchingRow(const std::vector<Rect>& design, int dpi)
{
    std::vector<Rect> scaled;
    for (const Rect& r : design) scaled.push_back(ScaleRect(r, dpi));
    // Right to left, so that a shift passes on to the neighbours further left.
    std::vector<size_t> order(design.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return design[a].left > design[b].left; });
    for (size_t n = 0; n < order.size(); ++n) {
        const size_t i = order[n];
        for (size_t m = 0; m < n; ++m) {
            const size_t j = order[m];
            const bool touches = design[i].right == design[j].left && design[i].top < design[j].bottom &&
                                 design[j].top < design[i].bottom;
            const int overlap = scaled[i].right - scaled[j].left;
            if (touches && overlap > 0) {
                scaled[i].left -= overlap;
                scaled[i].right -= overlap;
            }
        }
    }
    return scaled;
}

bool SkinScalesByNearestPixel(unsigned id) { return id == IDB_MAIN_BK || id == IDB_SMALL_BK; }

int SkinFrames(unsigned id)
{
    switch (id) {
    case IDB_CAPT_CLOSE:
    case IDB_CAPT_MAX:
    case IDB_CAPT_MIN:
    case IDB_CAPT_RESTORE:
    case IDB_BTN_HIDE:
    case IDB_BTN_SYSTEM:
    case IDB_NOTICE_CLOSE:
    case IDB_NOTICE_CLOSE_TEXT:
    case IDB_SOUND_ON:
    case IDB_SOUND_OFF:
    case IDB_HALL_OFF:
    case IDB_HALL_ON:
    case IDB_SMALL_BTN:
    case IDB_LINK_CLOSE:
    case IDB_LINK_MIN:
    case IDB_LINK_SITE:
    case IDB_LINK_RECHARGE:
    case IDB_LINK_SERVICE:
    case IDB_LINK_FORUM:
        return kButtonFrames;
    case IDB_TAB:
    case IDB_TAB_CLOSE:
        return 3;
    default:
        return 1;
    }
}

Size ScaledSkinSize(Size design, int frames, int dpi)
{
    if (frames < 1) frames = 1;
    return {frames * ScalePx(design.cx / frames, dpi), ScalePx(design.cy, dpi)};
}

}  // namespace skin

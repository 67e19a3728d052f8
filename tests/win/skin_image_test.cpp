// Loading skins: the keyed conversion on real decoded images, the real
// resources, strips, and pictures from files.
#include "res/resource.h"
#include "skin/skin_image.h"
#include "tests/win/test_util.h"

#include <gtest/gtest.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

class GdiplusScope {
public:
    GdiplusScope() {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token_, &input, nullptr);
    }
    ~GdiplusScope() { Gdiplus::GdiplusShutdown(token_); }

private:
    ULONG_PTR token_ = 0;
};

// The DIB's own memory: row 0 of memory is the bottom row of the picture.
DIBSECTION DibOf(HBITMAP bmp) {
    DIBSECTION ds{};
    EXPECT_EQ(::GetObjectW(bmp, sizeof ds, &ds), static_cast<int>(sizeof ds));
    return ds;
}

const BYTE* MemoryPixel(const DIBSECTION& ds, int memoryRow, int x) {
    return static_cast<const BYTE*>(ds.dsBm.bmBits) + (memoryRow * ds.dsBm.bmWidth + x) * 4;
}

TEST(SkinImage, KeyedConversionOfADecodedImage) {
    GdiplusScope gdiplus;
    Gdiplus::Bitmap image(3, 2, PixelFormat32bppARGB);
    image.SetPixel(0, 0, Gdiplus::Color(0, 10, 20, 30));      // transparent: any colour becomes the key
    image.SetPixel(1, 0, Gdiplus::Color(128, 0, 0, 0));       // half transparent black over white
    image.SetPixel(2, 0, Gdiplus::Color(255, 254, 0, 255));   // opaque near-magenta stays
    image.SetPixel(0, 1, Gdiplus::Color(255, 1, 2, 3));
    image.SetPixel(1, 1, Gdiplus::Color(255, 4, 5, 6));
    image.SetPixel(2, 1, Gdiplus::Color(255, 7, 8, 9));

    fw::UniqueBitmap bmp(MakeKeyedBitmap(image, kColorKey));
    ASSERT_TRUE(bmp);
    DIBSECTION ds = DibOf(bmp.get());
    EXPECT_EQ(ds.dsBmih.biBitCount, 32);
    EXPECT_GT(ds.dsBmih.biHeight, 0) << "bottom-up";
    EXPECT_EQ(ds.dsBmih.biCompression, static_cast<DWORD>(BI_RGB));

    const struct {
        int memoryRow, x;
        BYTE b, g, r;
    } cases[] = {
        {1, 0, 255, 0, 255},  // the first source row is the last memory row
        {1, 1, 127, 127, 127},
        {1, 2, 255, 0, 254},
        {0, 0, 3, 2, 1},
        {0, 2, 9, 8, 7},
    };
    for (const auto& c : cases) {
        const BYTE* p = MemoryPixel(ds, c.memoryRow, c.x);
        EXPECT_EQ(p[0], c.b);
        EXPECT_EQ(p[1], c.g);
        EXPECT_EQ(p[2], c.r);
        EXPECT_EQ(p[3], 0) << "the fourth byte is always 0";
    }
}

TEST(SkinImage, EverySkinResourceLoadsAtItsSize) {
    const struct {
        UINT id;
        int w, h;
    } skins[] = {
        {131, 30, 51},  {132, 108, 27}, {133, 108, 27}, {134, 108, 27}, {135, 108, 27}, {137, 108, 27},
        {138, 176, 28}, {141, 1001, 634}, {142, 567, 22}, {143, 39, 13}, {146, 12, 13}, {148, 250, 191},
        {149, 216, 22}, {150, 216, 22}, {151, 160, 212}, {152, 250, 167}, {156, 108, 27}, {157, 108, 27},
        {159, 316, 28}, {160, 316, 28}, {161, 390, 21}, {162, 390, 21}, {164, 30, 51},  {165, 228, 23},
        {167, 84, 21},  {168, 72, 18},  {169, 452, 41}, {170, 452, 41}, {171, 452, 41}, {172, 452, 41},
    };
    HINSTANCE inst = ::GetModuleHandleW(nullptr);
    for (const auto& s : skins) {
        fw::UniqueBitmap bmp = LoadPngResource(inst, s.id);
        ASSERT_TRUE(bmp) << s.id;
        DIBSECTION ds = DibOf(bmp.get());
        EXPECT_EQ(ds.dsBm.bmWidth, s.w) << s.id;
        EXPECT_EQ(ds.dsBm.bmHeight, s.h) << s.id;
        EXPECT_EQ(ds.dsBm.bmBitsPixel, 32) << s.id;
    }
    EXPECT_FALSE(LoadPngResource(inst, 136)) << "no such skin";
    EXPECT_FALSE(LoadPngResource(nullptr, 131));

    // The main skin's rounded corner comes out as the key, its body opaque.
    fw::UniqueBitmap main = LoadPngResource(inst, IDB_MAIN_BK);
    DIBSECTION ds = DibOf(main.get());
    const BYTE* corner = MemoryPixel(ds, 50, 0);  // top-left of the picture
    EXPECT_EQ(RGB(corner[2], corner[1], corner[0]), kColorKey);
    const BYTE* body = MemoryPixel(ds, 10, 15);
    EXPECT_NE(RGB(body[2], body[1], body[0]), kColorKey);
}

// A copy of this program whose resources also hold a BITMAP of the id of a
// PNG skin, loaded as a data file; deleted with the object.
class ModuleWithBitmapBesidePng {
public:
    ModuleWithBitmapBesidePng(UINT id, int width, int height) {
        wchar_t self[MAX_PATH] = {}, dir[MAX_PATH] = {};
        ::GetModuleFileNameW(nullptr, self, MAX_PATH);
        ::GetTempPathW(MAX_PATH, dir);
        path_ = std::wstring(dir) + L"xcjy_bitmap_beside_png.exe";
        if (!::CopyFileW(self, path_.c_str(), FALSE)) return;

        // A packed 24-bit DIB, rows padded to four bytes.
        const int stride = (width * 3 + 3) & ~3;
        std::vector<BYTE> dib(sizeof(BITMAPINFOHEADER) + static_cast<size_t>(stride) * height, 0x40);
        BITMAPINFOHEADER header{};
        header.biSize = sizeof header;
        header.biWidth = width;
        header.biHeight = height;
        header.biPlanes = 1;
        header.biBitCount = 24;
        header.biCompression = BI_RGB;
        memcpy(dib.data(), &header, sizeof header);

        HANDLE update = ::BeginUpdateResourceW(path_.c_str(), FALSE);
        if (!update) return;
        const bool added = ::UpdateResourceW(update, RT_BITMAP, MAKEINTRESOURCEW(id),
                                             MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), dib.data(),
                                             static_cast<DWORD>(dib.size())) != FALSE;
        if (!::EndUpdateResourceW(update, !added) || !added) return;
        module_ = ::LoadLibraryExW(path_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }
    ~ModuleWithBitmapBesidePng() {
        if (module_) ::FreeLibrary(module_);
        ::DeleteFileW(path_.c_str());
    }
    HINSTANCE get() const { return module_; }

private:
    std::wstring path_;
    HMODULE module_ = nullptr;
};

// The login frame's picture as the layered window takes it, against GDI+'s
// own premultiplying conversion of the same resource: same size, same pixels
// (within one step of rounding), rows bottom-up; and the same picture when it
// is decoded ahead on a thread of its own.
TEST(SkinImage, TheFramePictureIsPremultipliedBottomUpAsGdiplusWouldMakeIt) {
    HINSTANCE module = ::GetModuleHandleW(nullptr);
    fw::UniqueBitmap direct = LoadPngResourceWithAlpha(module, IDB_LOGIN_BK);
    PrefetchedPng ahead(module, IDB_LOGIN_BK);
    fw::UniqueBitmap prefetched = ahead.Take();
    ASSERT_TRUE(direct);
    ASSERT_TRUE(prefetched);
    EXPECT_FALSE(ahead.Take()) << "handed over once";

    GdiplusScope gdiplus;
    HRSRC res = ::FindResourceW(module, MAKEINTRESOURCEW(IDB_LOGIN_BK), L"PNG");
    ASSERT_NE(res, nullptr);
    const DWORD size = ::SizeofResource(module, res);
    HGLOBAL copy = ::GlobalAlloc(GMEM_MOVEABLE, size);
    std::memcpy(::GlobalLock(copy), ::LockResource(::LoadResource(module, res)), size);
    ::GlobalUnlock(copy);
    IStream* stream = nullptr;
    ASSERT_EQ(::CreateStreamOnHGlobal(copy, TRUE, &stream), S_OK);
    {
        Gdiplus::Bitmap image(stream);
        ASSERT_EQ(image.GetLastStatus(), Gdiplus::Ok);
        const int w = static_cast<int>(image.GetWidth()), h = static_cast<int>(image.GetHeight());
        Gdiplus::Rect all(0, 0, w, h);
        Gdiplus::BitmapData locked{};
        ASSERT_EQ(image.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppPARGB, &locked), Gdiplus::Ok);
        for (HBITMAP bmp : {direct.get(), prefetched.get()}) {
            const DIBSECTION ds = DibOf(bmp);
            ASSERT_EQ(ds.dsBm.bmWidth, w);
            ASSERT_EQ(ds.dsBm.bmHeight, h);
            int differing = 0, translucent = 0;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const BYTE* want = static_cast<const BYTE*>(locked.Scan0) + y * locked.Stride + x * 4;
                    const BYTE* got = MemoryPixel(ds, h - 1 - y, x);
                    if (want[3] != 0 && want[3] != 255) ++translucent;
                    for (int c = 0; c < 4; ++c)
                        if (std::abs(want[c] - got[c]) > 1) ++differing;
                }
            EXPECT_EQ(differing, 0);
            EXPECT_GT(translucent, 0) << "the picture has soft edges to compare";
        }
        image.UnlockBits(&locked);
    }
    stream->Release();
}

// Straight ARGB pixels, top row first.
struct Argb {
    int width = 0, height = 0;
    std::vector<BYTE> bgra;  // four bytes a pixel: blue, green, red, alpha
    const BYTE* at(int x, int y) const { return &bgra[(static_cast<size_t>(y) * width + x) * 4]; }
};

// A resource of this type and id as GDI+ decodes it (GDI+ must be running).
Argb DecodedResource(HINSTANCE module, UINT id, const wchar_t* type) {
    Argb out;
    HRSRC res = ::FindResourceW(module, MAKEINTRESOURCEW(id), type);
    if (!res) return out;
    const DWORD size = ::SizeofResource(module, res);
    HGLOBAL copy = ::GlobalAlloc(GMEM_MOVEABLE, size);
    std::memcpy(::GlobalLock(copy), ::LockResource(::LoadResource(module, res)), size);
    ::GlobalUnlock(copy);
    IStream* stream = nullptr;
    if (::CreateStreamOnHGlobal(copy, TRUE, &stream) != S_OK) return out;
    {
        Gdiplus::Bitmap image(stream);
        const int w = static_cast<int>(image.GetWidth()), h = static_cast<int>(image.GetHeight());
        Gdiplus::Rect all(0, 0, w, h);
        Gdiplus::BitmapData locked{};
        if (image.GetLastStatus() == Gdiplus::Ok &&
            image.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &locked) == Gdiplus::Ok) {
            out.width = w;
            out.height = h;
            for (int y = 0; y < h; ++y) {
                const BYTE* row = static_cast<const BYTE*>(locked.Scan0) + y * locked.Stride;
                out.bgra.insert(out.bgra.end(), row, row + w * 4);
            }
            image.UnlockBits(&locked);
        }
    }
    stream->Release();
    return out;
}

// A loaded skin's DIB section, top row first (its fourth byte as it is: 0 in
// keyed skins, the premultiplied alpha in the frame picture).
Argb DibPixels(HBITMAP bmp) {
    Argb out;
    const DIBSECTION ds = DibOf(bmp);
    out.width = ds.dsBm.bmWidth;
    out.height = ds.dsBm.bmHeight;
    for (int y = 0; y < out.height; ++y) {
        const BYTE* row = MemoryPixel(ds, out.height - 1 - y, 0);
        out.bgra.insert(out.bgra.end(), row, row + out.width * 4);
    }
    return out;
}

// Area average of `src` at `width` x `height`, opaque pixels only, colour
// channels; alpha set to 255 where every pixel under it was opaque, else 0.
Argb AreaAverage(const Argb& src, int width, int height) {
    Argb out;
    out.width = width;
    out.height = height;
    const double sx = static_cast<double>(src.width) / width, sy = static_cast<double>(src.height) / height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            double sum[3] = {0, 0, 0}, weight = 0;
            bool opaque = true;
            for (int v = static_cast<int>(y * sy); v < (y + 1) * sy && v < src.height; ++v)
                for (int u = static_cast<int>(x * sx); u < (x + 1) * sx && u < src.width; ++u) {
                    const double w = (std::min<double>(v + 1, (y + 1) * sy) - std::max<double>(v, y * sy)) *
                                     (std::min<double>(u + 1, (x + 1) * sx) - std::max<double>(u, x * sx));
                    const BYTE* p = src.at(u, v);
                    opaque = opaque && p[3] == 255;
                    for (int c = 0; c < 3; ++c) sum[c] += w * p[c];
                    weight += w;
                }
            for (int c = 0; c < 3; ++c) out.bgra.push_back(static_cast<BYTE>(sum[c] / weight + 0.5));
            out.bgra.push_back(opaque ? 255 : 0);
        }
    return out;
}

// Mean colour difference of `got` against `want` over the pixels `want`
// marks opaque and `got` does not hold as the colour key.
double MeanOpaqueDifference(const Argb& got, const Argb& want) {
    double total = 0;
    long count = 0;
    for (int y = 0; y < want.height && y < got.height; ++y)
        for (int x = 0; x < want.width && x < got.width; ++x) {
            const BYTE *g = got.at(x, y), *w = want.at(x, y);
            if (w[3] != 255 || RGB(g[2], g[1], g[0]) == kColorKey) continue;
            for (int c = 0; c < 3; ++c) total += std::abs(g[c] - w[c]);
            count += 3;
        }
    return count ? total / static_cast<double>(count) : 1e9;
}

// Above 100 % a skin is drawn from its doubled art: at 200 % it is that art
// itself, at 125 % and 150 % that art scaled down, much closer to it than the
// design scaled up could come. The login frame's doubled art is a JPEG of its
// colours alone: its alpha still has the design's transparent rim and opaque
// card.
TEST(SkinImage, AboveTheDesignScaleSkinsComeFromTheirDoubledArt) {
    GdiplusScope gdiplus;
    HINSTANCE module = ::GetModuleHandleW(nullptr);
    const struct {
        UINT id;
        const wchar_t* doubledType;
    } skins[] = {{IDB_LINK_SITE, L"PNG"}, {IDB_TAB, L"PNG"}, {IDB_LOGIN_BK, L"JPG"}};
    for (const auto& s : skins) {
        const Argb design = DecodedResource(module, s.id, L"PNG");
        const Argb doubled = DecodedResource(module, s.id + kDoubleSizeSkinOffset, s.doubledType);
        ASSERT_EQ(doubled.width, 2 * design.width) << s.id;
        ASSERT_EQ(doubled.height, 2 * design.height) << s.id;
        for (int dpi : {120, 144, 192}) {
            const fw::UniqueBitmap bmp = s.id == IDB_LOGIN_BK ? LoadPngResourceWithAlpha(module, s.id, dpi)
                                                              : LoadPngResource(module, s.id, dpi);
            ASSERT_TRUE(bmp) << s.id << " at " << dpi;
            const Argb got = DibPixels(bmp.get());
            // The design scaled up (nearest) and the doubled art scaled down
            // to the loaded size: which one the loader drew from shows.
            const Argb fromDoubled = AreaAverage(doubled, got.width, got.height);
            const Argb fromDesign = AreaAverage(design, got.width, got.height);
            const double toDoubled = MeanOpaqueDifference(got, fromDoubled);
            const double toDesign = MeanOpaqueDifference(got, fromDesign);
            // Seen under wine: 0.0 to 0.7 at 192 dpi; up to 4.9 below (the
            // filter is bicubic, the reference an area average), where the
            // design scaled comes to 2.0 to 7.5.
            EXPECT_LT(toDoubled, dpi == 192 ? 1.0 : 6.0) << s.id << " at " << dpi;
            EXPECT_LT(toDoubled * 1.3, toDesign) << s.id << " at " << dpi;
            if (s.id == IDB_LOGIN_BK) {
                EXPECT_EQ(got.at(0, 0)[3], 0) << "the rim stays transparent at " << dpi;
                EXPECT_EQ(got.at(got.width / 2, got.height / 2)[3], 255) << "the card stays opaque at " << dpi;
            }
        }
    }
}

TEST(SkinImage, AnOrdinaryBitmapResourceWinsOverThePngAndIsNotConverted) {
    ModuleWithBitmapBesidePng both(IDB_MAIN_BK, 5, 3);
    ASSERT_NE(both.get(), nullptr);
    HRSRC png = ::FindResourceW(both.get(), MAKEINTRESOURCEW(IDB_MAIN_BK), L"PNG");
    ASSERT_NE(png, nullptr) << "the module still has the PNG of that id";

    fw::UniqueBitmap bmp = LoadPngResource(both.get(), IDB_MAIN_BK);
    ASSERT_TRUE(bmp);
    EXPECT_EQ(CBitmap::BitmapSize(bmp.get()).cx, 5) << "the BITMAP, not the 30 x 51 PNG";
    EXPECT_EQ(CBitmap::BitmapSize(bmp.get()).cy, 3);
    DIBSECTION ds{};
    EXPECT_NE(::GetObjectW(bmp.get(), sizeof ds, &ds), static_cast<int>(sizeof ds)) << "a plain bitmap, no DIB section";

    // Ids without a BITMAP still come from their PNG.
    fw::UniqueBitmap other = LoadPngResource(both.get(), IDB_CAPT_CLOSE);
    EXPECT_EQ(CBitmap::BitmapSize(other.get()).cx, 108);
}

TEST(SkinImage, StripImageListsCutEqualFrames) {
    HINSTANCE inst = ::GetModuleHandleW(nullptr);
    const struct {
        UINT id;
        int frames, cx, cy;
    } cases[] = {{IDB_CAPT_CLOSE, 4, 27, 27}, {IDB_TAB, 3, 189, 22}, {IDB_TAB_CLOSE, 3, 13, 13}, {IDB_ADD_ACCOUNT, 1, 12, 13}};
    for (const auto& c : cases) {
        fw::UniqueBitmap strip = LoadPngResource(inst, c.id);
        CImageList list;
        BuildStripImageList(list, strip.get(), c.frames);
        EXPECT_EQ(list.GetImageCount(), c.frames) << c.id;
        int cx = 0, cy = 0;
        ::ImageList_GetIconSize(list.GetSafeHandle(), &cx, &cy);
        EXPECT_EQ(cx, c.cx);
        EXPECT_EQ(cy, c.cy);
    }

    // Building a list leaves the strip as it was: owners build from it again.
    fw::UniqueBitmap strip = LoadPngResource(inst, IDB_CAPT_MAX);
    std::vector<BYTE> before(108 * 27 * 4), after(before.size());
    DIBSECTION ds = DibOf(strip.get());
    memcpy(before.data(), ds.dsBm.bmBits, before.size());
    CImageList twice;
    BuildStripImageList(twice, strip.get(), 4);
    BuildStripImageList(twice, strip.get(), 4);
    memcpy(after.data(), ds.dsBm.bmBits, after.size());
    EXPECT_EQ(before, after);

    // 10 columns in 4 frames: 2-pixel frames, the last 2 columns ignored.
    fw::WindowDC screen(nullptr);
    fw::UniqueBitmap narrow(::CreateCompatibleBitmap(screen, 10, 5));
    CImageList list;
    BuildStripImageList(list, narrow.get(), 4);
    int cx = 0, cy = 0;
    ::ImageList_GetIconSize(list.GetSafeHandle(), &cx, &cy);
    EXPECT_EQ(cx, 2);
}

TEST(SkinImage, PictureFilesAreDrawnOverWhite) {
    GdiplusScope gdiplus;
    wchar_t dir[MAX_PATH];
    ::GetTempPathW(MAX_PATH, dir);
    std::wstring png = std::wstring(dir) + L"xcjy_picture_test.png";
    {
        Gdiplus::Bitmap image(4, 3, PixelFormat32bppARGB);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x) image.SetPixel(x, y, Gdiplus::Color(255, 200, 10, 10));
        image.SetPixel(0, 0, Gdiplus::Color(0, 0, 0, 0));
        CLSID pngEncoder = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
        ASSERT_EQ(image.Save(png.c_str(), &pngEncoder, nullptr), Gdiplus::Ok);
    }
    int w = -1, h = -1;
    fw::UniqueBitmap bmp(LoadImageBytesOnWhite(testutil::ReadFileText(png), w, h));
    ASSERT_TRUE(bmp);
    EXPECT_EQ(w, 4);
    EXPECT_EQ(h, 3);
    fw::WindowDC screen(nullptr);
    fw::MemDC mem(screen);
    fw::ScopedSelect select(mem, bmp.get());
    EXPECT_EQ(::GetPixel(mem, 0, 0), RGB(255, 255, 255)) << "transparent shows white";
    EXPECT_EQ(::GetPixel(mem, 3, 2), RGB(200, 10, 10));

    // At twice the scale, from the same bytes.
    w = h = -1;
    EXPECT_TRUE(fw::UniqueBitmap(LoadImageBytesOnWhite(testutil::ReadFileText(png), w, h, 192)));
    EXPECT_EQ(w, 8);
    EXPECT_EQ(h, 6);
    ::DeleteFileW(png.c_str());

    for (const char* junk : {"not a picture", ""}) {
        w = h = -1;
        EXPECT_FALSE(LoadImageBytesOnWhite(junk, w, h)) << junk;
        EXPECT_EQ(w, 0);
        EXPECT_EQ(h, 0);
    }
}

}  // namespace

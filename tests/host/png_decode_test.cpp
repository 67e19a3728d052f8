#include "skin/png_decode.h"

#include "net/md5.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// ---------------------------------------------------------------- builders

void Put32(std::string& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(v >> shift & 0xFF));
}

// A chunk with a zero CRC: the decoder leaves CRCs to the stream's own check.
void AddChunk(std::string& png, const char* type, const std::string& data) {
    Put32(png, static_cast<std::uint32_t>(data.size()));
    png += type;
    png += data;
    Put32(png, 0);
}

struct Ihdr {
    std::uint32_t width = 3, height = 5;
    std::uint8_t depth = 8, colour = 6, compression = 0, filter = 0, interlace = 0;
};

std::string HeaderData(const Ihdr& h) {
    std::string data;
    Put32(data, h.width);
    Put32(data, h.height);
    for (std::uint8_t b : {h.depth, h.colour, h.compression, h.filter, h.interlace}) data.push_back(static_cast<char>(b));
    return data;
}

// Signature, header, the compressed stream cut into `pieces` IDAT chunks, end.
std::string MakePng(const Bytes& zlib, const Ihdr& header = {}, int pieces = 1) {
    std::string png("\x89PNG\r\n\x1a\n", 8);
    AddChunk(png, "IHDR", HeaderData(header));
    const std::string all(zlib.begin(), zlib.end());
    const size_t step = (all.size() + pieces - 1) / pieces;
    for (size_t at = 0; at < all.size(); at += step) AddChunk(png, "IDAT", all.substr(at, step));
    AddChunk(png, "IEND", "");
    return png;
}

std::uint32_t Adler(const Bytes& data) {
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return b << 16 | a;
}

// A zlib stream of stored blocks of at most `block` bytes each.
Bytes StoredZlib(const Bytes& raw, size_t block = 65535) {
    Bytes out = {0x78, 0x01};
    size_t at = 0;
    do {
        const size_t n = std::min(block, raw.size() - at);
        out.push_back(at + n == raw.size() ? 1 : 0);
        out.push_back(static_cast<std::uint8_t>(n));
        out.push_back(static_cast<std::uint8_t>(n >> 8));
        out.push_back(static_cast<std::uint8_t>(~n));
        out.push_back(static_cast<std::uint8_t>(~n >> 8));
        out.insert(out.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
                   raw.begin() + static_cast<std::ptrdiff_t>(at + n));
        at += n;
    } while (at < raw.size());
    const std::uint32_t check = Adler(raw);
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(check >> shift));
    return out;
}

// The 3 x 5 picture of the fixtures: row y has filter y (none, sub, up,
// average, Paeth), so each filter is undone over real neighbours.
struct Rgba {
    std::uint8_t r, g, b, a;
};
const Rgba kPicture[5][3] = {
    {{10, 200, 50, 0}, {50, 170, 50, 128}, {90, 140, 50, 255}},
    {{17, 211, 95, 128}, {57, 181, 95, 255}, {97, 151, 95, 64}},
    {{24, 222, 140, 255}, {64, 192, 140, 64}, {104, 162, 140, 255}},
    {{31, 233, 185, 64}, {71, 203, 185, 255}, {111, 173, 185, 0}},
    {{38, 244, 230, 255}, {78, 214, 230, 0}, {118, 184, 230, 128}},
};

// The picture filtered as above and compressed with the fixed codes (made
// with Python's zlib, Z_FIXED).
const Bytes kFixedRgba = {
    0x78, 0x01, 0x63, 0xe0, 0x3a, 0x61, 0xc4, 0x60, 0xb4, 0xca, 0xa8, 0x21, 0xaa, 0xc7, 0xe8, 0x3f,
    0xa3, 0xe0, 0xe5, 0xf8, 0x06, 0x8d, 0x47, 0x0c, 0xf5, 0x40, 0xec, 0xc8, 0xc4, 0xce, 0xad, 0x5b,
    0x0f, 0xc4, 0x8e, 0x40, 0xbc, 0x9f, 0x59, 0xb8, 0xaa, 0xf8, 0xa0, 0xc4, 0x77, 0xf1, 0xfd, 0x40,
    0xcc, 0xc8, 0x02, 0x12, 0x61, 0xe7, 0x66, 0x60, 0x04, 0xe2, 0x06, 0x00, 0x8e, 0x75, 0x11, 0xf7,
};

// The picture's rows unfiltered (filter byte 0), with or without alpha.
Bytes PlainRows(bool alpha) {
    Bytes raw;
    for (const auto& row : kPicture) {
        raw.push_back(0);
        for (const Rgba& p : row) {
            raw.insert(raw.end(), {p.r, p.g, p.b});
            if (alpha) raw.push_back(p.a);
        }
    }
    return raw;
}

// What the DIB must hold: bottom-up rows of B, G, R, A, premultiplied.
Bytes ExpectedDib(bool alpha) {
    Bytes dib;
    for (int y = 4; y >= 0; --y)
        for (const Rgba& p : kPicture[y]) {
            const unsigned a = alpha ? p.a : 255;
            for (unsigned c : {p.b, p.g, p.r}) dib.push_back(static_cast<std::uint8_t>((c * a + 127) / 255));
            dib.push_back(static_cast<std::uint8_t>(a));
        }
    return dib;
}

bool Decode(const std::string& png, Bytes& dib) {
    dib.assign(3 * 5 * 4, 0xEE);
    return skin::DecodePngPremultiplied(png, dib.data(), dib.size());
}

// Writes fixed-code blocks bit by bit, for streams no compressor makes.
class FixedBlockWriter {
public:
    FixedBlockWriter() : m_out{0x78, 0x01} {}
    void Begin(bool last) {
        Bits(last ? 1 : 0, 1);
        Bits(1, 2);
    }
    void Literal(int value) {
        if (value < 144) Code(0x30 + value, 8);
        else Code(0x190 + value - 144, 9);
    }
    void EndOfBlock() { Code(0, 7); }
    // Length 3 (symbol 257), then distance code `code` with its extra bits.
    void Match3(int distanceCode, int extra, int extraBits) {
        Code(1, 7);
        Code(distanceCode, 5);
        Bits(static_cast<std::uint32_t>(extra), extraBits);
    }
    Bytes Finish(const Bytes& raw) {
        if (m_count) m_out.push_back(static_cast<std::uint8_t>(m_bits));
        const std::uint32_t check = Adler(raw);
        for (int shift = 24; shift >= 0; shift -= 8) m_out.push_back(static_cast<std::uint8_t>(check >> shift));
        return m_out;
    }

private:
    void Bits(std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i) Bit(v >> i & 1);
    }
    void Code(int code, int n) {
        for (int i = n - 1; i >= 0; --i) Bit(code >> i & 1);  // codes go most significant bit first
    }
    void Bit(std::uint32_t b) {
        m_bits |= b << m_count;
        if (++m_count == 8) {
            m_out.push_back(static_cast<std::uint8_t>(m_bits));
            m_bits = 0;
            m_count = 0;
        }
    }
    Bytes m_out;
    std::uint32_t m_bits = 0;
    int m_count = 0;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// ------------------------------------------------------------------- tests

TEST(PngDecode, EveryBlockKindAndFilterGivesThePremultipliedBottomUpPicture) {
    struct Case {
        const char* what;
        std::string png;
        bool alpha;
    };
    const Case cases[] = {
        {"fixed codes, all five filters", MakePng(kFixedRgba), true},
        {"the same stream cut into three IDAT chunks", MakePng(kFixedRgba, {}, 3), true},
        {"stored blocks", MakePng(StoredZlib(PlainRows(true))), true},
        {"stored blocks of 7 bytes", MakePng(StoredZlib(PlainRows(true), 7)), true},
        {"no alpha: opaque", MakePng(StoredZlib(PlainRows(false)), Ihdr{3, 5, 8, 2}), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::optional<skin::PngInfo> info = skin::ReadPngInfo(c.png);
        ASSERT_TRUE(info);
        EXPECT_EQ(info->width, 3);
        EXPECT_EQ(info->height, 5);
        Bytes dib;
        ASSERT_TRUE(Decode(c.png, dib));
        EXPECT_EQ(dib, ExpectedDib(c.alpha));
    }
    // The rounding, by hand: the picture's top row is the DIB's last. Its
    // second pixel (50, 170, 50) at alpha 128: 25.1, 85.3 and 25.1 round down;
    // its first, at alpha 0, is all zero.
    Bytes dib;
    ASSERT_TRUE(Decode(MakePng(kFixedRgba), dib));
    const size_t top = 4 * 3 * 4;
    EXPECT_EQ(Bytes(dib.begin() + top, dib.begin() + top + 8), (Bytes{0, 0, 0, 0, 25, 85, 25, 128}));
}

// The launcher's own pictures use dynamic codes, long codes among them; the
// digests are of the same DIB bytes made by Python's zlib and a separate
// unfiltering.
TEST(PngDecode, TheLaunchersPicturesDecodeToTheirKnownPixels) {
    struct Case {
        const char* file;
        int width, height;
        const wchar_t* md5;
    };
    const Case cases[] = {
        {"141.png", 1001, 634, L"77285ebb6c6b12e257aaa1f32aca83ec"},
        {"165.png", 228, 23, L"d8c59dc4c5c9cc46388fe4ef2608e5df"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string png = ReadFile(std::string(XCJY_SOURCE_DIR) + "/res/skins/" + c.file);
        const std::optional<skin::PngInfo> info = skin::ReadPngInfo(png);
        ASSERT_TRUE(info);
        ASSERT_EQ(info->width, c.width);
        ASSERT_EQ(info->height, c.height);
        std::string dib(static_cast<size_t>(c.width) * c.height * 4, '\0');
        ASSERT_TRUE(skin::DecodePngPremultiplied(png, dib.data(), dib.size()));
        EXPECT_EQ(Md5Hex(dib), c.md5);
    }
}

TEST(PngDecode, PicturesOfAnotherKindAreRefusedBeforeDecoding) {
    const Bytes stream = StoredZlib(PlainRows(true));
    struct Case {
        const char* what;
        Ihdr header;
    };
    const Case cases[] = {
        {"16-bit samples", {3, 5, 16, 6}},
        {"palette", {3, 5, 8, 3}},
        {"grey with alpha", {3, 5, 8, 4}},
        {"interlaced", {3, 5, 8, 6, 0, 0, 1}},
        {"unknown compression", {3, 5, 8, 6, 1}},
        {"unknown filter method", {3, 5, 8, 6, 0, 1}},
        {"no width", {0, 5}},
        {"no height", {3, 0}},
        {"wider than the limit", {static_cast<std::uint32_t>(skin::kMaxPngSide) + 1, 5}},
        {"a width beyond 31 bits", {0x80000003u, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string png = MakePng(stream, c.header);
        EXPECT_FALSE(skin::ReadPngInfo(png));
        Bytes dib;
        EXPECT_FALSE(Decode(png, dib));
    }
    EXPECT_FALSE(skin::ReadPngInfo("not a picture"));
    EXPECT_FALSE(skin::ReadPngInfo(""));
}

TEST(PngDecode, DamagedOrMismatchedDataFails) {
    const Bytes raw = PlainRows(true);
    auto with = [&](auto change) {
        Bytes stream = StoredZlib(raw);
        change(stream);
        return MakePng(stream);
    };
    Bytes rawFilter5 = raw;
    rawFilter5[0] = 5;
    Bytes shortRaw(raw.begin(), raw.end() - 1);
    Bytes longRaw = raw;
    longRaw.push_back(0);

    // A match reaching before the start, in a stream otherwise whole.
    FixedBlockWriter farBack;
    farBack.Begin(true);
    farBack.Literal(0);
    farBack.Match3(4, 1, 1);  // distance 6, one byte written so far
    farBack.EndOfBlock();

    std::string idatSplit("\x89PNG\r\n\x1a\n", 8);
    AddChunk(idatSplit, "IHDR", HeaderData({}));
    const Bytes whole = StoredZlib(raw);
    AddChunk(idatSplit, "IDAT", std::string(whole.begin(), whole.begin() + 10));
    AddChunk(idatSplit, "tEXt", "a");
    AddChunk(idatSplit, "IDAT", std::string(whole.begin() + 10, whole.end()));
    AddChunk(idatSplit, "IEND", "");

    std::string unknownCritical = MakePng(whole);
    unknownCritical.insert(33, std::string("\0\0\0\0QQQQ\0\0\0\0", 12));
    std::string ancillary = MakePng(whole);
    ancillary.insert(33, std::string("\0\0\0\0qqqq\0\0\0\0", 12));

    struct Case {
        const char* what;
        std::string png;
    };
    const Case cases[] = {
        {"a wrong check value", with([](Bytes& s) { s.back() ^= 1; })},
        {"a changed pixel byte", with([](Bytes& s) { s[20] ^= 0x40; })},
        {"not deflate", with([](Bytes& s) { s[0] = 0x79; })},
        {"a header that fails its own check", with([](Bytes& s) { s[1] = 0x02; })},
        {"a preset dictionary", with([](Bytes& s) { s[1] = 0x20 | (31 - (0x78 * 256 + 0x20) % 31); })},
        {"block type 3", with([](Bytes& s) { s[2] = 0x07; })},
        {"a stored length and complement that disagree", with([](Bytes& s) { s[5] ^= 1; })},
        {"an unknown row filter", MakePng(StoredZlib(rawFilter5))},
        {"a byte too few", MakePng(StoredZlib(shortRaw))},
        {"a byte too many", MakePng(StoredZlib(longRaw))},
        {"a distance before the start", MakePng(farBack.Finish(raw))},
        {"data interrupted by another chunk", idatSplit},
        {"an unknown critical chunk", unknownCritical},
        {"no IEND", MakePng(whole).substr(0, MakePng(whole).size() - 12)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes dib;
        EXPECT_FALSE(Decode(c.png, dib));
    }
    Bytes dib;
    EXPECT_TRUE(Decode(ancillary, dib)) << "an ancillary chunk is skipped";

    // The destination must be the picture's size exactly.
    const std::string good = MakePng(whole);
    Bytes small(3 * 5 * 4 - 1), large(3 * 5 * 4 + 1);
    EXPECT_FALSE(skin::DecodePngPremultiplied(good, small.data(), small.size()));
    EXPECT_FALSE(skin::DecodePngPremultiplied(good, large.data(), large.size()));
    EXPECT_FALSE(skin::DecodePngPremultiplied(good, nullptr, 3 * 5 * 4));
}

// Every cut of a valid picture fails cleanly: the reader never runs past
// what it was given.
TEST(PngDecode, EveryTruncationFails) {
    for (const std::string& png : {MakePng(kFixedRgba), MakePng(StoredZlib(PlainRows(true)))}) {
        for (size_t n = 0; n < png.size(); ++n) {
            SCOPED_TRACE(n);
            // The cut copy lives on the heap alone, so that a read past its
            // end is a fault the sanitizer sees.
            const std::string cut = png.substr(0, n);
            Bytes dib;
            EXPECT_FALSE(Decode(cut, dib));
        }
    }
}

}  // namespace

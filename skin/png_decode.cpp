#include "skin/png_decode.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace skin {
namespace {

using Bytes = std::string_view;

std::uint32_t BigEndian32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

const unsigned char* Raw(Bytes bytes) { return reinterpret_cast<const unsigned char*>(bytes.data()); }

constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

struct Chunk {
    Bytes type;
    Bytes data;
};

// Walks the chunks after the signature; each one's length is checked against
// what is left before it is read. The CRCs are not checked: the compressed
// stream carries its own check, over what matters.
class ChunkReader {
public:
    explicit ChunkReader(Bytes png) : m_rest(png.size() >= 8 ? png.substr(8) : Bytes{}) {}

    std::optional<Chunk> Next() {
        if (m_rest.size() < 12) return std::nullopt;
        const std::uint32_t length = BigEndian32(Raw(m_rest));
        if (length > m_rest.size() - 12) return std::nullopt;
        Chunk chunk{m_rest.substr(4, 4), m_rest.substr(8, length)};
        m_rest.remove_prefix(12 + static_cast<std::size_t>(length));
        return chunk;
    }

private:
    Bytes m_rest;
};

struct Header {
    PngInfo info;
    int channels = 0;  // 3 or 4
};

std::optional<Header> ReadHeader(Bytes png) {
    if (png.size() < 8 || std::memcmp(png.data(), kSignature, 8) != 0) return std::nullopt;
    ChunkReader chunks(png);
    const std::optional<Chunk> first = chunks.Next();
    if (!first || first->type != "IHDR" || first->data.size() != 13) return std::nullopt;
    const unsigned char* h = Raw(first->data);
    const std::uint32_t width = BigEndian32(h), height = BigEndian32(h + 4);
    const int depth = h[8], colour = h[9], compression = h[10], filter = h[11], interlace = h[12];
    if (width == 0 || height == 0 || width > kMaxPngSide || height > kMaxPngSide) return std::nullopt;
    if (depth != 8 || (colour != 2 && colour != 6) || compression != 0 || filter != 0 || interlace != 0)
        return std::nullopt;
    return Header{{static_cast<int>(width), static_cast<int>(height)}, colour == 6 ? 4 : 3};
}

// ------------------------------------------------------------------ inflate

// Bits are taken least significant first, as the format packs them. Past the
// end of the input the reader hands out zeros and remembers that it did: a
// stream that needs them is cut short.
class BitReader {
public:
    explicit BitReader(Bytes in) : m_p(Raw(in)), m_end(m_p + in.size()) {}

    void Refill() {
        while (m_count <= 56) {
            if (m_p < m_end) {
                m_bits |= static_cast<std::uint64_t>(*m_p++) << m_count;
            } else {
                m_overrun += 8;
            }
            m_count += 8;
        }
    }
    std::uint32_t Peek(int n) {
        if (m_count < n) Refill();
        return static_cast<std::uint32_t>(m_bits & ((std::uint64_t{1} << n) - 1));
    }
    void Drop(int n) {
        m_bits >>= n;
        m_count -= n;
    }
    std::uint32_t Take(int n) {
        const std::uint32_t v = Peek(n);
        Drop(n);
        return v;
    }
    // To the next byte boundary, as a stored block begins.
    void AlignToByte() { Drop(m_count % 8); }
    // Whether any bit handed out so far lay past the input's end.
    bool Overran() const { return m_overrun > m_count; }
    // The input from the first byte not yet taken (the reader holds no more
    // than whole bytes after AlignToByte).
    const unsigned char* BytePosition() const {
        const int held = (m_count - m_overrun) / 8;
        return m_p - (held > 0 ? held : 0);
    }
    void SkipTo(const unsigned char* p) {
        m_p = p;
        m_bits = 0;
        m_count = 0;
        m_overrun = 0;
    }
    const unsigned char* End() const { return m_end; }

private:
    const unsigned char* m_p;
    const unsigned char* m_end;
    std::uint64_t m_bits = 0;
    int m_count = 0;
    int m_overrun = 0;  // zero bits in m_count that came from past the end
};

constexpr int kMaxCodeBits = 15;
constexpr int kFastBits = 10;

// A canonical prefix code: a table indexed by the next kFastBits input bits
// for the short codes (nearly all of them), and the counts per length for the
// rest, decoded bit by bit.
class Huffman {
public:
    // False for lengths that over-subscribe the code; an incomplete code is
    // allowed (a distance code of one symbol is one), and a bit pattern
    // outside it fails when met.
    bool Build(const std::uint8_t* lengths, int symbols) {
        m_count.fill(0);
        for (int s = 0; s < symbols; ++s) ++m_count[lengths[s]];
        m_count[0] = 0;
        int left = 1;
        for (int len = 1; len <= kMaxCodeBits; ++len) {
            left = left * 2 - m_count[len];
            if (left < 0) return false;
        }
        std::array<int, kMaxCodeBits + 2> offset{};
        for (int len = 1; len <= kMaxCodeBits; ++len) offset[len + 1] = offset[len] + m_count[len];
        m_symbol.assign(static_cast<std::size_t>(offset[kMaxCodeBits + 1]), 0);
        for (int s = 0; s < symbols; ++s)
            if (lengths[s]) m_symbol[static_cast<std::size_t>(offset[lengths[s]]++)] = static_cast<std::uint16_t>(s);

        // The fast table: each code of up to kFastBits bits, reversed (the
        // input holds codes most significant bit first), fills every entry
        // that ends in it.
        m_fast.fill(0);
        int code = 0, index = 0;
        for (int len = 1; len <= kFastBits; ++len) {
            for (int i = 0; i < m_count[len]; ++i, ++code, ++index) {
                const int reversed = Reverse(code, len);
                const std::uint16_t entry = static_cast<std::uint16_t>(m_symbol[static_cast<std::size_t>(index)] << 4 | len);
                for (int fill = reversed; fill < (1 << kFastBits); fill += 1 << len) m_fast[static_cast<std::size_t>(fill)] = entry;
            }
            code <<= 1;
        }
        return true;
    }

    // The next symbol, or -1 for a pattern that is no code.
    int Decode(BitReader& in) const {
        const std::uint16_t entry = m_fast[in.Peek(kFastBits)];
        if (entry) {
            in.Drop(entry & 15);
            return entry >> 4;
        }
        // Longer than the table: canonical decoding, one bit at a time.
        const std::uint32_t bits = in.Peek(kMaxCodeBits);
        int code = 0, first = 0, index = 0;
        for (int len = 1; len <= kMaxCodeBits; ++len) {
            code |= static_cast<int>(bits >> (len - 1) & 1);
            const int count = m_count[len];
            if (code - first < count) {
                in.Drop(len);
                return m_symbol[static_cast<std::size_t>(index + code - first)];
            }
            index += count;
            first = (first + count) << 1;
            code <<= 1;
        }
        return -1;
    }

private:
    static int Reverse(int code, int len) {
        int r = 0;
        for (int i = 0; i < len; ++i, code >>= 1) r = r << 1 | (code & 1);
        return r;
    }

    std::array<std::uint16_t, 1 << kFastBits> m_fast{};  // symbol << 4 | length; 0: longer code
    std::array<int, kMaxCodeBits + 1> m_count{};
    std::vector<std::uint16_t> m_symbol;
};

constexpr std::uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                           31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::uint16_t kDistanceBase[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,
                                             33,  49,  65,  97,  129, 193,  257,  385,  513,  769,
                                             1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                             6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// ---------------------------------------------------------------- filtering

// The predictor as the format defines it: of left, above and upper left, the
// one nearest to left + above - upper left, in that order on a tie.
int Paeth(int a, int b, int c) {
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    const int nearer = pb <= pc ? b : c;
    return pa <= pb && pa <= pc ? a : nearer;
}

// Undoes one row's filter in place; `above` is the previous row, already
// undone (zeros for the first).
bool Unfilter(int filter, std::uint8_t* row, const std::uint8_t* above, std::size_t bytes, std::size_t bpp) {
    switch (filter) {
    case 0:
        return true;
    case 1:
        for (std::size_t i = bpp; i < bytes; ++i) row[i] = static_cast<std::uint8_t>(row[i] + row[i - bpp]);
        return true;
    case 2:
        for (std::size_t i = 0; i < bytes; ++i) row[i] = static_cast<std::uint8_t>(row[i] + above[i]);
        return true;
    case 3:
        // The first pixel has nothing to its left.
        for (std::size_t i = 0; i < bpp; ++i) row[i] = static_cast<std::uint8_t>(row[i] + (above[i] >> 1));
        for (std::size_t i = bpp; i < bytes; ++i)
            row[i] = static_cast<std::uint8_t>(row[i] + ((row[i - bpp] + above[i]) >> 1));
        return true;
    case 4:
        for (std::size_t i = 0; i < bpp; ++i) row[i] = static_cast<std::uint8_t>(row[i] + above[i]);
        for (std::size_t i = bpp; i < bytes; ++i)
            row[i] = static_cast<std::uint8_t>(row[i] + Paeth(row[i - bpp], above[i], above[i - bpp]));
        return true;
    default:
        return false;
    }
}

std::uint8_t Premultiply(unsigned c, unsigned a) { return static_cast<std::uint8_t>((c * a + 127) / 255); }

void StoreRow(const std::uint8_t* row, std::size_t width, std::size_t channels, std::uint8_t* to) {
    for (std::size_t x = 0; x < width; ++x, row += channels, to += 4) {
        const unsigned a = channels == 4 ? row[3] : 255;
        if (a == 255) {  // most pixels of a picture: no arithmetic
            to[0] = row[2];
            to[1] = row[1];
            to[2] = row[0];
        } else {
            to[0] = Premultiply(row[2], a);
            to[1] = Premultiply(row[1], a);
            to[2] = Premultiply(row[0], a);
        }
        to[3] = static_cast<std::uint8_t>(a);
    }
}

// Takes the inflated bytes as they come, a filter byte and a row at a time,
// and stores each row in the DIB as soon as it is whole. The picture's whole
// filtered form is never held: on a machine where every first touch of a
// memory page is costly, a second picture-sized buffer cost as much as the
// decoding.
class RowSink {
public:
    RowSink(const Header& header, std::uint8_t* dib)
        : m_width(static_cast<std::size_t>(header.info.width)),
          m_channels(static_cast<std::size_t>(header.channels)),
          m_rowBytes(m_width * m_channels),
          m_rowsLeft(static_cast<std::size_t>(header.info.height)),
          m_line(m_rowBytes + 1),
          m_above(m_rowBytes, 0),
          m_next(dib + (m_rowsLeft - 1) * m_width * 4) {}

    // False for bytes past the picture's last row or a row of an unknown filter.
    bool Put(const std::uint8_t* p, std::size_t n) {
        m_adler.Add(p, n);
        while (n) {
            if (m_rowsLeft == 0) return false;
            const std::size_t take = std::min(n, m_line.size() - m_filled);
            std::memcpy(m_line.data() + m_filled, p, take);
            m_filled += take;
            p += take;
            n -= take;
            if (m_filled == m_line.size() && !EndRow()) return false;
        }
        return true;
    }
    bool Complete() const { return m_rowsLeft == 0 && m_filled == 0; }
    std::uint32_t Adler32() const { return m_adler.Value(); }

private:
    // Adler-32 of everything put, in the zlib wrapper's check.
    class Adler {
    public:
        void Add(const std::uint8_t* p, std::size_t n) {
            while (n) {
                // The most bytes before b could pass 32 bits.
                const std::size_t run = std::min<std::size_t>(n, 5552);
                for (std::size_t i = 0; i < run; ++i) {
                    m_a += p[i];
                    m_b += m_a;
                }
                m_a %= 65521;
                m_b %= 65521;
                p += run;
                n -= run;
            }
        }
        std::uint32_t Value() const { return m_b << 16 | m_a; }

    private:
        std::uint32_t m_a = 1, m_b = 0;
    };

    bool EndRow() {
        std::uint8_t* row = m_line.data() + 1;
        if (!Unfilter(m_line[0], row, m_above.data(), m_rowBytes, m_channels)) return false;
        StoreRow(row, m_width, m_channels, m_next);
        std::memcpy(m_above.data(), row, m_rowBytes);
        m_filled = 0;
        if (--m_rowsLeft) m_next -= m_width * 4;  // bottom-up: the next row lies below
        return true;
    }

    std::size_t m_width, m_channels, m_rowBytes, m_rowsLeft;
    std::vector<std::uint8_t> m_line;   // filter byte and row, as inflated
    std::vector<std::uint8_t> m_above;  // the previous row, unfiltered
    std::size_t m_filled = 0;
    std::uint8_t* m_next;  // where the next row goes in the DIB
    Adler m_adler;
};

// Inflates into a window that keeps the last 32 KiB a match may reach back
// into, handing everything before that to the sink whenever the window fills.
class Inflater {
public:
    Inflater(Bytes in, RowSink& sink) : m_in(in), m_sink(sink), m_window(kHistory + kSpan) {}

    bool Run() {
        bool last = false;
        while (!last) {
            last = m_in.Take(1) != 0;
            const std::uint32_t type = m_in.Take(2);
            bool ok = false;
            if (type == 0) ok = Stored();
            else if (type == 1) ok = FixedBlock();
            else if (type == 2) ok = DynamicBlock();
            if (!ok || m_in.Overran()) return false;
        }
        return Flush() && m_sink.Complete();
    }

    // The input after the last block, for the check value that follows it.
    const unsigned char* Rest() {
        m_in.AlignToByte();
        return m_in.BytePosition();
    }

private:
    static constexpr std::size_t kHistory = 32768;
    static constexpr std::size_t kSpan = 65536;
    static constexpr std::size_t kLongestMatch = 258;
    // CopyMatch may write this many bytes past a match's end (the window keeps
    // room for them, and later bytes overwrite them).
    static constexpr std::size_t kCopyOverrun = 7;

    // The match's copy: from `distance` back, `length` bytes, the source
    // overlapping what is written when the distance is shorter than the
    // length (a run). Eight bytes at a time where the distance allows:
    // long matches make most of a picture's bytes.
    static void CopyMatch(std::uint8_t* to, std::size_t distance, std::size_t length) {
        const std::uint8_t* from = to - distance;
        if (distance >= 8) {
            for (std::size_t i = 0; i < length; i += 8) std::memcpy(to + i, from + i, 8);
        } else {
            for (std::size_t i = 0; i < length; ++i) to[i] = from[i];
        }
    }

    // Hands the bytes not yet handed over to the sink and keeps the history.
    bool Flush() {
        if (!m_sink.Put(m_window.data() + m_flushed, m_at - m_flushed)) return false;
        if (m_at > kHistory) {
            std::memmove(m_window.data(), m_window.data() + m_at - kHistory, kHistory);
            m_at = kHistory;
        }
        m_flushed = m_at;
        return true;
    }

    bool Stored() {
        m_in.AlignToByte();
        const unsigned char* p = m_in.BytePosition();
        if (m_in.End() - p < 4) return false;
        std::size_t length = p[0] | p[1] << 8;
        const unsigned complement = p[2] | p[3] << 8;
        if ((length ^ 0xFFFF) != complement) return false;
        p += 4;
        if (static_cast<std::size_t>(m_in.End() - p) < length) return false;
        m_in.SkipTo(p + length);
        while (length) {
            if (m_at == m_window.size() && !Flush()) return false;
            const std::size_t n = std::min(length, m_window.size() - m_at);
            std::memcpy(m_window.data() + m_at, p, n);
            m_at += n;
            m_produced += n;
            p += n;
            length -= n;
        }
        return true;
    }

    bool FixedBlock() {
        static const std::pair<Huffman, Huffman> fixed = [] {
            std::uint8_t lengths[288];
            std::memset(lengths, 8, 144);
            std::memset(lengths + 144, 9, 112);
            std::memset(lengths + 256, 7, 24);
            std::memset(lengths + 280, 8, 8);
            std::uint8_t distances[30];
            std::memset(distances, 5, 30);
            std::pair<Huffman, Huffman> codes;
            codes.first.Build(lengths, 288);
            codes.second.Build(distances, 30);
            return codes;
        }();
        return Codes(fixed.first, fixed.second);
    }

    bool DynamicBlock() {
        const int literals = static_cast<int>(m_in.Take(5)) + 257;
        const int distances = static_cast<int>(m_in.Take(5)) + 1;
        const int lengthCodes = static_cast<int>(m_in.Take(4)) + 4;
        if (literals > 286 || distances > 30) return false;
        static constexpr std::uint8_t kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
        std::uint8_t codeLengths[19] = {};
        for (int i = 0; i < lengthCodes; ++i) codeLengths[kOrder[i]] = static_cast<std::uint8_t>(m_in.Take(3));
        Huffman lengthCode;
        if (!lengthCode.Build(codeLengths, 19)) return false;

        std::uint8_t lengths[286 + 30] = {};
        int n = 0;
        while (n < literals + distances) {
            const int symbol = lengthCode.Decode(m_in);
            if (symbol < 0) return false;
            if (symbol < 16) {
                lengths[n++] = static_cast<std::uint8_t>(symbol);
                continue;
            }
            std::uint8_t value = 0;
            int repeat;
            if (symbol == 16) {
                if (n == 0) return false;
                value = lengths[n - 1];
                repeat = 3 + static_cast<int>(m_in.Take(2));
            } else if (symbol == 17) {
                repeat = 3 + static_cast<int>(m_in.Take(3));
            } else {
                repeat = 11 + static_cast<int>(m_in.Take(7));
            }
            if (n + repeat > literals + distances) return false;
            while (repeat--) lengths[n++] = value;
        }
        if (lengths[256] == 0) return false;  // the block could never end
        Huffman literalCode, distanceCode;
        return literalCode.Build(lengths, literals) && distanceCode.Build(lengths + literals, distances) &&
               Codes(literalCode, distanceCode);
    }

    // On a failure the window's state no longer matters: the decoding ends.
    bool Codes(const Huffman& literalCode, const Huffman& distanceCode) {
        std::uint8_t* out = m_window.data();
        const std::size_t size = m_window.size();
        // Locals, not members, in the loop: every byte written through `out`
        // could alias a member as far as the compiler knows.
        std::size_t at = m_at;
        std::size_t produced = m_produced;
        for (;;) {
            if (size - at < kLongestMatch + kCopyOverrun) {
                m_at = at;
                if (!Flush()) return false;
                at = m_at;
            }
            // 15 bits of code, 5 of extra length, 15 of distance code and 13
            // of extra distance fit in one refill.
            m_in.Refill();
            if (m_in.Overran()) return false;
            const int symbol = literalCode.Decode(m_in);
            if (symbol < 0) return false;
            if (symbol < 256) {
                out[at++] = static_cast<std::uint8_t>(symbol);
                ++produced;
                continue;
            }
            if (symbol == 256) break;
            const int l = symbol - 257;
            if (l >= 29) return false;
            const std::size_t length = kLengthBase[l] + m_in.Take(kLengthExtra[l]);
            const int dist = distanceCode.Decode(m_in);
            if (dist < 0 || dist >= 30) return false;
            const std::size_t distance = kDistanceBase[dist] + m_in.Take(kDistanceExtra[dist]);
            if (distance > produced) return false;
            CopyMatch(out + at, distance, length);
            at += length;
            produced += length;
        }
        m_at = at;
        m_produced = produced;
        return true;
    }

    BitReader m_in;
    RowSink& m_sink;
    std::vector<std::uint8_t> m_window;
    std::size_t m_at = 0;        // where the next byte goes in the window
    std::size_t m_flushed = 0;   // the window's bytes before this are the sink's
    std::size_t m_produced = 0;  // bytes inflated in all, the reach of a match
};

// The zlib wrapper round the compressed data: its header, then the check
// value of what it holds.
bool Unzip(Bytes stream, RowSink& sink) {
    if (stream.size() < 6) return false;
    const unsigned char* p = Raw(stream);
    const unsigned method = p[0] & 15, window = p[0] >> 4;
    const bool presetDictionary = (p[1] & 0x20) != 0;
    if (method != 8 || window > 7 || (p[0] * 256 + p[1]) % 31 != 0 || presetDictionary) return false;
    Inflater inflater(stream.substr(2), sink);
    if (!inflater.Run()) return false;
    const unsigned char* rest = inflater.Rest();
    if (Raw(stream) + stream.size() - rest < 4) return false;
    return BigEndian32(rest) == sink.Adler32();
}

// The compressed stream of a PNG whose header has been read: the IDAT chunks'
// data, which may be cut into any number of chunks that follow one another.
// One chunk is returned where it lies; several are joined in `joined`. Empty
// when the data is missing or split by another chunk, the end chunk is
// missing, or an unknown critical chunk appears.
Bytes CompressedStream(Bytes png, std::string& joined) {
    Bytes compressed;
    ChunkReader chunks(png);
    chunks.Next();  // the header
    bool inData = false, dataDone = false;
    while (const std::optional<Chunk> chunk = chunks.Next()) {
        if (chunk->type == "IEND") return compressed;
        if (chunk->type != "IDAT") {
            dataDone = inData;
            // An unknown chunk that is critical (upper-case first letter)
            // changes the picture's meaning; a palette is only a suggestion.
            if (chunk->type[0] >= 'A' && chunk->type[0] <= 'Z' && chunk->type != "PLTE") return {};
            continue;
        }
        if (dataDone) return {};
        if (!inData) {
            compressed = chunk->data;
            inData = true;
            continue;
        }
        if (joined.empty()) joined = compressed;
        joined.append(chunk->data);
        compressed = joined;
    }
    return {};
}

}  // namespace

std::optional<PngInfo> ReadPngInfo(std::string_view png) {
    const std::optional<Header> header = ReadHeader(png);
    if (!header) return std::nullopt;
    return header->info;
}

bool DecodePngPremultiplied(std::string_view png, void* dst, std::size_t dstBytes) {
    const std::optional<Header> header = ReadHeader(png);
    if (!header || !dst) return false;
    const std::size_t width = static_cast<std::size_t>(header->info.width);
    const std::size_t height = static_cast<std::size_t>(header->info.height);
    if (dstBytes != width * height * 4) return false;

    std::string joined;
    const Bytes compressed = CompressedStream(png, joined);
    if (compressed.empty()) return false;
    RowSink sink(*header, static_cast<std::uint8_t*>(dst));
    return Unzip(compressed, sink);
}

}  // namespace skin

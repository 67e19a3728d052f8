#include "net/md5.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

constexpr uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};
constexpr int kShift[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

uint32_t RotateLeft(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

// One round of 16 steps with its own mixing function; the shifts and word
// order are constants, so the compiler unrolls the whole round. The generic
// 64-step loop with a switch per step ran at half the speed.
template <int Round, typename Mix>
void Md5Round(uint32_t& a, uint32_t& b, uint32_t& c, uint32_t& d, const uint32_t x[16], Mix mix) {
#pragma GCC unroll 16
    for (int j = 0; j < 16; ++j) {
        const int i = Round * 16 + j;
        constexpr int kStart[4] = {0, 1, 5, 0}, kStep[4] = {1, 5, 3, 7};
        const uint32_t next = b + RotateLeft(a + mix(b, c, d) + kSine[i] + x[(kStart[Round] + kStep[Round] * j) % 16],
                                             kShift[Round][j % 4]);
        a = d;
        d = c;
        c = b;
        b = next;
    }
}

}  // namespace

Md5::Md5() : m_state{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476} {}

void Md5::Transform(const uint8_t block[64]) {
    // The words are little-endian; on such a machine one copy loads them
    // (the byte-by-byte form was not merged into loads by the 32-bit compiler).
    uint32_t x[16];
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(x, block, sizeof x);
    } else {
        for (int i = 0; i < 16; ++i)
            x[i] = uint32_t(block[i * 4]) | uint32_t(block[i * 4 + 1]) << 8 | uint32_t(block[i * 4 + 2]) << 16 |
                   uint32_t(block[i * 4 + 3]) << 24;
    }
    uint32_t a = m_state[0], b = m_state[1], c = m_state[2], d = m_state[3];
    // The two selections of the first rounds, each one operation shorter than
    // the (b & c) | (~b & d) form it equals.
    Md5Round<0>(a, b, c, d, x, [](uint32_t b, uint32_t c, uint32_t d) { return d ^ (b & (c ^ d)); });
    Md5Round<1>(a, b, c, d, x, [](uint32_t b, uint32_t c, uint32_t d) { return c ^ (d & (b ^ c)); });
    Md5Round<2>(a, b, c, d, x, [](uint32_t b, uint32_t c, uint32_t d) { return b ^ c ^ d; });
    Md5Round<3>(a, b, c, d, x, [](uint32_t b, uint32_t c, uint32_t d) { return c ^ (b | ~d); });
    m_state[0] += a;
    m_state[1] += b;
    m_state[2] += c;
    m_state[3] += d;
}

void Md5::Update(const void* data, size_t size) {
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    m_bitCount += uint64_t(size) * 8;
    while (size > 0) {
        // Whole blocks are mixed where they lie, without the copy.
        if (m_buffered == 0 && size >= sizeof m_buffer) {
            Transform(bytes);
            bytes += sizeof m_buffer;
            size -= sizeof m_buffer;
            continue;
        }
        size_t take = std::min(size, sizeof m_buffer - m_buffered);
        std::memcpy(m_buffer + m_buffered, bytes, take);
        m_buffered += take;
        bytes += take;
        size -= take;
        if (m_buffered == sizeof m_buffer) {
            Transform(m_buffer);
            m_buffered = 0;
        }
    }
}

std::array<uint8_t, 16> Md5::Final() {
    uint64_t bits = m_bitCount;
    static const uint8_t kPad[64] = {0x80};
    size_t padding = m_buffered < 56 ? 56 - m_buffered : 120 - m_buffered;
    Update(kPad, padding);
    uint8_t length[8];
    for (int i = 0; i < 8; ++i) length[i] = static_cast<uint8_t>(bits >> (8 * i));
    Update(length, 8);
    std::array<uint8_t, 16> digest{};
    for (int i = 0; i < 16; ++i) digest[i] = static_cast<uint8_t>(m_state[i / 4] >> (8 * (i % 4)));
    return digest;
}

std::wstring Md5HexText(const std::array<uint8_t, 16>& digest) {
    static const wchar_t kHex[] = L"0123456789abcdef";
    std::wstring text;
    for (uint8_t byte : digest) {
        text += kHex[byte >> 4];
        text += kHex[byte & 15];
    }
    return text;
}

std::wstring Md5Hex(std::string_view bytes) {
    Md5 md5;
    md5.Update(bytes.data(), bytes.size());
    return Md5HexText(md5.Final());
}

std::optional<std::wstring> Md5HexOfStream(std::FILE* file) {
    Md5 md5;
    char block[1024];
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, file)) > 0) md5.Update(block, n);
    if (std::ferror(file)) return std::nullopt;
    return Md5HexText(md5.Final());
}

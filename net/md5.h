// MD5 (RFC 1321), the digest in the launcher's build identity.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

class Md5 {
public:
    Md5();
    void Update(const void* data, size_t size);
    // The digest of everything fed so far; the object is spent afterwards.
    std::array<uint8_t, 16> Final();

private:
    void Transform(const uint8_t block[64]);

    uint32_t m_state[4];
    uint64_t m_bitCount = 0;
    uint8_t m_buffer[64] = {};
    size_t m_buffered = 0;
};

// 32 lower-case hexadecimal digits.
std::wstring Md5HexText(const std::array<uint8_t, 16>& digest);
std::wstring Md5Hex(std::string_view bytes);
// The digest of a stream read to its end in blocks of 1024 bytes; nothing when
// a read fails.
std::optional<std::wstring> Md5HexOfStream(std::FILE* file);

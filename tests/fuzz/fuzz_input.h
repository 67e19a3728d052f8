// Shared by the fuzz targets: turning libFuzzer's bytes into the wide texts the
// parsers take, and failing loudly when a property does not hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz {

// Bytes to UTF-16 code units, the way the launcher's texts look on Windows.
// Well-formed UTF-8 decodes as usual, so the seed files stay readable text;
// the decoding is deliberately loose (overlong forms and encoded surrogates are
// kept) and a byte that starts no sequence becomes the code unit of the same
// value, so every 16-bit unit, lone surrogates included, can be reached.
inline std::wstring WideFromBytes(const std::uint8_t* data, std::size_t size)
{
    std::wstring out;
    out.reserve(size);
    std::size_t i = 0;
    auto continuation = [&](std::size_t at) { return at < size && (data[at] & 0xC0) == 0x80; };
    while (i < size) {
        const unsigned b = data[i];
        if (b >= 0xC0 && b < 0xE0 && continuation(i + 1)) {
            out.push_back(static_cast<wchar_t>(((b & 0x1F) << 6) | (data[i + 1] & 0x3F)));
            i += 2;
        } else if (b >= 0xE0 && b < 0xF0 && continuation(i + 1) && continuation(i + 2)) {
            out.push_back(static_cast<wchar_t>(((b & 0x0F) << 12) | ((data[i + 1] & 0x3F) << 6) |
                                               (data[i + 2] & 0x3F)));
            i += 3;
        } else if (b >= 0xF0 && b < 0xF5 && continuation(i + 1) && continuation(i + 2) && continuation(i + 3)) {
            const unsigned cp = ((b & 0x07) << 18) | ((data[i + 1] & 0x3F) << 12) | ((data[i + 2] & 0x3F) << 6) |
                                (data[i + 3] & 0x3F);
            if (cp >= 0x10000 && cp <= 0x10FFFF) {
                out.push_back(static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10)));
                out.push_back(static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
            } else {
                out.push_back(static_cast<wchar_t>(cp & 0xFFFF));
            }
            i += 4;
        } else {
            out.push_back(static_cast<wchar_t>(b));
            ++i;
        }
    }
    return out;
}

inline std::wstring WideFromBytes(std::string_view bytes)
{
    return WideFromBytes(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

// The input cut at every occurrence of `separator` (a byte); n separators give
// n + 1 pieces. Lets one seed file carry several arguments, one per line.
inline std::vector<std::string_view> SplitBytes(const std::uint8_t* data, std::size_t size, char separator)
{
    std::vector<std::string_view> parts;
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = all.find(separator, start);
        if (at == std::string_view::npos) break;
        parts.push_back(all.substr(start, at - start));
        start = at + 1;
    }
    parts.push_back(all.substr(start));
    return parts;
}

// Upper case for lower and lower for upper, ASCII letters only: for the rules
// that ignore ASCII case and nothing else.
inline std::wstring FlipAsciiCase(std::wstring text)
{
    for (wchar_t& c : text) {
        if (c >= L'a' && c <= L'z')
            c = static_cast<wchar_t>(c - L'a' + L'A');
        else if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c - L'A' + L'a');
    }
    return text;
}

// A broken property is a finding like a crash: report it and abort, so that
// libFuzzer saves the input.
[[noreturn]] inline void Fail(const char* what, const char* file, int line)
{
    std::fprintf(stderr, "property broken at %s:%d: %s\n", file, line, what);
    std::abort();
}

inline void Check(bool holds, const char* what, const char* file = __builtin_FILE(),
                  int line = __builtin_LINE())
{
    if (!holds) Fail(what, file, line);
}

}  // namespace fuzz

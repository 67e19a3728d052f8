// The parts of an HTTP fetch that are pure arithmetic and text: the address
// split, the fixed header block, the percentages and the memory sink's limit.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace http {

// Sent with every request; 74 characters.
inline constexpr std::wstring_view kHeaderBlock =
    L"Accept-Language: zh-cn \r\nContent-Type: application/x-www-form-urlencoded\r\n";
inline constexpr const wchar_t* kUserAgent = L"LNC";

// Capacities of the split parts (their buffers hold one more for the terminator).
inline constexpr size_t kMaxHost = 259;
inline constexpr size_t kMaxPath = 511;

struct AddressParts {
    std::wstring host;
    uint16_t port = 80;
    std::wstring path;  // everything after the first "/", without it
};

// host[:port][/path]. The host ends at the first "/"; a ":" in it starts the
// port (its leading digits, kept in 16 bits). Nothing when the host or the
// path does not fit its capacity: such an address is refused before any
// network activity rather than cut into another address.
std::optional<AddressParts> SplitAddress(std::wstring_view address);

// Whether an address may be handed to the shell or opened at all: it begins
// with http:// or https:// (any letter case). Anything else (a file, a
// program, another scheme) is never opened.
bool IsWebAddress(std::wstring_view address);

// Percentage of the announced size received so far, truncated, in 64 bits so
// that files over 42 MB do not wrap. An announced size of 0 counts as done.
unsigned FetchPercent(uint64_t received, uint32_t announced);

// "已加载  N%" (two blanks), the download label's text.
std::wstring ProgressLabelText(unsigned percent);

// The memory sink takes bodies under 1024 bytes, read in one go.
inline constexpr uint32_t kMemoryBodyLimit = 1024;
inline bool FitsMemorySink(uint32_t announced) { return announced < kMemoryBodyLimit; }

// Only a 2xx status is a success: an error page must never be stored as the
// file that was asked for.
bool IsSuccessStatus(std::wstring_view statusText);

}  // namespace http

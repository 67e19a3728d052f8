#include "net/version_identity.h"

#include <cwctype>

std::wstring MakeVersionIdentity(std::wstring_view md5Hex, std::wstring_view version) {
    std::wstring tail;
    for (wchar_t c : version)
        if (c != L'.') tail += c;
    size_t keep = md5Hex.size() > tail.size() ? md5Hex.size() - tail.size() : 0;
    return std::wstring(md5Hex.substr(0, keep)) + tail;
}

bool SameIdentity(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    auto lower = [](wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; };
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

std::wstring VersionTextFromFixed(uint32_t versionMs, uint32_t versionLs) {
    return std::to_wstring(versionMs >> 16) + L"," + std::to_wstring(versionMs & 0xFFFF) + L"," +
           std::to_wstring(versionLs >> 16) + L"," + std::to_wstring(versionLs & 0xFFFF);
}

namespace {

uint32_t ReadLe(std::string_view bytes, size_t at, size_t size) {
    uint32_t value = 0;
    for (size_t i = 0; i < size; ++i) value |= uint32_t(static_cast<uint8_t>(bytes[at + i])) << (8 * i);
    return value;
}

}  // namespace

bool LooksLikeExecutableFor(std::string_view head, PeMachine machine) {
    constexpr size_t kNewHeaderOffset = 0x3C;
    constexpr uint32_t kMachineI386 = 0x14C, kMachineAmd64 = 0x8664;
    constexpr uint32_t kPe32Magic = 0x10B, kPe32PlusMagic = 0x20B;
    constexpr uint32_t kExecutableImage = 0x0002;
    constexpr uint32_t kDll = 0x2000;
    const bool x64 = machine == PeMachine::X64;
    if (head.size() < kNewHeaderOffset + 4 || head[0] != 'M' || head[1] != 'Z') return false;
    size_t pe = ReadLe(head, kNewHeaderOffset, 4);
    // Signature (4), file header (20), then the optional header's magic (2).
    if (pe > head.size() || head.size() - pe < 26) return false;
    if (head.substr(pe, 4) != std::string_view("PE\0\0", 4)) return false;
    if (ReadLe(head, pe + 4, 2) != (x64 ? kMachineAmd64 : kMachineI386)) return false;
    uint32_t characteristics = ReadLe(head, pe + 22, 2);
    if (!(characteristics & kExecutableImage) || (characteristics & kDll)) return false;
    return ReadLe(head, pe + 24, 2) == (x64 ? kPe32PlusMagic : kPe32Magic);
}

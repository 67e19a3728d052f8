#include "net/operator_site_win.h"

#include "framework/handles.h"

namespace {

// Longer than any host name; a longer value is malformed anyway.
constexpr DWORD kMaxValueBytes = 1024;

std::optional<std::wstring> StringValue(HKEY key, const wchar_t* name) {
    wchar_t data[kMaxValueBytes / sizeof(wchar_t)] = {};
    DWORD size = sizeof data;
    // Only REG_SZ, and the text comes back terminated. RRF_NOEXPAND refuses
    // REG_EXPAND_SZ, which would otherwise be expanded from the environment:
    // exactly what the user controls.
    if (::RegGetValueW(key, nullptr, name, RRF_RT_REG_SZ | RRF_NOEXPAND, nullptr, data, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(data);
}

}  // namespace

site::OperatorSite ReadOperatorSite() {
    HKEY opened = nullptr;
    // The 32-bit view: where a 32-bit program's HKLM\Software lies on a 64-bit system.
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, site::kSitesKeyPath, 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY, &opened) !=
        ERROR_SUCCESS)
        return site::DefaultSite();
    fw::UniqueRegKey key(opened);
    std::wstring rejected;
    site::OperatorSite s =
        site::SiteWithOverrides([&key](const wchar_t* name) { return StringValue(key.get(), name); }, &rejected);
    if (!rejected.empty()) {
        // Administrators set these for test sites; players never do. The
        // debugger output is where they look, and a player is not bothered.
        std::wstring note = L"Ignored malformed operator site settings: " + rejected + L"\n";
        ::OutputDebugStringW(note.c_str());
    }
    return s;
}

const site::OperatorSite& CurrentSite() {
    static const site::OperatorSite current = ReadOperatorSite();
    return current;
}

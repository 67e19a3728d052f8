#include "net/operator_site_win.h"

#include <windows.h>

namespace {

std::optional<std::wstring> EnvironmentValue(const wchar_t* name) {
    DWORD needed = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (needed == 0) return std::nullopt;
    std::wstring value(needed, L'\0');
    DWORD got = ::GetEnvironmentVariableW(name, value.data(), needed);
    if (got == 0 || got >= needed) return std::nullopt;
    value.resize(got);
    return value;
}

}  // namespace

const site::OperatorSite& CurrentSite() {
    static const site::OperatorSite current = [] {
        std::wstring rejected;
        site::OperatorSite s = site::SiteFromEnvironment(EnvironmentValue, &rejected);
        if (!rejected.empty()) {
            // Developers set these; players never do. The debugger output is
            // where a developer looks, and a player is not bothered.
            std::wstring note = L"Ignored malformed operator site settings: " + rejected + L"\n";
            ::OutputDebugStringW(note.c_str());
        }
        return s;
    }();
    return current;
}

#include "net/game_name.h"

namespace {

bool IsNameChar(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_' ||
           c == L'-';
}

wchar_t UpperAscii(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

bool EqualsNoCase(std::wstring_view a, std::wstring_view upper) {
    if (a.size() != upper.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (UpperAscii(a[i]) != upper[i]) return false;
    return true;
}

bool IsDeviceName(std::wstring_view name) {
    for (std::wstring_view device : {L"CON", L"PRN", L"AUX", L"NUL"})
        if (EqualsNoCase(name, device)) return true;
    // COM0 to COM9 and LPT0 to LPT9.
    if (name.size() == 4 && name[3] >= L'0' && name[3] <= L'9')
        return EqualsNoCase(name.substr(0, 3), L"COM") || EqualsNoCase(name.substr(0, 3), L"LPT");
    return false;
}

}  // namespace

bool IsSafeGameName(std::wstring_view name) {
    if (name.empty() || name.size() > kMaxGameName) return false;
    for (wchar_t c : name)
        if (!IsNameChar(c)) return false;
    return !IsDeviceName(name);
}

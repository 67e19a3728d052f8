#include "bosskey/hotkey.h"

#include <climits>
#include <cwctype>

namespace {

struct NamedKey {
    unsigned code;
    const wchar_t* name;
};

// The keys whose names follow no range rule.
constexpr NamedKey kNamedKeys[] = {
    {8, L"Back"},         {9, L"Tab"},         {13, L"Enter"},      {16, L"Shift"},      {17, L"Ctrl"},
    {18, L"Alt"},         {19, L"Pause Break"}, {20, L"Caps"},      {27, L"Esc"},        {33, L"Page Up"},
    {34, L"Page Down"},   {35, L"End"},        {36, L"Home"},       {37, L"Left"},       {38, L"Up"},
    {39, L"Right"},       {40, L"Down"},       {45, L"Insert"},     {46, L"Del"},        {91, L"LWin"},
    {92, L"RWin"},        {106, L"Num *"},     {107, L"Num +"},     {109, L"Num -"},     {110, L"Num Del"},
    {111, L"Num /"},      {144, L"Num Lock"},  {145, L"Scroll Lock"}, {186, L";"},       {187, L"+"},
    {188, L","},          {189, L"-"},         {190, L"."},         {191, L"/"},         {192, L"`"},
    {219, L"["},          {220, L"\\"},        {221, L"]"},         {222, L"'"},
};

bool InRange(unsigned code, unsigned first, unsigned last) { return code >= first && code <= last; }

int ParseDecimal(std::wstring_view text) {
    size_t i = 0;
    while (i < text.size() && std::iswspace(static_cast<wint_t>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
    long long value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        value = value * 10 + (text[i] - L'0');
        if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) value = INT_MAX;
    return static_cast<int>(value);
}

// The clearing keys of the field: Back, Del, LWin, RWin, F12.
bool ClearsField(unsigned keyCode) {
    return keyCode == 8 || keyCode == 46 || keyCode == 91 || keyCode == 92 || keyCode == 123;
}

std::wstring ModifierPrefixes(bool ctrl, bool shift, bool alt) {
    std::wstring text;
    if (ctrl) text += L"Ctrl  +  ";
    if (shift) text += L"Shift  +  ";
    if (alt) text += L"Alt  +  ";
    return text;
}

}  // namespace

std::wstring KeyName(unsigned keyCode) {
    if (InRange(keyCode, 48, 57) || InRange(keyCode, 65, 90)) return std::wstring(1, static_cast<wchar_t>(keyCode));
    if (InRange(keyCode, 96, 105)) return L"Num " + std::to_wstring(keyCode - 96);
    if (InRange(keyCode, 112, 123)) return L"F" + std::to_wstring(keyCode - 111);
    for (const NamedKey& key : kNamedKeys)
        if (key.code == keyCode) return key.name;
    return {};
}

bool IsBossKeyKey(unsigned keyCode) {
    return InRange(keyCode, 112, 122) || InRange(keyCode, 48, 57) || InRange(keyCode, 65, 90) ||
           InRange(keyCode, 33, 40) || keyCode == 20 || keyCode == 45 || InRange(keyCode, 96, 107) ||
           InRange(keyCode, 109, 111) || keyCode == 144 || InRange(keyCode, 186, 192) || InRange(keyCode, 219, 222);
}

std::wstring FormatHotkey(int keyCode, int modifiers) {
    if (keyCode == 0) return kNoBossKeyText;
    // A negative code is no key at all; it names nothing.
    const std::wstring name = keyCode > 0 ? KeyName(static_cast<unsigned>(keyCode)) : std::wstring();
    return ModifierPrefixes(modifiers & kModCtrl, modifiers & kModShift, modifiers & kModAlt) + name;
}

Hotkey ParseHotkeySetting(std::wstring_view value) {
    const size_t comma = value.find(L',');
    if (comma == std::wstring_view::npos) return {ParseDecimal(value), 0};
    return {ParseDecimal(value.substr(0, comma)), ParseDecimal(value.substr(comma + 1))};
}

std::wstring FormatHotkeySetting(const Hotkey& key) {
    return std::to_wstring(key.modifiers) + L"," + std::to_wstring(key.keyCode);
}

KeyCapture CaptureKey(unsigned keyCode, bool ctrl, bool shift, bool alt, int capturedKey) {
    if (ClearsField(keyCode)) return {kNoBossKeyText, capturedKey};
    std::wstring name;
    if (IsBossKeyKey(keyCode)) {
        capturedKey = static_cast<int>(keyCode);
        name = KeyName(keyCode);
    }
    return {ModifierPrefixes(ctrl, shift, alt) + name, capturedKey};
}

std::optional<Hotkey> HotkeyFromFieldText(std::wstring_view text, int capturedKey) {
    if (text.empty() || text.back() == L' ') return std::nullopt;
    Hotkey key;
    key.keyCode = text.find(kNoBossKeyText) != std::wstring_view::npos ? 0 : capturedKey;
    if (text.find(L"Ctrl") != std::wstring_view::npos) key.modifiers |= kModCtrl;
    if (text.find(L"Shift") != std::wstring_view::npos) key.modifiers |= kModShift;
    if (text.find(L"Alt") != std::wstring_view::npos) key.modifiers |= kModAlt;
    return key;
}

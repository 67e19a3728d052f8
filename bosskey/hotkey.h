// The boss key as the player sees and stores it: a pair of modifier bits and a
// virtual-key code, the names of the keys, the display text and the stored form
// "modifiers,key" of the "ShortKey" setting. Portable: the key codes and
// modifier bits are the Windows values, written out here.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The modifier bits of RegisterHotKey. The Windows-key bit is never used.
inline constexpr int kModAlt = 1;
inline constexpr int kModCtrl = 2;
inline constexpr int kModShift = 4;

inline constexpr int kVkF10 = 121;
// Key code 0 means "no boss key"; -1 in both fields means "none registered".
struct Hotkey {
    int modifiers = 0;
    int keyCode = 0;
    bool operator==(const Hotkey&) const = default;
};

// The default boss key when nothing is stored: F10 alone.
inline constexpr const wchar_t* kDefaultHotkeySetting = L"0,121";
// What the field and the menu show when there is no boss key.
inline constexpr const wchar_t* kNoBossKeyText = L"无";

// The key's name ("F10", "Num 5", "Page Up", ...), empty for a key without one.
std::wstring KeyName(unsigned keyCode);
// Whether the key may serve as a boss key.
bool IsBossKeyKey(unsigned keyCode);
// "无" for key code 0; otherwise "Ctrl  +  ", "Shift  +  ", "Alt  +  " for the
// bits that are set, always in that order, followed by the key's name.
std::wstring FormatHotkey(int keyCode, int modifiers);

// The stored form read back: "m,k" gives (m, k); without a comma the whole text
// is the modifiers and the key code is 0. Numbers read like the C library's
// atoi (leading white space, one sign, digits up to the first non-digit, none
// gives 0), saturated to the int range.
Hotkey ParseHotkeySetting(std::wstring_view value);
// The stored form: decimal modifiers, ",", decimal key code.
std::wstring FormatHotkeySetting(const Hotkey& key);

// One key pressed in the settings dialog's field: the text the field shows
// next and the key code captured so far.
struct KeyCapture {
    std::wstring text;
    int capturedKey = 0;
};
// Back, Del, the Windows keys and F12 clear the field to "无" and keep the
// captured key; a boss key key is captured and named after the prefixes of the
// modifiers held; any other key leaves only those prefixes.
KeyCapture CaptureKey(unsigned keyCode, bool ctrl, bool shift, bool alt, int capturedKey);
// The hotkey the field's text stands for, or nothing when the text is empty or
// ends with a space (only modifiers, or a key without a name, were pressed).
std::optional<Hotkey> HotkeyFromFieldText(std::wstring_view text, int capturedKey);

#include "bosskey/boss_key.h"

#include "core/start_program.h"

#include <array>
#include <string>

Hotkey g_bossKey{-1, -1};

namespace {

constexpr const wchar_t* kSection = L"XCJY";
constexpr const wchar_t* kShortKey = L"ShortKey";

std::wstring SettingsFilePath() {
    std::wstring path;
    MakeExeDirPath(L"Statistic.ini", path);
    return path;
}

}  // namespace

Hotkey ReadHotkeySetting() {
    std::array<wchar_t, 32> value{};
    ::GetPrivateProfileStringW(kSection, kShortKey, kDefaultHotkeySetting, value.data(),
                               static_cast<DWORD>(value.size()), SettingsFilePath().c_str());
    return ParseHotkeySetting(value.data());
}

void WriteHotkeySetting(const Hotkey& key) {
    ::WritePrivateProfileStringW(kSection, kShortKey, FormatHotkeySetting(key).c_str(), SettingsFilePath().c_str());
}

BOOL RegisterBossKey(HWND wnd) {
    const Hotkey key = ReadHotkeySetting();
    // "0,0" (or garbage) stores no boss key: there is nothing to register.
    if (key.keyCode <= 0) return FALSE;
    if (!::RegisterHotKey(wnd, kBossKeyHotkeyId, static_cast<UINT>(key.modifiers), static_cast<UINT>(key.keyCode)))
        return FALSE;
    g_bossKey = key;
    return TRUE;
}

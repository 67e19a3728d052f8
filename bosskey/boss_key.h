// The registered boss key: the one global hotkey (identifier 1 on the main
// window) that hides and restores the launcher, and its "ShortKey" setting.
#pragma once

#include "bosskey/hotkey.h"

#include <windows.h>

inline constexpr int kBossKeyHotkeyId = 1;

// The hotkey registered now under kBossKeyHotkeyId, or -1 and -1 when none is.
extern Hotkey g_bossKey;
inline bool IsBossKeyRegistered() { return g_bossKey.keyCode != -1 && g_bossKey.modifiers != -1; }
inline void ClearRegisteredBossKey() { g_bossKey = {-1, -1}; }

// "ShortKey" of section "XCJY" in Statistic.ini beside the executable, "0,121"
// when absent.
Hotkey ReadHotkeySetting();
void WriteHotkeySetting(const Hotkey& key);

// Registers the stored boss key on `wnd`; on success it becomes the registered
// boss key, on failure (another instance usually holds it) nothing changes.
BOOL RegisterBossKey(HWND wnd);

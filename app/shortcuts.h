// The launcher's shell links: the all-users desktop shortcut and the two
// shortcuts of its Start-menu group. The caller initialises COM on its thread.
#pragma once

#include <windows.h>

#include <string>

inline constexpr const wchar_t* kShortcutName = L"RV星潮纪元极速登录器";
inline constexpr const wchar_t* kUninstallShortcutName = L"卸载 RV星潮纪元极速登录器";
inline constexpr const wchar_t* kForeignDesktopShortcutName = L"岚屿网页游戏";  // only ever deleted
inline constexpr const wchar_t* kProgramsGroupName = L"岚屿网络登录器";

// The all-users desktop shortcut to target with "/XCJY"; also removes a copy of
// it from the user's own desktop.
BOOL CreateDesktopShortcut(const wchar_t* target);
// TRUE when a file was deleted.
BOOL DeleteDesktopShortcut(const wchar_t* name);
// A shortcut in the Start-menu group, which is created when missing.
BOOL CreateProgramsShortcut(const wchar_t* name, const wchar_t* target, const wchar_t* arguments);
// TRUE when a file was deleted; the group folder stays.
BOOL DeleteProgramsShortcut(const wchar_t* name);
// Writes (or overwrites) a link to target with its first icon.
BOOL WriteShellLink(const wchar_t* linkPath, const wchar_t* target, const wchar_t* description,
                    const wchar_t* arguments);

// The all-users Start-menu group folder; empty when the system does not say.
std::wstring ProgramsGroupPath();

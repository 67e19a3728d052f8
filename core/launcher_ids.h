// Identities the launcher's processes and windows share.
#pragma once

#include <windows.h>

inline constexpr const wchar_t* kInstanceMutexName = L"Launcher_XCJY";
// The main window is found by the system dialog class and this title.
inline constexpr const wchar_t* kMainWindowClass = L"#32770";
inline constexpr const wchar_t* kGameTitle = L"星潮纪元";
inline constexpr const wchar_t* kProductName = L"RV星潮纪元极速登录器";
inline constexpr const wchar_t* LAUNCHER_VERSION = L"15,1,23,3";
// The launcher's registry key under HKEY_LOCAL_MACHINE.
inline constexpr const wchar_t* kLauncherRegKey = L"Software\\岚屿网络\\GameLogin\\XCJY";

inline constexpr UINT WM_TRAY_CALLBACK = WM_USER + 1;   // 1025
inline constexpr UINT WM_ADD_ACCOUNT = WM_USER + 2;     // 1026
inline constexpr UINT WM_TOGGLE_VISIBLE = WM_USER + 3;  // 1027

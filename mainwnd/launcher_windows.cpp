#include "mainwnd/launcher_windows.h"

#include "core/launcher_ids.h"

#include <array>
#include <cstdint>
#include <cwchar>

namespace {

std::vector<HWND> LauncherWindows(HWND self, std::size_t limit, bool unownedOnly) {
    std::vector<HWND> found;
    for (HWND wnd = ::GetWindow(::GetDesktopWindow(), GW_CHILD); wnd && found.size() < limit;
         wnd = ::GetWindow(wnd, GW_HWNDNEXT)) {
        if (wnd == self || !IsLauncherWindow(wnd)) continue;
        if (unownedOnly && ::GetWindow(wnd, GW_OWNER)) continue;
        found.push_back(wnd);
    }
    return found;
}

}  // namespace

bool IsLauncherWindow(HWND wnd) {
    std::array<wchar_t, 64> className{};
    std::array<wchar_t, 128> title{};
    if (!::GetClassNameW(wnd, className.data(), static_cast<int>(className.size()))) return false;
    if (std::wcscmp(className.data(), kMainWindowClass) != 0) return false;
    ::GetWindowTextW(wnd, title.data(), static_cast<int>(title.size()));
    return std::wcscmp(title.data(), kGameTitle) == 0;
}

std::vector<HWND> OtherLauncherWindows(HWND self, std::size_t limit) { return LauncherWindows(self, limit, false); }

HWND FindRunningMainWindow() {
    // Another process's: start-up makes its own login frame, unowned too,
    // before it looks for a running instance.
    const DWORD self = ::GetCurrentProcessId();
    for (HWND wnd : LauncherWindows(nullptr, SIZE_MAX, true)) {
        DWORD process = 0;
        ::GetWindowThreadProcessId(wnd, &process);
        if (process != self) return wnd;
    }
    return nullptr;
}

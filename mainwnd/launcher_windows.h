// How the launcher's processes find each other's windows: every top-level
// window of the system dialog class titled "星潮纪元" is one of ours (main
// windows, login frames, link bars); the main window is the one without an owner.
#pragma once

#include <windows.h>

#include <cstddef>
#include <vector>

// Class "#32770" and exactly the title "星潮纪元".
bool IsLauncherWindow(HWND wnd);
// The top-level launcher windows in z-order, except `self`, at most `limit`.
std::vector<HWND> OtherLauncherWindows(HWND self, std::size_t limit);
// The main window of a running instance: the first launcher window of another
// process that has no owner. A further login's frame and link bar carry the same class and title
// but are owned, and may lie above the main window.
HWND FindRunningMainWindow();

// Helpers for the tests that run under wine: processes, windows, message pumps
// and reading back pixels.
#pragma once

#include "framework/handles.h"

#include <functional>
#include <string>
#include <vector>

namespace testutil {

std::wstring ExeDir();
// The launcher executable built beside the test programs.
std::wstring LauncherPath();

// A started process, killed on scope exit if it is still running.
class Process {
public:
    Process() = default;
    Process(Process&&) = default;
    Process& operator=(Process&&) = default;
    ~Process();
    bool Start(const std::wstring& exe, const std::wstring& args);
    DWORD id() const { return id_; }
    HANDLE handle() const { return process_.get(); }
    bool Running() const;
    // Waits (pumping this thread's messages) until the process ends.
    bool WaitExit(DWORD ms);

private:
    fw::UniqueHandle process_;
    DWORD id_ = 0;
};

// Pumps this thread's messages until pred() holds or ms pass; each message is
// shown to observe (if given) before it is dispatched. Returns pred().
bool PumpUntil(const std::function<bool()>& pred, DWORD ms, const std::function<void(const MSG&)>& observe = {});
void PumpFor(DWORD ms);
// Invalidates a window with its children, paints it now and pumps a moment.
void Repaint(HWND wnd);

// Top-level windows of a process (visible or not).
std::vector<HWND> TopLevelWindows(DWORD pid);
std::wstring ClassOf(HWND wnd);
std::wstring TextOf(HWND wnd);
// The first top-level "#32770" window of pid whose caption is `caption` and
// which has a child whose text is `text`; waits up to ms.
HWND WaitForDialog(DWORD pid, const std::wstring& caption, const std::wstring& text, DWORD ms);
// Presses the button with this id in a dialog (another process's or ours).
void PressButton(HWND dialog, int id);

// A 32-bit top-down copy of a window's client area, read with PrintWindow.
struct Pixels {
    int width = 0, height = 0;
    std::vector<COLORREF> data;  // RGB() values, row by row
    COLORREF at(int x, int y) const { return data[static_cast<size_t>(y) * width + x]; }
};
Pixels Capture(HWND wnd);
// What the screen shows over a window's rectangle (children, region and all);
// the window must be visible and on top.
Pixels CaptureScreen(HWND wnd);
// What the screen shows in a rectangle (screen coordinates), after a short pump.
Pixels CaptureScreenRect(const RECT& rc);
// The same without pumping first (safe inside a timer of a modal loop).
Pixels ReadScreenRect(const RECT& rc);
// What a window's own DC holds now: the pixels its last paint left there.
Pixels CaptureWindowDC(HWND wnd);
// Saves a capture as a PNG (for looking at).
bool SavePng(const Pixels& pixels, const std::wstring& path);

}  // namespace testutil

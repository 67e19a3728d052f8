// Helpers for the tests that run under wine: processes, windows, message pumps
// and reading back pixels.
#pragma once

#include "framework/handles.h"

#include <functional>
#include <string>
#include <vector>

namespace testutil {

// The 64-bit test build, made only on a machine that cannot run 32-bit
// programs (scripts/test.sh). What exists only for 32-bit executables (the
// identity a download or update is checked against, the launcher's own
// headers) cannot be tested there; those tests skip, giving this reason.
inline bool Is64BitTestBuild() { return sizeof(void*) == 8; }
inline constexpr const char* kNeeds32BitBuild =
    "64-bit test build: only a 32-bit executable has an identity and is the launcher";

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

// Runs the test `name` (Suite.DISABLED_Test) of this very program in a child
// process of its own and returns the child's exit code (0: the test passed),
// or -1 when it cannot be started or does not end within ms.
long RunOwnDisabledTest(const std::wstring& name, DWORD ms);

// Pumps this thread's messages until pred() holds or ms pass; each message is
// shown to observe (if given) before it is dispatched. Returns pred().
bool PumpUntil(const std::function<bool()>& pred, DWORD ms, const std::function<void(const MSG&)>& observe = {});
void PumpFor(DWORD ms);
// The same through the framework's message pump, as the launcher's loops do:
// each message first walks the windows' pre-translation.
bool PumpUntilPreTranslated(const std::function<bool()>& pred, DWORD ms);
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

// A 32-bit top-down block of pixels.
struct Pixels {
    int width = 0, height = 0;
    std::vector<COLORREF> data;  // RGB() values, row by row
    COLORREF at(int x, int y) const { return data[static_cast<size_t>(y) * width + x]; }
};
// A width x height block of a DC (a memory DC, a window's DC, the screen's)
// from (x, y).
Pixels CopyOfDC(HDC source, int x, int y, int width, int height);
// A window's client area as it paints itself for PrintWindow.
Pixels Capture(HWND wnd);
// What the screen shows in a rectangle (screen coordinates). Wine hands window
// contents to the X server from its message loop, so a caller that has just
// painted pumps a moment first; inside a timer of a modal loop, do not pump.
Pixels ReadScreenRect(const RECT& rc);
// What the screen shows over a window's rectangle (children, region and all),
// after painting it and pumping; the window must be visible and on top.
Pixels CaptureScreen(HWND wnd);
// What a window's own DC holds now: the pixels its last paint left there.
Pixels CaptureWindowDC(HWND wnd);
// Saves a picture for looking at, as `name` (a PNG file name) in the folder
// that XCJY_SHOT_DIR names; without that variable nothing is written.
void SaveShot(const Pixels& pixels, const std::wstring& name);

// Runs modal boxes of this thread: `show` opens one (and returns its result);
// once a visible "#32770" window of this thread with `caption` shows that was
// not showing when Run began (windows of that caption already open, such as
// the main window, are never taken for the box), each step runs on its own
// timer tick, so that the box's modal loop handles what a step posted before
// the next one looks. A box still open after five seconds is ended with
// kBoxTimedOut. stepsRun == 0 afterwards: no such box showed.
inline constexpr int kBoxTimedOut = -2;
class ModalBoxDriver {
public:
    using Step = std::function<void(HWND box)>;
    explicit ModalBoxDriver(std::wstring caption) : caption_(std::move(caption)) {}
    ModalBoxDriver(const ModalBoxDriver&) = delete;
    ModalBoxDriver& operator=(const ModalBoxDriver&) = delete;

    int Run(const std::function<int()>& show, std::vector<Step> steps);
    // The visible box of this thread with that caption, or nullptr.
    static HWND FindBox(const std::wstring& caption);
    // A step for a skinned message box: keeps its text in `texts` (when
    // given), then presses its button `buttonId`.
    static Step Answer(int buttonId, std::vector<std::wstring>* texts = nullptr);

    size_t stepsRun = 0;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    void OnTick();

    static inline ModalBoxDriver* current_ = nullptr;
    std::wstring caption_;
    std::vector<HWND> showingBefore_;
    std::vector<Step> steps_;
    size_t next_ = 0;
    HWND box_ = nullptr;
    DWORD start_ = 0;
};

// Sets a value under HKEY_CLASSES_ROOT (a file association, such as the
// command that opens http addresses) and puts the old value back on scope exit.
class ClassesValue {
public:
    ClassesValue(const std::wstring& key, const std::wstring& value);
    ~ClassesValue();
    ClassesValue(const ClassesValue&) = delete;
    ClassesValue& operator=(const ClassesValue&) = delete;

private:
    std::wstring key_, old_;
    bool had_ = false;
};

// Wine prefers its own copy of a system DLL to one found beside a program;
// Windows does not, for every DLL that is not one of the known DLLs. This
// per-program override (by executable name) makes wine look for these DLLs
// (names without ".dll") beside the program first, as Windows does, until
// scope exit.
class NativeLibrariesFirst {
public:
    NativeLibrariesFirst(const std::wstring& exeName, const std::vector<std::wstring>& dlls);
    ~NativeLibrariesFirst();
    NativeLibrariesFirst(const NativeLibrariesFirst&) = delete;
    NativeLibrariesFirst& operator=(const NativeLibrariesFirst&) = delete;

private:
    std::wstring key_;
};

// The bytes of a file (empty when it cannot be read).
std::string ReadFileText(const std::wstring& path);

// Makes link a folder link to target, as a folder listing shows one (with
// FILE_ATTRIBUTE_REPARSE_POINT). Wine accepts CreateSymbolicLinkW without
// making a link; a Linux symbolic link in the prefix's drive shows as such a
// folder, so one of those is made with ln when needed.
bool MakeFolderLink(const std::wstring& link, const std::wstring& target);
// Removes such a link (not what it points to), while its target still exists:
// wine lists no link whose target is gone.
bool RemoveFolderLink(const std::wstring& link);
// Makes path a Linux link to /dev/full (false outside wine): a file every
// write to which fails as on a full disk. GetFileAttributesW does not see
// it; IsListed does.
bool MakeFullDiskFile(const std::wstring& path);
// Removes that link.
bool RemoveFullDiskFile(const std::wstring& path);
// A folder listing shows path.
bool IsListed(const std::wstring& path);

}  // namespace testutil

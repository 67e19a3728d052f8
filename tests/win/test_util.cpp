#include "tests/win/test_util.h"

#include "framework/dialog.h"
#include "framework/gdi.h"
#include "skin/message_box.h"

#include <gdiplus.h>

#include <algorithm>

namespace testutil {

std::wstring ExeDir() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir = path;
    return dir.substr(0, dir.find_last_of(L'\\'));
}

std::wstring LauncherPath() { return ExeDir() + L"\\RV星潮纪元.exe"; }

Process::~Process() {
    if (Running()) {
        ::TerminateProcess(process_.get(), 1);
        ::WaitForSingleObject(process_.get(), 5000);
    }
}

bool Process::Start(const std::wstring& exe, const std::wstring& args) {
    std::wstring cmd = L"\"" + exe + L"\"";
    if (!args.empty()) cmd += L" " + args;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    ::CloseHandle(pi.hThread);
    process_.reset(pi.hProcess);
    id_ = pi.dwProcessId;
    return true;
}

bool Process::Running() const { return process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }

bool Process::WaitExit(DWORD ms) {
    return PumpUntil([this] { return !Running(); }, ms);
}

long RunOwnDisabledTest(const std::wstring& name, DWORD ms) {
    wchar_t self[MAX_PATH] = {};
    if (!::GetModuleFileNameW(nullptr, self, MAX_PATH)) return -1;
    Process child;
    if (!child.Start(self, L"--gtest_also_run_disabled_tests --gtest_filter=" + name) || !child.WaitExit(ms)) return -1;
    DWORD exitCode = 1;
    ::GetExitCodeProcess(child.handle(), &exitCode);
    return static_cast<long>(exitCode);
}

bool PumpUntilPreTranslated(const std::function<bool()>& pred, DWORD ms) {
    DWORD start = ::GetTickCount();
    while (!pred()) {
        if (::GetTickCount() - start > ms) return pred();
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) fw::PumpMessage(msg, nullptr);
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

bool PumpUntil(const std::function<bool()>& pred, DWORD ms, const std::function<void(const MSG&)>& observe) {
    DWORD start = ::GetTickCount();
    while (!pred()) {
        if (::GetTickCount() - start > ms) return pred();
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (observe) observe(msg);
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

void PumpFor(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}

namespace {
struct EnumContext {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindowOfProcess(HWND wnd, LPARAM lp) {
    auto* ctx = reinterpret_cast<EnumContext*>(lp);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(wnd, &owner);
    if (owner == ctx->pid) ctx->found.push_back(wnd);
    return TRUE;
}
}  // namespace

void Repaint(HWND wnd) {
    ::RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpFor(30);
}

std::vector<HWND> TopLevelWindows(DWORD pid) {
    EnumContext ctx{pid, {}};
    ::EnumWindows(CollectWindowOfProcess, reinterpret_cast<LPARAM>(&ctx));
    return ctx.found;
}

std::wstring ClassOf(HWND wnd) {
    wchar_t name[256] = {};
    ::GetClassNameW(wnd, name, 256);
    return name;
}

std::wstring TextOf(HWND wnd) {
    wchar_t text[1024] = {};
    // WM_GETTEXT works across processes where GetWindowText would not ask the window.
    ::SendMessageTimeoutW(wnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, nullptr);
    return text;
}

namespace {
bool HasChildWithText(HWND parent, const std::wstring& text) {
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        if (TextOf(child) == text) return true;
    return false;
}
}  // namespace

HWND WaitForDialog(DWORD pid, const std::wstring& caption, const std::wstring& text, DWORD ms) {
    HWND found = nullptr;
    PumpUntil(
        [&] {
            for (HWND wnd : TopLevelWindows(pid)) {
                if (ClassOf(wnd) == L"#32770" && ::IsWindowVisible(wnd) && TextOf(wnd) == caption &&
                    (text.empty() || HasChildWithText(wnd, text))) {
                    found = wnd;
                    return true;
                }
            }
            return false;
        },
        ms);
    return found;
}

void PressButton(HWND dialog, int id) {
    HWND button = ::GetDlgItem(dialog, id);
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

Pixels CopyOfDC(HDC source, int x, int y, int width, int height) {
    Pixels p;
    p.width = width;
    p.height = height;
    if (width <= 0 || height <= 0) return p;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    fw::WindowDC screen(nullptr);
    fw::UniqueBitmap dib(::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dib || !bits) return p;
    fw::MemDC mem(screen);
    {
        fw::ScopedSelect select(mem, dib.get());
        ::BitBlt(mem, 0, 0, width, height, source, x, y, SRCCOPY);
        ::GdiFlush();
    }
    const auto* src = static_cast<const BYTE*>(bits);
    p.data.resize(static_cast<size_t>(width) * height);
    for (size_t i = 0; i < p.data.size(); ++i) p.data[i] = RGB(src[i * 4 + 2], src[i * 4 + 1], src[i * 4]);
    return p;
}

Pixels Capture(HWND wnd) {
    RECT rc{};
    ::GetClientRect(wnd, &rc);
    fw::WindowDC screen(nullptr);
    fw::OffscreenDC printed(screen, rc.right, rc.bottom);
    ::PrintWindow(wnd, printed, PW_CLIENTONLY);
    return CopyOfDC(printed, 0, 0, rc.right, rc.bottom);
}

Pixels ReadScreenRect(const RECT& rc) {
    fw::WindowDC screen(nullptr);
    return CopyOfDC(screen, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
}

Pixels CaptureScreen(HWND wnd) {
    RECT rc{};
    ::GetWindowRect(wnd, &rc);
    ::UpdateWindow(wnd);
    PumpFor(150);
    return ReadScreenRect(rc);
}

Pixels CaptureWindowDC(HWND wnd) {
    RECT rc{};
    ::GetClientRect(wnd, &rc);
    fw::WindowDC dc(wnd);
    return CopyOfDC(dc, 0, 0, rc.right, rc.bottom);
}

namespace {
bool SavePng(const Pixels& pixels, const std::wstring& path) {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return false;
    bool ok = false;
    {
        Gdiplus::Bitmap bmp(pixels.width, pixels.height, PixelFormat32bppRGB);
        for (int y = 0; y < pixels.height; ++y)
            for (int x = 0; x < pixels.width; ++x) {
                COLORREF c = pixels.at(x, y);
                bmp.SetPixel(x, y, Gdiplus::Color(GetRValue(c), GetGValue(c), GetBValue(c)));
            }
        // The PNG encoder's class id.
        CLSID png = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
        ok = bmp.Save(path.c_str(), &png, nullptr) == Gdiplus::Ok;
    }
    Gdiplus::GdiplusShutdown(token);
    return ok;
}
}  // namespace

void SaveShot(const Pixels& pixels, const std::wstring& name) {
    wchar_t dir[MAX_PATH] = {};
    const DWORD length = ::GetEnvironmentVariableW(L"XCJY_SHOT_DIR", dir, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    SavePng(pixels, std::wstring(dir) + L"\\" + name);
}

namespace {
struct BoxSearch {
    const std::wstring* caption;
    std::vector<HWND> found;
};

BOOL CALLBACK MatchBox(HWND wnd, LPARAM lp) {
    auto* s = reinterpret_cast<BoxSearch*>(lp);
    if (ClassOf(wnd) == L"#32770" && ::IsWindowVisible(wnd) && TextOf(wnd) == *s->caption) s->found.push_back(wnd);
    return TRUE;
}

// The visible dialog-class windows of this thread with that caption.
std::vector<HWND> VisibleBoxes(const std::wstring& caption) {
    BoxSearch search{&caption, {}};
    ::EnumThreadWindows(::GetCurrentThreadId(), MatchBox, reinterpret_cast<LPARAM>(&search));
    return search.found;
}
}  // namespace

HWND ModalBoxDriver::FindBox(const std::wstring& caption) {
    std::vector<HWND> boxes = VisibleBoxes(caption);
    return boxes.empty() ? nullptr : boxes.front();
}

ModalBoxDriver::Step ModalBoxDriver::Answer(int buttonId, std::vector<std::wstring>* texts) {
    return [buttonId, texts](HWND box) {
        if (texts)
            if (auto* skinned = dynamic_cast<CMessageBox*>(CWnd::FromHandlePermanent(box)))
                texts->push_back(skinned->m_strText);
        PressButton(box, buttonId);
    };
}

int ModalBoxDriver::Run(const std::function<int()>& show, std::vector<Step> steps) {
    steps_ = std::move(steps);
    next_ = 0;
    box_ = nullptr;
    start_ = ::GetTickCount();
    showingBefore_ = VisibleBoxes(caption_);
    current_ = this;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 40, &ModalBoxDriver::Tick);
    const int result = show();
    ::KillTimer(nullptr, timer);
    current_ = nullptr;
    stepsRun = next_;
    return result;
}

void CALLBACK ModalBoxDriver::Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (ModalBoxDriver* self = current_) self->OnTick();
}

void ModalBoxDriver::OnTick() {
    if (!box_)
        for (HWND wnd : VisibleBoxes(caption_))
            if (std::find(showingBefore_.begin(), showingBefore_.end(), wnd) == showingBefore_.end()) {
                box_ = wnd;
                break;
            }
    if (!box_ || !::IsWindow(box_)) return;
    if (::GetTickCount() - start_ > 5000) {
        if (auto* dlg = dynamic_cast<CDialog*>(CWnd::FromHandlePermanent(box_))) dlg->EndDialog(kBoxTimedOut);
        return;
    }
    if (next_ < steps_.size()) steps_[next_++](box_);
}

ClassesValue::ClassesValue(const std::wstring& key, const std::wstring& value) : key_(key) {
    wchar_t old[1024] = {};
    LONG size = sizeof old;
    had_ = ::RegQueryValueW(HKEY_CLASSES_ROOT, key.c_str(), old, &size) == ERROR_SUCCESS;
    old_ = old;
    ::RegSetValueW(HKEY_CLASSES_ROOT, key.c_str(), REG_SZ, value.c_str(), 0);
}

ClassesValue::~ClassesValue() {
    if (had_) ::RegSetValueW(HKEY_CLASSES_ROOT, key_.c_str(), REG_SZ, old_.c_str(), 0);
}

std::string ReadFileText(const std::wstring& path) {
    std::string text;
    HANDLE f = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return text;
    char buf[512];
    DWORD got = 0;
    while (::ReadFile(f, buf, sizeof buf, &got, nullptr) && got) text.append(buf, got);
    ::CloseHandle(f);
    return text;
}

namespace {

// As a folder listing shows it (Wine's GetFileAttributesW follows the link).
bool IsListedAsLink(const std::wstring& path) {
    WIN32_FIND_DATAW item{};
    fw::UniqueFind find(::FindFirstFileW(path.c_str(), &item));
    return find && (item.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// The Linux path of a path in the prefix; empty outside wine.
std::wstring UnixPathOf(const std::wstring& path) {
    using UnixName = char*(CDECL*)(const wchar_t*);
    auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    if (!unixName) return {};
    char* name = unixName(path.c_str());
    // Linux names are UTF-8, and wine turns the command line back into UTF-8.
    std::wstring out;
    if (name) {
        const int n = ::MultiByteToWideChar(CP_UTF8, 0, name, -1, nullptr, 0);
        out.resize(n > 0 ? n - 1 : 0);
        if (n > 1) ::MultiByteToWideChar(CP_UTF8, 0, name, -1, out.data(), n);
    }
    ::HeapFree(::GetProcessHeap(), 0, name);
    return out;
}

// Wine starts a Linux program named by its Linux path on the command line.
// The handle of a Linux process does not tell when it ends: done() is polled.
bool RunLinuxCommand(std::wstring command, const std::function<bool()>& done) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    fw::UniqueHandle process(pi.hProcess), thread(pi.hThread);
    return PumpUntil(done, 5000);
}

}  // namespace

bool MakeFolderLink(const std::wstring& link, const std::wstring& target) {
    ::CreateSymbolicLinkW(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY);
    if (IsListedAsLink(link)) return true;
    const std::wstring from = UnixPathOf(target), to = UnixPathOf(link);
    if (from.empty() || to.empty()) return false;
    return RunLinuxCommand(L"/bin/ln -s \"" + from + L"\" \"" + to + L"\"", [&] { return IsListedAsLink(link); });
}

bool IsListed(const std::wstring& path) {
    WIN32_FIND_DATAW item{};
    fw::UniqueFind find(::FindFirstFileW(path.c_str(), &item));
    return static_cast<bool>(find);
}

bool RemoveFullDiskFile(const std::wstring& path) {
    if (!IsListed(path)) return true;
    const std::wstring link = UnixPathOf(path);
    if (link.empty()) return false;
    return RunLinuxCommand(L"/bin/rm -f \"" + link + L"\"", [&] { return !IsListed(path); });
}

bool MakeFullDiskFile(const std::wstring& path) {
    const std::wstring to = UnixPathOf(path);
    if (to.empty()) return false;
    return RunLinuxCommand(L"/bin/ln -s /dev/full \"" + to + L"\"", [&] { return IsListed(path); });
}

bool RemoveFolderLink(const std::wstring& link) {
    if (!IsListedAsLink(link)) return true;
    if (::RemoveDirectoryW(link.c_str()) && !IsListedAsLink(link)) return true;
    const std::wstring path = UnixPathOf(link);
    if (path.empty()) return false;
    return RunLinuxCommand(L"/bin/rm -f \"" + path + L"\"", [&] { return !IsListedAsLink(link); });
}

NativeLibrariesFirst::NativeLibrariesFirst(const std::wstring& exeName, const std::vector<std::wstring>& dlls)
    : key_(L"Software\\Wine\\AppDefaults\\" + exeName + L"\\DllOverrides") {
    const wchar_t order[] = L"native,builtin";
    for (const std::wstring& dll : dlls)
        ::RegSetKeyValueW(HKEY_CURRENT_USER, key_.c_str(), dll.c_str(), REG_SZ, order, sizeof order);
}

NativeLibrariesFirst::~NativeLibrariesFirst() { ::RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str()); }

}  // namespace testutil

#include "tests/win/test_util.h"

#include <gdiplus.h>

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

namespace {
// Reads a w x h block into pixels, with `draw` putting it into a memory DC.
Pixels ReadBlock(int w, int h, const std::function<void(HDC mem)>& draw) {
    Pixels p;
    p.width = w;
    p.height = h;
    if (p.width <= 0 || p.height <= 0) return p;
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = p.width;
    bi.bmiHeader.biHeight = -p.height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(mem, dib);
    draw(mem);
    ::GdiFlush();
    p.data.resize(static_cast<size_t>(p.width) * p.height);
    const auto* src = static_cast<const BYTE*>(bits);
    for (size_t i = 0; i < p.data.size(); ++i) p.data[i] = RGB(src[i * 4 + 2], src[i * 4 + 1], src[i * 4]);
    ::SelectObject(mem, old);
    ::DeleteObject(dib);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
    return p;
}
}  // namespace

Pixels Capture(HWND wnd) {
    RECT rc{};
    ::GetClientRect(wnd, &rc);
    return ReadBlock(rc.right, rc.bottom, [wnd](HDC mem) { ::PrintWindow(wnd, mem, PW_CLIENTONLY); });
}

Pixels CaptureScreen(HWND wnd) {
    RECT rc{};
    ::GetWindowRect(wnd, &rc);
    ::UpdateWindow(wnd);
    return CaptureScreenRect(rc);
}

Pixels CaptureScreenRect(const RECT& rc) {
    // Wine hands window contents to the X server from its message loop: pump a
    // little so that the screen shows what was painted.
    PumpFor(150);
    return ReadScreenRect(rc);
}

Pixels CaptureWindowDC(HWND wnd) {
    RECT rc{};
    ::GetClientRect(wnd, &rc);
    return ReadBlock(rc.right, rc.bottom, [wnd, rc](HDC mem) {
        HDC dc = ::GetDC(wnd);
        ::BitBlt(mem, 0, 0, rc.right, rc.bottom, dc, 0, 0, SRCCOPY);
        ::ReleaseDC(wnd, dc);
    });
}

Pixels ReadScreenRect(const RECT& rc) {
    return ReadBlock(rc.right - rc.left, rc.bottom - rc.top, [rc](HDC mem) {
        HDC screen = ::GetDC(nullptr);
        ::BitBlt(mem, 0, 0, rc.right - rc.left, rc.bottom - rc.top, screen, rc.left, rc.top, SRCCOPY);
        ::ReleaseDC(nullptr, screen);
    });
}

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

}  // namespace testutil

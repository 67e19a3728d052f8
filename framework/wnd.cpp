#include "framework/wnd.h"
#include "framework/system_library.h"

#include <commctrl.h>
#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <unordered_map>

namespace {

// Window-to-object map of the user-interface thread: the subclass procedure
// finds its object here, and so do reflection and the pre-translation walk.
std::unordered_map<HWND, CWnd*>& HandleMap() {
    thread_local std::unordered_map<HWND, CWnd*> map;
    return map;
}

// The window's procedure from before the framework's went in, kept on the
// window itself: once something else has subclassed the window over the
// framework, the framework's procedure cannot leave the chain when its object
// lets go, and then goes on handing every message to this one.
// The subclassing is the framework's own rather than the common controls':
// loading those (they bring the display driver and the theme library with
// them) would otherwise stand before the first window of the process.
constexpr wchar_t kSuperProcProperty[] = L"CWnd.SuperProc";

WNDPROC SuperProcOf(HWND wnd) { return reinterpret_cast<WNDPROC>(::GetPropW(wnd, kSuperProcProperty)); }

HWND TopLevelOf(HWND wnd) {
    while (wnd && (::GetWindowLongPtrW(wnd, GWL_STYLE) & WS_CHILD)) wnd = ::GetParent(wnd);
    return wnd;
}

std::vector<std::wstring>& Breaches() {
    static std::vector<std::wstring> breaches;
    return breaches;
}

std::wstring ClassNameOf(const std::type_info& type) {
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> plain(abi::__cxa_demangle(type.name(), nullptr, nullptr, &status),
                                                      &std::free);
    const char* name = status == 0 && plain ? plain.get() : type.name();
    return std::wstring(name, name + std::char_traits<char>::length(name));
}

std::wstring WindowClassOf(HWND wnd) {
    wchar_t name[256] = {};
    int len = ::GetClassNameW(wnd, name, 256);
    return std::wstring(name, len > 0 ? static_cast<size_t>(len) : 0);
}

}  // namespace

namespace fw {
namespace {
ApplicationLink* g_application = nullptr;
}  // namespace

ApplicationLink* CurrentApplication() { return g_application; }
void SetApplicationLink(ApplicationLink* app) { g_application = app; }

HINSTANCE ApplicationModule() {
    HINSTANCE module = g_application ? g_application->Module() : nullptr;
    return module ? module : ::GetModuleHandleW(nullptr);
}
}  // namespace fw

CWnd::~CWnd() {
    if (!m_hWnd) return;
    if (!m_bCreated) {
        // Only subclassed: the window is someone else's and lives on.
        UnsubclassWindow();
        return;
    }
    if (IsWhole()) {
        // A plain CWnd object: nothing was derived, so nothing is lost.
        DestroyWindow();
        return;
    }
    // The most derived class neither destroyed its window nor had it destroyed:
    // cut the object loose first, so that no message of the destruction reaches
    // what is left of it, then take the window down with nobody listening.
    HWND wnd = m_hWnd;
    RecordBreach();
    UnsubclassWindow();
    ::DestroyWindow(wnd);
}

void CWnd::RecordBreach() const {
    Breaches().push_back(ClassNameOf(*m_pAttachedType) + L" (" + WindowClassOf(m_hWnd) + L")");
    ::OutputDebugStringW((L"window outlived the derived part of its object: " + Breaches().back() + L"\n").c_str());
}

CWnd* CWnd::FromHandlePermanent(HWND wnd) {
    if (!wnd) return nullptr;
    auto& map = HandleMap();
    auto it = map.find(wnd);
    return it == map.end() ? nullptr : it->second;
}

bool CWnd::Attach(HWND wnd) {
    if (!wnd || m_hWnd || FromHandlePermanent(wnd)) return false;
    // The framework's procedure may still be in the chain from an earlier
    // object (see kSuperProcProperty); it then serves as it is.
    WNDPROC super = SuperProcOf(wnd);
    if (!super) {
        super = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(wnd, GWLP_WNDPROC));
        if (!super || !::SetPropW(wnd, kSuperProcProperty, reinterpret_cast<HANDLE>(super))) return false;
        ::SetLastError(0);
        if (!::SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::SubclassProc)) &&
            ::GetLastError() != 0) {
            ::RemovePropW(wnd, kSuperProcProperty);
            return false;
        }
    }
    m_hWnd = wnd;
    m_pfnSuper = super;
    m_pAttachedType = &typeid(*this);
    HandleMap()[wnd] = this;
    return true;
}

void CWnd::Detach() {
    if (!m_hWnd) return;
    // Out of the chain only when nothing came in over the framework's
    // procedure; otherwise it stays and passes everything on.
    if (::GetWindowLongPtrW(m_hWnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&CWnd::SubclassProc)) {
        ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
        ::RemovePropW(m_hWnd, kSuperProcProperty);
    }
    HandleMap().erase(m_hWnd);
    m_hWnd = nullptr;
    m_pfnSuper = nullptr;
    m_pAttachedType = nullptr;
}

bool CWnd::SubclassWindow(HWND wnd) {
    if (!wnd || m_hWnd || FromHandlePermanent(wnd)) return false;
    // PreSubclassWindow may look at the window (text, style), so m_hWnd is set
    // before it runs and the subclass goes in after.
    m_hWnd = wnd;
    PreSubclassWindow();
    m_hWnd = nullptr;
    return Attach(wnd);
}

bool CWnd::SubclassDlgItem(int id, CWnd* parent) {
    return parent && SubclassWindow(::GetDlgItem(parent->m_hWnd, id));
}

HWND CWnd::UnsubclassWindow() {
    HWND wnd = m_hWnd;
    Detach();
    m_bCreated = false;
    return wnd;
}

bool CWnd::CreateEx(DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style, const RECT& rect,
                    HWND parent, UINT id) {
    HMENU menu = (style & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)) : nullptr;
    HWND wnd = ::CreateWindowExW(exStyle, className, text ? text : L"", style, rect.left, rect.top,
                                 rect.right - rect.left, rect.bottom - rect.top, parent, menu,
                                 fw::ApplicationModule(), nullptr);
    if (!wnd) return false;
    if (!SubclassWindow(wnd)) {
        ::DestroyWindow(wnd);
        return false;
    }
    m_bCreated = true;
    return true;
}

BOOL CWnd::DestroyWindow() {
    if (!m_hWnd) return FALSE;
    return ::DestroyWindow(m_hWnd);
}

void CWnd::DestroyOwnWindow() {
    if (m_bCreated) {
        DestroyWindow();
    } else {
        UnsubclassWindow();
    }
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

BOOL CWnd::WalkPreTranslateTree(HWND hWndStop, MSG* msg) {
    for (HWND wnd = msg->hwnd; wnd; wnd = ::GetParent(wnd)) {
        if (CWnd* obj = FromHandlePermanent(wnd); obj && obj->PreTranslateMessage(msg)) return TRUE;
        if (wnd == hWndStop) break;
    }
    return FALSE;
}

void CWnd::ModifyStyle(DWORD remove, DWORD add) {
    DWORD style = GetStyle();
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>((style & ~remove) | add));
}

void CWnd::ModifyStyleEx(DWORD remove, DWORD add) {
    DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE));
    ::SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE, static_cast<LONG_PTR>((style & ~remove) | add));
}

std::wstring CWnd::GetWindowText() const {
    int len = ::GetWindowTextLengthW(m_hWnd);
    std::wstring text(static_cast<size_t>(len) + 1, L'\0');
    int got = ::GetWindowTextW(m_hWnd, text.data(), len + 1);
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return text;
}

RECT CWnd::GetWindowRect() const {
    RECT r{};
    ::GetWindowRect(m_hWnd, &r);
    return r;
}

RECT CWnd::GetClientRect() const {
    RECT r{};
    ::GetClientRect(m_hWnd, &r);
    return r;
}

void CWnd::CenterWindow(HWND alternateOwner) {
    HWND owner = alternateOwner ? alternateOwner : ::GetWindow(m_hWnd, GW_OWNER);
    RECT area{};
    if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner)) {
        ::GetWindowRect(owner, &area);
    } else {
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    }
    RECT me = GetWindowRect();
    int w = me.right - me.left, h = me.bottom - me.top;
    int x = area.left + (area.right - area.left - w) / 2;
    int y = area.top + (area.bottom - area.top - h) / 2;
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CWnd::DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!m_pfnSuper) return ::DefWindowProcW(m_hWnd, msg, wParam, lParam);
    return ::CallWindowProcW(m_pfnSuper, m_hWnd, msg, wParam, lParam);
}

BOOL CWnd::OnCommand(WPARAM, LPARAM) { return FALSE; }
BOOL CWnd::OnNotify(WPARAM, LPARAM, LRESULT*) { return FALSE; }
BOOL CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) { return FALSE; }

bool CWnd::ReflectToChild(HWND child, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    CWnd* obj = FromHandlePermanent(child);
    return obj && obj != this && obj->OnChildNotify(msg, wParam, lParam, result);
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    switch (msg) {
    case WM_COMMAND:
        if (lParam && ReflectToChild(reinterpret_cast<HWND>(lParam), msg, wParam, lParam, &result)) return result;
        if (OnCommand(wParam, lParam)) return 0;
        break;
    case WM_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(lParam);
        if (hdr && ReflectToChild(hdr->hwndFrom, msg, wParam, lParam, &result)) return result;
        if (OnNotify(wParam, lParam, &result)) return result;
        break;
    }
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (item && item->CtlType != ODT_MENU && ReflectToChild(item->hwndItem, msg, wParam, lParam, &result))
            return TRUE;
        break;
    }
    default:
        break;
    }
    return DefWindowProc(msg, wParam, lParam);
}

LRESULT CALLBACK CWnd::SubclassProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    CWnd* self = FromHandlePermanent(wnd);
    if (!self) {
        // Left in the chain by an object that let go (see kSuperProcProperty).
        WNDPROC super = SuperProcOf(wnd);
        if (msg == WM_NCDESTROY) ::RemovePropW(wnd, kSuperProcProperty);
        return super ? ::CallWindowProcW(super, wnd, msg, wParam, lParam) : ::DefWindowProcW(wnd, msg, wParam, lParam);
    }
    // A message that arrives while the object is being destroyed (its derived
    // part already gone) goes past it, to the window's own procedure.
    if (!self->IsWhole()) {
        LRESULT result = self->DefWindowProc(msg, wParam, lParam);
        if (msg == WM_NCDESTROY) {
            // A base destructor took the window down for a derived class that
            // did not: the derived part never saw it go.
            if (self->m_bCreated) self->RecordBreach();
            self->Detach();
            self->m_bCreated = false;
        }
        return result;
    }
    if (msg != WM_NCDESTROY) return self->WindowProc(msg, wParam, lParam);

    LRESULT result = self->WindowProc(msg, wParam, lParam);
    // The link goes before the object can: after this the object may be deleted.
    if (fw::ApplicationLink* app = fw::CurrentApplication()) app->ForgetMainWindow(self);
    self->Detach();
    self->m_bCreated = false;
    self->PostNcDestroy();
    return result;
}

namespace fw {

void EnsureCommonControls() {
    static const bool registered = [] {
        INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
        return ::InitCommonControlsEx(&icc) != FALSE;
    }();
    (void)registered;
}

bool GetNextMessage(MSG& msg, bool* quit) {
    *quit = false;
    BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) *quit = true;
    // -1 is a failure, and msg holds nothing to dispatch.
    return got != 0 && got != -1;
}

void PumpMessage(MSG& msg, HWND hWndStop) {
    if (CWnd::WalkPreTranslateTree(hWndStop, &msg)) return;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
}

HWND MainWindowOwner() {
    ApplicationLink* app = CurrentApplication();
    CWnd* main = app ? app->MainWindow() : nullptr;
    return main ? TopLevelOf(main->m_hWnd) : nullptr;
}

HWND SafeOwner(HWND parent) {
    // A named parent is taken at its word: its top-level window owns the modal
    // window and is the one disabled, whatever popup of it was active last.
    if (parent) return TopLevelOf(parent);
    HWND top = MainWindowOwner();
    if (!top) top = TopLevelOf(::GetActiveWindow());
    if (!top) return nullptr;
    HWND popup = ::GetLastActivePopup(top);
    return (popup && ::IsWindowEnabled(popup)) ? popup : top;
}

std::vector<std::wstring> TakeLifetimeBreaches() { return std::exchange(Breaches(), {}); }

namespace {

// A user32 function of Windows 10 1607 and later; null on older systems.
template <class Function>
Function NewerUser32Function(const char* name) {
    return FunctionOfLoadedLibrary<Function>(L"user32.dll", name);
}

}  // namespace

int SystemDpi() {
    // It answers without a device context, so the first question about the
    // display does not load its driver on whatever thread asks.
    static const auto getDpiForSystem = NewerUser32Function<UINT(WINAPI*)()>("GetDpiForSystem");
    if (getDpiForSystem) {
        if (const UINT dpi = getDpiForSystem()) return static_cast<int>(dpi);
    }
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen) ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

int WindowDpi(HWND wnd) {
    if (!wnd) return 96;
    static const auto getDpiForWindow = NewerUser32Function<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    if (getDpiForWindow) {
        if (const UINT dpi = getDpiForWindow(wnd)) return static_cast<int>(dpi);
    }
    return SystemDpi();
}

}  // namespace fw

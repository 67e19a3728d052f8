// The floor of the start-up and idle figures: the least a Win32 dialog program
// does, built with the launcher's toolchain and static link. One modal dialog
// from a template in memory, shown at once, closed by WM_CLOSE.
#include <windows.h>

#include <cstdint>
#include <vector>

namespace {

INT_PTR CALLBACK FloorProc(HWND dialog, UINT msg, WPARAM, LPARAM)
{
    if (msg == WM_INITDIALOG) return TRUE;
    if (msg == WM_CLOSE) {
        ::EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

// DLGTEMPLATE followed by empty menu and class arrays and the title; no controls.
std::vector<WORD> DialogTemplate()
{
    static_assert(sizeof(DLGTEMPLATE) % sizeof(WORD) == 0);
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
    auto* t = reinterpret_cast<DLGTEMPLATE*>(words.data());
    t->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | DS_MODALFRAME | DS_CENTER;
    t->cx = 200;
    t->cy = 100;
    words.push_back(0);  // menu
    words.push_back(0);  // class
    for (const wchar_t* c = L"floor"; *c; ++c) words.push_back(static_cast<WORD>(*c));
    words.push_back(0);
    return words;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int)
{
    const std::vector<WORD> dialog = DialogTemplate();
    return static_cast<int>(::DialogBoxIndirectParamW(
        instance, reinterpret_cast<const DLGTEMPLATE*>(dialog.data()), nullptr, FloorProc, 0));
}

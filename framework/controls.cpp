#include "framework/controls.h"

bool CImageList::Create(int cx, int cy, UINT flags, int initial, int grow) {
    DeleteImageList();
    m_hImageList = ::ImageList_Create(cx, cy, flags, initial, grow);
    return m_hImageList != nullptr;
}

void CImageList::DeleteImageList() {
    if (m_hImageList) ::ImageList_Destroy(std::exchange(m_hImageList, nullptr));
}

BOOL CButton::OnChildNotify(UINT msg, WPARAM, LPARAM lParam, LRESULT* result) {
    if (msg != WM_DRAWITEM) return FALSE;
    DrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
    *result = TRUE;
    return TRUE;
}

int CTabCtrl::InsertItem(int i, const wchar_t* text, LPARAM data) {
    TCITEMW item{};
    item.mask = TCIF_TEXT | TCIF_PARAM;
    item.pszText = const_cast<wchar_t*>(text ? text : L"");
    item.lParam = data;
    return TabCtrl_InsertItem(m_hWnd, i, &item);
}

bool CTabCtrl::SetItemText(int i, const wchar_t* text) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(text ? text : L"");
    return TabCtrl_SetItem(m_hWnd, i, &item) != FALSE;
}

LPARAM CTabCtrl::GetItemData(int i) const {
    TCITEMW item{};
    item.mask = TCIF_PARAM;
    return TabCtrl_GetItem(m_hWnd, i, &item) ? item.lParam : 0;
}

int CTabCtrl::HitTest(POINT pt) const {
    TCHITTESTINFO info{};
    info.pt = pt;
    return TabCtrl_HitTest(m_hWnd, &info);
}

BOOL CTabCtrl::OnChildNotify(UINT msg, WPARAM, LPARAM lParam, LRESULT* result) {
    if (msg != WM_DRAWITEM) return FALSE;
    DrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
    *result = TRUE;
    return TRUE;
}

bool CToolTipCtrl::Create(CWnd* parent, DWORD style) {
    RECT none{CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT};
    // Tooltips are top-level popups owned by the control they describe.
    if (!CreateEx(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | style, none,
                  parent ? parent->m_hWnd : nullptr, 0))
        return false;
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return true;
}

namespace {
// A tool with id 0 stands for the whole window: the tooltip then identifies it
// by its window handle and tracks the window's client area itself.
TOOLINFOW ToolInfo(CWnd* wnd, UINT_PTR id, const wchar_t* text) {
    TOOLINFOW info{};
    info.cbSize = sizeof info;
    info.hwnd = wnd->m_hWnd;
    if (id == 0) {
        info.uFlags = TTF_IDISHWND;
        info.uId = reinterpret_cast<UINT_PTR>(wnd->m_hWnd);
    } else {
        info.uId = id;
    }
    info.lpszText = const_cast<wchar_t*>(text ? text : L"");
    return info;
}
}  // namespace

bool CToolTipCtrl::AddTool(CWnd* wnd, const wchar_t* text, const RECT* rect, UINT_PTR id) {
    TOOLINFOW info = ToolInfo(wnd, id, text);
    if (rect) info.rect = *rect;
    return ::SendMessageW(m_hWnd, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info)) != 0;
}

void CToolTipCtrl::UpdateTipText(const wchar_t* text, CWnd* wnd, UINT_PTR id) {
    TOOLINFOW info = ToolInfo(wnd, id, text);
    ::SendMessageW(m_hWnd, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&info));
}

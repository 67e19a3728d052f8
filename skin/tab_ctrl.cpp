#include "skin/tab_ctrl.h"

#include "skin/message_box.h"
#include "skin/skin_geometry.h"
#include "skin/skin_image.h"
#include "skin/win_rect.h"

#include <windowsx.h>

static_assert(skin::kTabStateSelected == TCIS_BUTTONPRESSED);

namespace {

constexpr int kStripFrames = 3;
constexpr DWORD kAllStateBits = 0xFFFFFFFF;
// A tab with any of the bits 1, 2 and 4 (pressed, highlighted, and one
// commctrl leaves unnamed) never gets the hot bit.
constexpr DWORD kNeverHotBits = 0x7;
// The title buffer of one tab when painting: longer titles are cut to 127.
constexpr int kTitleBuffer = 128;
constexpr const wchar_t* kAskClosePage = L"确定要退出此账号？";


POINT PointOf(LPARAM lParam) { return {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

}  // namespace

// ---------------------------------------------------------------- CTabCtrlBase

bool CTabCtrlBase::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    const DWORD forced = WS_CHILD | WS_VISIBLE | TCS_FOCUSNEVER | TCS_OWNERDRAWFIXED | TCS_FIXEDWIDTH | TCS_BUTTONS;
    return CTabCtrl::Create(style | forced | TCS_MULTILINE, rect, parent, id);
}

void CTabCtrlBase::PreSubclassWindow() {
    // A strip from a dialog template: WM_STYLECHANGING keeps the style from here on.
    ::SetWindowLongW(m_hWnd, GWL_STYLE, ::GetWindowLongW(m_hWnd, GWL_STYLE) | TCS_MULTILINE);
    CTabCtrl::PreSubclassWindow();
}

int CTabCtrlBase::CloseBoxSize() const {
    int cx = 0, cy = 0;
    if (m_imgClose && ::ImageList_GetIconSize(m_imgClose.GetSafeHandle(), &cx, &cy)) return cx;
    return skin::kTabCloseBoxSize;
}

LRESULT CTabCtrlBase::OnGetItemRect(WPARAM index, LPARAM rect) const {
    auto* out = reinterpret_cast<RECT*>(rect);
    const int i = static_cast<int>(index);
    if (!out || i < 0 || i >= GetItemCount()) return FALSE;
    *out = ToWin(skin::TabItemRect(i, m_tabSize));
    return TRUE;
}

LRESULT CTabCtrlBase::OnHitTest(LPARAM info) const {
    auto* hit = reinterpret_cast<TCHITTESTINFO*>(info);
    if (!hit) return -1;
    const int tab = skin::TabIndexAt({hit->pt.x, hit->pt.y}, GetItemCount(), m_tabSize);
    hit->flags = tab < 0 ? TCHT_NOWHERE : TCHT_ONITEM;
    return tab;
}

void CTabCtrlBase::SelectTabAt(POINT pt) {
    const int tab = TabAt(pt);
    if (tab < 0 || tab == GetCurSel()) return;
    const HWND parent = ::GetParent(m_hWnd);
    NMHDR note{m_hWnd, static_cast<UINT_PTR>(::GetDlgCtrlID(m_hWnd)), static_cast<UINT>(TCN_SELCHANGING)};
    if (::SendMessageW(parent, WM_NOTIFY, note.idFrom, reinterpret_cast<LPARAM>(&note))) return;
    SetCurSel(tab);
    note.code = static_cast<UINT>(TCN_SELCHANGE);
    ::SendMessageW(parent, WM_NOTIFY, note.idFrom, reinterpret_cast<LPARAM>(&note));
}

BOOL CTabCtrlBase::SetImages(HBITMAP tabStrip, HBITMAP closeStrip) {
    if (!tabStrip) return FALSE;
    if (closeStrip) BuildStripImageList(m_imgClose, closeStrip, kStripFrames);
    BuildStripImageList(m_imgTabs, tabStrip, kStripFrames);
    ApplyItemSize();
    return TRUE;
}

void CTabCtrlBase::DrawStripFrame(const CImageList& list, int frame, HDC dc, int x, int y, int cx, int cy) {
    ::ImageList_DrawEx(list.GetSafeHandle(), frame, dc, x, y, cx, cy, CLR_DEFAULT, CLR_DEFAULT,
                       ILD_TRANSPARENT | ILD_SCALE);
}

void CTabCtrlBase::DrawTabBack(HDC dc, const RECT& rect, DWORD state) {
    if (!m_imgTabs) return;
    DrawStripFrame(m_imgTabs, skin::TabBackFrame(state), dc, rect.left, rect.top, rect.right - rect.left,
                   rect.bottom - rect.top);
}

void CTabCtrlBase::DrawTabClose(HDC, const RECT&, DWORD) {}

void CTabCtrlBase::DrawTabText(HDC dc, const wchar_t* text, const RECT& rect, DWORD) {
    ::SetBkMode(dc, TRANSPARENT);
    fw::ScopedSelect font(dc, GetFont());
    RECT r = ToWin(skin::TabTextRect(ToSkin(rect), m_nTextLeft, m_nTextRight));
    ::DrawTextW(dc, text, -1, &r, m_nTextFormat);
}

DWORD CTabCtrlBase::WithSelection(int index, DWORD state) const {
    // The tab control (Wine's at least) selects the first tab inserted by
    // itself without marking it pressed, and selecting the tab already
    // selected marks nothing either; so the selection counts as pressed too.
    return index == GetCurSel() ? state | TCIS_BUTTONPRESSED : state;
}

DWORD CTabCtrlBase::TabState(int index) const {
    TCITEMW item{};
    item.mask = TCIF_STATE;
    item.dwStateMask = kAllStateBits;
    return TabCtrl_GetItem(m_hWnd, index, &item) ? WithSelection(index, item.dwState) : 0;
}

void CTabCtrlBase::ApplyItemSize() {
    int cx = 0, cy = 0;
    if (!m_imgTabs || !::ImageList_GetIconSize(m_imgTabs.GetSafeHandle(), &cx, &cy)) return;
    m_tabSize = {cx, cy};
    // The control's own idea of the size only matters to its own painting,
    // which ours covers; it is kept the same all the same.
    if (m_hWnd) TabCtrl_SetItemSize(m_hWnd, cx, cy);
    if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CTabCtrlBase::SetHotTab(int index) {
    const int count = GetItemCount();
    for (int i = 0; i < count; ++i) {
        const DWORD state = TabState(i);
        if (state & kNeverHotBits) continue;
        TCITEMW item{};
        item.mask = TCIF_STATE;
        if ((state & kStateHot) && i != index) {
            item.dwState = 0;
            item.dwStateMask = kAllStateBits;
        } else if (!(state & kStateHot) && i == index) {
            item.dwState = kStateHot;
            item.dwStateMask = kStateHot;
        } else {
            continue;
        }
        TabCtrl_SetItem(m_hWnd, i, &item);
        RECT r{};
        if (GetItemRect(i, &r)) ::InvalidateRect(m_hWnd, &r, FALSE);
    }
}

void CTabCtrlBase::PaintParentSkin(HDC dc) const {
    // DrawParentBackground leaves the DC's origins moved; the saved state puts
    // them back for whatever is drawn next.
    fw::SavedDC saved(dc);
    DrawParentBackground(m_hWnd, dc);
}

void CTabCtrlBase::OnPaint(WPARAM wParam, LPARAM lParam) {
    // The control's own painting validates the update area (its owner-draw
    // callbacks draw nothing); the finished picture then goes over it in one
    // copy, through a DC of the whole client area rather than the update area.
    DefWindowProc(WM_PAINT, wParam, lParam);

    fw::WindowDC screen(m_hWnd);
    if (!screen.get()) return;
    const RECT client = GetClientRect();
    fw::OffscreenDC mem(screen, client.right, client.bottom);
    PaintParentSkin(mem);

    const int count = GetItemCount();
    for (int i = 0; i < count; ++i) {
        RECT r{};
        GetItemRect(i, &r);
        wchar_t text[kTitleBuffer] = {};
        TCITEMW item{};
        item.mask = TCIF_TEXT | TCIF_IMAGE | TCIF_STATE;
        item.dwStateMask = kAllStateBits;
        item.pszText = text;
        item.cchTextMax = kTitleBuffer;
        if (!TabCtrl_GetItem(m_hWnd, i, &item)) continue;
        const DWORD state = WithSelection(i, item.dwState);
        DrawTabBack(mem, r, state);
        DrawTabClose(mem, r, state);
        DrawTabText(mem, text, r, state);
    }
    mem.CopyTo(screen);
}

void CTabCtrlBase::OnMouseMove(WPARAM wParam, LPARAM lParam) {
    if (!m_bTracking) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, m_hWnd, 0};
        m_bTracking = ::TrackMouseEvent(&track);
    }
    SetHotTab(TabAt(PointOf(lParam)));
    DefWindowProc(WM_MOUSEMOVE, wParam, lParam);
}

void CTabCtrlBase::OnMouseLeave() {
    m_bTracking = FALSE;
    SetHotTab(-1);
}

LRESULT CTabCtrlBase::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND:
        // What the system erases shows the parent's skin straight away; WM_PAINT
        // then puts the finished picture over it.
        PaintParentSkin(reinterpret_cast<HDC>(wParam));
        return TRUE;
    case WM_PAINT:
        OnPaint(wParam, lParam);
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove(wParam, lParam);
        return 0;
    case WM_MOUSELEAVE:
        OnMouseLeave();
        return 0;
    case TCM_GETITEMRECT:
        return OnGetItemRect(wParam, lParam);
    case TCM_HITTEST:
        return OnHitTest(lParam);
    case WM_LBUTTONDOWN:
        SelectTabAt(PointOf(lParam));
        return 0;
    case WM_STYLECHANGING:
        if (wParam == static_cast<WPARAM>(GWL_STYLE))
            reinterpret_cast<STYLESTRUCT*>(lParam)->styleNew |= TCS_MULTILINE;
        break;
    case WM_STYLECHANGED: {
        // Some tab controls keep the width of TCM_SETITEMSIZE only while they
        // have a fixed-width style, and the owner adds the strip's styles after
        // giving it its images: the tab size is given again with them.
        LRESULT result = CTabCtrl::WindowProc(msg, wParam, lParam);
        if (wParam == static_cast<WPARAM>(GWL_STYLE)) ApplyItemSize();
        return result;
    }
    default:
        break;
    }
    return CTabCtrl::WindowProc(msg, wParam, lParam);
}

// ---------------------------------------------------------------- CCaptTab

void CCaptTab::PreSubclassWindow() {
    // A new window has no pointer over it, whatever an earlier one left here.
    m_nHotTab = -1;
    m_nCloseState = skin::kCloseNone;
    m_bTipSet = FALSE;
    m_bTracking = FALSE;

    if (m_tip.m_hWnd) m_tip.DestroyWindow();
    if (m_tip.Create(this, TTS_ALWAYSTIP)) {
        // One tool for the whole strip; its text is set as the pointer moves.
        m_tip.AddTool(this, LPSTR_TEXTCALLBACKW, nullptr, 0);
        m_tip.SetDelayTime(TTDT_AUTOMATIC, 1000);
    }
    CTabCtrlBase::PreSubclassWindow();
}

BOOL CCaptTab::PreTranslateMessage(MSG* msg) {
    if (m_tip.m_hWnd) m_tip.RelayEvent(msg);
    return CTabCtrlBase::PreTranslateMessage(msg);
}

void CCaptTab::DrawTabClose(HDC dc, const RECT&, DWORD) {
    // Called for every tab, but the box always belongs to the hot tab.
    const int frame = skin::TabCloseFrame(m_nCloseState);
    if (!m_imgClose || frame < 0) return;
    RECT tab{};
    if (!GetItemRect(m_nHotTab, &tab)) return;
    const skin::Rect box = skin::TabCloseBoxRect(ToSkin(tab), CloseBoxSize());
    DrawStripFrame(m_imgClose, frame, dc, box.left, box.top, box.width(), box.height());
}

HWND CCaptTab::PageOfTab(int index) const {
    return index < 0 ? nullptr : m_pages.PageWindow(GetItemData(index));
}

void CCaptTab::InvalidateCloseBox(int index) const {
    RECT tab{};
    if (!GetItemRect(index, &tab)) return;
    RECT box = ToWin(skin::TabCloseBoxRect(ToSkin(tab), CloseBoxSize()));
    ::InvalidateRect(m_hWnd, &box, FALSE);
}

void CCaptTab::OnMouseMove(WPARAM wParam, LPARAM lParam) {
    CTabCtrlBase::OnMouseMove(wParam, lParam);

    const POINT pt = PointOf(lParam);
    const int tab = TabAt(pt);
    RECT r{};
    if (tab >= 0) GetItemRect(tab, &r);

    int state = skin::kCloseOnTab;
    if (tab >= 0 && skin::TabCloseBoxHit(ToSkin(r), {pt.x, pt.y}, CloseBoxSize())) {
        state = (::GetKeyState(VK_LBUTTON) & 0x8000) ? skin::kClosePressed : skin::kCloseHover;
        // Over the box the tip is left alone, but the next tab body reached
        // sets it again.
        m_bTipSet = FALSE;
    } else if (!m_bTipSet) {
        m_bTipSet = TRUE;
        m_tip.UpdateTipText(m_pages.PageTitle(tab).c_str(), this, 0);
    }

    if (tab != m_nHotTab || state != m_nCloseState) {
        m_nHotTab = tab;
        m_nCloseState = state;
        if (tab >= 0) InvalidateCloseBox(tab);
    }
}

void CCaptTab::OnLButtonDown(WPARAM wParam, LPARAM lParam) {
    // The tab is selected first (TCN_SELCHANGE comes back to us), so a close
    // box pressed on another tab closes the tab then in front.
    CTabCtrlBase::WindowProc(WM_LBUTTONDOWN, wParam, lParam);
    const POINT pt = PointOf(lParam);
    const int tab = TabAt(pt);
    RECT r{};
    if (tab < 0 || !GetItemRect(tab, &r) || !skin::TabCloseBoxHit(ToSkin(r), {pt.x, pt.y}, CloseBoxSize())) return;
    m_nCloseState = skin::kClosePressed;
    InvalidateCloseBox(tab);
}

void CCaptTab::OnLButtonUp(WPARAM wParam, LPARAM lParam) {
    DefWindowProc(WM_LBUTTONUP, wParam, lParam);
    const POINT pt = PointOf(lParam);
    const int tab = TabAt(pt);

    if (GetItemCount() > 0) {
        if (HWND page = PageOfTab(GetCurSel())) ::SetFocus(page);
    }

    RECT r{};
    if (tab >= 0 && GetItemRect(tab, &r) && skin::TabCloseBoxHit(ToSkin(r), {pt.x, pt.y}, CloseBoxSize())) {
        const std::wstring question = m_pages.PageTitle(tab) + kAskClosePage;
        if (SkinMessageBox(question, m_pages.GameTitle(), MB_YESNO) == IDYES) {
            m_pages.ClosePage(tab);
            if (GetItemCount() == 0) ::PostQuitMessage(0);
        }
    }

    if (m_pages.HallShown()) {
        m_pages.HideHall();
        m_pages.ShowCurrentPage();
    }
}

void CCaptTab::OnMouseLeave() {
    CTabCtrlBase::OnMouseLeave();
    // SetHotTab never touches the selected tab, so its box is cleared here.
    if (m_nHotTab >= 0 && (TabState(m_nHotTab) & TCIS_BUTTONPRESSED)) InvalidateCloseBox(m_nHotTab);
    m_nHotTab = -1;
    m_nCloseState = skin::kCloseNone;
    m_bTipSet = FALSE;
}

void CCaptTab::OnSelChange() {
    int tab = GetCurSel();
    if (tab == -1) {
        POINT pt{};
        ::GetCursorPos(&pt);
        ::ScreenToClient(m_hWnd, &pt);
        tab = TabAt(pt);
    }
    SetCurSel(tab);
    if (PageOfTab(tab)) m_pages.ShowCurrentPage();
}

BOOL CCaptTab::OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == TCN_SELCHANGE) {
        OnSelChange();
        *result = 0;
        return TRUE;
    }
    return CTabCtrlBase::OnChildNotify(msg, wParam, lParam, result);
}

LRESULT CCaptTab::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_MOUSEMOVE:
        OnMouseMove(wParam, lParam);
        return 0;
    case WM_LBUTTONDOWN:
        OnLButtonDown(wParam, lParam);
        return 0;
    case WM_LBUTTONUP:
        OnLButtonUp(wParam, lParam);
        return 0;
    case WM_MOUSELEAVE:
        OnMouseLeave();
        return 0;
    default:
        break;
    }
    return CTabCtrlBase::WindowProc(msg, wParam, lParam);
}

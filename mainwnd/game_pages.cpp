#include "mainwnd/game_pages.h"

#include "app/launcher_ids.h"
#include "framework/winapp.h"
#include "skin/tab_ctrl.h"

BOOL g_bHall = FALSE;

namespace {

constexpr int kStripX = 100;
constexpr int kStripY = 6;
constexpr int kStripHeight = 22;
constexpr int kFirstTabStripWidth = 199;
constexpr int kTabWidth = 189;
// What the page rectangle leaves of the main window: the border and the caption band.
constexpr int kPageBorder = 4;
constexpr int kPageTop = 30;

// Entry i of a list, or the empty text where the list has none.
std::wstring EntryOr(const std::vector<std::wstring>& list, int index) {
    return index >= 0 && index < static_cast<int>(list.size()) ? list[static_cast<size_t>(index)] : std::wstring();
}

template <class T>
void EraseAt(std::vector<T>& list, int index) {
    if (index >= 0 && index < static_cast<int>(list.size())) list.erase(list.begin() + index);
}

HWND MainWindow() {
    CWinApp* app = AfxGetApp();
    return app && app->m_pMainWnd ? app->m_pMainWnd->m_hWnd : nullptr;
}

void PlaceOver(HWND page, HWND main) {
    if (!page || !main) return;
    RECT r{};
    ::GetWindowRect(main, &r);
    const int left = r.left + kPageBorder;
    const int top = r.top + kPageTop;
    ::MoveWindow(page, left, top, (r.right - kPageBorder) - left, (r.bottom - kPageBorder) - top, TRUE);
}

bool HasTabs() { return g_captTab.m_hWnd && g_captTab.GetItemCount() > 0; }

CGameWnd* PageOfTab(int index) {
    return index < 0 ? nullptr : reinterpret_cast<CGameWnd*>(g_captTab.GetItemData(index));
}

// The page of the current tab; null when there is no tab or none is current.
CGameWnd* CurrentPage() { return HasTabs() ? PageOfTab(g_captTab.GetCurSel()) : nullptr; }

void ShowAndFocus(const CGameWnd* page) {
    if (!page || !page->m_hWnd) return;
    ::ShowWindow(page->m_hWnd, SW_SHOW);
    ::SetFocus(page->m_hWnd);
}

void SetTab(int index, const std::wstring& text) {
    if (!g_captTab.m_hWnd) return;
    TCITEMW item{};
    item.mask = TCIF_TEXT | TCIF_PARAM;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    item.lParam = reinterpret_cast<LPARAM>(g_arrPages[static_cast<size_t>(index)].get());
    TabCtrl_SetItem(g_captTab.m_hWnd, index, &item);
}

class CGamePageSet final : public CTabPageSet {
public:
    std::wstring PageTitle(int index) const override { return GetTabTitle(index); }
    std::wstring GameTitle() const override { return kGameTitle; }
    HWND PageWindow(LPARAM tabData) const override {
        const auto* page = reinterpret_cast<const CGameWnd*>(tabData);
        return page ? page->m_hWnd : nullptr;
    }
    void ShowCurrentPage() override { ::ShowCurrentPage(TRUE); }
    void ClosePage(int index) override { ::ClosePage(index); }
    bool HallShown() const override { return g_bHall != FALSE; }
    void HideHall() override {
        g_bHall = FALSE;
        if (g_hallPage.m_hWnd) ::ShowWindow(g_hallPage.m_hWnd, SW_HIDE);
    }
};

}  // namespace

CTabPageSet& GamePageSet() {
    static CGamePageSet pages;
    return pages;
}

int GetPageCount() { return static_cast<int>(g_arrPages.size()); }

void AddGamePage(const std::wstring& address) { g_arrPages.push_back(std::make_unique<CGameWnd>(address)); }

BOOL IsAccountOpen(const std::wstring& account, const std::wstring& server) {
    for (size_t i = 0; i < g_arrAccounts.size() && i < g_arrServers.size(); ++i)
        if (g_arrAccounts[i] == account && g_arrServers[i] == server) return TRUE;
    return FALSE;
}

BOOL AddTabForNewestPage() {
    const int newest = GetPageCount() - 1;
    if (newest < 0) return FALSE;
    CGameWnd& page = *g_arrPages.back();
    if (!page.m_hWnd) page.CreatePage(AfxGetApp()->m_pMainWnd);
    if (!g_captTab.m_hWnd) return FALSE;
    if (CGameWnd* shown = CurrentPage(); shown && shown->m_hWnd) ::ShowWindow(shown->m_hWnd, SW_HIDE);
    const std::wstring account = EntryOr(g_arrAccounts, newest);
    g_captTab.InsertItem(newest, account.c_str(), reinterpret_cast<LPARAM>(&page));
    g_captTab.SetCurSel(newest);
    LayoutPages();
    // Each further page widens the strip by one tab; closing never narrows it.
    ::MoveWindow(g_captTab.m_hWnd, kStripX, kStripY, kFirstTabStripWidth + kTabWidth * newest, kStripHeight, TRUE);
    return TRUE;
}

void SetPageTabTitle(const CGameWnd* page, const std::wstring& title) {
    int index = -1;
    for (int i = 0; i < GetPageCount(); ++i) {
        if (g_arrPages[static_cast<size_t>(i)].get() == page) {
            index = i;
            break;
        }
    }
    if (index < 0) return;
    // The title lists keep one entry per page at the page's own index, so a
    // title that arrives for an older page renames that page's tab.
    const size_t count = g_arrPages.size();
    if (g_arrPageTitles.size() < count) g_arrPageTitles.resize(count);
    if (g_arrTabTitles.size() < count) g_arrTabTitles.resize(count);
    const std::wstring text = EntryOr(g_arrServers, index) + L"服-" + kGameTitle;
    g_arrPageTitles[static_cast<size_t>(index)] = title;
    g_arrTabTitles[static_cast<size_t>(index)] = text;
    SetTab(index, text);
}

std::wstring GetTabTitle(int index) {
    if (index >= GetPageCount()) return {};
    return EntryOr(g_arrTabTitles, index);
}

void ClosePage(int index) {
    if (index < 0 || index >= GetPageCount()) return;
    if (g_captTab.m_hWnd && index == g_captTab.GetCurSel()) SelectNextPage();
    CGameWnd& page = *g_arrPages[static_cast<size_t>(index)];
    if (page.m_hWnd) page.DestroyWindow();
    if (g_captTab.m_hWnd) g_captTab.DeleteItem(index);
    EraseAt(g_arrPages, index);
    EraseAt(g_arrAccounts, index);
    EraseAt(g_arrServers, index);
    EraseAt(g_arrPageTitles, index);
    EraseAt(g_arrTabTitles, index);
}

BOOL LayoutPages() {
    for (const auto& page : g_arrPages)
        if (page->m_hWnd) PlaceOver(page->m_hWnd, ::GetWindow(page->m_hWnd, GW_OWNER));
    return TRUE;
}

BOOL ShowCurrentPage(BOOL show) {
    for (const auto& page : g_arrPages)
        if (page->m_hWnd) ::ShowWindow(page->m_hWnd, SW_HIDE);
    if (show) ShowAndFocus(CurrentPage());
    return TRUE;
}

void SelectNextPage() {
    if (!g_captTab.m_hWnd) return;
    const int count = g_captTab.GetItemCount();
    const int current = g_captTab.GetCurSel();
    if (count == 1) {
        ShowAndFocus(PageOfTab(0));
        return;
    }
    if (count < 1 || current < 0) return;
    g_captTab.SetCurSel((current + 1) % count);
    ShowCurrentPage(TRUE);
}

void RefreshCurrentPage() {
    if (CGameWnd* page = CurrentPage(); page && page->m_hWnd) ::PostMessageW(page->m_hWnd, WM_KEYDOWN, VK_F5, 0);
}

BOOL ShowHallPage(int showCommand) {
    if (!g_hallPage.m_hWnd) {
        if (showCommand == SW_HIDE) return FALSE;
        g_hallPage.CreatePage(AfxGetApp()->m_pMainWnd);
        LayoutHallPage();
        if (!g_hallPage.m_hWnd) return FALSE;
    }
    return ::ShowWindow(g_hallPage.m_hWnd, showCommand);
}

void LayoutHallPage() { PlaceOver(g_hallPage.m_hWnd, MainWindow()); }

#include "mainwnd/game_pages.h"

#include "app/launcher_ids.h"
#include "skin/tab_ctrl.h"

BOOL g_bHall = FALSE;

int GetPageCount() { return static_cast<int>(g_arrPages.size()); }

void AddGamePage(const std::wstring& address) { g_arrPages.push_back(std::make_unique<CGameWnd>(address)); }

BOOL IsAccountOpen(const std::wstring& account, const std::wstring& server) {
    for (size_t i = 0; i < g_arrAccounts.size() && i < g_arrServers.size(); ++i)
        if (g_arrAccounts[i] == account && g_arrServers[i] == server) return TRUE;
    return FALSE;
}

std::wstring GetTabTitle(int index) {
    if (index < 0 || index >= static_cast<int>(g_arrServers.size())) return {};
    return g_arrServers[static_cast<size_t>(index)] + L"服-" + kGameTitle;
}

namespace {
template <class T>
void EraseAt(std::vector<T>& list, int index) {
    if (index >= 0 && index < static_cast<int>(list.size())) list.erase(list.begin() + index);
}
}  // namespace

void ClosePage(int index) {
    if (index < 0 || index >= GetPageCount()) return;
    CGameWnd& page = *g_arrPages[static_cast<size_t>(index)];
    if (page.m_hWnd) page.DestroyWindow();
    if (g_captTab.m_hWnd) g_captTab.DeleteItem(index);
    EraseAt(g_arrPages, index);
    EraseAt(g_arrAccounts, index);
    EraseAt(g_arrServers, index);
    EraseAt(g_arrPageTitles, index);
    EraseAt(g_arrTabTitles, index);
    if (g_captTab.m_hWnd && g_captTab.GetItemCount() > 0 && g_captTab.GetCurSel() < 0) {
        g_captTab.SetCurSel(index < g_captTab.GetItemCount() ? index : g_captTab.GetItemCount() - 1);
        ShowCurrentPage(TRUE);
    }
}

BOOL ShowCurrentPage(BOOL show) {
    for (auto& page : g_arrPages)
        if (page->m_hWnd) ::ShowWindow(page->m_hWnd, SW_HIDE);
    if (!show || !g_captTab.m_hWnd) return TRUE;
    int current = g_captTab.GetCurSel();
    if (current < 0) return TRUE;
    auto* page = reinterpret_cast<CGameWnd*>(g_captTab.GetItemData(current));
    if (page && page->m_hWnd) {
        ::ShowWindow(page->m_hWnd, SW_SHOW);
        ::SetFocus(page->m_hWnd);
    }
    return TRUE;
}

namespace {
class CGamePageSet final : public CTabPageSet {
public:
    std::wstring PageTitle(int index) const override {
        return index < 0 || index >= GetPageCount() ? std::wstring() : GetTabTitle(index);
    }
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

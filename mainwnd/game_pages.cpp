#include "mainwnd/game_pages.h"

#include "core/launcher_ids.h"
#include "framework/winapp.h"
#include "net/operator_site_win.h"
#include "skin/dpi_scale.h"

namespace {

constexpr int kStripX = 100;
constexpr int kStripY = 6;
constexpr int kStripHeight = 22;
constexpr int kFirstTabStripWidth = 199;
constexpr int kTabWidth = 189;

CWnd* MainWnd() {
    CWinApp* app = AfxGetApp();
    return app ? app->m_pMainWnd : nullptr;
}

void PlaceOver(HWND page, HWND main, int dpi) {
    if (!page || !main) return;
    RECT r{};
    ::GetWindowRect(main, &r);
    const int border = skin::ScalePx(kFrameBorder, dpi);
    const int left = r.left + border;
    const int top = r.top + skin::ScalePx(kCaptionBandHeight, dpi);
    ::MoveWindow(page, left, top, (r.right - border) - left, (r.bottom - border) - top, TRUE);
}

void ShowAndFocus(const CGameWnd* page) {
    if (!page || !page->m_hWnd) return;
    ::ShowWindow(page->m_hWnd, SW_SHOW);
    ::SetFocus(page->m_hWnd);
}

}  // namespace

CGamePageSet::CGamePageSet() : m_hallPage(site::GameRootUrl(CurrentSite())) {}

// The pages' browsers go here, while the OLE session of the set's owner still
// runs; the windows first, while every record is still there.
CGamePageSet::~CGamePageSet() {
    for (GamePage& page : m_pages)
        if (page.window && page.window->m_hWnd) page.window->DestroyWindow();
    m_pages.clear();
}

int CGamePageSet::GetPageCount() const { return static_cast<int>(m_pages.size()); }

bool CGamePageSet::IsAccountOpen(const std::wstring& account, const std::wstring& server) const {
    for (const GamePage& page : m_pages)
        if (page.account == account && page.server == server) return true;
    return false;
}

void CGamePageSet::AddGamePage(const std::wstring& address, const std::wstring& account,
                               const std::wstring& server) {
    auto window = std::make_unique<CGameWnd>(address);
    const CGameWnd* self = window.get();
    window->m_onTitleChange = [this, self](const std::wstring& title) { SetPageTabTitle(self, title); };
    m_pages.push_back(GamePage{std::move(window), account, server, {}, {}});
}

std::wstring CGamePageSet::GameTitle() const { return kGameTitle; }

HWND CGamePageSet::PageWindow(LPARAM tabData) const {
    const auto* page = reinterpret_cast<const CGameWnd*>(tabData);
    return page ? page->m_hWnd : nullptr;
}

void CGamePageSet::HideHall() {
    m_bHall = FALSE;
    if (m_hallPage.m_hWnd) ::ShowWindow(m_hallPage.m_hWnd, SW_HIDE);
}

bool CGamePageSet::HasTabs() const { return m_captTab.m_hWnd && m_captTab.GetItemCount() > 0; }

CGameWnd* CGamePageSet::PageOfTab(int index) const {
    return index < 0 ? nullptr : reinterpret_cast<CGameWnd*>(m_captTab.GetItemData(index));
}

CGameWnd* CGamePageSet::CurrentPage() const { return HasTabs() ? PageOfTab(m_captTab.GetCurSel()) : nullptr; }

void CGamePageSet::SetTab(int index, const std::wstring& text) {
    if (!m_captTab.m_hWnd) return;
    TCITEMW item{};
    item.mask = TCIF_TEXT | TCIF_PARAM;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    item.lParam = reinterpret_cast<LPARAM>(m_pages[static_cast<size_t>(index)].window.get());
    TabCtrl_SetItem(m_captTab.m_hWnd, index, &item);
}

BOOL CGamePageSet::AddTabForNewestPage() { return AddTabForPage(GetPageCount() - 1); }

int CGamePageSet::AddTabsForNewPages() {
    if (!m_captTab.m_hWnd) return 0;
    int added = 0;
    for (int index = m_captTab.GetItemCount(); index < GetPageCount(); ++index)
        if (AddTabForPage(index)) ++added;
    return added;
}

BOOL CGamePageSet::AddTabForPage(int newest) {
    if (newest < 0 || newest >= GetPageCount()) return FALSE;
    GamePage& record = m_pages[static_cast<size_t>(newest)];
    CGameWnd& page = *record.window;
    if (!page.m_hWnd) page.CreatePage(MainWnd());
    if (!m_captTab.m_hWnd) return FALSE;
    if (CGameWnd* shown = CurrentPage(); shown && shown->m_hWnd) ::ShowWindow(shown->m_hWnd, SW_HIDE);
    m_captTab.InsertItem(newest, record.account.c_str(), reinterpret_cast<LPARAM>(&page));
    m_captTab.SetCurSel(newest);
    LayoutPages();
    // Each further page widens the strip by one tab; closing never narrows it.
    m_nStripTabs = newest + 1;
    PlaceTabStrip();
    return TRUE;
}

void CGamePageSet::PlaceTabStrip() {
    if (!m_captTab.m_hWnd || m_nStripTabs < 1) return;
    const skin::Rect design{kStripX, kStripY, kStripX + kFirstTabStripWidth + kTabWidth * (m_nStripTabs - 1),
                            kStripY + kStripHeight};
    const skin::Rect r = skin::ScaleRect(design, m_nDpi);
    ::MoveWindow(m_captTab.m_hWnd, r.left, r.top, r.width(), r.height(), TRUE);
}

void CGamePageSet::SetPageTabTitle(const CGameWnd* page, const std::wstring& title) {
    // The page whose title arrived is renamed, whichever tab is the newest.
    for (size_t i = 0; i < m_pages.size(); ++i) {
        GamePage& record = m_pages[i];
        if (record.window.get() != page) continue;
        record.pageTitle = title;
        record.tabTitle = record.server + L"服-" + kGameTitle;
        SetTab(static_cast<int>(i), record.tabTitle);
        return;
    }
}

std::wstring CGamePageSet::GetTabTitle(int index) const {
    if (index < 0 || index >= GetPageCount()) return {};
    return m_pages[static_cast<size_t>(index)].tabTitle;
}

void CGamePageSet::ClosePage(int index) {
    if (index < 0 || index >= GetPageCount()) return;
    if (m_captTab.m_hWnd && index == m_captTab.GetCurSel()) SelectNextPage();
    CGameWnd& page = *m_pages[static_cast<size_t>(index)].window;
    if (page.m_hWnd) page.DestroyWindow();
    if (m_captTab.m_hWnd) m_captTab.DeleteItem(index);
    m_pages.erase(m_pages.begin() + index);
}

BOOL CGamePageSet::LayoutPages() {
    for (const GamePage& page : m_pages)
        if (page.window->m_hWnd) PlaceOver(page.window->m_hWnd, ::GetWindow(page.window->m_hWnd, GW_OWNER), m_nDpi);
    return TRUE;
}

BOOL CGamePageSet::ShowCurrentPage(BOOL show) {
    for (const GamePage& page : m_pages)
        if (page.window->m_hWnd) ::ShowWindow(page.window->m_hWnd, SW_HIDE);
    if (show) ShowAndFocus(CurrentPage());
    return TRUE;
}

void CGamePageSet::SelectNextPage() {
    if (!m_captTab.m_hWnd) return;
    const int count = m_captTab.GetItemCount();
    const int current = m_captTab.GetCurSel();
    if (count == 1) {
        ShowAndFocus(PageOfTab(0));
        return;
    }
    if (count < 1 || current < 0) return;
    m_captTab.SetCurSel((current + 1) % count);
    ShowCurrentPage(TRUE);
}

void CGamePageSet::RefreshCurrentPage() {
    if (CGameWnd* page = CurrentPage(); page && page->m_hWnd) ::PostMessageW(page->m_hWnd, WM_KEYDOWN, VK_F5, 0);
}

BOOL CGamePageSet::ShowHallPage(int showCommand) {
    if (!m_hallPage.m_hWnd) {
        if (showCommand == SW_HIDE) return FALSE;
        m_hallPage.CreatePage(MainWnd());
        LayoutHallPage();
        if (!m_hallPage.m_hWnd) return FALSE;
    }
    return ::ShowWindow(m_hallPage.m_hWnd, showCommand);
}

void CGamePageSet::LayoutHallPage() {
    CWnd* main = MainWnd();
    PlaceOver(m_hallPage.m_hWnd, main ? main->m_hWnd : nullptr, m_nDpi);
}

// The set of open game pages: one record per page, where index i is page i and
// tab i, with the account and server its login handed over; and the hall page
// shown in their place. Every page window lies over its owner (the main
// window) below the caption band.
//
// LIFETIME: the set owns its page objects and their browsers. Whoever owns the
// set ends it before the OLE session that the browsers need ends.
#pragma once

#include "mainwnd/game_wnd.h"
#include "skin/tab_ctrl.h"
#include "skin/tab_page_set.h"
#include "web/login_target.h"

#include <memory>
#include <string>
#include <vector>

// The main window's caption band and border. The main window is laid out with
// them, and the page rectangle is the main window less them: 4 pixels left,
// right and bottom and the 30-pixel band at the top.
inline constexpr int kCaptionBandHeight = 30;
inline constexpr int kFrameBorder = 4;

// One open game page.
struct GamePage {
    std::unique_ptr<CGameWnd> window;
    std::wstring account;
    std::wstring server;
    std::wstring pageTitle;  // the title the page last reported (only whether one came counts)
    std::wstring tabTitle;   // the text it gave its tab; empty until it reported a title
};

class CGamePageSet final : public CTabPageSet, public CLoginTarget {
public:
    CGamePageSet();
    ~CGamePageSet();
    CGamePageSet(const CGamePageSet&) = delete;
    CGamePageSet& operator=(const CGamePageSet&) = delete;

    // ---- what a login uses
    int GetPageCount() const override;
    bool IsAccountOpen(const std::wstring& account, const std::wstring& server) const override;
    // The new page reports its title changes to SetPageTabTitle.
    void AddGamePage(const std::wstring& address, const std::wstring& account,
                     const std::wstring& server) override;

    // ---- what the caption strip uses (each tab's item data is its CGameWnd)
    std::wstring PageTitle(int index) const override { return GetTabTitle(index); }
    std::wstring GameTitle() const override;
    HWND PageWindow(LPARAM tabData) const override;
    void ShowCurrentPage() override { ShowCurrentPage(TRUE); }
    // Destroys page i's window, deletes its tab and its record.
    void ClosePage(int index) override;
    bool HallShown() const override { return m_bHall != FALSE; }
    void HideHall() override;

    // ---- what the main window uses
    const std::vector<GamePage>& Pages() const { return m_pages; }
    // The one caption strip, attached to the main window's tab control by its
    // data exchange; the set inserts, renames and deletes its tabs.
    CCaptTab& Tabs() { return m_captTab; }
    CGameWnd& Hall() { return m_hallPage; }

    // Gives the newest page its window (owned by the main window, hidden) and
    // its tab, selects it and widens the strip by one tab. FALSE when there is
    // no page.
    BOOL AddTabForNewestPage();
    // Gives each page that has no tab yet (the pages after the last tab) its
    // window and tab, as AddTabForNewestPage does; returns how many.
    int AddTabsForNewPages();
    // A page's title changed: its tab now reads "<server>服-星潮纪元". A page
    // not in the set is ignored.
    void SetPageTabTitle(const CGameWnd* page, const std::wstring& title);
    // The text tab i was given by SetPageTabTitle; empty when out of range or none yet.
    std::wstring GetTabTitle(int index) const;
    // The main window's display scale (its DPI), which the strip's place and
    // the page rectangle follow; the main window sets it before the first tab
    // and on every change. 96 until then.
    void SetDisplayScale(int dpi) { m_nDpi = dpi; }
    // Puts the strip at (100, 6), 22 high and 199 + 189 x (newest tab's index)
    // wide: design pixels, at the display scale.
    void PlaceTabStrip();
    // Lays every page window over its owner.
    BOOL LayoutPages();
    // Hides every game page, then (show TRUE) shows and focuses the current tab's page.
    BOOL ShowCurrentPage(BOOL show);
    // Selects the tab after the current one (wrapping) and shows its page; with
    // one tab, shows and focuses page 0.
    void SelectNextPage();
    // Asks the current tab's page to reload its address (F5).
    void RefreshCurrentPage();
    // The page of the current tab; null when there is no tab or none is current.
    CGameWnd* CurrentPage() const;
    // Shows the hall page with an SW_ command, making its window on first use.
    BOOL ShowHallPage(int showCommand);
    void LayoutHallPage();

    // The hall page is shown in the main window instead of a game page.
    BOOL m_bHall = FALSE;

private:
    // Page `index` gets its window and tab `index`, which becomes the current one.
    BOOL AddTabForPage(int index);
    CGameWnd* PageOfTab(int index) const;
    bool HasTabs() const;
    void SetTab(int index, const std::wstring& text);

    std::vector<GamePage> m_pages;
    int m_nDpi = 96;
    int m_nStripTabs = 0;  // tabs the strip was last widened for (newest index + 1)
    CCaptTab m_captTab{*this};
    CGameWnd m_hallPage;
};

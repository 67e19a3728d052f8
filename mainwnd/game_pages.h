// The set of open game pages: parallel lists where index i is page i, tab i,
// account i and server i; and the hall page shown in their place. Every page
// window lies over its owner (the main window) below the caption band.
#pragma once

#include "mainwnd/game_wnd.h"
#include "skin/tab_ctrl.h"
#include "skin/tab_page_set.h"

#include <memory>
#include <string>
#include <vector>

// The one caption strip of the launcher, attached to the main window's tab
// control by its data exchange; the page set inserts, renames and deletes its tabs.
extern CCaptTab g_captTab;
extern CGameWnd g_hallPage;
extern std::vector<std::unique_ptr<CGameWnd>> g_arrPages;
extern std::vector<std::wstring> g_arrAccounts;
extern std::vector<std::wstring> g_arrServers;
// Title last reported by page i (only whether one came counts) and the text it
// gave tab i; empty until page i has reported a title.
extern std::vector<std::wstring> g_arrPageTitles;
extern std::vector<std::wstring> g_arrTabTitles;

// The hall page is the page shown in the main window instead of a game page.
extern BOOL g_bHall;

int GetPageCount();
// Appends a page for the address (no window yet); the caller appends its
// account and server at the same index.
void AddGamePage(const std::wstring& address);
// TRUE when an open page was opened with this account on this server (both
// compared exactly): the login refuses the same account twice on one server.
BOOL IsAccountOpen(const std::wstring& account, const std::wstring& server);
// Gives the newest page its window (owned by the main window, hidden) and its
// tab, selects it and widens the strip by one tab. FALSE when there is no page.
BOOL AddTabForNewestPage();
// A page's title changed: its tab now reads "<server>服-星潮纪元".
void SetPageTabTitle(const CGameWnd* page, const std::wstring& title);
// The text tab i was given by SetPageTabTitle; empty when out of range or none yet.
std::wstring GetTabTitle(int index);
// Destroys page i's window, deletes its tab and its entries in every list.
void ClosePage(int index);
// Lays every page window over its owner.
BOOL LayoutPages();
// Hides every game page, then (show TRUE) shows and focuses the current tab's page.
BOOL ShowCurrentPage(BOOL show);
// Selects the tab after the current one (wrapping) and shows its page; with one
// tab, shows and focuses page 0.
void SelectNextPage();
// Asks the current tab's page to reload its address (F5).
void RefreshCurrentPage();
// Shows the hall page with an SW_ command, making its window on first use.
BOOL ShowHallPage(int showCommand);
void LayoutHallPage();

// The page set as the caption strip sees it: each tab's item data is its
// CGameWnd. One object for the process, made on first use.
CTabPageSet& GamePageSet();

// The set of open game pages: parallel lists where index i is page i, tab i,
// account i and server i; and the hall page shown in their place.
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
extern std::vector<std::wstring> g_arrPageTitles;
extern std::vector<std::wstring> g_arrTabTitles;

// The hall page is the page shown in the main window instead of a game page.
extern BOOL g_bHall;

int GetPageCount();
void AddGamePage(const std::wstring& address);
// TRUE when an open page was opened with this account on this server (both
// compared exactly): the login refuses the same account twice on one server.
BOOL IsAccountOpen(const std::wstring& account, const std::wstring& server);
// The full title of page i: its server, "服-" and the game title; empty when i
// is out of range.
std::wstring GetTabTitle(int index);
// Destroys page i's window, deletes its tab and its entries in every list.
void ClosePage(int index);
// Hides every game page, then (show TRUE) shows and focuses the current tab's page.
BOOL ShowCurrentPage(BOOL show);

// The page set as the caption strip sees it: each tab's item data is its
// CGameWnd. One object for the process, made on first use.
CTabPageSet& GamePageSet();

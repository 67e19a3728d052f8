// What the tests of the game page set share: the set's records read back as
// the lists a test compares.
#pragma once

#include "mainwnd/game_pages.h"

#include <string>
#include <vector>

namespace testutil {

template <class Field>
std::vector<std::wstring> PageField(const CGamePageSet& pages, Field field) {
    std::vector<std::wstring> out;
    for (const GamePage& page : pages.Pages()) out.push_back(page.*field);
    return out;
}

inline std::vector<std::wstring> Accounts(const CGamePageSet& pages) { return PageField(pages, &GamePage::account); }
inline std::vector<std::wstring> Servers(const CGamePageSet& pages) { return PageField(pages, &GamePage::server); }
inline std::vector<std::wstring> PageTitles(const CGamePageSet& pages) {
    return PageField(pages, &GamePage::pageTitle);
}
inline std::vector<std::wstring> TabTitles(const CGamePageSet& pages) { return PageField(pages, &GamePage::tabTitle); }

}  // namespace testutil

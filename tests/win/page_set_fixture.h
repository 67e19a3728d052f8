// Empties the game page set between tests: the lists are the program's
// globals and would carry one test's pages into the next.
#pragma once

#include "mainwnd/game_pages.h"

namespace testutil {

inline void ClearPageSet() {
    g_arrPages.clear();
    g_arrAccounts.clear();
    g_arrServers.clear();
    g_arrPageTitles.clear();
    g_arrTabTitles.clear();
    g_bHall = FALSE;
}

}  // namespace testutil

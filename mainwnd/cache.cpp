#include "mainwnd/cache.h"

// Filled in next; these keep callers building.
BOOL ClearBrowserCache() { return FALSE; }
BOOL StartClearBrowserCache() { return FALSE; }
BOOL DeleteFolderTree(const wchar_t*) { return FALSE; }
BOOL SetCacheLimit() { return TRUE; }

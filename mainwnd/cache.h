// Emptying the browser's internet cache (cookies kept) and setting its size limit.
#pragma once

#include <windows.h>

#include <functional>
#include <string_view>

// Deletes every URL cache entry that is not a cookie, then the files and folders
// of the cache folder. The body of a worker thread; FALSE when the cache folder
// is unknown or something in it could not be deleted.
BOOL ClearBrowserCache();

// Runs ClearBrowserCache on a thread of its own that nobody waits for.
// FALSE when the thread could not be started.
BOOL StartClearBrowserCache();

// Deletes a folder with everything in it, going down by handles: each entry
// is opened relative to its opened folder, links not followed, checked on its
// handle and deleted through it. Links inside are removed as links and never
// entered; an entry that is no longer the one listed is left. A root that is
// itself a link is refused. TRUE only when every file and the folder itself
// are gone; otherwise the last error says why.
BOOL DeleteFolderTree(const wchar_t* path);

// For tests: called with each entry's name after its folder was listed and
// before the entry is opened (an empty function: none).
void SetFolderTreeProbe(std::function<void(std::wstring_view name)> probe);

// Writes the browser cache limit for the current user; never creates the key.
// TRUE when the value was written.
BOOL SetCacheLimit();

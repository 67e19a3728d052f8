// Emptying the browser's internet cache (cookies kept) and setting its size limit.
#pragma once

#include <windows.h>

// Deletes every URL cache entry that is not a cookie, then the files and folders
// of the cache folder. The body of a worker thread; FALSE when the cache folder
// is unknown or something in it could not be deleted.
BOOL ClearBrowserCache();

// Runs ClearBrowserCache on a thread of its own that nobody waits for.
// FALSE when the thread could not be started.
BOOL StartClearBrowserCache();

// Deletes a folder with everything in it. Folder links inside it are removed as
// links; what they point to is left alone. TRUE only when every file and the
// folder itself are gone; otherwise the last error says why.
BOOL DeleteFolderTree(const wchar_t* path);

// Writes the browser cache limit for the current user; never creates the key.
// TRUE when the value was written.
BOOL SetCacheLimit();

#pragma once

#include <windows.h>

// Sets the browser cache limit for the current user. Not applied yet.
BOOL SetCacheLimit();

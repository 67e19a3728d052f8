#include "mainwnd/cache.h"

BOOL SetCacheLimit() { return TRUE; }

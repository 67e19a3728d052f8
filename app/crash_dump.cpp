#include "app/crash_dump.h"

LONG WINAPI TopLevelFilter(EXCEPTION_POINTERS*) { return EXCEPTION_CONTINUE_SEARCH; }

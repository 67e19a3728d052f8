#pragma once

#include <windows.h>

// The process's unhandled-exception filter: leaves a crash dump beside the
// executable (not yet written) and lets the system go on with the exception.
LONG WINAPI TopLevelFilter(EXCEPTION_POINTERS* info);

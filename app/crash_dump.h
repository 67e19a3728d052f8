// The process's unhandled-exception filter: leaves a minidump beside the
// executable, at most once per run, and lets the system go on with the crash.
#pragma once

#include <windows.h>

// Set after the first dump attempt; a later unhandled exception then ends the
// process at once.
extern BOOL g_bDumpWritten;

LONG WINAPI TopLevelFilter(EXCEPTION_POINTERS* info);
// Writes a dump of this process into file. Without exception pointers it
// raises a breakpoint and dumps from inside its handler, so that the dump
// still shows a faulting context.
void WriteMiniDump(HANDLE file, EXCEPTION_POINTERS* info);

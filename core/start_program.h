// Paths beside the running executable, and the one way the launcher starts a
// program.
#pragma once

#include <windows.h>

#include <string>

// The running executable's folder, its final "\" and name (with a null name:
// the executable's full path). FALSE, with out emptied, when the path holds
// no "\".
BOOL MakeExeDirPath(const wchar_t* name, std::wstring& out);

// Starts the program at path (null: the running executable) with no
// arguments, in the idle priority class, and forgets it. Failures are silent.
void StartProgram(const wchar_t* path);
// The same, telling whether the process was created.
BOOL LaunchProgram(const wchar_t* path);

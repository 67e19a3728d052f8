// Loading a system DLL at run time from the system folder only.
#pragma once

#include "framework/handles.h"

namespace fw {

// Loads name (a bare file name such as L"dbghelp.dll") from the system folder.
// A bare name given to LoadLibraryW is looked for beside the executable first,
// where whoever can write that folder could plant a DLL of the same name and
// have it run with the launcher's administrator rights. The DLL's own
// dependencies are looked for in the system folder as well.
UniqueLibrary LoadSystemLibrary(const wchar_t* name);

}  // namespace fw

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

// A function of a library the process has already loaded, looked up by name
// so that systems without it still start; null where there is none.
template <class Function>
Function FunctionOfLoadedLibrary(const wchar_t* library, const char* name) {
    const HMODULE module = ::GetModuleHandleW(library);
    return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
}

// From here on, libraries loaded by bare name (delay-loaded imports, and what
// system libraries load for themselves) come from the system folder only,
// never from the executable's or the current folder. The downloaded copy runs
// with administrator rights from the player's download folder, where a web
// page may have left a DLL named like one the launcher loads. Call it first
// thing: the statically imported libraries are all known DLLs, which the
// loader takes from the system anyway. Systems without the call (before the
// loader update of 2011) keep the executable's folder; the current folder
// goes on every system.
void SearchLibrariesInSystemFolderOnly();

}  // namespace fw

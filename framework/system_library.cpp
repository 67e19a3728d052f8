#include "framework/system_library.h"

#include <string>

namespace fw {

UniqueLibrary LoadSystemLibrary(const wchar_t* name) {
    wchar_t folder[MAX_PATH] = {};
    const UINT len = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (len == 0 || len >= MAX_PATH) return UniqueLibrary();
    std::wstring path(folder, len);
    if (path.back() != L'\\') path += L'\\';
    path += name;
    // An absolute path with LOAD_WITH_ALTERED_SEARCH_PATH: the search for the
    // DLL's imports starts in its own (the system) folder, not the executable's.
    return UniqueLibrary(::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

void SearchLibrariesInSystemFolderOnly() {
    const auto setDefault =
        FunctionOfLoadedLibrary<BOOL(WINAPI*)(DWORD)>(L"kernel32.dll", "SetDefaultDllDirectories");
    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
    ::SetDllDirectoryW(L"");
}

}  // namespace fw

// A DLL that the crash dump tests plant beside a program under a system DLL's
// name. Loading it leaves a file "planted.mark" beside it; it exports the dump
// function that the crash filter asks for, writing no dump.
#include <windows.h>

#include <string>

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t path[MAX_PATH] = {};
    const DWORD len = ::GetModuleFileNameW(self, path, MAX_PATH);
    if (len == 0 || len >= MAX_PATH) return TRUE;
    std::wstring mark(path, len);
    mark.erase(mark.find_last_of(L'\\') + 1);
    mark += L"planted.mark";
    HANDLE file = ::CreateFileW(mark.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
    return TRUE;
}

extern "C" __declspec(dllexport) BOOL WINAPI MiniDumpWriteDump(HANDLE, DWORD, HANDLE, int, void*, void*, void*) {
    return TRUE;
}

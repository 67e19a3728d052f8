#include "core/start_program.h"

namespace {

std::wstring RunningExePath() {
    std::wstring path(MAX_PATH, L'\0');
    DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0 || n >= path.size()) return {};
    path.resize(n);
    return path;
}

}  // namespace

BOOL MakeExeDirPath(const wchar_t* name, std::wstring& out) {
    out = RunningExePath();
    if (!name) return !out.empty();
    size_t slash = out.rfind(L'\\');
    if (slash == std::wstring::npos) {
        out.clear();
        return FALSE;
    }
    out.resize(slash + 1);
    out += name;
    return TRUE;
}

void StartProgram(const wchar_t* path) { LaunchProgram(path); }

BOOL LaunchProgram(const wchar_t* path) {
    std::wstring program = path ? std::wstring(path) : RunningExePath();
    if (program.empty()) return FALSE;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    // The path is also the application name: with only a bare command line, a
    // path with blanks would start whatever program is found at a prefix of it
    // ("C:\Program.exe" for "C:\Program Files\...").
    std::wstring commandLine = L"\"" + program + L"\"";
    if (::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, IDLE_PRIORITY_CLASS, nullptr,
                         nullptr, &startup, &process)) {
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
        return TRUE;
    }
    return FALSE;
}

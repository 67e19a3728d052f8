#include "core/run_mode_win.h"

#include "core/run_mode.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <vector>

namespace {

// Paths live in buffers of MAX_PATH characters; a longer path is cut, as the
// system cuts it.
std::wstring UpperPath(std::wstring path) {
    if (path.size() >= MAX_PATH) path.resize(MAX_PATH - 1);
    if (!path.empty()) ::CharUpperBuffW(path.data(), static_cast<DWORD>(path.size()));
    return path;
}

std::vector<std::wstring> ArgumentsAfterProgram() {
    std::vector<std::wstring> args;
    int count = 0;
    if (LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &count)) {
        for (int i = 1; i < count; ++i) args.emplace_back(argv[i]);
        ::LocalFree(argv);
    }
    return args;
}

}  // namespace

std::wstring ExecutablePath() {
    wchar_t path[MAX_PATH] = {};
    DWORD len = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::wstring(path, len < MAX_PATH ? len : MAX_PATH - 1);
}

std::wstring InstallFolderPath() {
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder))) return {};
    std::wstring path = folder;
    path += L"\\岚屿网络\\GameLogin";
    return path;
}

int ParseRunMode() {
    const std::vector<std::wstring> args = ArgumentsAfterProgram();
    // The install folder is asked for only when no switch decides: the
    // shell's folder lookup is start-up time in front of the first window.
    if (const std::optional<int> mode = RunModeFromSwitch(args)) return *mode;
    std::wstring dir = InstallFolderPath();
    return RunModeFromArguments(args, UpperPath(ExecutablePath()), dir.empty() ? std::wstring() : UpperPath(dir));
}

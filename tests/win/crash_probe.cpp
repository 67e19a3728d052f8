// A program that installs the launcher's crash filter and then crashes, for
// the crash dump tests. First argument:
//   crash   one unhandled access violation
//   twice   a first crash handled by the filter (its dump renamed to *.first),
//           then an unhandled one
//   flag    a first crash handled by the filter; exits 2 when the filter marked
//           its dump as written, 3 when not
#include "app/crash_dump.h"
#include "app/install_rules.h"

#include <string>

namespace {

enum class Mode { Crash, Twice, Flag };
Mode g_mode = Mode::Crash;

[[noreturn]] void CrashNow() {
    *static_cast<volatile int*>(nullptr) = 1;
    ::ExitProcess(99);  // not reached
}

// What the system does for an exception nobody handles: ask the installed
// filter. Done from a vectored handler so that the process can go on.
LONG CALLBACK FirstCrash(EXCEPTION_POINTERS* info) {
    if (info->ExceptionRecord->ExceptionCode != 0xE0000001) return EXCEPTION_CONTINUE_SEARCH;
    TopLevelFilter(info);
    return EXCEPTION_CONTINUE_EXECUTION;
}

std::wstring ExePath() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"crash";
    g_mode = mode == L"twice" ? Mode::Twice : mode == L"flag" ? Mode::Flag : Mode::Crash;
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    ::SetUnhandledExceptionFilter(TopLevelFilter);
    if (g_mode == Mode::Crash) CrashNow();

    PVOID handler = ::AddVectoredExceptionHandler(1, FirstCrash);
    ::RaiseException(0xE0000001, 0, 0, nullptr);
    ::RemoveVectoredExceptionHandler(handler);
    if (g_mode == Mode::Flag) return g_bDumpWritten ? 2 : 3;

    if (auto dump = install::DumpPathFor(ExePath())) ::MoveFileExW(dump->c_str(), (*dump + L".first").c_str(), MOVEFILE_REPLACE_EXISTING);
    CrashNow();
}

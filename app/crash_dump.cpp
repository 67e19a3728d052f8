#include "app/crash_dump.h"

#include "app/install_rules.h"
#include "framework/handles.h"
#include "framework/system_library.h"

#include <dbghelp.h>

BOOL g_bDumpWritten = FALSE;

namespace {

// Richest first: the later types are for systems whose DbgHelp refuses the
// flags of the earlier ones.
constexpr MINIDUMP_TYPE kDumpTypes[] = {
    static_cast<MINIDUMP_TYPE>(0x1A25),
    static_cast<MINIDUMP_TYPE>(0x225),
    MiniDumpNormal,
};

using MiniDumpWriteDumpFn = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE, PMINIDUMP_EXCEPTION_INFORMATION,
                                          PMINIDUMP_USER_STREAM_INFORMATION, PMINIDUMP_CALLBACK_INFORMATION);

HANDLE g_selfDumpFile = nullptr;

LONG CALLBACK DumpRaisedBreakpoint(EXCEPTION_POINTERS* info) {
    if (info->ExceptionRecord->ExceptionCode != EXCEPTION_BREAKPOINT || g_selfDumpFile == nullptr)
        return EXCEPTION_CONTINUE_SEARCH;
    WriteMiniDump(g_selfDumpFile, info);
    return EXCEPTION_CONTINUE_EXECUTION;
}

}  // namespace

void WriteMiniDump(HANDLE file, EXCEPTION_POINTERS* info) {
    if (info == nullptr) {
        // No structured exception blocks in this compiler: a vectored handler
        // sees the raised breakpoint first and resumes after the raise.
        g_selfDumpFile = file;
        PVOID handler = ::AddVectoredExceptionHandler(1, DumpRaisedBreakpoint);
        ::RaiseException(EXCEPTION_BREAKPOINT, 0, 0, nullptr);
        ::RemoveVectoredExceptionHandler(handler);
        g_selfDumpFile = nullptr;
        return;
    }
    MINIDUMP_EXCEPTION_INFORMATION exception{::GetCurrentThreadId(), info, TRUE};
    const fw::UniqueLibrary dbghelp = fw::LoadSystemLibrary(L"dbghelp.dll");
    if (!dbghelp) return;
    auto write = reinterpret_cast<MiniDumpWriteDumpFn>(
        reinterpret_cast<void*>(::GetProcAddress(dbghelp.get(), "MiniDumpWriteDump")));
    if (write == nullptr) return;
    for (MINIDUMP_TYPE type : kDumpTypes) {
        if (write(::GetCurrentProcess(), ::GetCurrentProcessId(), file, type, &exception, nullptr, nullptr)) break;
    }
}

LONG WINAPI TopLevelFilter(EXCEPTION_POINTERS* info) {
    // A crash inside the handling of the first one must not loop or dump again.
    if (g_bDumpWritten) return EXCEPTION_EXECUTE_HANDLER;
    wchar_t exe[MAX_PATH] = {};
    const DWORD len = ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    const auto dumpPath = install::DumpPathFor(std::wstring_view(exe, len < MAX_PATH ? len : 0));
    if (!dumpPath) return EXCEPTION_CONTINUE_SEARCH;
    {
        // A file that cannot be created leaves an invalid handle: the writes
        // fail and the attempt still counts.
        fw::UniqueFile file(::CreateFileW(dumpPath->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
        WriteMiniDump(file.get(), info);
    }
    g_bDumpWritten = TRUE;
    return EXCEPTION_CONTINUE_SEARCH;
}

// The crash filter in a program that really crashes.
#include "tests/win/install_fixture.h"
#include "tests/win/test_util.h"

#include <gtest/gtest.h>

using namespace installtest;

namespace {

std::wstring ProbeCopy(const std::wstring& path) {
    const std::wstring probe = testutil::ExeDir() + L"\\crash_probe.exe";
    return ::CopyFileW(probe.c_str(), path.c_str(), FALSE) ? path : std::wstring();
}

// Runs the probe to its end; its exit code, or -1 when it did not end.
long RunProbe(const std::wstring& exe, const std::wstring& mode) {
    testutil::Process probe;
    if (!probe.Start(exe, mode)) return -1;
    if (::WaitForSingleObject(probe.handle(), 30000) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    ::GetExitCodeProcess(probe.handle(), &code);
    return static_cast<long>(code);
}

bool IsMiniDump(const std::wstring& path) { return ReadBytes(path).rfind("MDMP", 0) == 0; }

// Every test runs without a crash debugger. After the filter, the system starts the registered debugger; wine's waits
// with a crash dialog. A debugger that cannot start lets the crash end the
// process at once, as it does without one.
class CrashDump : public ::testing::Test {
protected:
    static constexpr const wchar_t* kAeDebug = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug";
    void SetUp() override {
        wchar_t old[512] = {};
        DWORD size = sizeof old - sizeof(wchar_t);
        had_ = ::RegGetValueW(HKEY_LOCAL_MACHINE, kAeDebug, L"Debugger", RRF_RT_REG_SZ, nullptr, old, &size) ==
               ERROR_SUCCESS;
        old_ = old;
        Set(L"\"C:\\no-debugger-here.exe\" %ld %ld");
    }
    void TearDown() override {
        if (had_)
            Set(old_);
        else
            ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kAeDebug, L"Debugger");
    }

private:
    static void Set(const std::wstring& value) {
        ::RegSetKeyValueW(HKEY_LOCAL_MACHINE, kAeDebug, L"Debugger", REG_SZ, value.c_str(),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }
    bool had_ = false;
    std::wstring old_;
};

TEST_F(CrashDump, AnUnhandledCrashLeavesADumpNamedLikeTheExecutable) {
    ScratchFolder folder(L"崩溃");
    const std::wstring exe = ProbeCopy(folder / L"探针.exe");
    ASSERT_FALSE(exe.empty());
    WriteBytes(folder / L"探针.dmp", "an old dump is replaced");
    EXPECT_EQ(RunProbe(exe, L"crash"), static_cast<long>(EXCEPTION_ACCESS_VIOLATION));
    EXPECT_TRUE(IsMiniDump(folder / L"探针.dmp"));
}

// Whoever can write the executable's folder must not choose the code that the
// crash filter runs with the launcher's rights.
TEST_F(CrashDump, ADbgHelpBesideTheExecutableIsNotLoaded) {
    ScratchFolder folder(L"崩溃");
    const std::wstring exe = ProbeCopy(folder / L"planted_probe.exe");
    testutil::NativeLibrariesFirst nativeFirst(L"planted_probe.exe", {L"dbghelp"});
    ASSERT_FALSE(exe.empty());
    ASSERT_TRUE(::CopyFileW((testutil::ExeDir() + L"\\planted_dll.dll").c_str(), (folder / L"DbgHelp.dll").c_str(), FALSE));
    EXPECT_EQ(RunProbe(exe, L"crash"), static_cast<long>(EXCEPTION_ACCESS_VIOLATION));
    EXPECT_FALSE(Exists(folder / L"planted.mark")) << "the planted DbgHelp.dll was loaded";
    EXPECT_TRUE(IsMiniDump(folder / L"planted_probe.dmp")) << "the system's DbgHelp wrote the dump";
}

TEST_F(CrashDump, ASecondCrashEndsTheProcessWithoutAnotherDump) {
    ScratchFolder folder(L"崩溃");
    const std::wstring exe = ProbeCopy(folder / L"probe.exe");
    ASSERT_FALSE(exe.empty());
    EXPECT_EQ(RunProbe(exe, L"twice"), static_cast<long>(EXCEPTION_ACCESS_VIOLATION));
    EXPECT_TRUE(IsMiniDump(folder / L"probe.dmp.first"));
    EXPECT_FALSE(Exists(folder / L"probe.dmp"));
}

TEST_F(CrashDump, APathWithoutADotGivesNoDumpAndLeavesTheFlagClear) {
    ScratchFolder folder(L"崩溃");
    const std::wstring exe = ProbeCopy(folder / L"probe");
    ASSERT_FALSE(exe.empty());
    ASSERT_EQ(exe.find(L'.'), std::wstring::npos);
    EXPECT_EQ(RunProbe(exe, L"flag"), 3);
    EXPECT_EQ(CountFiles(folder.path()), 1) << "nothing but the probe";
}

TEST_F(CrashDump, ADotInTheFolderNameCutsThePathThere) {
    ScratchFolder folder(L"崩溃");
    ::CreateDirectoryW((folder / L"dir.v2").c_str(), nullptr);
    const std::wstring exe = ProbeCopy(folder / L"dir.v2\\probe");
    ASSERT_FALSE(exe.empty());
    EXPECT_EQ(RunProbe(exe, L"crash"), static_cast<long>(EXCEPTION_ACCESS_VIOLATION));
    EXPECT_TRUE(IsMiniDump(folder / L"dir.dmp"));
}

}  // namespace

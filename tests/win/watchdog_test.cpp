// The test programs' watchdog (test_watchdog.cpp), seen from outside: this
// program runs itself on one test that sits in a message box nobody answers,
// and the run must end soon, failed, naming that test.
#include "framework/handles.h"
#include "tests/win/test_util.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Run only by the test below (disabled tests run on request only).
TEST(WatchdogProbe, DISABLED_SitsInAnUnansweredBox) {
    ::MessageBoxW(nullptr, L"nobody answers this", L"watchdog probe", MB_OK);
}

std::wstring OwnPath() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

TEST(Watchdog, NamesAndEndsATestStuckInANestedMessageLoop) {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring out = std::wstring(temp) + L"xcjy_watchdog_probe.txt";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    fw::UniqueHandle file(::CreateFileW(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                        CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file);

    std::wstring command = L"\"" + OwnPath() +
                           L"\" --gtest_filter=WatchdogProbe.DISABLED_SitsInAnUnansweredBox "
                           L"--gtest_also_run_disabled_tests";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = file.get();
    si.hStdError = file.get();
    PROCESS_INFORMATION pi{};
    ::SetEnvironmentVariableW(L"XCJY_TEST_WATCHDOG_SECONDS", L"2");
    const BOOL started =
        ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    ::SetEnvironmentVariableW(L"XCJY_TEST_WATCHDOG_SECONDS", nullptr);
    ASSERT_TRUE(started);
    fw::UniqueHandle process(pi.hProcess), thread(pi.hThread);
    file.reset();

    const bool ended = ::WaitForSingleObject(process.get(), 30000) == WAIT_OBJECT_0;
    if (!ended) ::TerminateProcess(process.get(), 1);
    DWORD code = 0;
    ::GetExitCodeProcess(process.get(), &code);
    const std::string text = testutil::ReadFileText(out);
    ::DeleteFileW(out.c_str());
    ASSERT_TRUE(ended) << "the stuck run went on for 30 s\n" << text;
    EXPECT_NE(code, 0u);
    EXPECT_NE(text.find("[ WATCHDOG ] WatchdogProbe.DISABLED_SitsInAnUnansweredBox still runs after 2 s"),
              std::string::npos)
        << text;
}

}  // namespace

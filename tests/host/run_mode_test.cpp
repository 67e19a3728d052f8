#include "core/run_mode.h"

#include <gtest/gtest.h>

namespace {

const std::wstring kDir = L"C:\\PROGRAMDATA\\岚屿网络\\GAMELOGIN";
const std::wstring kInstalledExe = kDir + L"\\RV星潮纪元.EXE";
const std::wstring kElsewhereExe = L"C:\\USERS\\PLAYER\\DOWNLOADS\\RV星潮纪元.EXE";

struct Case {
    std::vector<std::wstring> args;
    std::wstring exe;
    int mode;
};

TEST(RunMode, FirstArgumentAndInstallFolderDecide) {
    const Case cases[] = {
        {{L"/webTovraD"}, kElsewhereExe, RUN_WEB},
        {{L"/WEBTOVRAD"}, kInstalledExe, RUN_WEB},
        {{L"/XCJY"}, kElsewhereExe, RUN_LOGIN},
        {{L"/xcjy"}, kInstalledExe, RUN_LOGIN},
        {{L"/uninst"}, kInstalledExe, RUN_UNINSTALL},
        {{L"/UNINST"}, kInstalledExe, RUN_UNINSTALL},
        {{L"/Uninst"}, kElsewhereExe, RUN_UNINSTALL},
        // Only the first argument counts.
        {{L"/uninst", L"/XCJY", L"extra"}, kInstalledExe, RUN_UNINSTALL},
        {{L"extra", L"/uninst"}, kInstalledExe, RUN_INSTALLED},
        {{L"extra", L"/XCJY"}, kElsewhereExe, RUN_INSTALL},
        // The dash form is no switch: the folder decides.
        {{L"-uninst"}, kInstalledExe, RUN_INSTALLED},
        {{L"-XCJY"}, kElsewhereExe, RUN_INSTALL},
        // Whole words only.
        {{L"/uninstall"}, kInstalledExe, RUN_INSTALLED},
        {{L"/XCJ"}, kElsewhereExe, RUN_INSTALL},
        {{L""}, kElsewhereExe, RUN_INSTALL},
        {{}, kInstalledExe, RUN_INSTALLED},
        {{}, kElsewhereExe, RUN_INSTALL},
        // A substring test: a subfolder of the install folder counts as installed.
        {{}, kDir + L"\\SUB\\RV星潮纪元.EXE", RUN_INSTALLED},
        {{}, L"\\\\?\\" + kDir + L"\\X.EXE", RUN_INSTALLED},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RunModeFromArguments(c.args, c.exe, kDir), c.mode) << "case " << (&c - cases);
    }
}

TEST(RunMode, UnknownInstallFolderNeverCountsAsInstalled) {
    EXPECT_EQ(RunModeFromArguments({}, kInstalledExe, L""), RUN_INSTALL);
}

}  // namespace

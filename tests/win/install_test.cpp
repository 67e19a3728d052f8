// Installation and uninstall against the real file system, registry and shell
// links of the test's own wine prefix.
#include "app/install_rules.h"
#include "tests/win/install_fixture.h"
#include "tests/win/test_util.h"

#include <gtest/gtest.h>

using namespace installtest;

namespace {

class InstallTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::CoInitialize(nullptr);
        ClearInstallation();
    }
    void TearDown() override {
        ClearInstallation();
        ::CoUninitialize();
    }
};

TEST_F(InstallTest, CopiesTheExecutableAndMakesShortcutsAndTheInstalledProgramsEntry) {
    ScratchFolder downloads(L"下载");
    const std::wstring source = downloads / L"RV星潮纪元.exe";
    ASSERT_TRUE(WriteBytes(source, "MZ launcher bytes"));
    // A per-user shortcut of an older installation is replaced by the all-users one.
    const auto ownLink = install::PerUserShortcutPath(SpecialFolderPath(CSIDL_PERSONAL), SpecialFolderPath(CSIDL_COMMON_DESKTOPDIRECTORY),
                                                      kShortcutName);
    ASSERT_TRUE(ownLink);
    ASSERT_TRUE(WriteBytes(*ownLink, "old link"));

    const std::wstring target = InstallCopyOf(source);

    EXPECT_EQ(target, InstallFolderPath() + L"\\RV星潮纪元.exe");
    EXPECT_EQ(ReadBytes(target), "MZ launcher bytes");
    EXPECT_FALSE(Exists(*ownLink));
    struct Expected {
        std::wstring link, arguments, description;
    };
    for (const Expected& e : {Expected{DesktopLink(), L"/XCJY", kShortcutName},
                              Expected{GroupLink(kShortcutName), L"/XCJY", L""},
                              Expected{GroupLink(kUninstallShortcutName), L"/uninst", L""}}) {
        LinkInfo link = ReadLink(e.link);
        ASSERT_TRUE(link.loaded) << e.link;
        EXPECT_EQ(link.target, target) << e.link;
        EXPECT_EQ(link.arguments, e.arguments) << e.link;
        EXPECT_EQ(link.description, e.description) << e.link;
        EXPECT_EQ(link.iconPath, target) << e.link;
        EXPECT_EQ(link.iconIndex, 0) << e.link;
    }
    EXPECT_EQ(ReadRegString(kInstalledProgramsKey, L"DisplayName"), kProductName);
    EXPECT_EQ(ReadRegString(kInstalledProgramsKey, L"DisplayVersion"), L"15.1.23.3");
    EXPECT_EQ(ReadRegString(kInstalledProgramsKey, L"DisplayIcon"), target + L",0");
    EXPECT_EQ(ReadRegString(kInstalledProgramsKey, L"UninstallString"), L"\"" + target + L"\" /uninst");
    for (const wchar_t* flag : {L"NoModify", L"NoRepair"}) {
        DWORD value = 0, size = sizeof value;
        EXPECT_EQ(::RegGetValueW(HKEY_LOCAL_MACHINE, kInstalledProgramsKey, flag, RRF_RT_REG_DWORD, nullptr, &value,
                                 &size),
                  ERROR_SUCCESS)
            << flag;
        EXPECT_EQ(value, 1u) << flag;
    }

    // Installing the installed copy itself, named in other case, leaves it whole.
    std::wstring upper = target;
    ::CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
    EXPECT_EQ(InstallCopyOf(upper), InstallFolderPath() + L"\\RV星潮纪元.EXE");
    EXPECT_EQ(ReadBytes(target), "MZ launcher bytes");
}

TEST_F(InstallTest, ShortcutsNeedAnExistingTargetAndAreOverwritten) {
    ScratchFolder folder;
    EXPECT_FALSE(CreateDesktopShortcut((folder / L"missing.exe").c_str()));
    EXPECT_FALSE(CreateProgramsShortcut(kShortcutName, (folder / L"missing.exe").c_str(), L"/XCJY"));
    EXPECT_FALSE(Exists(DesktopLink()));
    EXPECT_FALSE(DeleteDesktopShortcut(kShortcutName));
    EXPECT_FALSE(DeleteProgramsShortcut(kShortcutName));

    const std::wstring first = folder / L"a.exe", second = folder / L"b.exe";
    ASSERT_TRUE(WriteBytes(first, "MZ") && WriteBytes(second, "MZ"));
    EXPECT_TRUE(CreateProgramsShortcut(kShortcutName, first.c_str(), L"/XCJY"));
    EXPECT_TRUE(CreateProgramsShortcut(kShortcutName, second.c_str(), L"/other"));
    LinkInfo link = ReadLink(GroupLink(kShortcutName));
    EXPECT_EQ(link.target, second);
    EXPECT_EQ(link.arguments, L"/other");
    EXPECT_TRUE(DeleteProgramsShortcut(kShortcutName));
    EXPECT_FALSE(Exists(GroupLink(kShortcutName)));
}

TEST_F(InstallTest, DisableDaysRecord) {
    ASSERT_TRUE(WriteDisableDays());
    BYTE days[8] = {};
    DWORD size = sizeof days, type = 0;
    ASSERT_EQ(::RegGetValueW(HKEY_LOCAL_MACHINE, kLauncherRegKey, L"DisableDays", RRF_RT_ANY, &type, days, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    ASSERT_EQ(size, 4u);
    EXPECT_LT(days[0], 7);
    EXPECT_LT(days[1], 7);
    EXPECT_LT(days[2], 7);
    EXPECT_NE(days[1], days[0]);
    EXPECT_NE(days[1], days[2]);
    EXPECT_EQ(days[3], 0);
}

TEST_F(InstallTest, RemoveShortcutsKeepsAGroupThatHoldsAnotherShortcut) {
    ScratchFolder folder;
    const std::wstring exe = folder / L"RV星潮纪元.exe";
    ASSERT_TRUE(WriteBytes(exe, "MZ"));
    ASSERT_TRUE(CreateDesktopShortcut(exe.c_str()));
    ASSERT_TRUE(CreateProgramsShortcut(kShortcutName, exe.c_str(), L"/XCJY"));
    ASSERT_TRUE(CreateProgramsShortcut(kUninstallShortcutName, exe.c_str(), L"/uninst"));
    ASSERT_TRUE(CreateProgramsShortcut(L"另一个游戏", exe.c_str(), L""));
    ASSERT_TRUE(WriteShellLink(DesktopLink(kForeignDesktopShortcutName).c_str(), exe.c_str(), nullptr, L""));

    EXPECT_TRUE(RemoveShortcuts());
    for (const std::wstring& gone : {DesktopLink(), DesktopLink(kForeignDesktopShortcutName),
                                     GroupLink(kShortcutName), GroupLink(kUninstallShortcutName)})
        EXPECT_FALSE(Exists(gone)) << gone;
    EXPECT_TRUE(Exists(GroupLink(L"另一个游戏")));

    ASSERT_TRUE(DeleteProgramsShortcut(L"另一个游戏"));
    EXPECT_TRUE(Exists(ProgramsGroupPath())) << "deleting a shortcut leaves the group";
    EXPECT_TRUE(RemoveShortcuts());
    EXPECT_FALSE(Exists(ProgramsGroupPath()));
}

TEST_F(InstallTest, CountFilesOfAFolderTree) {
    ScratchFolder folder;
    ::CreateDirectoryW((folder / L"空").c_str(), nullptr);
    ::CreateDirectoryW((folder / L"空\\更空").c_str(), nullptr);
    EXPECT_EQ(CountFiles(folder.path()), 0) << "only empty subfolders";
    EXPECT_EQ(CountFiles(folder.path() + L"\\"), 0) << "with a trailing separator";
    EXPECT_EQ(CountFiles(folder / L"missing"), 1);
    WriteBytes(folder / L"a.txt", "a");
    WriteBytes(folder / L"空\\更空\\b.txt", "b");
    WriteBytes(folder / L"空\\c", "");
    EXPECT_EQ(CountFiles(folder.path()), 3);
}

TEST_F(InstallTest, UninstallCountStartsAtOneAndGrows) {
    ::CreateDirectoryW(InstallFolderPath().substr(0, InstallFolderPath().rfind(L'\\')).c_str(), nullptr);
    ::CreateDirectoryW(InstallFolderPath().c_str(), nullptr);
    const std::wstring ini = InstallFolderPath() + L"\\Statistic.ini";
    ASSERT_FALSE(Exists(ini));
    EXPECT_EQ(BumpUninstallCount(), 1u);
    EXPECT_EQ(BumpUninstallCount(), 2u);
    wchar_t text[32] = {};
    ::GetPrivateProfileStringW(L"XCJY", L"UnInst", L"", text, 32, ini.c_str());
    EXPECT_STREQ(text, L"2");
}

TEST_F(InstallTest, AppendToFileAppendsAndReportsErrors) {
    ScratchFolder folder;
    const std::wstring file = folder / L"追加.txt";
    EXPECT_EQ(AppendToFile(file, "ab"), 2);
    EXPECT_EQ(AppendToFile(file, "cde"), 3);
    EXPECT_EQ(ReadBytes(file), "abcde");
    EXPECT_EQ(AppendToFile(file, ""), 0);

    ::SetLastError(0);
    EXPECT_EQ(AppendToFile(folder / L"missing\\x.txt", "x"), -1);
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    ::SetLastError(0);
    EXPECT_EQ(AppendToFile(folder.path(), "x"), -1) << "a folder is no file";
    EXPECT_NE(::GetLastError(), 0u);
}

// The batch against a stand-in executable that nothing runs, so it goes at once.
struct BatchCase {
    const char* what;
    bool inInstallFolder;
    bool otherFile;
    bool folderRemoved;
};

TEST_F(InstallTest, SelfDeleteBatchRemovesTheExecutableAndOnlyItsOwnEmptyFolder) {
    for (const BatchCase& c : {BatchCase{"alone in the install folder", true, false, true},
                               BatchCase{"beside another file", true, true, false},
                               BatchCase{"alone in a folder of the player", false, false, false}}) {
        ScratchFolder scratch(L"岚屿网络");
        const std::wstring folder = scratch / L"GameLogin";
        ::CreateDirectoryW(folder.c_str(), nullptr);
        const std::wstring exe = folder + L"\\RV星潮纪元.exe";
        ASSERT_TRUE(WriteBytes(exe, "MZ"));
        if (c.otherFile) WriteBytes(folder + L"\\Statistic.ini", "[XCJY]\r\nUnInst=1\r\n");

        fw::UniqueHandle batch = StartSelfDeleteBatch(exe, c.inInstallFolder ? folder : scratch.path());
        ASSERT_TRUE(batch) << c.what;
        const bool ended = ::WaitForSingleObject(batch.get(), 20000) == WAIT_OBJECT_0;
        if (!ended) ::TerminateProcess(batch.get(), 1);
        ASSERT_TRUE(ended) << c.what;
        EXPECT_FALSE(Exists(exe)) << c.what;
        EXPECT_EQ(Exists(folder), !c.folderRemoved) << c.what;
        if (c.otherFile) {
            EXPECT_TRUE(Exists(folder + L"\\Statistic.ini")) << c.what;
        }
    }
}

}  // namespace

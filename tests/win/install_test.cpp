// Installation and uninstall against the real file system, registry and shell
// links of the test's own wine prefix.
#include "app/folder_rights.h"
#include "app/install_rules.h"
#include "skin/skin_geometry.h"
#include "tests/win/install_fixture.h"
#include "tests/win/test_util.h"

#include <gtest/gtest.h>

#include <aclapi.h>
#include <sddl.h>

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

// A folder or file made the way any user may make one: everyone may do
// anything with it.
bool MakeOpenToEveryone(const std::wstring& path, bool folder) {
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;OICI;FA;;;WD)", SDDL_REVISION_1, &sd, nullptr))
        return false;
    SECURITY_ATTRIBUTES sa{sizeof sa, sd, FALSE};
    bool made = false;
    if (folder) {
        made = ::CreateDirectoryW(path.c_str(), &sa) != FALSE;
    } else {
        fw::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, &sa, CREATE_ALWAYS, 0, nullptr));
        DWORD written = 0;
        made = file && ::WriteFile(file.get(), "planted", 7, &written, nullptr);
    }
    ::LocalFree(sd);
    return made;
}

std::wstring SidText(PSID sid) {
    wchar_t* text = nullptr;
    if (!::ConvertSidToStringSidW(sid, &text)) return L"?";
    std::wstring out = text;
    ::LocalFree(text);
    return out;
}

constexpr const wchar_t* kAdministrators = L"S-1-5-32-544";
constexpr const wchar_t* kSystem = L"S-1-5-18";
constexpr const wchar_t* kUsers = L"S-1-5-32-545";

// What a DACL lets whom do, in the terms that matter here.
struct Rights {
    std::vector<std::wstring> writers;  // trustees but Administrators and SYSTEM that may change the object
    bool administratorsFull = false, systemFull = false, usersReadAndExecute = false;
    bool allInherited = true;           // every allowing entry passes to files and folders below
};

Rights RightsOf(const ACL* dacl) {
    Rights rights;
    constexpr ACCESS_MASK kChanges = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_WRITE_ATTRIBUTES |
                                     FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE |
                                     GENERIC_ALL;
    constexpr ACCESS_MASK kReadAndExecute = FILE_GENERIC_READ | FILE_GENERIC_EXECUTE;
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        void* raw = nullptr;
        if (!::GetAce(const_cast<ACL*>(dacl), i, &raw)) continue;
        auto* ace = static_cast<ACCESS_ALLOWED_ACE*>(raw);
        if (ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
        const std::wstring who = SidText(&ace->SidStart);
        const ACCESS_MASK mask = ace->Mask;
        const bool full = (mask & FILE_ALL_ACCESS) == FILE_ALL_ACCESS;
        rights.allInherited &= (ace->Header.AceFlags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE)) ==
                               (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
        if (who == kAdministrators) rights.administratorsFull |= full;
        else if (who == kSystem) rights.systemFull |= full;
        else if (mask & kChanges) rights.writers.push_back(who);
        if (who == kUsers) rights.usersReadAndExecute |= (mask & kReadAndExecute) == kReadAndExecute;
    }
    return rights;
}

struct StoredSecurity {
    bool read = false, isProtected = false;
    std::wstring owner;
    Rights rights;
};

StoredSecurity ReadSecurity(const std::wstring& path) {
    StoredSecurity stored;
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                &owner, nullptr, &dacl, nullptr, &sd) != ERROR_SUCCESS)
        return stored;
    stored.read = dacl != nullptr;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ::GetSecurityDescriptorControl(sd, &control, &revision);
    stored.isProtected = (control & SE_DACL_PROTECTED) != 0;
    if (owner) stored.owner = SidText(owner);
    stored.rights = RightsOf(dacl);
    ::LocalFree(sd);
    return stored;
}

// Wine 8 keeps no security descriptor of a file or folder: it answers one
// made from the Unix owner and mode. Whether this system keeps them.
bool FileSecurityIsKept() {
    ScratchFolder probe(L"rights");
    std::vector<BYTE> dacl = AdministratorsDacl(true);
    if (dacl.empty()) return false;
    ::SetNamedSecurityInfoW(const_cast<wchar_t*>(probe.path().c_str()), SE_FILE_OBJECT,
                            DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr,
                            reinterpret_cast<ACL*>(dacl.data()), nullptr);
    return ReadSecurity(probe.path()).isProtected;
}

std::wstring VendorFolder() {
    const std::wstring folder = InstallFolderPath();
    return folder.substr(0, folder.rfind(L'\\'));
}

TEST_F(InstallTest, TheFolderRightsLetOnlyAdministratorsAndSystemChangeAnything) {
    for (bool inherit : {true, false}) {
        std::vector<BYTE> dacl = AdministratorsDacl(inherit);
        ASSERT_FALSE(dacl.empty());
        auto* acl = reinterpret_cast<ACL*>(dacl.data());
        ASSERT_TRUE(::IsValidAcl(acl));
        const Rights rights = RightsOf(acl);
        EXPECT_TRUE(rights.writers.empty()) << rights.writers.size();
        EXPECT_TRUE(rights.administratorsFull);
        EXPECT_TRUE(rights.systemFull);
        EXPECT_TRUE(rights.usersReadAndExecute);
        EXPECT_EQ(rights.allInherited, inherit);
    }
}

// A user without administrator rights can make the folders before the first
// installation, and would keep the right to replace what the launcher puts
// there.
TEST_F(InstallTest, InstallationTakesTheFoldersFromWhoeverMadeThem) {
    const std::wstring folder = InstallFolderPath();
    const std::wstring vendor = VendorFolder();
    ::RemoveDirectoryW(vendor.c_str());
    ASSERT_TRUE(MakeOpenToEveryone(vendor, true));
    ASSERT_TRUE(MakeOpenToEveryone(folder, true));
    ASSERT_TRUE(MakeOpenToEveryone(folder + L"\\RV星潮纪元.exe", false));
    ASSERT_TRUE(MakeOpenToEveryone(folder + L"\\Statistic.ini", false));
    // A hard link inside the install folder would carry its new rights to
    // another file: it is removed, the other file stays.
    ScratchFolder elsewhere(L"别处");
    ASSERT_TRUE(WriteBytes(elsewhere / L"keep.txt", "keep"));
    ASSERT_TRUE(::CreateHardLinkW((folder + L"\\hard.txt").c_str(), (elsewhere / L"keep.txt").c_str(), nullptr));
    // The download folder is the player's: the copy must not keep its rights.
    ScratchFolder downloads(L"下载");
    const std::wstring source = downloads / L"RV星潮纪元.exe";
    ASSERT_TRUE(MakeOpenToEveryone(source, false));
    ASSERT_TRUE(WriteBytes(source, "MZ launcher bytes"));

    const std::wstring target = InstallCopyOf(source);

    ASSERT_EQ(target, folder + L"\\RV星潮纪元.exe");
    EXPECT_EQ(ReadBytes(target), "MZ launcher bytes");
    EXPECT_EQ(ReadBytes(folder + L"\\Statistic.ini"), "planted") << "settings are kept, with new rights";
    EXPECT_FALSE(Exists(folder + L"\\hard.txt"));
    EXPECT_EQ(ReadBytes(elsewhere / L"keep.txt"), "keep");
    if (!FileSecurityIsKept()) GTEST_SKIP() << "this system keeps no file security descriptors to read back";
    for (const std::wstring& path : {folder, target, folder + L"\\Statistic.ini"}) {
        const StoredSecurity stored = ReadSecurity(path);
        ASSERT_TRUE(stored.read) << path;
        EXPECT_TRUE(stored.isProtected) << path;
        EXPECT_TRUE(stored.rights.writers.empty()) << path;
        EXPECT_TRUE(stored.rights.administratorsFull && stored.rights.systemFull && stored.rights.usersReadAndExecute)
            << path;
        EXPECT_EQ(stored.owner, kAdministrators) << path;
    }
    EXPECT_FALSE(ReadSecurity(vendor).isProtected) << "the vendor folder is not the launcher's to change";
}

// Links made by another user must not carry the executable, or the new
// rights, to a place of his choosing.
TEST_F(InstallTest, InstallationFollowsNoLinkInTheFolders) {
    const std::wstring folder = InstallFolderPath();
    const std::wstring vendor = VendorFolder();
    const auto listedAttributes = [&folder] {
        WIN32_FIND_DATAW item{};
        fw::UniqueFind entry(::FindFirstFileW(folder.c_str(), &item));
        return entry ? item.dwFileAttributes : INVALID_FILE_ATTRIBUTES;
    };
    {
        ::CreateDirectoryW(vendor.c_str(), nullptr);
        ScratchFolder elsewhere(L"别处");
        ASSERT_TRUE(WriteBytes(elsewhere / L"keep.txt", "keep"));
        ASSERT_TRUE(testutil::MakeFolderLink(folder, elsewhere.path()));
        ScratchFolder downloads(L"下载");
        const std::wstring source = downloads / L"RV星潮纪元.exe";
        ASSERT_TRUE(WriteBytes(source, "MZ launcher bytes"));

        const std::wstring target = InstallCopyOf(source);

        EXPECT_FALSE(Exists(elsewhere / L"RV星潮纪元.exe")) << "copied through the folder link";
        EXPECT_EQ(ReadBytes(elsewhere / L"keep.txt"), "keep");
        // Windows removes the link and installs into a new folder; wine cannot
        // remove a Linux link, and the installation is refused.
        if (listedAttributes() & FILE_ATTRIBUTE_REPARSE_POINT) {
            EXPECT_EQ(target, L"");
        } else {
            EXPECT_EQ(target, folder + L"\\RV星潮纪元.exe");
            EXPECT_EQ(ReadBytes(target), "MZ launcher bytes");
        }
        EXPECT_TRUE(testutil::RemoveFolderLink(folder)) << "the test left its link behind";
    }
}

// What a path is, as comparable text: its kind, content or link target, and
// (where the system keeps them) owner and DACL.
std::wstring StateOf(const std::wstring& path) {
    WIN32_FIND_DATAW item{};
    fw::UniqueFind find(::FindFirstFileW(path.c_str(), &item));
    if (!find) return L"missing";
    std::wstring state = std::to_wstring(item.dwFileAttributes) + L" ";
    if (!(item.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        const std::string bytes = ReadBytes(path);
        state += std::wstring(bytes.begin(), bytes.end());
    }
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                nullptr, nullptr, nullptr, nullptr, &sd) == ERROR_SUCCESS) {
        wchar_t* text = nullptr;
        if (::ConvertSecurityDescriptorToStringSecurityDescriptorW(
                sd, SDDL_REVISION_1, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &text, nullptr)) {
            state += L" ";
            state += text;
            ::LocalFree(text);
        }
        ::LocalFree(sd);
    }
    return state;
}

// Another product of the vendor keeps its files beside the install folder:
// a file, a hard link, a folder link. Installation changes none of them.
TEST_F(InstallTest, InstallationLeavesASiblingProductsFolderAlone) {
    const std::wstring vendor = VendorFolder();
    ::CreateDirectoryW(vendor.c_str(), nullptr);
    const std::wstring other = vendor + L"\\OtherGame";
    ASSERT_TRUE(MakeOpenToEveryone(other, true));
    ScratchFolder elsewhere(L"别处");
    ASSERT_TRUE(WriteBytes(elsewhere / L"shared.dat", "shared"));
    ASSERT_TRUE(WriteBytes(other + L"\\save.dat", "save"));
    ASSERT_TRUE(::CreateHardLinkW((other + L"\\hard.dat").c_str(), (elsewhere / L"shared.dat").c_str(), nullptr));
    ASSERT_TRUE(testutil::MakeFolderLink(other + L"\\link", elsewhere.path()));
    const std::vector<std::wstring> paths = {vendor, other, other + L"\\save.dat", other + L"\\hard.dat",
                                             other + L"\\link", elsewhere / L"shared.dat"};
    std::vector<std::wstring> before;
    for (const auto& path : paths) before.push_back(StateOf(path));
    ScratchFolder downloads(L"下载");
    const std::wstring source = downloads / L"RV星潮纪元.exe";
    ASSERT_TRUE(WriteBytes(source, "MZ launcher bytes"));

    EXPECT_EQ(InstallCopyOf(source), InstallFolderPath() + L"\\RV星潮纪元.exe");

    for (size_t i = 0; i < paths.size(); ++i) EXPECT_EQ(StateOf(paths[i]), before[i]) << paths[i];
    EXPECT_TRUE(testutil::RemoveFolderLink(other + L"\\link"));
    RemoveTree(other);
}

// A file lies where the install folder belongs (a link that cannot be replaced
// fails the same way on Windows; Wine replaces a Linux link): its rights cannot
// be made safe. The player is told, and nothing else of an installation is
// left: no copy, shortcut, entry or "DisableDays".
TEST_F(InstallTest, AFailedInstallationIsReportedAndWritesNothingElse) {
    ::CreateDirectoryW(VendorFolder().c_str(), nullptr);
    ASSERT_TRUE(WriteBytes(InstallFolderPath(), "in the way"));
    const auto tracesBefore = InstallationTraces();

    std::vector<std::wstring> told;
    testutil::ModalBoxDriver driver(kGameTitle);
    const int result = driver.Run([] { return RunInstallMode(); },
                                  {testutil::ModalBoxDriver::Answer(skin::kMsgBoxFirstButtonId, &told)});

    EXPECT_EQ(result, FALSE);
    ASSERT_EQ(told.size(), 1u) << "the player is told in the launcher's message box";
    EXPECT_EQ(told[0], kInstallFolderRightsText);
    EXPECT_EQ(InstallationTraces(), tracesBefore);
    EXPECT_FALSE(KeyExists(kLauncherRegKey)) << "no DisableDays";
    EXPECT_EQ(ReadBytes(InstallFolderPath()), "in the way");
    ::DeleteFileW(InstallFolderPath().c_str());
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

std::vector<std::wstring> BatchFilesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW item{};
    fw::UniqueFind find(::FindFirstFileW((folder + L"\\DelSelf*.bat").c_str(), &item));
    if (find) {
        do names.push_back(item.cFileName);
        while (::FindNextFileW(find.get(), &item));
    }
    return names;
}

// An executable that stays held (a debugger keeping a crashed copy): the batch
// gives up after its passes, leaves the folder and deletes itself.
TEST_F(InstallTest, SelfDeleteBatchGivesUpOnAnExecutableThatStaysHeld) {
    ScratchFolder scratch(L"岚屿网络");
    const std::wstring folder = scratch / L"GameLogin";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring exe = folder + L"\\RV星潮纪元.exe";
    ASSERT_TRUE(WriteBytes(exe, "MZ"));
    fw::UniqueFile held(::CreateFileW(exe.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    wchar_t windows[MAX_PATH] = {};
    ::GetSystemWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring batchFolder = std::wstring(windows) + L"\\Temp";
    const auto batchesBefore = BatchFilesIn(batchFolder);

    const DWORD started = ::GetTickCount();
    fw::UniqueHandle batch = StartSelfDeleteBatch(exe, folder, 3);
    ASSERT_TRUE(batch);
    const bool ended = ::WaitForSingleObject(batch.get(), 30000) == WAIT_OBJECT_0;
    if (!ended) ::TerminateProcess(batch.get(), 1);
    ASSERT_TRUE(ended) << "the batch must give up by itself";
    EXPECT_GE(::GetTickCount() - started, 1500u) << "each pass waits about a second";
    EXPECT_TRUE(Exists(exe));
    EXPECT_TRUE(Exists(folder)) << "a folder whose executable stays is not emptied";
    EXPECT_EQ(BatchFilesIn(batchFolder), batchesBefore) << "the batch deleted itself";
}

}  // namespace

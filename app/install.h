// Installation into the all-users folder, the launcher's registry record, the
// installed-programs entry, and uninstall with its survey and self-removal.
#pragma once

#include "app/install_rules.h"
#include "framework/handles.h"

#include <windows.h>

#include <string>

// How long uninstall waits for the survey worker to take its request, and
// start-up for the request to end: a survey server that never answers must not
// keep the process alive.
inline constexpr DWORD kSurveyWaitMs = 15000;

// The system's list of installed programs: the entry of this launcher.
inline constexpr const wchar_t* kInstalledProgramsKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\RV星潮纪元极速登录器";
inline constexpr const wchar_t* kInstalledDisplayVersion = L"15.1.23.3";

inline constexpr const wchar_t* kUninstallDoneText =
    L"星潮纪元已成功移除，部分文件将在程序退出\r\n或计算机重启后自行删除";

// What stopped an installation; each has its text for the player.
enum class InstallFailure { kNone, kNoFolder, kFolderRights, kCopy };
inline constexpr const wchar_t* kInstallNoFolderText = L"安装失败：无法创建安装文件夹。";
inline constexpr const wchar_t* kInstallFolderRightsText =
    L"安装失败：无法设置安装文件夹的访问权限。\n安装文件夹不能是链接，且须位于支持访问权限的磁盘上。";
inline constexpr const wchar_t* kInstallCopyText = L"安装失败：无法将程序复制到安装文件夹。";
const wchar_t* InstallFailureText(InstallFailure failure);

// Install mode: InstallSelf, and only when it succeeded WriteDisableDays.
BOOL RunInstallMode();
// Copies the launcher into the install folder (not over itself), makes its
// shortcuts and installed-programs entry and starts the installed copy. When
// that fails, tells the player what failed (the launcher's message box) and
// returns FALSE, having made no shortcut, entry or start.
BOOL InstallSelf();
// Everything of InstallSelf but the start and the message, for the executable
// at exe; returns the installed copy's path, or empty and why in *failure.
// Rights are changed and links removed only inside the install folder; the
// vendor folder above it is made (with inherited rights) when missing and
// otherwise left as it is: other products of the vendor live there.
std::wstring InstallCopyOf(const std::wstring& exe, InstallFailure* failure = nullptr);
// Stores the update check's day mask; 0 when the key cannot be opened.
BOOL WriteDisableDays();
// Removes key, entry and shortcuts, starts the self-delete batch and the
// survey, and tells the player. The survey worker sets surveyTaken (manual
// reset) once it has its request and surveyDone when the request has ended;
// both events belong to the caller and must outlive the worker.
void Uninstall(HANDLE surveyTaken, HANDLE surveyDone);
// The uninstall runs so far, plus this one, kept in the install folder's
// settings file.
unsigned BumpUninstallCount();
// Deletes the desktop and Start-menu shortcuts, and the group once empty.
BOOL RemoveShortcuts();
// Files in a folder tree; 1 for a folder that cannot be searched.
int CountFiles(const std::wstring& folder);
// Starts the batch that deletes the running executable (and, when it is alone
// in the install folder, that folder) once this process has ended.
void WriteSelfDeleteBatch();
// The same for any executable path; returns the batch's process so that a
// caller may wait for it (null when it did not start). The batch gives up
// after `passes` tries of about a second each (install::SelfDeleteBatchText).
fw::UniqueHandle StartSelfDeleteBatch(const std::wstring& exePath, const std::wstring& installFolder,
                                      unsigned passes = install::kSelfDeletePasses);
// Appends bytes to a file, creating it; the count written, or -1 with the
// system's last error kept.
int AppendToFile(const std::wstring& fileName, const std::string& text);

// The installed-programs entry for the executable at exePath.
void WriteInstalledProgramsEntry(const std::wstring& exePath);
void DeleteInstalledProgramsEntry();

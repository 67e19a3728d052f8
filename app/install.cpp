#include "app/install.h"

#include "app/folder_rights.h"
#include "app/install_rules.h"
#include "app/shortcuts.h"
#include "core/launcher_ids.h"
#include "core/run_mode_win.h"
#include "core/start_program.h"
#include "framework/winapp.h"
#include "net/http_fetch.h"
#include "net/operator_site_win.h"
#include "skin/message_box.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <optional>

namespace {

// COM for the shell link object, on this thread, for one scope.
class ComScope {
public:
    ComScope() : ok_(SUCCEEDED(::CoInitialize(nullptr))) {}
    ~ComScope() {
        if (ok_) ::CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool ok_;
};

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                  TRUE) == CSTR_EQUAL;
}

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? path : path.substr(0, slash);
}

bool FolderExists(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void SetString(HKEY key, const wchar_t* name, const std::wstring& value) {
    ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void SetDword(HKEY key, const wchar_t* name, DWORD value) {
    ::RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

// ---- the self-delete batch

bool IsAscii(const std::wstring& text) {
    for (wchar_t ch : text)
        if (ch >= 0x80) return false;
    return true;
}

std::string Narrow(const std::wstring& text, UINT codePage) {
    if (text.empty()) return {};
    const int n = ::WideCharToMultiByte(codePage, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                        nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    ::WideCharToMultiByte(codePage, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

// The text in a code page, only when every character survives the trip.
std::optional<std::string> InCodePage(const std::wstring& text, UINT codePage) {
    BOOL lost = FALSE;
    const int n = ::WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.c_str(), static_cast<int>(text.size()),
                                        nullptr, 0, nullptr, &lost);
    if (n <= 0 || lost) return std::nullopt;
    return Narrow(text, codePage);
}

std::wstring ShortPath(const std::wstring& path) {
    wchar_t shortPath[MAX_PATH] = {};
    const DWORD len = ::GetShortPathNameW(path.c_str(), shortPath, MAX_PATH);
    if (len == 0 || len >= MAX_PATH) return path;
    return std::wstring(shortPath, len);
}

// How the batch names an existing path. cmd reads a batch in the console's
// code page, which on most systems cannot spell the install folder's Chinese
// name: the 8.3 short name is plain ASCII where the volume keeps short names,
// and the console code page is the next best. Nothing when neither works.
std::optional<std::string> BatchSpelling(const std::wstring& path) {
    if (IsAscii(path)) return Narrow(path, CP_ACP);
    const std::wstring shortPath = ShortPath(path);
    if (IsAscii(shortPath)) return Narrow(shortPath, CP_ACP);
    return InCodePage(path, ::GetOEMCP());
}

std::string BatchText(bool wipeFolder, const std::wstring& exe, const std::wstring& folder,
                      const std::wstring& batch, unsigned passes) {
    auto spelledExe = BatchSpelling(exe);
    auto spelledFolder = BatchSpelling(folder);
    auto spelledBatch = BatchSpelling(batch);
    if (spelledExe && spelledFolder && spelledBatch)
        return install::SelfDeleteBatchText(wipeFolder, {*spelledExe, *spelledFolder, *spelledBatch}, passes);
    // No short names and a path outside the console code page: switch the
    // console to UTF-8 first; cmd decodes every later line with it.
    return "chcp 65001 >nul\r\n" +
           install::SelfDeleteBatchText(wipeFolder,
                                        {Narrow(exe, CP_UTF8), Narrow(folder, CP_UTF8), Narrow(batch, CP_UTF8)},
                                        passes);
}

// The batch runs with this process's rights after it has ended, so it lies
// where other users' programs cannot rewrite it: the system's temporary folder
// (files there belong to their creator), the user's own only as a fallback.
std::wstring BatchFolder() {
    wchar_t windows[MAX_PATH] = {};
    const UINT len = ::GetSystemWindowsDirectoryW(windows, MAX_PATH);
    if (len > 0 && len < MAX_PATH) {
        std::wstring temp = std::wstring(windows, len) + L"\\Temp";
        if (FolderExists(temp)) return temp;
    }
    wchar_t userTemp[MAX_PATH] = {};
    const DWORD userLen = ::GetTempPathW(MAX_PATH, userTemp);
    return userLen > 0 && userLen < MAX_PATH ? std::wstring(userTemp, userLen) : std::wstring();
}

// A new, empty batch file of our own. An existing file of the chosen name is
// never reused: its first lines would run before ours.
std::wstring CreateBatchFile() {
    const std::wstring folder = BatchFolder();
    for (int attempt = 0; attempt < 16 && !folder.empty(); ++attempt) {
        wchar_t temp[MAX_PATH] = {};
        if (!::GetTempFileNameW(folder.c_str(), L"DelSelf", 0, temp)) return {};
        std::wstring batch = std::wstring(temp) + L".bat";
        fw::UniqueFile file(
            ::CreateFileW(batch.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) return batch;
        ::DeleteFileW(temp);
    }
    return {};
}

fw::UniqueHandle StartBatch(const std::wstring& batch) {
    wchar_t system[MAX_PATH] = {};
    const UINT len = ::GetSystemDirectoryW(system, MAX_PATH);
    if (len == 0 || len >= MAX_PATH) return {};
    const std::wstring folder(system, len);
    const std::wstring cmd = folder + L"\\cmd.exe";
    // /d: no AutoRun commands from the registry, which the user may set. The
    // short name keeps cmd from meeting a path it cannot spell.
    std::wstring commandLine = L"\"" + cmd + L"\" /d /c \"" + ShortPath(batch) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION pi{};
    // Started in the system folder, so that it holds no handle on the folder it
    // is about to remove; without a console window of its own, and none shared
    // with a console parent.
    if (!::CreateProcessW(cmd.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                          folder.c_str(), &si, &pi))
        return {};
    ::SetThreadPriority(pi.hThread, THREAD_PRIORITY_IDLE);
    ::CloseHandle(pi.hThread);
    return fw::UniqueHandle(pi.hProcess);
}

// ---- the survey

// Lives for the process: when the worker is slow to take it, the bounded wait
// below gives up, and the request must still be there when it reads it.
PingRequest g_surveyRequest;

void StartSurvey(HANDLE taken, HANDLE done, const std::wstring& address) {
    g_surveyRequest.address = address;
    g_surveyRequest.body.clear();
    g_surveyRequest.taken = taken;
    g_surveyRequest.done = done;
    fw::UniqueHandle thread(::CreateThread(nullptr, 0, PingInBackground, &g_surveyRequest, 0, nullptr));
    if (!thread) {
        ::SetEvent(done);  // nothing will be sent; nothing to wait for
        return;
    }
    ::WaitForSingleObject(taken, kSurveyWaitMs);
    ::ResetEvent(taken);
}

}  // namespace

const wchar_t* InstallFailureText(InstallFailure failure) {
    switch (failure) {
    case InstallFailure::kNoFolder: return kInstallNoFolderText;
    case InstallFailure::kFolderRights: return kInstallFolderRightsText;
    case InstallFailure::kCopy: return kInstallCopyText;
    case InstallFailure::kNone: break;
    }
    return L"";
}

namespace {

std::wstring Failed(InstallFailure why, InstallFailure* failure) {
    if (failure) *failure = why;
    return {};
}

}  // namespace

std::wstring InstallCopyOf(const std::wstring& exe, InstallFailure* failure) {
    if (failure) *failure = InstallFailure::kNone;
    ComScope com;
    const std::wstring folder = InstallFolderPath();
    if (folder.empty()) return Failed(InstallFailure::kNoFolder, failure);
    // The vendor folder is shared with the vendor's other products: made when
    // missing, with the rights it inherits, and otherwise not touched.
    const std::wstring vendor = FolderOf(folder);
    if (!FolderExists(vendor) && !::CreateDirectoryW(vendor.c_str(), nullptr) && !FolderExists(vendor))
        return Failed(InstallFailure::kNoFolder, failure);
    // A folder whose rights cannot be made safe gets no executable that runs
    // as administrator.
    if (!MakeAdministratorsFolder(folder)) return Failed(InstallFailure::kFolderRights, failure);
    const size_t slash = exe.rfind(L'\\');
    const std::wstring target = folder + (slash == std::wstring::npos ? L"\\" + exe : exe.substr(slash));
    // Copying a file onto itself (the same path in another case) could
    // truncate it.
    const bool copying = !SamePath(target, exe);
    if (copying && !::CopyFileW(exe.c_str(), target.c_str(), FALSE)) return Failed(InstallFailure::kCopy, failure);
    // A copy may take the rights of the file it was copied from, which lies in
    // a folder of the player's (downloads) and may let anyone write: a copy
    // that keeps them must not stay where the shortcuts will start it.
    if (!MakeAdministratorsFile(target)) {
        if (copying) ::DeleteFileW(target.c_str());
        return Failed(InstallFailure::kFolderRights, failure);
    }

    CreateDesktopShortcut(target.c_str());
    CreateProgramsShortcut(kShortcutName, target.c_str(), L"/XCJY");
    CreateProgramsShortcut(kUninstallShortcutName, target.c_str(), L"/uninst");
    WriteInstalledProgramsEntry(target);
    return target;
}

BOOL InstallSelf() {
    InstallFailure failure = InstallFailure::kNone;
    const std::wstring target = InstallCopyOf(ExecutablePath(), &failure);
    if (target.empty()) {
        SkinMessageBox(InstallFailureText(failure), kGameTitle, 0);
        return FALSE;
    }
    StartProgram(target.c_str());  // runs it in installed mode
    return TRUE;
}

BOOL RunInstallMode() {
    if (!InstallSelf()) return FALSE;
    WriteDisableDays();
    return TRUE;
}

BOOL WriteDisableDays() {
    HKEY raw = nullptr;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kLauncherRegKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                          nullptr, &raw, nullptr) != ERROR_SUCCESS)
        return FALSE;
    fw::UniqueRegKey key(raw);
    SYSTEMTIME now{};
    ::GetSystemTime(&now);
    const uint32_t packed = install::DisableDaysFromMilliseconds(now.wMilliseconds).Packed();
    const BYTE bytes[4] = {static_cast<BYTE>(packed), static_cast<BYTE>(packed >> 8), static_cast<BYTE>(packed >> 16),
                           static_cast<BYTE>(packed >> 24)};
    ::RegSetValueExW(key.get(), L"DisableDays", 0, REG_BINARY, bytes, sizeof bytes);
    return TRUE;
}

void WriteInstalledProgramsEntry(const std::wstring& exePath) {
    HKEY raw = nullptr;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kInstalledProgramsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                          nullptr, &raw, nullptr) != ERROR_SUCCESS)
        return;
    fw::UniqueRegKey key(raw);
    SetString(key.get(), L"DisplayName", kProductName);
    SetString(key.get(), L"DisplayVersion", kInstalledDisplayVersion);
    SetString(key.get(), L"DisplayIcon", exePath + L",0");
    SetString(key.get(), L"UninstallString", L"\"" + exePath + L"\" /uninst");
    SetDword(key.get(), L"NoModify", 1);
    SetDword(key.get(), L"NoRepair", 1);
}

void DeleteInstalledProgramsEntry() { ::SHDeleteKeyW(HKEY_LOCAL_MACHINE, kInstalledProgramsKey); }

void Uninstall(HANDLE surveyTaken, HANDLE surveyDone) {
    ::SHDeleteKeyW(HKEY_LOCAL_MACHINE, kLauncherRegKey);
    DeleteInstalledProgramsEntry();
    RemoveShortcuts();
    WriteSelfDeleteBatch();
    const unsigned count = BumpUninstallCount();
    StartSurvey(surveyTaken, surveyDone, install::SurveyAddressWithCount(site::SurveyUrl(CurrentSite(), LAUNCHER_VERSION), count));
    AfxMessageBox(kUninstallDoneText, MB_OK);
}

unsigned BumpUninstallCount() {
    const std::wstring file = InstallFolderPath() + L"\\Statistic.ini";
    wchar_t text[32] = {};
    ::GetPrivateProfileStringW(L"XCJY", L"UnInst", L"0", text, 32, file.c_str());
    const unsigned count = static_cast<unsigned>(_wtol(text)) + 1;
    ::WritePrivateProfileStringW(L"XCJY", L"UnInst", std::to_wstring(count).c_str(), file.c_str());
    return count;
}

BOOL RemoveShortcuts() {
    ComScope com;
    DeleteDesktopShortcut(kForeignDesktopShortcutName);
    DeleteDesktopShortcut(kShortcutName);
    DeleteProgramsShortcut(kShortcutName);
    DeleteProgramsShortcut(kUninstallShortcutName);
    const std::wstring group = ProgramsGroupPath();
    if (!group.empty() && CountFiles(group) == 0) ::RemoveDirectoryW(group.c_str());
    return TRUE;
}

int CountFiles(const std::wstring& folder) {
    std::wstring pattern = folder;
    if (pattern.empty() || pattern.back() != L'\\') pattern += L'\\';
    const std::wstring prefix = pattern;
    pattern += L'*';
    WIN32_FIND_DATAW entry{};
    fw::UniqueFind find(::FindFirstFileW(pattern.c_str(), &entry));
    if (!find) return 1;
    int count = 0;
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") continue;
        // A linked folder is counted, not entered: a link back up the tree
        // would never end.
        const bool folderToEnter = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                                   !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
        count += folderToEnter ? CountFiles(prefix + name) : 1;
    } while (::FindNextFileW(find.get(), &entry));
    return count;
}

fw::UniqueHandle StartSelfDeleteBatch(const std::wstring& exePath, const std::wstring& installFolder,
                                      unsigned passes) {
    const std::wstring batch = CreateBatchFile();
    if (batch.empty() || exePath.empty()) return {};
    const std::wstring folder = FolderOf(exePath);
    // Emptying the folder is only ever right for our own install folder: a
    // copy started from a player's download folder removes just itself.
    const bool wipeFolder = !installFolder.empty() && SamePath(folder, installFolder) && CountFiles(folder) <= 1;
    if (AppendToFile(batch, BatchText(wipeFolder, exePath, folder, batch, passes)) < 0) return {};
    return StartBatch(batch);
}

void WriteSelfDeleteBatch() { StartSelfDeleteBatch(ExecutablePath(), InstallFolderPath()); }

int AppendToFile(const std::wstring& fileName, const std::string& text) {
    fw::UniqueFile file(::CreateFileW(fileName.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return -1;
    if (::SetFilePointer(file.get(), 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER) {
        const DWORD error = ::GetLastError();
        if (error != NO_ERROR) {
            file.reset();
            ::SetLastError(error);
            return -1;
        }
    }
    DWORD written = 0;
    if (!::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) {
        const DWORD error = ::GetLastError();
        file.reset();
        ::SetLastError(error);
        return -1;
    }
    return static_cast<int>(written);
}

// What the installation tests share: scratch folders, file contents, shell
// links read back, and the launcher's installed state cleared.
#pragma once

#include "app/install.h"
#include "app/shortcuts.h"
#include "core/launcher_ids.h"
#include "core/run_mode_win.h"
#include "framework/handles.h"
#include "tests/win/test_util.h"

#include <shlobj.h>
#include <shlwapi.h>
#include <shobjidl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <string>
#include <vector>

namespace installtest {

inline void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW entry{};
    fw::UniqueFind find(::FindFirstFileW((path + L"\\*").c_str(), &entry));
    if (find) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = path + L"\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                ::DeleteFileW(child.c_str());
        } while (::FindNextFileW(find.get(), &entry));
    }
    find.reset();
    ::RemoveDirectoryW(path.c_str());
}

inline bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

inline std::string ReadBytes(const std::wstring& path) {
    std::string text;
    fw::UniqueFile f(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, 0, nullptr));
    if (!f) return text;
    char buf[4096];
    DWORD got = 0;
    while (::ReadFile(f.get(), buf, sizeof buf, &got, nullptr) && got) text.append(buf, got);
    return text;
}

inline bool WriteBytes(const std::wstring& path, const std::string& bytes) {
    fw::UniqueFile f(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return f && ::WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

// The launcher copied into the all-users install folder, removed afterwards.
class InstalledCopy {
public:
    InstalledCopy() {
        dir_ = InstallFolderPath();
        ::SHCreateDirectoryExW(nullptr, dir_.c_str(), nullptr);
        path_ = dir_ + L"\\RV星潮纪元.exe";
        ok_ = ::CopyFileW(testutil::LauncherPath().c_str(), path_.c_str(), FALSE) != FALSE;
    }
    ~InstalledCopy() { ::DeleteFileW(path_.c_str()); }
    bool ok() const { return ok_; }
    const std::wstring& path() const { return path_; }
    const std::wstring& dir() const { return dir_; }

private:
    std::wstring dir_, path_;
    bool ok_ = false;
};

// A new folder under the temporary folder whose name is outside most ANSI
// code pages; removed with its contents.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::wstring& name = L"安装测试") {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        path_ = std::wstring(temp) + name + std::to_wstring(::GetCurrentProcessId()) + L"_" +
                std::to_wstring(++counter_);
        RemoveTree(path_);
        ::CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~ScratchFolder() { RemoveTree(path_); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::wstring& path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
    static inline int counter_ = 0;
};

inline std::wstring SpecialFolderPath(int csidl) {
    wchar_t path[MAX_PATH] = {};
    ::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

inline std::wstring DesktopLink(const wchar_t* name = kShortcutName) {
    return SpecialFolderPath(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\" + name + L".lnk";
}
inline std::wstring GroupLink(const wchar_t* name) { return ProgramsGroupPath() + L"\\" + name + L".lnk"; }

struct LinkInfo {
    bool loaded = false;
    std::wstring target, arguments, description, iconPath;
    int iconIndex = -1;
};

// Reads a shell link back through the shell's own link object.
inline LinkInfo ReadLink(const std::wstring& path) {
    LinkInfo info;
    fw::ComPtr<IShellLinkW> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(link.put()))))
        return info;
    fw::ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.put()))) ||
        FAILED(file->Load(path.c_str(), STGM_READ)))
        return info;
    wchar_t text[MAX_PATH] = {};
    // The item list keeps the target's Unicode name; wine's GetPath answers
    // from a narrow copy, which loses it under a western code page.
    LPITEMIDLIST items = nullptr;
    if (SUCCEEDED(link->GetIDList(&items)) && items) {
        ::SHGetPathFromIDListW(items, text);
        ::CoTaskMemFree(items);
    }
    if (text[0] == 0) link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
    info.target = text;
    text[0] = 0;
    link->GetArguments(text, MAX_PATH);
    info.arguments = text;
    text[0] = 0;
    link->GetDescription(text, MAX_PATH);
    info.description = text;
    text[0] = 0;
    link->GetIconLocation(text, MAX_PATH, &info.iconIndex);
    info.iconPath = text;
    info.loaded = true;
    return info;
}

inline std::wstring ReadRegString(const wchar_t* key, const wchar_t* name) {
    wchar_t value[1024] = {};
    DWORD size = sizeof value - sizeof(wchar_t);
    if (::RegGetValueW(HKEY_LOCAL_MACHINE, key, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return L"<missing>";
    return value;
}

inline bool KeyExists(const wchar_t* key) {
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &raw) != ERROR_SUCCESS) return false;
    ::RegCloseKey(raw);
    return true;
}

// Where the launcher's children run: the processes it started and theirs.
inline std::vector<DWORD> DescendantsOf(DWORD root) {
    std::vector<PROCESSENTRY32W> all;
    fw::UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    if (snapshot.get() != INVALID_HANDLE_VALUE && ::Process32FirstW(snapshot.get(), &entry)) {
        do all.push_back(entry);
        while (::Process32NextW(snapshot.get(), &entry));
    }
    std::vector<DWORD> found{root};
    for (size_t i = 0; i < found.size(); ++i)
        for (const auto& p : all)
            if (p.th32ParentProcessID == found[i] && p.th32ProcessID != root) found.push_back(p.th32ProcessID);
    found.erase(found.begin());
    return found;
}

inline bool AnyRunning(const std::vector<DWORD>& ids) {
    for (DWORD id : ids) {
        fw::UniqueHandle p(::OpenProcess(SYNCHRONIZE, FALSE, id));
        if (p && ::WaitForSingleObject(p.get(), 0) == WAIT_TIMEOUT) return true;
    }
    return false;
}

// Ends whatever the launcher left running (a batch still waiting, the
// installed copy), so that nothing outlives the test.
class Descendants {
public:
    void Take(DWORD root) {
        for (DWORD id : DescendantsOf(root)) ids_.push_back(id);
    }
    bool WaitEnd(DWORD ms) const {
        return testutil::PumpUntil([this] { return !AnyRunning(ids_); }, ms);
    }
    ~Descendants() {
        for (DWORD id : ids_) {
            fw::UniqueHandle p(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
            if (p && ::WaitForSingleObject(p.get(), 0) == WAIT_TIMEOUT) {
                ::TerminateProcess(p.get(), 1);
                ::WaitForSingleObject(p.get(), 5000);
            }
        }
    }
    const std::vector<DWORD>& ids() const { return ids_; }

private:
    std::vector<DWORD> ids_;
};

inline std::wstring ImageOf(DWORD pid) {
    fw::UniqueHandle p(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    wchar_t path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    if (!p || !::QueryFullProcessImageNameW(p.get(), 0, path, &size)) return {};
    return path;
}

inline bool SamePath(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// Ends every process that runs an executable of the install folder (an
// installed copy that a test started), so that its files can go.
inline void EndInstalledProcesses() {
    const std::wstring folder = InstallFolderPath() + L"\\";
    fw::UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    if (snapshot.get() == INVALID_HANDLE_VALUE || !::Process32FirstW(snapshot.get(), &entry)) return;
    do {
        const std::wstring image = ImageOf(entry.th32ProcessID);
        if (image.size() <= folder.size() || !SamePath(image.substr(0, folder.size()), folder)) continue;
        fw::UniqueHandle p(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID));
        if (!p) continue;
        ::TerminateProcess(p.get(), 1);
        ::WaitForSingleObject(p.get(), 5000);
    } while (::Process32NextW(snapshot.get(), &entry));
}

// Everything an installation leaves, as comparable lines: the install
// folder's files, the launcher key's and the installed-programs entry's
// values, the shortcuts with their targets and the Start-menu group.
inline std::vector<std::wstring> InstallationTraces() {
    std::vector<std::wstring> traces;
    WIN32_FIND_DATAW entry{};
    fw::UniqueFind find(::FindFirstFileW((InstallFolderPath() + L"\\*").c_str(), &entry));
    if (find) {
        do traces.push_back(L"file " + std::wstring(entry.cFileName) + L" " + std::to_wstring(entry.nFileSizeLow));
        while (::FindNextFileW(find.get(), &entry));
    }
    for (const wchar_t* key : {kLauncherRegKey, kInstalledProgramsKey}) {
        HKEY raw = nullptr;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &raw) != ERROR_SUCCESS) continue;
        fw::UniqueRegKey open(raw);
        for (DWORD i = 0;; ++i) {
            wchar_t name[256];
            BYTE data[1024];
            DWORD nameLen = 256, size = sizeof data, type = 0;
            if (::RegEnumValueW(raw, i, name, &nameLen, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
            std::wstring line = std::wstring(key) + L" " + name + L" " + std::to_wstring(type) + L" ";
            for (DWORD b = 0; b < size; ++b) line += std::to_wstring(data[b]) + L",";
            traces.push_back(line);
        }
    }
    for (const std::wstring& link : {DesktopLink(), GroupLink(kShortcutName), GroupLink(kUninstallShortcutName)})
        traces.push_back(L"link " + link + L" -> " + (Exists(link) ? ReadLink(link).target : L"none"));
    traces.push_back(L"group " + std::to_wstring(Exists(ProgramsGroupPath())));
    std::sort(traces.begin(), traces.end());
    return traces;
}

// Takes away everything an installation leaves, whatever a test left behind.
inline void ClearInstallation() {
    EndInstalledProcesses();
    ::CoInitialize(nullptr);
    RemoveShortcuts();
    ::CoUninitialize();
    DeleteInstalledProgramsEntry();
    ::SHDeleteKeyW(HKEY_LOCAL_MACHINE, kLauncherRegKey);
    RemoveTree(InstallFolderPath());
}

}  // namespace installtest

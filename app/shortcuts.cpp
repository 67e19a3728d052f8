#include "app/shortcuts.h"

#include "app/install_rules.h"
#include "framework/handles.h"

#include <shlobj.h>
#include <shobjidl.h>

namespace {

std::wstring SpecialFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
    return path;
}

bool IsEmpty(const wchar_t* text) { return text == nullptr || *text == L'\0'; }

bool FileExists(const wchar_t* path) { return ::GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

std::wstring LinkPath(const std::wstring& folder, const wchar_t* name) {
    return folder + L"\\" + name + L".lnk";
}

}  // namespace

std::wstring ProgramsGroupPath() {
    std::wstring programs = SpecialFolder(CSIDL_COMMON_PROGRAMS);
    if (programs.empty()) return {};
    return programs + L"\\" + kProgramsGroupName;
}

BOOL WriteShellLink(const wchar_t* linkPath, const wchar_t* target, const wchar_t* description,
                    const wchar_t* arguments) {
    if (linkPath == nullptr) return FALSE;
    fw::ComPtr<IShellLinkW> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(link.put()))))
        return FALSE;
    link->SetPath(target);
    link->SetIconLocation(target, 0);
    fw::ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.put())))) return FALSE;
    link->SetArguments(arguments ? arguments : L"");
    if (!IsEmpty(description)) link->SetDescription(description);
    file->Save(linkPath, TRUE);
    return TRUE;
}

BOOL CreateDesktopShortcut(const wchar_t* target) {
    if (IsEmpty(target) || !FileExists(target)) return FALSE;
    const std::wstring desktop = SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY);
    if (desktop.empty()) return FALSE;
    // An older installation for one user left its shortcut on that user's own
    // desktop; the all-users one replaces it.
    if (auto own = install::PerUserShortcutPath(SpecialFolder(CSIDL_PERSONAL), desktop, kShortcutName))
        ::DeleteFileW(own->c_str());
    return WriteShellLink(LinkPath(desktop, kShortcutName).c_str(), target, kShortcutName, L"/XCJY");
}

BOOL DeleteDesktopShortcut(const wchar_t* name) {
    if (IsEmpty(name)) return FALSE;
    const std::wstring desktop = SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY);
    if (desktop.empty()) return FALSE;
    return ::DeleteFileW(LinkPath(desktop, name).c_str());
}

BOOL CreateProgramsShortcut(const wchar_t* name, const wchar_t* target, const wchar_t* arguments) {
    if (IsEmpty(target) || IsEmpty(name) || !FileExists(target)) return FALSE;
    const std::wstring group = ProgramsGroupPath();
    if (group.empty()) return FALSE;
    ::CreateDirectoryW(group.c_str(), nullptr);
    return WriteShellLink(LinkPath(group, name).c_str(), target, nullptr, arguments);
}

BOOL DeleteProgramsShortcut(const wchar_t* name) {
    if (IsEmpty(name)) return FALSE;
    const std::wstring group = ProgramsGroupPath();
    if (group.empty()) return FALSE;
    return ::DeleteFileW(LinkPath(group, name).c_str());
}

#include "app/folder_rights.h"

#include "framework/handles.h"

#include <windows.h>

#include <aclapi.h>

#include <array>
#include <vector>

namespace {

// Grants a privilege of the process token for one scope, restoring what was
// there before.
class PrivilegeScope {
public:
    explicit PrivilegeScope(const wchar_t* name) {
        HANDLE raw = nullptr;
        if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw)) return;
        token_.reset(raw);
        TOKEN_PRIVILEGES wanted{};
        wanted.PrivilegeCount = 1;
        wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        if (!::LookupPrivilegeValueW(nullptr, name, &wanted.Privileges[0].Luid)) return;
        DWORD size = sizeof previous_;
        adjusted_ = ::AdjustTokenPrivileges(token_.get(), FALSE, &wanted, sizeof previous_, &previous_, &size) &&
                    ::GetLastError() == ERROR_SUCCESS;
    }
    ~PrivilegeScope() {
        if (adjusted_) ::AdjustTokenPrivileges(token_.get(), FALSE, &previous_, 0, nullptr, nullptr);
    }
    PrivilegeScope(const PrivilegeScope&) = delete;
    PrivilegeScope& operator=(const PrivilegeScope&) = delete;

private:
    fw::UniqueHandle token_;
    TOKEN_PRIVILEGES previous_{};
    bool adjusted_ = false;
};

struct Sid {
    std::array<BYTE, SECURITY_MAX_SID_SIZE> bytes{};
    bool ok = false;
    explicit Sid(WELL_KNOWN_SID_TYPE type) {
        DWORD size = static_cast<DWORD>(bytes.size());
        ok = ::CreateWellKnownSid(type, nullptr, bytes.data(), &size) != FALSE;
    }
    PSID get() { return bytes.data(); }
};

// The entry itself, never what a link at its path points to. Backup
// semantics open folders; with the restore privilege they also give the
// rights to change owner and DACL that the entry's present DACL may refuse.
fw::UniqueFile OpenEntry(const std::wstring& path, DWORD access, DWORD share) {
    return fw::UniqueFile(::CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

constexpr DWORD kSecurityAccess = READ_CONTROL | WRITE_DAC | WRITE_OWNER;

bool SetAdministratorsRights(HANDLE entry, bool folder) {
    std::vector<BYTE> dacl = AdministratorsDacl(folder);
    if (dacl.empty()) return false;
    auto* acl = reinterpret_cast<ACL*>(dacl.data());
    Sid admins(WinBuiltinAdministratorsSid);
    const SECURITY_INFORMATION what = DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION;
    if (::SetSecurityInfo(entry, SE_FILE_OBJECT, what | OWNER_SECURITY_INFORMATION, admins.get(), nullptr, acl,
                          nullptr) == ERROR_SUCCESS)
        return true;
    // A system that will not make Administrators the owner still takes the
    // DACL, which is what keeps other users out.
    return ::SetSecurityInfo(entry, SE_FILE_OBJECT, what, nullptr, nullptr, acl, nullptr) == ERROR_SUCCESS;
}

// listed: the attributes a folder listing shows for the entry. Wine opens what
// a Linux symbolic link points to even when asked for the link itself, and
// only its listing tells the link.
bool IsLink(const BY_HANDLE_FILE_INFORMATION& info, DWORD listed) {
    return ((info.dwFileAttributes | listed) & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
           (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && info.nNumberOfLinks > 1);
}

DWORD ListedAttributes(const std::wstring& path) {
    WIN32_FIND_DATAW item{};
    fw::UniqueFind find(::FindFirstFileW(path.c_str(), &item));
    return find ? item.dwFileAttributes : 0;
}

void RemoveEntry(const std::wstring& path, DWORD attributes) {
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    // Removing a folder link removes the link, not the folder it points to.
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        ::RemoveDirectoryW(path.c_str());
    else
        ::DeleteFileW(path.c_str());
}

// Deep enough for anything the launcher keeps; a deeper tree was not made by it.
constexpr int kMaxDepth = 8;

void SecureContents(const std::wstring& folder, int depth) {
    WIN32_FIND_DATAW item{};
    fw::UniqueFind find(::FindFirstFileW((folder + L"\\*").c_str(), &item));
    if (!find) return;
    do {
        const std::wstring name = item.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring path = folder + L"\\" + name;
        fw::UniqueFile entry = OpenEntry(path, kSecurityAccess, kShareAll);
        BY_HANDLE_FILE_INFORMATION info{};
        if (!entry || !::GetFileInformationByHandle(entry.get(), &info)) continue;
        if (IsLink(info, item.dwFileAttributes)) {
            entry.reset();
            RemoveEntry(path, info.dwFileAttributes | item.dwFileAttributes);
            continue;
        }
        const bool isFolder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        SetAdministratorsRights(entry.get(), isFolder);
        entry.reset();
        if (isFolder && depth < kMaxDepth) SecureContents(path, depth + 1);
    } while (::FindNextFileW(find.get(), &item));
}

// The folder at path, opened for its rights; a link at the path is replaced
// by a new real folder first.
fw::UniqueFile OpenRealFolder(const std::wstring& path) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        ::CreateDirectoryW(path.c_str(), nullptr);
        // Not shared for deletion: nobody can rename it away while it is open.
        fw::UniqueFile folder = OpenEntry(path, kSecurityAccess, FILE_SHARE_READ | FILE_SHARE_WRITE);
        BY_HANDLE_FILE_INFORMATION info{};
        if (!folder || !::GetFileInformationByHandle(folder.get(), &info)) return {};
        const DWORD attributes = info.dwFileAttributes | ListedAttributes(path);
        if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? std::move(folder) : fw::UniqueFile();
        folder.reset();
        RemoveEntry(path, attributes);
    }
    return {};
}

}  // namespace

std::vector<BYTE> AdministratorsDacl(bool inherit) {
    Sid admins(WinBuiltinAdministratorsSid), system(WinLocalSystemSid), users(WinBuiltinUsersSid);
    if (!admins.ok || !system.ok || !users.ok) return {};
    const DWORD aceSize = sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + SECURITY_MAX_SID_SIZE;
    std::vector<BYTE> buffer(sizeof(ACL) + 3 * aceSize);
    auto* acl = reinterpret_cast<ACL*>(buffer.data());
    const DWORD flags = inherit ? OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE : 0;
    if (!::InitializeAcl(acl, static_cast<DWORD>(buffer.size()), ACL_REVISION) ||
        !::AddAccessAllowedAceEx(acl, ACL_REVISION, flags, FILE_ALL_ACCESS, admins.get()) ||
        !::AddAccessAllowedAceEx(acl, ACL_REVISION, flags, FILE_ALL_ACCESS, system.get()) ||
        !::AddAccessAllowedAceEx(acl, ACL_REVISION, flags, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE, users.get()))
        return {};
    return buffer;
}

bool MakeAdministratorsFolder(const std::wstring& folder) {
    PrivilegeScope takeOwnership(SE_TAKE_OWNERSHIP_NAME);
    PrivilegeScope restore(SE_RESTORE_NAME);
    fw::UniqueFile handle = OpenRealFolder(folder);
    // The handle stays open until what lies inside has its rights too: the
    // folder cannot be swapped for another under the path meanwhile.
    if (!handle || !SetAdministratorsRights(handle.get(), true)) return false;
    SecureContents(folder, 0);
    return true;
}

bool MakeAdministratorsFile(const std::wstring& path) {
    fw::UniqueFile entry = OpenEntry(path, kSecurityAccess, kShareAll);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!entry || !::GetFileInformationByHandle(entry.get(), &info) || IsLink(info, ListedAttributes(path)))
        return false;
    return SetAdministratorsRights(entry.get(), false);
}

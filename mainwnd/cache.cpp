#include "mainwnd/cache.h"

#include "framework/handles.h"

#include <shlobj.h>
#include <wininet.h>
#include <winternl.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr wchar_t kCacheSettingsKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\5.0\\Cache\\Content";
constexpr DWORD kCacheLimit = 0x100000;

struct UrlCacheFindTraits {
    static HANDLE invalid() { return nullptr; }
    static void close(HANDLE h) { ::FindCloseUrlCache(h); }
};
using UniqueUrlCacheFind = fw::Unique<HANDLE, UrlCacheFindTraits>;

// A URL cache entry is a header followed by its strings; the buffer is sized
// from what the system asks for, and twice that, as entries may grow between
// asking and reading.
class EntryBuffer {
public:
    INTERNET_CACHE_ENTRY_INFOW* get() { return reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(bytes_.data()); }
    DWORD* size() { return &size_; }
    // After an ERROR_INSUFFICIENT_BUFFER answer, size() holds what is needed.
    void Grow() {
        bytes_.assign(static_cast<std::size_t>(size_) * 2, 0);
        size_ = static_cast<DWORD>(bytes_.size());
    }

private:
    std::vector<BYTE> bytes_;
    DWORD size_ = 0;
};

// One entry: a cookie stays (logged-in sessions of the game pages depend on
// it); anything else is deleted by its source address.
void DeleteUnlessCookie(const INTERNET_CACHE_ENTRY_INFOW& entry) {
    if ((entry.CacheEntryType & COOKIE_CACHE_ENTRY) == 0 && entry.lpszSourceUrlName) {
        ::DeleteUrlCacheEntryW(entry.lpszSourceUrlName);
    }
}

void DeleteUrlCacheEntries() {
    EntryBuffer buffer;
    ::FindFirstUrlCacheEntryW(nullptr, nullptr, buffer.size());
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) return;
    buffer.Grow();
    UniqueUrlCacheFind find(::FindFirstUrlCacheEntryW(nullptr, buffer.get(), buffer.size()));
    if (!find) return;
    for (;;) {
        DeleteUnlessCookie(*buffer.get());
        DWORD needed = 0;
        if (::FindNextUrlCacheEntryW(find.get(), nullptr, &needed) ||
            ::GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
            return;
        }
        *buffer.size() = needed;
        buffer.Grow();
        if (!::FindNextUrlCacheEntryW(find.get(), buffer.get(), buffer.size())) return;
    }
}

// ---- the folder tree, walked by handles
//
// The launcher runs elevated and the cache folder belongs to the user: any
// process of the user may swap a folder of the tree for a link between the
// moment it is listed and the moment it is deleted. So no path is opened
// twice. The root is opened once; every entry is opened relative to its
// opened folder, with links not followed, checked on its own handle, and
// deleted through that handle. A link is deleted as a link and never entered.

constexpr ULONG kFileOpen = 1;                       // NtCreateFile: open an existing entry
constexpr ULONG kOpenReparsePoint = 0x00200000;      // the link itself, not what it names
constexpr ULONG kOpenForBackupIntent = 0x00004000;
constexpr ULONG kSynchronousIo = 0x00000020;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kEntryAccess = DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE;
// Deeper trees are not the browser's; what lies below is left.
constexpr int kMaxDepth = 64;

std::function<void(std::wstring_view)>& Probe() {
    static std::function<void(std::wstring_view)> probe;
    return probe;
}

struct ListedEntry {
    std::wstring name;
    DWORD attributes = 0;
    LONGLONG id = 0;
};

// The entries of an opened folder, "." and ".." left out.
std::vector<ListedEntry> ListFolder(HANDLE folder) {
    std::vector<ListedEntry> entries;
    std::vector<BYTE> buffer(64 * 1024);
    FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;
    while (::GetFileInformationByHandleEx(folder, kind, buffer.data(), static_cast<DWORD>(buffer.size()))) {
        kind = FileIdBothDirectoryInfo;
        for (std::size_t at = 0;;) {
            const auto* item = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer.data() + at);
            std::wstring name(item->FileName, item->FileNameLength / sizeof(wchar_t));
            if (name != L"." && name != L"..")
                entries.push_back({std::move(name), item->FileAttributes, item->FileId.QuadPart});
            if (item->NextEntryOffset == 0) break;
            at += item->NextEntryOffset;
        }
    }
    return entries;
}

// The entry name inside the opened folder, itself (a link is not followed).
fw::UniqueFile OpenInside(HANDLE folder, const std::wstring& name, bool listedAsFolder, DWORD* error) {
    UNICODE_STRING objectName{};
    objectName.Buffer = const_cast<wchar_t*>(name.c_str());
    objectName.Length = objectName.MaximumLength = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    OBJECT_ATTRIBUTES attributes{};
    attributes.Length = sizeof attributes;
    attributes.RootDirectory = folder;
    attributes.ObjectName = &objectName;
    attributes.Attributes = OBJ_CASE_INSENSITIVE;
    IO_STATUS_BLOCK io{};
    HANDLE opened = nullptr;
    const ACCESS_MASK access = kEntryAccess | (listedAsFolder ? FILE_LIST_DIRECTORY : 0);
    const NTSTATUS status = ::NtCreateFile(&opened, access, &attributes, &io, nullptr, 0, kShareAll, kFileOpen,
                                           kOpenReparsePoint | kOpenForBackupIntent | kSynchronousIo, nullptr, 0);
    if (status < 0) {
        *error = ::RtlNtStatusToDosError(status);
        return {};
    }
    return fw::UniqueFile(opened);
}

std::wstring FinalPath(HANDLE entry) {
    // Long enough for any path; Wine does not say how much a longer one needs.
    std::vector<wchar_t> path(32768);
    const DWORD len =
        ::GetFinalPathNameByHandleW(entry, path.data(), static_cast<DWORD>(path.size()), FILE_NAME_NORMALIZED);
    if (len == 0 || len >= path.size()) return {};
    std::wstring text(path.data(), len);
    constexpr std::wstring_view kLongPrefix = L"\\\\?\\";
    if (text.compare(0, kLongPrefix.size(), kLongPrefix) == 0) text.erase(0, kLongPrefix.size());
    while (!text.empty() && text.back() == L'\\') text.pop_back();
    return text;
}

bool SameText(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                  TRUE) == CSTR_EQUAL;
}

DWORD DeleteThroughHandle(HANDLE entry) {
    FILE_DISPOSITION_INFO disposition{TRUE};
    return ::SetFileInformationByHandle(entry, FileDispositionInfo, &disposition, sizeof disposition)
               ? ERROR_SUCCESS
               : ::GetLastError();
}

// A read-only file refuses deletion until the attribute is off.
DWORD DeleteFileThroughHandle(HANDLE file, DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        FILE_BASIC_INFO basic{};
        if (::GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic)) {
            basic.FileAttributes = (attributes & ~FILE_ATTRIBUTE_READONLY) | FILE_ATTRIBUTE_NORMAL;
            ::SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic);
        }
    }
    return DeleteThroughHandle(file);
}

DWORD DeleteEntry(HANDLE folder, const std::wstring& folderPath, const ListedEntry& listed, int depth);

// Deletes what lies in the opened folder; the last error among its files, or
// ERROR_SUCCESS. What cannot be deleted in subfolders only shows in their own
// removal, which then fails.
DWORD DeleteContents(HANDLE folder, int depth) {
    const std::wstring folderPath = FinalPath(folder);
    if (folderPath.empty()) return ::GetLastError();
    DWORD fileError = ERROR_SUCCESS;
    for (const ListedEntry& listed : ListFolder(folder)) {
        if (Probe()) Probe()(listed.name);
        if (const DWORD error = DeleteEntry(folder, folderPath, listed, depth); error != ERROR_SUCCESS)
            fileError = error;
    }
    return fileError;
}

DWORD DeleteEntry(HANDLE folder, const std::wstring& folderPath, const ListedEntry& listed, int depth) {
    DWORD error = ERROR_SUCCESS;
    fw::UniqueFile entry = OpenInside(folder, listed.name, (listed.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0, &error);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!entry) return error;
    if (!::GetFileInformationByHandle(entry.get(), &info)) return ::GetLastError();
    // Opened as itself, a link says so on its handle: it goes as a link.
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return DeleteThroughHandle(entry.get());
    // Otherwise the handle must be the very entry that was listed, at its place.
    // Wine follows a Linux link even when asked for the link itself; there
    // only the place that the handle names tells that it went elsewhere. (Wine
    // cannot name a place longer than 259 characters: such entries are left.)
    const LONGLONG id = (static_cast<LONGLONG>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    if (id != listed.id || (listed.attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        !SameText(FinalPath(entry.get()), folderPath + L'\\' + listed.name)) {
        return ERROR_CANT_ACCESS_FILE;
    }
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return DeleteFileThroughHandle(entry.get(), info.dwFileAttributes);
    if (depth + 1 >= kMaxDepth) return ERROR_CANT_ACCESS_FILE;
    DeleteContents(entry.get(), depth + 1);  // its files' errors stay inside, as the folder does
    DeleteThroughHandle(entry.get());
    return ERROR_SUCCESS;
}

// What a listing of the folder that holds path shows of it. Wine opens what a
// Linux link names even when asked for the link; only its listing tells.
DWORD ListedAttributes(const wchar_t* path) {
    std::wstring entry = path;
    while (entry.size() > 3 && entry.back() == L'\\') entry.pop_back();
    WIN32_FIND_DATAW item{};
    fw::UniqueFind find(::FindFirstFileW(entry.c_str(), &item));
    return find ? item.dwFileAttributes : 0;
}

// The tree's root, itself: a folder and no link, or nothing.
fw::UniqueFile OpenTreeRoot(const wchar_t* path) {
    fw::UniqueFile root(::CreateFileW(path, kEntryAccess | FILE_LIST_DIRECTORY, kShareAll, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!root || !::GetFileInformationByHandle(root.get(), &info)) return {};
    const DWORD attributes = info.dwFileAttributes | (ListedAttributes(path) & FILE_ATTRIBUTE_REPARSE_POINT);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        ::SetLastError(ERROR_DIRECTORY);
        return {};
    }
    return root;
}

// Everything inside the opened root, then the root itself.
BOOL DeleteTreeAt(HANDLE root) {
    const DWORD fileError = DeleteContents(root, 0);
    const DWORD rootError = DeleteThroughHandle(root);
    if (fileError != ERROR_SUCCESS) {
        ::SetLastError(fileError);
        return FALSE;
    }
    ::SetLastError(rootError);
    return rootError == ERROR_SUCCESS;
}

// The folder at path, links on the way followed, as the system names it.
std::wstring ResolvedFolderPath(const wchar_t* path) {
    fw::UniqueFile folder(::CreateFileW(path, FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return folder ? FinalPath(folder.get()) : std::wstring();
}

// The cache folder's place comes from the user's own registry values, which
// the user can point anywhere without administrator rights, and any folder on
// the way can be a link. The launcher clears it with administrator rights, so
// the tree is deleted only when the opened folder really lies inside the
// user's own profile folder (whose place only administrators set).
bool IsInsideUserProfile(HANDLE folder) {
    wchar_t profile[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_CURRENT, profile))) return false;
    const std::wstring root = ResolvedFolderPath(profile);
    const std::wstring inner = FinalPath(folder);
    if (root.empty() || inner.size() <= root.size() + 1 || inner[root.size()] != L'\\') return false;
    return ::CompareStringOrdinal(inner.c_str(), static_cast<int>(root.size()), root.c_str(),
                                  static_cast<int>(root.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

void SetFolderTreeProbe(std::function<void(std::wstring_view name)> probe) { Probe() = std::move(probe); }

BOOL DeleteFolderTree(const wchar_t* path) {
    if (!path || !*path) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    fw::UniqueFile root = OpenTreeRoot(path);
    return root ? DeleteTreeAt(root.get()) : FALSE;
}

BOOL ClearBrowserCache() {
    DeleteUrlCacheEntries();
    wchar_t folder[MAX_PATH] = {};
    if (!::SHGetSpecialFolderPathW(nullptr, folder, CSIDL_INTERNET_CACHE, FALSE)) return FALSE;
    fw::UniqueFile root = OpenTreeRoot(folder);
    if (!root) return FALSE;
    if (!IsInsideUserProfile(root.get())) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return DeleteTreeAt(root.get());
}

namespace {

DWORD WINAPI ClearBrowserCacheThread(void*) { return static_cast<DWORD>(ClearBrowserCache()); }

}  // namespace

BOOL StartClearBrowserCache() {
    // Nobody waits for the clearing; the handle is closed at once.
    fw::UniqueHandle thread(::CreateThread(nullptr, 0, ClearBrowserCacheThread, nullptr, 0, nullptr));
    return thread ? TRUE : FALSE;
}

BOOL SetCacheLimit() {
    HKEY opened = nullptr;
    // Opened, never created: without the browser's own key there is nothing to limit.
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kCacheSettingsKey, 0, KEY_ALL_ACCESS, &opened) != ERROR_SUCCESS) {
        return FALSE;
    }
    fw::UniqueRegKey key(opened);
    const DWORD limit = kCacheLimit;
    return ::RegSetValueExW(key.get(), L"CacheLimit", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&limit),
                            sizeof limit) == ERROR_SUCCESS;
}

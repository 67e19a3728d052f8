#include "mainwnd/cache.h"

#include "framework/handles.h"

#include <shlobj.h>
#include <wininet.h>

#include <string>
#include <string_view>
#include <vector>

namespace {

// Every path handled here fits a 260-character buffer with its terminator.
constexpr std::size_t kMaxPathChars = MAX_PATH - 1;

constexpr wchar_t kCacheSettingsKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\5.0\\Cache\\Content";
constexpr DWORD kCacheLimit = 0x100000;

struct UrlCacheFindTraits {
    static HANDLE invalid() { return nullptr; }
    static void close(HANDLE h) { ::FindCloseUrlCache(h); }
};
using UniqueUrlCacheFind = fw::Unique<HANDLE, UrlCacheFindTraits>;

struct FileFindTraits {
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { ::FindClose(h); }
};
using UniqueFileFind = fw::Unique<HANDLE, FileFindTraits>;

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

bool IsDotOrDotDot(const wchar_t* name) {
    return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
}

// A folder link (junction or symbolic link) is removed itself; what it points
// to lies outside the tree and is never entered.
bool IsFolderLink(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

DWORD DeleteOneFile(const std::wstring& path, DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        ::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    return ::DeleteFileW(path.c_str()) ? ERROR_SUCCESS : ::GetLastError();
}

// The folder's path with every link on the way resolved, or empty when it
// cannot be opened.
std::wstring ResolvedFolderPath(const wchar_t* path) {
    fw::UniqueFile folder(::CreateFileW(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder) return {};
    wchar_t resolved[MAX_PATH + 8] = {};
    const DWORD len = ::GetFinalPathNameByHandleW(folder.get(), resolved, MAX_PATH + 8, FILE_NAME_NORMALIZED);
    if (len == 0 || len >= MAX_PATH + 8) return {};
    std::wstring text(resolved, len);
    constexpr std::wstring_view kLongPrefix = L"\\\\?\\";
    if (text.compare(0, kLongPrefix.size(), kLongPrefix) == 0) text.erase(0, kLongPrefix.size());
    while (!text.empty() && text.back() == L'\\') text.pop_back();
    return text;
}

// The cache folder's place comes from the user's own registry values, which
// the user can point anywhere without administrator rights, and any folder on
// the way can be a link. The launcher clears it with administrator rights, so
// the tree is deleted only when the folder really lies inside the user's own
// profile folder (whose place only administrators set).
bool IsInsideUserProfile(const wchar_t* folder) {
    wchar_t profile[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_CURRENT, profile))) return false;
    const std::wstring root = ResolvedFolderPath(profile);
    const std::wstring inner = ResolvedFolderPath(folder);
    if (root.empty() || inner.size() <= root.size() + 1 || inner[root.size()] != L'\\') return false;
    return ::CompareStringOrdinal(inner.c_str(), static_cast<int>(root.size()), root.c_str(),
                                  static_cast<int>(root.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

BOOL DeleteFolderTree(const wchar_t* path) {
    if (!path) return FALSE;
    std::wstring dir = path;
    if (dir.empty() || dir.back() != L'\\') dir += L'\\';

    WIN32_FIND_DATAW item{};
    UniqueFileFind find;
    if (dir.size() + 1 <= kMaxPathChars) find.reset(::FindFirstFileW((dir + L'*').c_str(), &item));
    if (!find) return ::RemoveDirectoryW(path);

    DWORD fileError = ERROR_SUCCESS;  // the last failure among the files
    do {
        if (IsDotOrDotDot(item.cFileName)) continue;
        const std::wstring child = dir + item.cFileName;
        if (child.size() > kMaxPathChars) {
            // Cutting the path would name something else: leave this one.
            fileError = ERROR_FILENAME_EXCED_RANGE;
        } else if (IsFolderLink(item.dwFileAttributes)) {
            if (!::RemoveDirectoryW(child.c_str())) fileError = ::GetLastError();
        } else if (item.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            DeleteFolderTree(child.c_str());
        } else if (const DWORD error = DeleteOneFile(child, item.dwFileAttributes); error != ERROR_SUCCESS) {
            fileError = error;
        }
    } while (::FindNextFileW(find.get(), &item));
    find.reset();

    const BOOL removed = ::RemoveDirectoryW(path);
    if (fileError != ERROR_SUCCESS) {
        ::SetLastError(fileError);
        return FALSE;
    }
    return removed;
}

BOOL ClearBrowserCache() {
    DeleteUrlCacheEntries();
    wchar_t folder[MAX_PATH] = {};
    if (!::SHGetSpecialFolderPathW(nullptr, folder, CSIDL_INTERNET_CACHE, FALSE)) return FALSE;
    if (!IsInsideUserProfile(folder)) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return DeleteFolderTree(folder);
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

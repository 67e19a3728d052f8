// Browser cache clearing on the prefix's real URL cache and cache folder, the
// folder deletion on its own, and the cache limit value.
#include "mainwnd/cache.h"
#include "test_util.h"

#include <gtest/gtest.h>

#include <shlobj.h>
#include <shlwapi.h>
#include <wininet.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::wstring CacheFolder() {
    wchar_t path[MAX_PATH] = {};
    ::SHGetSpecialFolderPathW(nullptr, path, CSIDL_INTERNET_CACHE, TRUE);
    return path;
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void WriteText(const std::wstring& path, const char* text = "x") {
    std::ofstream(path.c_str(), std::ios::binary) << text;
}

// An entry made the way the browser makes them: a file from the cache, committed.
bool AddUrlEntry(const std::wstring& url, DWORD type) {
    wchar_t file[MAX_PATH] = {};
    if (!::CreateUrlCacheEntryW(url.c_str(), 0, L"txt", file, 0)) return false;
    WriteText(file, "cached");
    FILETIME none{};
    return ::CommitUrlCacheEntryW(url.c_str(), file, none, none, type, nullptr, 0, nullptr, nullptr) != FALSE;
}

bool HasUrlEntry(const std::wstring& url) {
    DWORD size = 0;
    ::GetUrlCacheEntryInfoW(url.c_str(), nullptr, &size);
    return ::GetLastError() == ERROR_INSUFFICIENT_BUFFER;
}

std::vector<std::wstring> EnumeratedUrls() {
    std::vector<std::wstring> urls;
    std::vector<BYTE> buffer(64 * 1024);
    auto* entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buffer.data());
    DWORD size = static_cast<DWORD>(buffer.size());
    HANDLE find = ::FindFirstUrlCacheEntryW(nullptr, entry, &size);
    if (!find) return urls;
    do {
        urls.push_back(entry->lpszSourceUrlName);
        size = static_cast<DWORD>(buffer.size());
    } while (::FindNextUrlCacheEntryW(find, entry, &size));
    ::FindCloseUrlCache(find);
    return urls;
}

TEST(Cache, ClearingKeepsCookiesAndDeletesTheRestButNothingBehindALink) {
    const std::wstring cache = CacheFolder();
    ASSERT_FALSE(cache.empty());
    const std::wstring pages[] = {L"http://127.0.0.1/s/wd/game.js", L"http://127.0.0.1/s/wd/face.png"};
    const std::wstring cookie = L"Cookie:player@127.0.0.1/";
    for (const auto& url : pages) ASSERT_TRUE(AddUrlEntry(url, NORMAL_CACHE_ENTRY));
    ASSERT_TRUE(AddUrlEntry(cookie, COOKIE_CACHE_ENTRY));
    const auto listed = EnumeratedUrls();
    ASSERT_NE(std::find(listed.begin(), listed.end(), cookie), listed.end())
        << "the cookie must be among the enumerated entries for the test to mean anything";

    const std::wstring readOnly = cache + L"\\readonly.txt";
    WriteText(readOnly);
    ASSERT_TRUE(::SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(::CreateDirectoryW((cache + L"\\nested").c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW((cache + L"\\nested\\deeper").c_str(), nullptr));
    WriteText(cache + L"\\nested\\deeper\\file.txt");
    const std::wstring outside = L"C:\\xcjy_outside_cache";
    ::CreateDirectoryW(outside.c_str(), nullptr);
    WriteText(outside + L"\\keep.txt");
    ASSERT_TRUE(testutil::MakeFolderLink(cache + L"\\link", outside));

    ClearBrowserCache();

    for (const auto& url : pages) EXPECT_FALSE(HasUrlEntry(url)) << url;
    EXPECT_TRUE(HasUrlEntry(cookie)) << "cookies stay, so logged-in pages stay logged in";
    EXPECT_FALSE(Exists(readOnly));
    EXPECT_FALSE(Exists(cache + L"\\nested"));
    EXPECT_TRUE(Exists(outside + L"\\keep.txt")) << "nothing behind a folder link is deleted";
}

TEST(Cache, AnEmptyCacheStillHasItsFolderCleared) {
    for (const auto& url : EnumeratedUrls()) ::DeleteUrlCacheEntryW(url.c_str());
    ASSERT_TRUE(EnumeratedUrls().empty());
    const std::wstring leftover = CacheFolder() + L"\\leftover.txt";
    WriteText(leftover);

    ClearBrowserCache();
    EXPECT_FALSE(Exists(leftover));
}

// The user's "Cache" shell folder value, pointed elsewhere for one test and
// put back (or removed, when there was none) afterwards.
class CacheFolderValue {
public:
    explicit CacheFolderValue(const std::wstring& path) {
        ::RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
        wchar_t old[MAX_PATH] = {};
        DWORD size = sizeof old, type = 0;
        had_ = ::RegQueryValueExW(key_, L"Cache", nullptr, &type, reinterpret_cast<BYTE*>(old), &size) ==
               ERROR_SUCCESS;
        old_ = old;
        Set(path);
    }
    ~CacheFolderValue() {
        if (had_) Set(old_);
        else ::RegDeleteValueW(key_, L"Cache");
        ::RegCloseKey(key_);
    }

private:
    static constexpr wchar_t kKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    void Set(const std::wstring& path) {
        ::RegSetValueExW(key_, L"Cache", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                         static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
    }
    HKEY key_ = nullptr;
    bool had_ = false;
    std::wstring old_;
};

// The cache folder's place is the user's to choose; clearing it runs with
// administrator rights, so a place outside the user's profile, also one that a
// link inside the profile leads to, is never cleared.
TEST(Cache, ACacheFolderOutsideTheProfileIsNotCleared) {
    const std::wstring victim = L"C:\\xcjy_not_a_cache";
    ::CreateDirectoryW(victim.c_str(), nullptr);
    WriteText(victim + L"\\system.dll");
    wchar_t profile[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_PROFILE, nullptr, SHGFP_TYPE_CURRENT, profile)));
    const std::wstring linkInProfile = std::wstring(profile) + L"\\xcjy_cache_link";
    ASSERT_TRUE(testutil::MakeFolderLink(linkInProfile, victim));
    for (const std::wstring& place : {victim, linkInProfile, std::wstring(profile)}) {
        CacheFolderValue value(place);
        ASSERT_EQ(CacheFolder(), place) << "the test must move the cache folder";
        EXPECT_FALSE(ClearBrowserCache()) << place;
        EXPECT_TRUE(Exists(victim + L"\\system.dll")) << place;
    }
    testutil::RemoveFolderLink(linkInProfile);
    EXPECT_TRUE(Exists(CacheFolder())) << "the real cache folder is back";
}

// A new folder under the temporary folder (the prefix is the run's own, so
// what a case leaves behind goes with it).
class ScratchFolder {
public:
    explicit ScratchFolder(const wchar_t* name) {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        path_ = std::wstring(temp) + name + std::to_wstring(::GetCurrentProcessId());
        ::SHCreateDirectoryExW(nullptr, path_.c_str(), nullptr);
    }
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
};

TEST(Cache, DeleteFolderTreeDeletesEverythingOrSaysWhyNot) {
    {
        ScratchFolder tree(L"xcjy_tree_all");
        WriteText(tree.path() + L"\\a.txt");
        WriteText(tree.path() + L"\\ro.txt");
        ::SetFileAttributesW((tree.path() + L"\\ro.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
        ::CreateDirectoryW((tree.path() + L"\\sub").c_str(), nullptr);
        WriteText(tree.path() + L"\\sub\\b.txt");
        EXPECT_TRUE(DeleteFolderTree((tree.path() + L"\\").c_str()));
        EXPECT_FALSE(Exists(tree.path()));
    }
    {
        ::SetLastError(0);
        EXPECT_FALSE(DeleteFolderTree(L"C:\\xcjy_no_such_folder"));
        EXPECT_NE(::GetLastError(), 0u);
    }
    {
        // A file held open without delete sharing stays; its error is the answer.
        ScratchFolder tree(L"xcjy_tree_busy");
        WriteText(tree.path() + L"\\a.txt");
        const std::wstring busy = tree.path() + L"\\busy.txt";
        WriteText(busy);
        fw::UniqueHandle held(::CreateFileW(busy.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                            nullptr));
        ASSERT_NE(held.get(), INVALID_HANDLE_VALUE);
        EXPECT_FALSE(DeleteFolderTree(tree.path().c_str()));
        EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        EXPECT_FALSE(Exists(tree.path() + L"\\a.txt"));
        EXPECT_TRUE(Exists(busy));
    }
    {
        // Going down by handles, a path longer than 259 characters is no
        // obstacle on Windows; Wine cannot name such a path from its handle,
        // and an entry whose place cannot be checked is left. Either way the
        // answer tells which.
        ScratchFolder tree(L"xcjy_tree_long");
        const std::wstring sub = tree.path() + L"\\" + std::wstring(250 - tree.path().size(), L's');
        const std::wstring longFile = sub + L"\\" + std::wstring(30, L'f') + L".txt";
        ASSERT_TRUE(::CreateDirectoryW((L"\\\\?\\" + sub).c_str(), nullptr));
        WriteText(L"\\\\?\\" + longFile);
        WriteText(tree.path() + L"\\short.txt");
        ASSERT_TRUE(Exists(L"\\\\?\\" + longFile));
        const BOOL deleted = DeleteFolderTree(tree.path().c_str());
        EXPECT_EQ(deleted != FALSE, !Exists(L"\\\\?\\" + longFile));
        EXPECT_EQ(deleted != FALSE, !Exists(tree.path()));
        EXPECT_FALSE(Exists(tree.path() + L"\\short.txt"));
    }
    {
        // A root that is a link is refused, and nothing behind it goes.
        const std::wstring behind = L"C:\\xcjy_behind_root_link";
        ::CreateDirectoryW(behind.c_str(), nullptr);
        WriteText(behind + L"\\keep.txt");
        ScratchFolder parent(L"xcjy_tree_rootlink");
        const std::wstring link = parent.path() + L"\\link";
        ASSERT_TRUE(testutil::MakeFolderLink(link, behind));
        EXPECT_FALSE(DeleteFolderTree(link.c_str()));
        EXPECT_TRUE(Exists(behind + L"\\keep.txt"));
        EXPECT_TRUE(testutil::RemoveFolderLink(link));
    }
}

bool ListedAsLink(const std::wstring& path) {
    WIN32_FIND_DATAW item{};
    fw::UniqueFind find(::FindFirstFileW(path.c_str(), &item));
    return find && (item.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Another process of the user swaps a folder of the tree for a link after its
// folder was listed and before it is deleted: the link is removed or left, and
// nothing behind it is deleted, whether it leads to an unrelated folder or to
// the swapped folder itself, moved out of the tree.
TEST(Cache, AFolderSwappedForALinkBetweenListingAndDeletionIsNotFollowed) {
    for (const bool toMovedFolder : {false, true}) {
        SCOPED_TRACE(toMovedFolder ? "link to the moved folder" : "link to another folder");
        ScratchFolder tree(toMovedFolder ? L"xcjy_swap_moved" : L"xcjy_swap_other");
        const std::wstring swapped = tree.path() + L"\\swapped";
        ASSERT_TRUE(::CreateDirectoryW(swapped.c_str(), nullptr));
        WriteText(swapped + L"\\keep.txt");
        WriteText(tree.path() + L"\\plain.txt");
        const std::wstring elsewhere = toMovedFolder ? L"C:\\xcjy_moved_away" : L"C:\\xcjy_behind_link";
        if (!toMovedFolder) {
            ::CreateDirectoryW(elsewhere.c_str(), nullptr);
            WriteText(elsewhere + L"\\keep.txt");
        }
        bool swappedIn = false;
        SetFolderTreeProbe([&](std::wstring_view name) {
            if (name != L"swapped" || swappedIn) return;
            if (toMovedFolder) {
                ::MoveFileW(swapped.c_str(), elsewhere.c_str());
            } else {
                ::DeleteFileW((swapped + L"\\keep.txt").c_str());
                ::RemoveDirectoryW(swapped.c_str());
            }
            // Under Wine the new link is made, but a listing does not show it
            // while the tree's root is open, so MakeFolderLink's own check fails.
            testutil::MakeFolderLink(swapped, elsewhere);
            swappedIn = true;
        });

        DeleteFolderTree(tree.path().c_str());
        SetFolderTreeProbe({});

        EXPECT_TRUE(swappedIn && ListedAsLink(swapped)) << "the probe must have swapped the folder for a link";
        EXPECT_TRUE(Exists(elsewhere + L"\\keep.txt")) << "the file behind the link is still there";
        EXPECT_FALSE(Exists(tree.path() + L"\\plain.txt")) << "the rest of the tree goes";
        EXPECT_TRUE(testutil::RemoveFolderLink(swapped));
        ::DeleteFileW((elsewhere + L"\\keep.txt").c_str());
        ::RemoveDirectoryW(elsewhere.c_str());
    }
}

constexpr wchar_t kContentKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\5.0\\Cache\\Content";

bool ContentKeyExists() {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kContentKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    ::RegCloseKey(key);
    return true;
}

TEST(Cache, CacheLimitIsWrittenOnlyWhereTheKeyExists) {
    ::SHDeleteKeyW(HKEY_CURRENT_USER, kContentKey);
    ASSERT_FALSE(ContentKeyExists());
    EXPECT_FALSE(SetCacheLimit());
    EXPECT_FALSE(ContentKeyExists()) << "the key is never created";

    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kContentKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ::RegCloseKey(key);
    EXPECT_TRUE(SetCacheLimit());
    DWORD value = 0, size = sizeof value, type = 0;
    ASSERT_EQ(::SHGetValueW(HKEY_CURRENT_USER, kContentKey, L"CacheLimit", &type, &value, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(value, 0x100000u);
}

}  // namespace

// The operator's sites: every host name the launcher talks to and the platform's
// domain text, with the production defaults, and the addresses built from them.
//
// Each value can be overridden by a string value under HKEY_LOCAL_MACHINE
// (kSitesKeyPath, 32-bit view), and in no other way. The launcher runs elevated
// and downloads and starts programs from these sites: only a place that only
// administrators can write may redirect it. Environment variables (which an
// elevated process inherits from the user) and files beside the executable do
// not qualify.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace site {

struct OperatorSite {
    std::wstring gameSite;        // host[:port]: root page, ConfigXcjy.htm, XCJY.txt, lobby login page
    std::wstring clientSite;      // platform client site: uninstall survey
    std::wstring paySite;         // recharge page
    std::wstring userSite;        // user-centre page
    std::wstring forumSite;       // game forum
    std::wstring platformDomain;  // the domain text some fetched addresses must contain
};

// The key under HKEY_LOCAL_MACHINE that holds the overrides, beside the
// launcher's own key (which uninstall deletes; this one stays), and its values.
inline constexpr const wchar_t* kSitesKeyPath = L"Software\\岚屿网络\\GameLogin\\Sites";
inline constexpr const wchar_t* kValueGameSite = L"GameSite";
inline constexpr const wchar_t* kValueClientSite = L"ClientSite";
inline constexpr const wchar_t* kValuePaySite = L"PaySite";
inline constexpr const wchar_t* kValueUserSite = L"UserSite";
inline constexpr const wchar_t* kValueForumSite = L"ForumSite";
inline constexpr const wchar_t* kValuePlatformDomain = L"PlatformDomain";

OperatorSite DefaultSite();

// Returns the override of that name, or nothing when there is none.
using OverrideLookup = std::function<std::optional<std::wstring>(const wchar_t* name)>;

// The defaults with every well-formed override applied. A malformed value (not
// host[:port] or not a domain name) is ignored and its name is added to
// `rejected` (comma-separated) so the caller can report it.
OperatorSite SiteWithOverrides(const OverrideLookup& lookup, std::wstring* rejected = nullptr);

// host[:port]: letters, digits, '-' and '.', optional port 1..65535.
bool IsValidHostPort(std::wstring_view text);
// A domain text: letters, digits, '-' and '.', not empty.
bool IsValidDomain(std::wstring_view text);

std::wstring GameRootUrl(const OperatorSite& s);                           // http://game/
std::wstring GameFileUrl(const OperatorSite& s, std::wstring_view file);  // http://game/<file>
std::wstring ConfigFileUrl(const OperatorSite& s);                         // .../ConfigXcjy.htm
std::wstring NoticeFileUrl(const OperatorSite& s);                         // .../XCJY.txt
std::wstring LobbyLoginUrl(const OperatorSite& s);                         // .../s/wd/lobby-login.html
std::wstring RechargeUrl(const OperatorSite& s);
std::wstring UserCentreUrl(const OperatorSite& s);
std::wstring ForumUrl(const OperatorSite& s);
// The uninstall survey without its "&count=" part.
std::wstring SurveyUrl(const OperatorSite& s, std::wstring_view version);

}  // namespace site

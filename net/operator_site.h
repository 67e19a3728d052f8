// The operator's sites: every host name the launcher talks to and the platform's
// domain text, with the production defaults, and the addresses built from them.
//
// Each value can be overridden for a run by an environment variable and in no
// other way: a settings file beside the executable would let anyone who can
// write to that folder redirect an elevated program's update.
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

inline constexpr const wchar_t* kEnvGameSite = L"XCJY_GAME_SITE";
inline constexpr const wchar_t* kEnvClientSite = L"XCJY_CLIENT_SITE";
inline constexpr const wchar_t* kEnvPaySite = L"XCJY_PAY_SITE";
inline constexpr const wchar_t* kEnvUserSite = L"XCJY_USER_SITE";
inline constexpr const wchar_t* kEnvForumSite = L"XCJY_FORUM_SITE";
inline constexpr const wchar_t* kEnvPlatformDomain = L"XCJY_PLATFORM_DOMAIN";

OperatorSite DefaultSite();

// Returns the value of a variable, or nothing when it is not set.
using EnvLookup = std::function<std::optional<std::wstring>(const wchar_t* name)>;

// The defaults with every well-formed override applied. A malformed value (not
// host[:port] or not a domain name) is ignored and its name is added to
// `rejected` (comma-separated) so the caller can report it.
OperatorSite SiteFromEnvironment(const EnvLookup& lookup, std::wstring* rejected = nullptr);

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

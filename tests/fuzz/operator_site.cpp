// The administrator's site overrides: six environment values, each host[:port]
// or a domain text. Whatever they hold, an accepted value must be a plain
// authority that cannot smuggle another host, a path or user information into
// the addresses built from it.
#include "net/operator_site.h"
#include "tests/fuzz/fuzz_input.h"

#include <array>
#include <map>

namespace {

bool IsPlainHostChar(wchar_t c)
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'-' ||
           c == L'.';
}

void CheckAcceptedHostPort(const std::wstring& value)
{
    const std::size_t colon = value.find(L':');
    const std::wstring host = value.substr(0, colon);
    fuzz::Check(!host.empty(), "an accepted host is not empty");
    for (const wchar_t c : host) fuzz::Check(IsPlainHostChar(c), "an accepted host has only name characters");
    if (colon == std::wstring::npos) return;
    const std::wstring port = value.substr(colon + 1);
    fuzz::Check(!port.empty() && port.size() <= 5, "a port has 1 to 5 digits");
    unsigned number = 0;
    for (const wchar_t c : port) {
        fuzz::Check(c >= L'0' && c <= L'9', "a port is digits only");
        number = number * 10 + static_cast<unsigned>(c - L'0');
    }
    fuzz::Check(number >= 1 && number <= 65535, "a port is 1..65535");
}

// The authority of an address built from the site: between "http(s)://" and
// the first '/'.
std::wstring AuthorityOf(const std::wstring& url)
{
    const std::size_t start = url.find(L"://");
    fuzz::Check(start != std::wstring::npos, "a built address has a scheme");
    const std::size_t end = url.find(L'/', start + 3);
    fuzz::Check(end != std::wstring::npos, "a built address has a path");
    return url.substr(start + 3, end - start - 3);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // One value per line, in the order below; a missing line is an absent override.
    static constexpr std::array kNames{site::kValueGameSite, site::kValueClientSite, site::kValuePaySite,
                                       site::kValueUserSite, site::kValueForumSite, site::kValuePlatformDomain};
    std::map<std::wstring, std::wstring> env;
    const auto lines = fuzz::SplitBytes(data, size, '\n');
    for (std::size_t i = 0; i < kNames.size() && i < lines.size(); ++i)
        env[kNames[i]] = fuzz::WideFromBytes(lines[i]);

    std::wstring rejected;
    const site::OperatorSite s = site::SiteWithOverrides(
        [&](const wchar_t* name) -> std::optional<std::wstring> {
            const auto it = env.find(name);
            if (it == env.end()) return std::nullopt;
            return it->second;
        },
        &rejected);
    const site::OperatorSite defaults = site::DefaultSite();

    const std::array<std::pair<const std::wstring*, const std::wstring*>, 6> fields{{
        {&s.gameSite, &defaults.gameSite},
        {&s.clientSite, &defaults.clientSite},
        {&s.paySite, &defaults.paySite},
        {&s.userSite, &defaults.userSite},
        {&s.forumSite, &defaults.forumSite},
        {&s.platformDomain, &defaults.platformDomain},
    }};
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        const auto it = env.find(kNames[i]);
        const bool isDomain = i == 5;
        const bool valid = it != env.end() && (isDomain ? site::IsValidDomain(it->second)
                                                         : site::IsValidHostPort(it->second));
        const std::wstring& field = *fields[i].first;
        fuzz::Check(field == (valid ? it->second : *fields[i].second), "a valid value replaces the default, "
                                                                         "any other leaves it");
        const bool named = rejected.find(kNames[i]) != std::wstring::npos;
        fuzz::Check(named == (it != env.end() && !valid), "exactly the malformed values are reported");
        if (valid && !isDomain) CheckAcceptedHostPort(field);
        if (valid && isDomain) {
            fuzz::Check(field.find(L':') == std::wstring::npos, "a domain has no port");
            CheckAcceptedHostPort(field);
        }
    }

    fuzz::Check(AuthorityOf(site::GameRootUrl(s)) == s.gameSite, "root page on the game site");
    fuzz::Check(AuthorityOf(site::ConfigFileUrl(s)) == s.gameSite, "configuration from the game site");
    fuzz::Check(AuthorityOf(site::NoticeFileUrl(s)) == s.gameSite, "notice from the game site");
    fuzz::Check(AuthorityOf(site::LobbyLoginUrl(s)) == s.gameSite, "lobby page on the game site");
    fuzz::Check(AuthorityOf(site::RechargeUrl(s)) == s.paySite, "recharge on the pay site");
    fuzz::Check(AuthorityOf(site::UserCentreUrl(s)) == s.userSite, "user centre on the user site");
    fuzz::Check(AuthorityOf(site::ForumUrl(s)) == s.forumSite, "forum on the forum site");
    fuzz::Check(AuthorityOf(site::SurveyUrl(s, L"15,1,23,3")) == s.clientSite, "survey on the client site");
    return 0;
}

#include "net/operator_site.h"

namespace site {

namespace {

bool IsHostChar(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'-' ||
           c == L'.';
}

bool IsHostName(std::wstring_view host) {
    if (host.empty() || host.size() > 253 || host.front() == L'.' || host.front() == L'-') return false;
    for (wchar_t c : host)
        if (!IsHostChar(c)) return false;
    return true;
}

bool IsPort(std::wstring_view port) {
    if (port.empty() || port.size() > 5) return false;
    unsigned value = 0;
    for (wchar_t c : port) {
        if (c < L'0' || c > L'9') return false;
        value = value * 10 + static_cast<unsigned>(c - L'0');
    }
    return value >= 1 && value <= 65535;
}

}  // namespace

OperatorSite DefaultSite() {
    return OperatorSite{
        L"xcjy.rvgame.cn", L"client.rvgame.cn", L"pay.rvgame.cn", L"user.rvgame.cn", L"bbs.rvgame.cn", L"rvgame.cn",
    };
}

bool IsValidHostPort(std::wstring_view text) {
    size_t colon = text.find(L':');
    if (colon == std::wstring_view::npos) return IsHostName(text);
    return IsHostName(text.substr(0, colon)) && IsPort(text.substr(colon + 1));
}

bool IsValidDomain(std::wstring_view text) { return IsHostName(text); }

OperatorSite SiteWithOverrides(const OverrideLookup& lookup, std::wstring* rejected) {
    OperatorSite s = DefaultSite();
    auto apply = [&](const wchar_t* name, std::wstring& field, bool (*valid)(std::wstring_view)) {
        std::optional<std::wstring> value = lookup(name);
        if (!value) return;
        if (valid(*value)) {
            field = *value;
        } else if (rejected) {
            if (!rejected->empty()) *rejected += L", ";
            *rejected += name;
        }
    };
    apply(kValueGameSite, s.gameSite, IsValidHostPort);
    apply(kValueClientSite, s.clientSite, IsValidHostPort);
    apply(kValuePaySite, s.paySite, IsValidHostPort);
    apply(kValueUserSite, s.userSite, IsValidHostPort);
    apply(kValueForumSite, s.forumSite, IsValidHostPort);
    apply(kValuePlatformDomain, s.platformDomain, IsValidDomain);
    return s;
}

std::wstring GameRootUrl(const OperatorSite& s) { return L"http://" + s.gameSite + L"/"; }

std::wstring GameFileUrl(const OperatorSite& s, std::wstring_view file) {
    return GameRootUrl(s) + std::wstring(file);
}

std::wstring ConfigFileUrl(const OperatorSite& s) { return GameFileUrl(s, L"ConfigXcjy.htm"); }
std::wstring NoticeFileUrl(const OperatorSite& s) { return GameFileUrl(s, L"XCJY.txt"); }
std::wstring LobbyLoginUrl(const OperatorSite& s) { return GameFileUrl(s, L"s/wd/lobby-login.html"); }

std::wstring RechargeUrl(const OperatorSite& s) {
    return L"https://" + s.paySite + L"/deposit/depositeFromGame.do?product=XCJY";
}

std::wstring UserCentreUrl(const OperatorSite& s) {
    return L"http://" + s.userSite + L"/user/center/centerOpen.do?product=XCJY&source=RV";
}

std::wstring ForumUrl(const OperatorSite& s) {
    return L"http://" + s.forumSite + L"/forum.php?mod=forumdisplay&fid=1327";
}

std::wstring SurveyUrl(const OperatorSite& s, std::wstring_view version) {
    return L"http://" + s.clientSite + L"/uninstall.htm?tag=XCJY&ver=" + std::wstring(version);
}

}  // namespace site

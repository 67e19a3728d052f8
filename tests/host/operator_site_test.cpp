#include "net/operator_site.h"

#include <gtest/gtest.h>

#include <map>

namespace {

site::OverrideLookup FakeOverrides(std::map<std::wstring, std::wstring> vars) {
    return [vars = std::move(vars)](const wchar_t* name) -> std::optional<std::wstring> {
        auto it = vars.find(name);
        if (it == vars.end()) return std::nullopt;
        return it->second;
    };
}

TEST(OperatorSite, DefaultsBuildEveryAddress) {
    site::OperatorSite s = site::SiteWithOverrides(FakeOverrides({}));
    EXPECT_EQ(site::GameRootUrl(s), L"http://xcjy.rvgame.cn/");
    EXPECT_EQ(site::ConfigFileUrl(s), L"http://xcjy.rvgame.cn/ConfigXcjy.htm");
    EXPECT_EQ(site::NoticeFileUrl(s), L"http://xcjy.rvgame.cn/XCJY.txt");
    EXPECT_EQ(site::LobbyLoginUrl(s), L"http://xcjy.rvgame.cn/s/wd/lobby-login.html");
    EXPECT_EQ(site::RechargeUrl(s), L"https://pay.rvgame.cn/deposit/depositeFromGame.do?product=XCJY");
    EXPECT_EQ(site::UserCentreUrl(s), L"http://user.rvgame.cn/user/center/centerOpen.do?product=XCJY&source=RV");
    EXPECT_EQ(site::ForumUrl(s), L"http://bbs.rvgame.cn/forum.php?mod=forumdisplay&fid=1327");
    EXPECT_EQ(site::SurveyUrl(s, L"15,1,23,3"), L"http://client.rvgame.cn/uninstall.htm?tag=XCJY&ver=15,1,23,3");
    EXPECT_EQ(s.platformDomain, L"rvgame.cn");
}

TEST(OperatorSite, OverridesReplaceEachValue) {
    std::wstring rejected;
    site::OperatorSite s = site::SiteWithOverrides(FakeOverrides({
                                                         {L"GameSite", L"127.0.0.1:8080"},
                                                         {L"ClientSite", L"client.test"},
                                                         {L"PaySite", L"pay.test:443"},
                                                         {L"UserSite", L"user.test"},
                                                         {L"ForumSite", L"forum.test"},
                                                         {L"PlatformDomain", L"example.test"},
                                                     }),
                                                     &rejected);
    EXPECT_EQ(rejected, L"");
    EXPECT_EQ(site::ConfigFileUrl(s), L"http://127.0.0.1:8080/ConfigXcjy.htm");
    EXPECT_EQ(site::RechargeUrl(s), L"https://pay.test:443/deposit/depositeFromGame.do?product=XCJY");
    EXPECT_EQ(site::SurveyUrl(s, L"1"), L"http://client.test/uninstall.htm?tag=XCJY&ver=1");
    EXPECT_EQ(s.userSite, L"user.test");
    EXPECT_EQ(s.forumSite, L"forum.test");
    EXPECT_EQ(s.platformDomain, L"example.test");
}

TEST(OperatorSite, MalformedOverridesAreIgnoredAndNamed) {
    std::wstring rejected;
    site::OperatorSite s = site::SiteWithOverrides(FakeOverrides({
                                                         {L"GameSite", L"evil.test/path"},
                                                         {L"PaySite", L"user@pay.test"},
                                                         {L"UserSite", L"host:0"},
                                                         {L"ForumSite", L"host:70000"},
                                                         {L"PlatformDomain", L""},
                                                     }),
                                                     &rejected);
    EXPECT_EQ(site::GameRootUrl(s), L"http://xcjy.rvgame.cn/");
    EXPECT_EQ(s.paySite, L"pay.rvgame.cn");
    EXPECT_EQ(s.userSite, L"user.rvgame.cn");
    EXPECT_EQ(s.forumSite, L"bbs.rvgame.cn");
    EXPECT_EQ(s.platformDomain, L"rvgame.cn");
    EXPECT_EQ(rejected, L"GameSite, PaySite, UserSite, ForumSite, PlatformDomain");
}

TEST(OperatorSite, HostPortShapes) {
    const std::pair<const wchar_t*, bool> cases[] = {
        {L"a.b", true},     {L"127.0.0.1:1", true}, {L"h:65535", true}, {L"", false},        {L"h:", false},
        {L":80", false},    {L"h:65536", false},    {L"h:8a", false},   {L"h h", false},     {L"h\\x", false},
        {L"-h", false},     {L".h", false},         {L"h?x", false},    {L"h:80:81", false}, {L"中文.cn", false},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(site::IsValidHostPort(cases[i].first), cases[i].second) << "case " << i;
}

}  // namespace

// The site overrides as the launcher reads them: string values of one key
// under HKEY_LOCAL_MACHINE, and nothing from the environment.
#include "net/operator_site_win.h"
#include "tests/win/site_overrides.h"

#include <gtest/gtest.h>

namespace {

TEST(OperatorSiteOverrides, ComeFromTheAdministratorsKeyOnly) {
    // What the user could set for an elevated process: never read.
    ::SetEnvironmentVariableW(L"XCJY_GAME_SITE", L"evil.test:1");
    ::SetEnvironmentVariableW(L"XCJY_PAY_SITE", L"evil.test:2");
    const site::OperatorSite defaults = site::DefaultSite();
    {
        testutil::SiteOverrides overrides({
            {L"GameSite", L"127.0.0.1:8123"},
            {L"ClientSite", L"client.test"},
            {L"UserSite", L"user.test:81"},
            {L"ForumSite", L"forum.test/path"},  // malformed: ignored
            {L"PlatformDomain", L"example.test"},
        });
        ASSERT_TRUE(overrides.ok());
        // A value of another type than REG_SZ is no override.
        HKEY key = nullptr;
        ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, site::kSitesKeyPath, 0, KEY_SET_VALUE | KEY_WOW64_32KEY, &key),
                  ERROR_SUCCESS);
        const wchar_t expand[] = L"pay.test";
        ::RegSetValueExW(key, L"PaySite", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(expand), sizeof expand);
        ::RegCloseKey(key);

        site::OperatorSite s = ReadOperatorSite();
        EXPECT_EQ(s.gameSite, L"127.0.0.1:8123");
        EXPECT_EQ(s.clientSite, L"client.test");
        EXPECT_EQ(s.userSite, L"user.test:81");
        EXPECT_EQ(s.forumSite, defaults.forumSite);
        EXPECT_EQ(s.paySite, defaults.paySite);
        EXPECT_EQ(s.platformDomain, L"example.test");
    }
    site::OperatorSite none = ReadOperatorSite();
    EXPECT_EQ(none.gameSite, defaults.gameSite) << "without the key, the defaults";
    EXPECT_EQ(none.paySite, defaults.paySite);
    ::SetEnvironmentVariableW(L"XCJY_GAME_SITE", nullptr);
    ::SetEnvironmentVariableW(L"XCJY_PAY_SITE", nullptr);
}

}  // namespace

#include "app/install_rules.h"
#include "net/operator_site.h"

#include <gtest/gtest.h>

using namespace install;

TEST(DisableDays, UnseededGeneratorStartsWith41And18467) {
    EXPECT_EQ(UnseededRand(0), 41u);
    EXPECT_EQ(UnseededRand(1), 18467u);
}

TEST(DisableDays, KnownMilliseconds) {
    struct Case {
        unsigned ms;
        uint8_t byte0, byte1, byte2;  // b, a, c as stored
    };
    for (const Case& c : {Case{0, 1, 6, 0}, Case{999, 3, 5, 4}}) {
        const uint32_t packed = DisableDaysFromMilliseconds(c.ms).Packed();
        EXPECT_EQ(packed & 0xFF, c.byte0) << c.ms;
        EXPECT_EQ((packed >> 8) & 0xFF, c.byte1) << c.ms;
        EXPECT_EQ((packed >> 16) & 0xFF, c.byte2) << c.ms;
        EXPECT_EQ(packed >> 24, 0u) << c.ms;
    }
}

TEST(DisableDays, FirstDayDiffersFromTheOthersForEveryMillisecond) {
    for (unsigned ms = 0; ms < 1000; ++ms) {
        const DisableDays d = DisableDaysFromMilliseconds(ms);
        EXPECT_NE(d.a, d.b) << ms;
        EXPECT_NE(d.a, d.c) << ms;
        EXPECT_LT(d.a, 7);
        EXPECT_LT(d.b, 7);
        EXPECT_LT(d.c, 7);
    }
}

TEST(SelfDeleteBatch, TemplatesByteForByte) {
    const BatchPaths paths{"C:\\P\\GameLogin\\RV.exe", "C:\\P\\GameLogin", "C:\\T\\DelSelf1A.tmp.bat"};
    const std::string retry =
        "cd\\\r\n"
        "set xcjy_tries=0\r\n"
        ":delexe\r\n"
        "ping -n 2 127.0.0.1 >nul\r\n"
        "del \"C:\\P\\GameLogin\\RV.exe\"\r\n"
        "if not exist \"C:\\P\\GameLogin\\RV.exe\" goto :gone\r\n"
        "set /a xcjy_tries+=1\r\n"
        "if %xcjy_tries% lss 600 goto :delexe\r\n"
        "goto :self\r\n"
        ":gone\r\n";
    EXPECT_EQ(SelfDeleteBatchText(true, paths), retry +
                                                    "del \"C:\\P\\GameLogin\" /Q /F /A\r\n"
                                                    "rd \"C:\\P\\GameLogin\"\r\n"
                                                    ":self\r\n"
                                                    "del \"C:\\T\\DelSelf1A.tmp.bat\"\r\n");
    EXPECT_EQ(SelfDeleteBatchText(false, paths), retry +
                                                     ":self\r\n"
                                                     "del \"C:\\T\\DelSelf1A.tmp.bat\"\r\n");
}

TEST(Survey, AddressCarriesVersionAndCount) {
    site::OperatorSite s = site::DefaultSite();
    s.clientSite = L"127.0.0.1:8080";
    EXPECT_EQ(SurveyAddressWithCount(site::SurveyUrl(s, L"15,1,23,3"), 1),
              L"http://127.0.0.1:8080/uninstall.htm?tag=XCJY&ver=15,1,23,3&count=1");
    EXPECT_EQ(SurveyAddressWithCount(L"http://h/uninstall.htm?tag=XCJY&ver=15,1,23,3", 4294967295u),
              L"http://h/uninstall.htm?tag=XCJY&ver=15,1,23,3&count=4294967295");
}

TEST(Shortcuts, PerUserLeftOverLiesOnTheUsersOwnDesktop) {
    EXPECT_EQ(PerUserShortcutPath(L"C:\\Users\\u\\Documents", L"C:\\Users\\Public\\Desktop", L"RV星潮纪元极速登录器"),
              L"C:\\Users\\u\\Desktop\\RV星潮纪元极速登录器.lnk");
    EXPECT_EQ(PerUserShortcutPath(L"Documents", L"C:\\Users\\Public\\Desktop", L"x"), std::nullopt);
    EXPECT_EQ(PerUserShortcutPath(L"C:\\Users\\u\\Documents", L"Desktop", L"x"), std::nullopt);
}

TEST(CrashDump, NameCutAtTheLastDotOfThePath) {
    EXPECT_EQ(DumpPathFor(L"C:\\岚屿网络\\GameLogin\\RV星潮纪元.exe"), L"C:\\岚屿网络\\GameLogin\\RV星潮纪元.dmp");
    EXPECT_EQ(DumpPathFor(L"C:\\games\\dir.v2\\launcher"), L"C:\\games\\dir.dmp");
    EXPECT_EQ(DumpPathFor(L"C:\\games\\launcher"), std::nullopt);
}

#include "web/error_page.h"

#include <gtest/gtest.h>

namespace {

TEST(ErrorPage, OnlyTheBrowsersTwoErrorPagesAreReplaced) {
    const std::wstring exe = L"C:\\ProgramData\\岚屿网络\\GameLogin\\RV星潮纪元.exe";
    EXPECT_EQ(webpage::ErrorPageReplacement(L"res://ieframe.dll/http_404_webOC.htm", exe, 201),
              L"res://C:\\ProgramData\\岚屿网络\\GameLogin\\RV星潮纪元.exe/201");
    EXPECT_EQ(webpage::ErrorPageReplacement(L"res://ieframe.dll/dnserrordiagoff_webOC.htm", exe, 0),
              L"res://" + exe + L"/0");
    for (const wchar_t* other : {L"res://ieframe.dll/HTTP_404_webOC.htm", L"res://ieframe.dll/http_404_webOC.htm#x",
                                 L"http://xcjy.rvgame.cn/s/wd/lobby-login.html", L""})
        EXPECT_EQ(webpage::ErrorPageReplacement(other, exe, 201), std::nullopt) << other;
    EXPECT_EQ(webpage::ErrorPageReplacement(L"res://ieframe.dll/http_404_webOC.htm", L"", 201), std::nullopt);
}

}  // namespace

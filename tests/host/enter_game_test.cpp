#include "mainwnd/enter_game.h"

#include <gtest/gtest.h>

namespace {

const std::wstring kRoot = L"http://game.example/";

TEST(EnterGame, AddressesThatAreNoCommandNavigate) {
    for (const wchar_t* address : {L"http://game.example/play", L"app://entergame", L"app://loadgame|x",
                                   L"APP://entergame|xyz", L"app://EnterGame|xyz", L""})
        EXPECT_EQ(ParseEnterGame(address, kRoot).kind, EnterGameRequest::kNotCommand) << address;
}

TEST(EnterGame, NamesAndFallbacks) {
    const struct {
        const wchar_t* address;
        const wchar_t* name;
        std::wstring fallback;
    } cases[] = {
        {L"app://entergame|xyz|http://u.example/a", L"Xyz", L"http://u.example/a"},
        {L"app://entergame|xyz", L"Xyz", kRoot},
        {L"app://entergame|xyz/", L"Xyz", kRoot},                   // the browser's trailing slash
        {L"app://entergame|x/y/z|https://u/b|c", L"Xyz", L"https://u/b|c"},
        {L"app://entergame|Abc|HTTP://U/", L"Abc", L"HTTP://U/"},   // already upper case: unchanged
        {L"app://entergame|1game", L"1game", kRoot},                // a digit is not shifted
        {L"app://entergame|_a-b_9", L"_a-b_9", kRoot},
        {L"app://entergame|xyz|", L"Xyz", kRoot},                   // empty fallback
        // Fallbacks that must never reach the shell.
        {L"app://entergame|xyz|C:\\Windows\\System32\\calc.exe", L"Xyz", kRoot},
        {L"app://entergame|xyz|file:///C:/x.exe", L"Xyz", kRoot},
        {L"app://entergame|xyz|\\\\host\\share\\x.exe", L"Xyz", kRoot},
        {L"app://entergame|xyz|calc", L"Xyz", kRoot},
        {L"app://entergame|xyz|javascript:alert(1)", L"Xyz", kRoot},
        {L"app://entergame|xyz| http://u/", L"Xyz", kRoot},
        {L"app://entergame|xyz|httpx://u/", L"Xyz", kRoot},
        {L"app://entergame|xyz|http:/u", L"Xyz", kRoot},
    };
    for (const auto& c : cases) {
        EnterGameRequest r = ParseEnterGame(c.address, kRoot);
        EXPECT_EQ(r.kind, EnterGameRequest::kCommand) << c.address;
        EXPECT_EQ(r.name, c.name) << c.address;
        EXPECT_EQ(r.fallback, c.fallback) << c.address;
    }
}

TEST(EnterGame, HostileOrUnusableNamesAreRefused) {
    const std::wstring longName(65, L'a');
    const std::wstring longest(64, L'a');
    for (const std::wstring& address : {
             std::wstring(L"app://entergame|"),
             std::wstring(L"app://entergame|///"),
             std::wstring(L"app://entergame||http://u/"),
             std::wstring(L"app://entergame|..\\..\\Windows\\notepad"),
             std::wstring(L"app://entergame|../../x"),  // dots stay after the slashes go
             std::wstring(L"app://entergame|\\x"),
             std::wstring(L"app://entergame|C:x"),
             std::wstring(L"app://entergame|c:\\x"),
             std::wstring(L"app://entergame|x.exe"),
             std::wstring(L"app://entergame|x y"),
             std::wstring(L"app://entergame|x%2e"),
             std::wstring(L"app://entergame|\u5c9a"),
             std::wstring(L"app://entergame|x\ty"),
             std::wstring(L"app://entergame|nul"),  // a device, even as "Nul.exe"
             std::wstring(L"app://entergame|c/o/m/1"),
             std::wstring(L"app://entergame|") + longName,
             // The marker not at the start leaves foreign text in the name.
             std::wstring(L"http://evil/?app://entergame|xyz"),
             std::wstring(L"about:blank#app://entergame|xyz"),
         }) {
        EnterGameRequest r = ParseEnterGame(address, kRoot);
        EXPECT_EQ(r.kind, EnterGameRequest::kRefused) << testing::PrintToString(address);
        EXPECT_TRUE(r.name.empty());
    }
    EnterGameRequest r = ParseEnterGame(L"app://entergame|" + longest, kRoot);
    EXPECT_EQ(r.kind, EnterGameRequest::kCommand);
    EXPECT_EQ(r.name.size(), 64u);
    EXPECT_EQ(r.name[0], L'A');
}

}  // namespace

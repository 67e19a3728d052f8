#include "web/page_command.h"

#include <gtest/gtest.h>

namespace {

using Args = std::vector<std::wstring>;

struct GrammarCase {
    const wchar_t* url;
    const wchar_t* name;
    Args args;  // tail first, then the parameters
};

TEST(PageCommand, GrammarTable) {
    const GrammarCase cases[] = {
        {L"app://minimize/", L"minimize", {L""}},
        {L"app://minimize", L"minimiz", {L""}},
        {L"app://", L"", {L""}},
        {L"app://x", L"", {L""}},
        {L"app://LoadGame|x", L"LoadGame", {L"x"}},
        {L"app://loadgame:12345,s1|T", L"loadgame", {L"T", L"12345", L"s1"}},
        {L"app://loadgame|T", L"loadgame", {L"T"}},
        {L"app://loadgame:a:b,c|T", L"loadgame", {L"T", L"a:b", L"c"}},
        {L"app://loadgame|A|B", L"loadgame", {L"A|B"}},
        {L"app://loadgame|", L"loadgame", {L""}},
        {L"app://loadgame:a,,b|T", L"loadgame", {L"T", L"a", L"", L"b"}},
        {L"app://loadgame:a,|T", L"loadgame", {L"T", L"a"}},
        {L"app://loadgame:,a|T", L"loadgame", {L"T", L"", L"a"}},
        {L"app://loadgame:|T", L"loadgame", {L"T"}},
        // Without a "|" the last character is dropped, whatever it is.
        {L"app://loadgame:a,b/", L"loadgame", {L"", L"a", L"b"}},
        {L"app://loadgame:a,bc", L"loadgame", {L"", L"a", L"b"}},
        {L"app://restart|http://h/p?x=1,2:3", L"restart", {L"http://h/p?x=1,2:3"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "url index " << (&c - cases));
        auto parsed = pagecmd::ParsePageCommand(c.url);
        ASSERT_TRUE(parsed.has_value());
        EXPECT_EQ(parsed->name, c.name);
        EXPECT_EQ(parsed->args, c.args);
        EXPECT_EQ(parsed->Count(), static_cast<int>(c.args.size()));
    }
}

TEST(PageCommand, OnlyTheExactLowerCasePrefixIsACommand) {
    for (const wchar_t* url : {L"APP://minimize/", L"app:/minimize/", L"app:minimize/", L"http://app://x/", L"",
                               L"app:/", L" app://minimize/"})
        EXPECT_FALSE(pagecmd::ParsePageCommand(url).has_value()) << url;
}

TEST(PageCommand, ParametersBeyondTheVectorAreDropped) {
    std::wstring url = L"app://loadgame:";
    for (int i = 1; i <= 150; ++i) url += std::to_wstring(i) + L",";
    url += L"|T";
    auto parsed = pagecmd::ParsePageCommand(url);
    ASSERT_TRUE(parsed.has_value());
    ASSERT_EQ(parsed->args.size(), pagecmd::kMaxArgs);
    EXPECT_EQ(parsed->Tail(), L"T");
    EXPECT_EQ(parsed->args[1], L"1");
    EXPECT_EQ(parsed->args[99], L"99");
}

TEST(PageCommand, SchemeFilterOfTheHostingWindows) {
    EXPECT_TRUE(pagecmd::IsAppSchemeUrl(L"app:"));
    EXPECT_TRUE(pagecmd::IsAppSchemeUrl(L"app:anything"));
    EXPECT_FALSE(pagecmd::IsAppSchemeUrl(L"APP://minimize/"));
    EXPECT_FALSE(pagecmd::IsAppSchemeUrl(L"ap"));
    EXPECT_TRUE(pagecmd::IsJavascriptUrl(L"javascript:void(0)"));
    EXPECT_FALSE(pagecmd::IsJavascriptUrl(L"JavaScript:void(0)"));
    EXPECT_FALSE(pagecmd::IsJavascriptUrl(L"javascrip"));
}

TEST(PageCommand, DispatchRunsTheFirstEntryOfTheExactName) {
    std::vector<std::wstring> calls;
    int seenCount = -1;
    Args seenArgs;
    pagecmd::CommandTable table = {
        {L"minimize", [&](int, const Args&) { return calls.push_back(L"minimize"), true; }},
        {L"loadgame",
         [&](int count, const Args& args) {
             calls.push_back(L"loadgame");
             seenCount = count;
             seenArgs = args;
             return true;
         }},
        {L"loadgame", [&](int, const Args&) { return calls.push_back(L"second"), true; }},
        {L"declines", [&](int, const Args&) { return calls.push_back(L"declines"), false; }},
    };
    EXPECT_TRUE(pagecmd::DispatchPageCommand(L"app://loadgame:a,b|T", table));
    EXPECT_EQ(seenCount, 3);
    EXPECT_EQ(seenArgs, (Args{L"T", L"a", L"b"}));
    EXPECT_TRUE(pagecmd::DispatchPageCommand(L"app://minimize/", table));
    EXPECT_FALSE(pagecmd::DispatchPageCommand(L"app://minimize", table));
    EXPECT_FALSE(pagecmd::DispatchPageCommand(L"app://LoadGame|T", table));
    EXPECT_FALSE(pagecmd::DispatchPageCommand(L"app://", table));
    EXPECT_FALSE(pagecmd::DispatchPageCommand(L"http://minimize/", table));
    EXPECT_FALSE(pagecmd::DispatchPageCommand(L"app://declines/", table));
    EXPECT_EQ(calls, (std::vector<std::wstring>{L"loadgame", L"minimize", L"declines"}));
}

TEST(PageCommand, FallbackCutOfAccountAndServer) {
    struct Case {
        const wchar_t* tail;
        const wchar_t* account;
        const wchar_t* server;
    };
    const Case cases[] = {
        {L"http://g/play?uid=abcdeJohn&server=12&x=1", L"John", L"12"},
        // A last value without "&" runs to the end of the tail.
        {L"http://g/play?server=7&uid=abcdeJohn", L"John", L"7"},
        // Absent keys give empty values, not text at a fixed position.
        {L"http://g/play?id=1", L"", L""},
        {L"", L"", L""},
        // Only the first key counts; "gameserver=" holds "server=".
        {L"?uid=abcdeA&uid=abcdeB&gameserver=9&server=3", L"A", L"9"},
        // A prefix that runs past the end or into the next "&".
        {L"?uid=abc", L"", L""},
        {L"?uid=abcde", L"", L""},
        {L"?uid=ab&server=", L"rver=", L""},
        {L"?uid=abcde&server=5", L"", L"5"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(pagecmd::AccountFromTail(c.tail), c.account) << c.tail;
        EXPECT_EQ(pagecmd::ServerFromTail(c.tail), c.server) << c.tail;
    }
}

TEST(PageCommand, PercentUnescapeKeepsBrokenEscapes) {
    EXPECT_EQ(pagecmd::PercentUnescape("%E5%BC%A0"), "\xE5\xBC\xA0");
    EXPECT_EQ(pagecmd::PercentUnescape("a%2fb%2Fc"), "a/b/c");
    EXPECT_EQ(pagecmd::PercentUnescape("100%"), "100%");
    EXPECT_EQ(pagecmd::PercentUnescape("%4"), "%4");
    EXPECT_EQ(pagecmd::PercentUnescape("%zz%41"), "%zzA");
    EXPECT_EQ(pagecmd::PercentUnescape("%%41"), "%A");
    EXPECT_EQ(pagecmd::PercentUnescape("%00x"), std::string("\0x", 2));
    std::string longAccount(300, 'a');
    EXPECT_EQ(pagecmd::PercentUnescape(longAccount + "%41"), longAccount + "A");
}

}  // namespace


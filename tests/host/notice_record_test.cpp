#include "net/http_request.h"
#include "net/notice_record.h"

#include <gtest/gtest.h>

using namespace notice;

TEST(CompareDateText, SignTellsWhichDateIsLater) {
    struct Case {
        const wchar_t *first, *second;
        int sign;
    } cases[] = {
        {L"2013-05-01", L"2013-05-01", 0},
        {L"2013-05-01", L"2013-05-02", 1},
        {L"2013-05-02", L"2013-05-01", -1},
        {L"2013-05-01", L"2013-06-01", 1},
        {L"2013-05-01", L"2014-01-01", 1},
        {L"2099-12-31", L"2024-01-01", -1},
        {L"2013-05-01 23:59", L"2013-05-01", 0},
        {L"2013-5-1", L"2013-05-01", 0},
        // Without "-" a date counts as earlier than one with.
        {L"20130501", L"2013-05-01", 1},
        {L"2013-05-01", L"20130501", -1},
        {L"20130501", L"20130502", 0},
        {L"2013-05", L"2013-05-01", 1},
        {L"", L"2013-05-01", 1},
    };
    for (const Case& c : cases) {
        int got = CompareDateText(c.first, c.second);
        EXPECT_EQ((got > 0) - (got < 0), c.sign) << c.first << L" vs " << c.second;
    }
}

namespace {
const wchar_t* kToday = L"2024-06-15";
}

TEST(ParseNoticeRecord, SevenFields) {
    auto r = ParseNoticeRecord(L"N1|2099-12-31|标题|http://x/|Hello|http://pic.rvgame.cn/a.jpg|3", kToday);
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->id, L"N1");
    EXPECT_EQ(r->endDate, L"2099-12-31");
    EXPECT_EQ(r->title, L"标题");
    EXPECT_EQ(r->link, L"http://x/");
    EXPECT_EQ(r->content, L"Hello");
    EXPECT_EQ(r->picUrl, L"http://pic.rvgame.cn/a.jpg");
    EXPECT_EQ(r->showCount, 3);
    EXPECT_EQ(ChooseLayout(*r), Layout::PictureAndText);
}

TEST(ParseNoticeRecord, ShowCountReadLikeADecimalNumber) {
    struct Case {
        const wchar_t* tail;
        int count;
    } cases[] = {{L"3", 3}, {L"  7\r\n", 7}, {L"+2x", 2}, {L"-1", -1}, {L"", 0}, {L"abc", 0}, {L"5|6", 5}};
    for (const Case& c : cases) {
        auto r = ParseNoticeRecord(std::wstring(L"a|2099-01-01|t|l|c|p|") + c.tail, kToday);
        ASSERT_TRUE(r.has_value()) << c.tail;
        EXPECT_EQ(r->showCount, c.count) << c.tail;
    }
}

TEST(ParseNoticeRecord, RefusedRecords) {
    const wchar_t* refused[] = {
        L"a|2099-01-01|t|l|c|p",           // the sixth separator is missing
        L"",                               //
        L"a|2024-06-14|t|l|c|p|1",         // ended yesterday
        L"a|20991231|t|l|c|p|1",           // no "-": counts as past
        L"a|2024-0615|t|l|c|p|1",          // one "-" and this year: counts as past
        L"a|2099-12-31-0000000|t|l|c|p|1", // end date of 19 characters does not fit
        L"a|20990000-12-31|t|l|c|p|1",     // a year of 8 digits does not fit
    };
    for (const wchar_t* text : refused) EXPECT_FALSE(ParseNoticeRecord(text, kToday).has_value()) << text;

    EXPECT_TRUE(ParseNoticeRecord(L"a|2024-06-15|t|l|c|p|1", kToday).has_value()) << "shown on its end date";
    EXPECT_TRUE(ParseNoticeRecord(L"a|2024-06-15 23:59:59 extra|t|l|c|p|1", kToday).has_value());
}

TEST(ParseNoticeRecord, LongFieldsAreCutAtTheirCapacity) {
    std::wstring text = std::wstring(40, L'i') + L"|2099-01-01|" + std::wstring(70, L't') + L"|" +
                        std::wstring(600, L'l') + L"|" + std::wstring(600, L'c') + L"|" + std::wstring(600, L'p') +
                        L"|1";
    auto r = ParseNoticeRecord(text, kToday);
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->id.size(), 31u);
    EXPECT_EQ(r->title.size(), 63u);
    EXPECT_EQ(r->link.size(), 511u);
    EXPECT_EQ(r->content.size(), 511u);
    EXPECT_EQ(r->picUrl.size(), 511u);
    EXPECT_EQ(r->showCount, 1);
}

TEST(NoticeLayout, ChosenFromPictureAndBody) {
    NoticeRecord r;
    r.picUrl = L"http://p/";
    r.content = L"x";
    EXPECT_EQ(ChooseLayout(r), Layout::PictureAndText);
    r.content.clear();
    EXPECT_EQ(ChooseLayout(r), Layout::Picture);
    r.picUrl.clear();
    EXPECT_EQ(ChooseLayout(r), Layout::Text);
    r.content = L"x";
    EXPECT_EQ(ChooseLayout(r), Layout::Text);
}

TEST(NoticeLayout, BodyLineCuts) {
    auto sizes = [](const std::vector<std::wstring>& lines) {
        std::vector<size_t> out;
        for (auto& l : lines) out.push_back(l.size());
        return out;
    };
    EXPECT_EQ(BodyLines(L"Hello", Layout::PictureAndText), (std::vector<std::wstring>{L"Hello..."}));

    std::wstring sixty(60, L'字');
    auto pt = BodyLines(sixty, Layout::PictureAndText);
    EXPECT_EQ(sizes(pt), (std::vector<size_t>{11, 11, 11, 11, 10}));
    EXPECT_EQ(pt.back(), std::wstring(7, L'字') + L"...");

    std::wstring hundred(100, L'a');
    auto t = BodyLines(hundred, Layout::Text);
    EXPECT_EQ(sizes(t), (std::vector<size_t>{18, 18, 18, 17}));
    EXPECT_EQ(t.back(), std::wstring(14, L'a') + L"...");

    // 8 characters and "..." fill exactly one line: no empty second line.
    EXPECT_EQ(sizes(BodyLines(L"12345678", Layout::PictureAndText)), (std::vector<size_t>{11}));
}

TEST(ShouldShowNotice, NewOrNotDismissed) {
    const wchar_t* text = L"a|2099-01-01|t|l|c|p|1";
    EXPECT_FALSE(ShouldShowNoticeText(L"", L"", L""));
    EXPECT_TRUE(ShouldShowNoticeText(text, L"", L"0")) << "nothing stored";
    EXPECT_TRUE(ShouldShowNoticeText(text, L"other", L"0")) << "a new notice";
    EXPECT_FALSE(ShouldShowNoticeText(text, text, L"0")) << "dismissed";
    EXPECT_FALSE(ShouldShowNoticeText(text, L"2099-01-01", L"0")) << "stored text found inside";
    EXPECT_TRUE(ShouldShowNoticeText(text, text, L"1"));
    EXPECT_TRUE(ShouldShowNoticeText(text, text, L""));
}

TEST(NoticeLink, OnlyWebAddressesAreOpened) {
    for (auto link : {L"http://a/", L"HTTPS://a/b", L"Http://x"}) EXPECT_TRUE(http::IsWebAddress(link)) << link;
    for (auto link : {L"", L"file:///c:/x.exe", L"c:\\windows\\calc.exe", L"app://x", L"http:/x", L"ftp://a"})
        EXPECT_FALSE(http::IsWebAddress(link)) << link;
}

#include "net/game_name.h"

TEST(GameName, OnlyPlainNamesBecomeFileNames) {
    for (auto name : {L"Hyxd", L"Game_2", L"A", L"x-y", L"-", L"Con2", L"Com10", L"Lpt", L"Nuls", L"Auxiliary"})
        EXPECT_TRUE(IsSafeGameName(name)) << name;
    EXPECT_TRUE(IsSafeGameName(std::wstring(64, L'a')));
    for (auto name : {L"", L"..", L"..\\..\\Windows\\x", L"C:x", L"a.b", L"con ", L"名字", L"a/b", L"a\\b",
                      L"x y", L"CON", L"con", L"Prn", L"aux", L"Nul", L"Com1", L"LPT9", L"com0"})
        EXPECT_FALSE(IsSafeGameName(name)) << name;
    EXPECT_FALSE(IsSafeGameName(std::wstring(65, L'a')));
}

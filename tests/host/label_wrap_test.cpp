#include "skin/label_wrap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::wstring>;

// Every character is 10 pixels wide, except 'W' at 30.
int Measure(const std::wstring& line)
{
    int width = 0;
    for (const wchar_t ch : line)
        width += ch == L'W' ? 30 : 10;
    return width;
}

Lines Wrap(const std::wstring& text, int width)
{
    return skin::WrapLabelText(text, width, Measure);
}

TEST(WrapLabelText, LineBreaksAndCarriageReturns)
{
    EXPECT_EQ(Wrap(L"ab\r\ncd", 100), (Lines{L"ab", L"cd"}));
    EXPECT_EQ(Wrap(L"ab\r", 100), (Lines{L"ab"}));
    EXPECT_EQ(Wrap(L"a\r\rb", 100), (Lines{L"ab"}));
    EXPECT_EQ(Wrap(L"\n\n", 100), (Lines{L"", L"", L""}));
    EXPECT_EQ(Wrap(L"", 100), (Lines{L""}));
}

TEST(WrapLabelText, BreaksBetweenAnyTwoCharacters)
{
    // Three characters fill 30 pixels; the fourth would overflow 35.
    EXPECT_EQ(Wrap(L"abcdefg", 35), (Lines{L"abc", L"def", L"g"}));
    // A line exactly as wide as the label still fits.
    EXPECT_EQ(Wrap(L"abcdef", 30), (Lines{L"abc", L"def"}));
    // Spaces are characters like any other: no word boundaries.
    EXPECT_EQ(Wrap(L"ab cd", 25), (Lines{L"ab", L" c", L"d"}));
    // An explicit line feed restarts the width count.
    EXPECT_EQ(Wrap(L"ab\nabc", 25), (Lines{L"ab", L"ab", L"c"}));
}

TEST(WrapLabelText, CharacterWiderThanTheLabelGetsItsOwnLine)
{
    EXPECT_EQ(Wrap(L"aWb", 25), (Lines{L"a", L"W", L"b"}));
    EXPECT_EQ(Wrap(L"Wa", 25), (Lines{L"W", L"a"}));  // no empty line above it
    EXPECT_EQ(Wrap(L"WW", 25), (Lines{L"W", L"W"}));
}

TEST(LabelTooNarrow, AverageIsSampleWidthOverEleven)
{
    // 130 / 11 = 11 (130 / 10 would be 13).
    EXPECT_FALSE(skin::LabelTooNarrow(130, 12));
    EXPECT_FALSE(skin::LabelTooNarrow(130, 11));
    EXPECT_TRUE(skin::LabelTooNarrow(130, 10));
    EXPECT_TRUE(skin::LabelTooNarrow(132, 11));
}

TEST(MessageLines, TrailingLineFeedCountsButIsNotDrawn)
{
    struct Case {
        std::wstring text;
        int count;
        Lines drawn;
    };
    const Case cases[] = {
        {L"one line", 1, {L"one line"}},
        {L"a\nb\nc", 3, {L"a", L"b", L"c"}},
        {L"a\n\nb", 3, {L"a", L"", L"b"}},
        {L"a\nb\n", 3, {L"a", L"b"}},
        {L"\n", 2, {L""}},
        {L"", 1, {L""}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(skin::MessageBoxLineCount(c.text), c.count);
        EXPECT_EQ(skin::SplitMessageLines(c.text), c.drawn);
    }
}

}  // namespace

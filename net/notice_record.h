// The operator's notice record (XCJY.txt): seven "|"-separated fields, the
// date rule that ends it, and how its body is cut into the window's lines.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace notice {

// Capacities of the fields in characters; longer fields are cut at them.
inline constexpr size_t kIdCapacity = 31;
inline constexpr size_t kEndDateCapacity = 15;
inline constexpr size_t kTitleCapacity = 63;
inline constexpr size_t kLinkCapacity = 511;
inline constexpr size_t kContentCapacity = 511;
inline constexpr size_t kPicUrlCapacity = 511;
// A date number ("2013", "05") is read from at most this many characters.
inline constexpr size_t kDateNumberCapacity = 7;

struct NoticeRecord {
    std::wstring id;
    std::wstring endDate;
    std::wstring title;
    std::wstring link;
    std::wstring content;
    std::wstring picUrl;
    int showCount = 0;
};

// Positive when `second` is a later date than `first`, negative when earlier,
// 0 when equal. Dates as "%04d-%02d-%02d" writes them; anything after a blank
// is ignored; a date without "-" counts as earlier than one with.
int CompareDateText(std::wstring_view first, std::wstring_view second);

// The record to show, or nothing: a separator missing, an end date that does
// not fit its capacity, or an end date before `today`.
std::optional<NoticeRecord> ParseNoticeRecord(std::wstring_view text, std::wstring_view today);

// A notice text is shown unless it is the one stored in "PopInfo" (found
// anywhere inside it) and "PopEnable" is "0".
bool ShouldShowNoticeText(std::wstring_view text, std::wstring_view popInfo, std::wstring_view popEnable);

// A value as it may go into the settings file: without CR, LF and NUL, so
// that a notice cannot end its line and write keys or sections of its own.
std::wstring SettingValue(std::wstring_view value);

enum class Layout { PictureAndText, Text, Picture };
Layout ChooseLayout(const NoticeRecord& record);

// The body lines of a layout: the body cut after 51 (picture and text) or 68
// (text only) characters with "..." appended, in lines of 11 or 18 characters,
// at most five. Empty lines are left out.
std::vector<std::wstring> BodyLines(std::wstring_view content, Layout layout);

}  // namespace notice

#include "net/notice_record.h"

#include <algorithm>
#include <climits>

namespace notice {

namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// The decimal value of the leading digits, 0 when there are none.
long LeadingNumber(std::wstring_view text) {
    long value = 0;
    for (size_t i = 0; i < text.size() && IsDigit(text[i]); ++i) {
        if (value > (LONG_MAX - 9) / 10) break;
        value = value * 10 + (text[i] - L'0');
    }
    return value;
}

std::wstring_view CutAtBlank(std::wstring_view text) { return text.substr(0, text.find(L' ')); }

// What a date text leaves for comparing: the part before its first blank,
// within the 15 characters a date may have.
std::wstring_view DatePart(std::wstring_view text) { return CutAtBlank(text.substr(0, kEndDateCapacity)); }

long DateNumber(std::wstring_view piece) { return LeadingNumber(piece.substr(0, kDateNumberCapacity)); }

int Sign(long difference) { return difference > 0 ? 1 : (difference < 0 ? -1 : 0); }

}  // namespace

int CompareDateText(std::wstring_view first, std::wstring_view second) {
    std::wstring_view a = DatePart(first), b = DatePart(second);
    // Each of the two "-" is looked for in both texts; a text that lacks it
    // counts as the earlier date.
    for (int part = 0; part < 2; ++part) {
        size_t dashA = a.find(L'-'), dashB = b.find(L'-');
        if (dashB == std::wstring_view::npos) return dashA == std::wstring_view::npos ? 0 : -1;
        if (dashA == std::wstring_view::npos) return 1;
        long numberA = DateNumber(a.substr(0, dashA)), numberB = DateNumber(b.substr(0, dashB));
        if (numberA != numberB) return Sign(numberB - numberA);
        a = a.substr(dashA + 1);
        b = b.substr(dashB + 1);
    }
    return Sign(LeadingNumber(b) - LeadingNumber(a));
}

namespace {

// A "%d" read: leading blanks, an optional sign, digits up to the first other character.
int ReadCount(std::wstring_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == L' ' || text[i] == L'\t' || text[i] == L'\r' || text[i] == L'\n')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
    long value = LeadingNumber(text.substr(i));
    if (value > INT_MAX) value = INT_MAX;
    return static_cast<int>(negative ? -value : value);
}

bool EndDateFits(std::wstring_view field) {
    std::wstring_view date = CutAtBlank(field);
    if (date.size() > kEndDateCapacity) return false;
    while (!date.empty()) {
        size_t dash = date.find(L'-');
        if (date.substr(0, dash).size() > kDateNumberCapacity) return false;
        date = dash == std::wstring_view::npos ? std::wstring_view{} : date.substr(dash + 1);
    }
    return true;
}

}  // namespace

std::optional<NoticeRecord> ParseNoticeRecord(std::wstring_view text, std::wstring_view today) {
    std::wstring_view fields[6];
    for (auto& field : fields) {
        size_t bar = text.find(L'|');
        if (bar == std::wstring_view::npos) return std::nullopt;
        field = text.substr(0, bar);
        text = text.substr(bar + 1);
    }
    if (!EndDateFits(fields[1])) return std::nullopt;
    if (CompareDateText(fields[1], today) > 0) return std::nullopt;

    auto cut = [](std::wstring_view field, size_t capacity) { return std::wstring(field.substr(0, capacity)); };
    NoticeRecord record;
    record.id = cut(fields[0], kIdCapacity);
    record.endDate = std::wstring(CutAtBlank(fields[1]));
    record.title = cut(fields[2], kTitleCapacity);
    record.link = cut(fields[3], kLinkCapacity);
    record.content = cut(fields[4], kContentCapacity);
    record.picUrl = cut(fields[5], kPicUrlCapacity);
    record.showCount = ReadCount(text);
    return record;
}

bool ShouldShowNoticeText(std::wstring_view text, std::wstring_view popInfo, std::wstring_view popEnable) {
    if (text.empty()) return false;
    if (popInfo.empty() || text.find(popInfo) == std::wstring_view::npos) return true;
    return popEnable != L"0";
}

Layout ChooseLayout(const NoticeRecord& record) {
    if (record.picUrl.empty()) return Layout::Text;
    return record.content.empty() ? Layout::Picture : Layout::PictureAndText;
}

std::vector<std::wstring> BodyLines(std::wstring_view content, Layout layout) {
    const bool narrow = layout != Layout::Text;
    const size_t keep = narrow ? 51 : 68;
    const size_t width = narrow ? 11 : 18;
    std::wstring body(content.substr(0, keep));
    body += L"...";
    std::vector<std::wstring> lines;
    size_t count = std::min<size_t>(body.size() / width + 1, 5);
    for (size_t i = 0; i < count && i * width < body.size(); ++i) lines.push_back(body.substr(i * width, width));
    return lines;
}

std::wstring SettingValue(std::wstring_view value) {
    std::wstring clean;
    clean.reserve(value.size());
    for (wchar_t c : value)
        if (c != L'\r' && c != L'\n' && c != L'\0') clean += c;
    return clean;
}

}  // namespace notice

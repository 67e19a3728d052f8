// The operator's notice record (XCJY.txt, read from the network) and the date
// rule that ends it.
#include "net/notice_record.h"
#include "tests/fuzz/fuzz_input.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cwchar>
#include <tuple>

namespace {

int Sign(int value) { return (value > 0) - (value < 0); }

std::wstring DateText(int year, int month, int day)
{
    wchar_t text[32];
    std::swprintf(text, 32, L"%04d-%02d-%02d", year, month, day);
    return text;
}

// The comparison is an order: antisymmetric, reflexive and transitive on any
// texts, and on dates as the launcher writes them it is the calendar order.
void CheckCompareDateText(const std::wstring& a, const std::wstring& b, const std::wstring& c, FuzzedDataProvider& in)
{
    const int ab = notice::CompareDateText(a, b), ba = notice::CompareDateText(b, a);
    fuzz::Check(Sign(ab) == -Sign(ba), "swapping the dates swaps the answer");
    fuzz::Check(notice::CompareDateText(a, a) == 0, "a date equals itself");
    const int bc = notice::CompareDateText(b, c), ac = notice::CompareDateText(a, c);
    if (ab > 0 && bc > 0) fuzz::Check(ac > 0, "later than later is later");
    if (ab == 0 && bc == 0) fuzz::Check(ac == 0, "equal to equal is equal");

    const int y1 = in.ConsumeIntegralInRange(0, 9999), m1 = in.ConsumeIntegralInRange(1, 12),
              d1 = in.ConsumeIntegralInRange(1, 31);
    const int y2 = in.ConsumeIntegralInRange(0, 9999), m2 = in.ConsumeIntegralInRange(1, 12),
              d2 = in.ConsumeIntegralInRange(1, 31);
    const auto first = std::make_tuple(y1, m1, d1), second = std::make_tuple(y2, m2, d2);
    const int expected = second > first ? 1 : (second < first ? -1 : 0);
    fuzz::Check(Sign(notice::CompareDateText(DateText(y1, m1, d1), DateText(y2, m2, d2))) == expected,
                "written dates compare in calendar order");
}

std::vector<std::wstring> Fields(const std::wstring& text)
{
    std::vector<std::wstring> fields(1);
    for (const wchar_t ch : text) {
        if (ch == L'|' && fields.size() < 7)
            fields.emplace_back();
        else
            fields.back().push_back(ch);
    }
    return fields;
}

bool IsPrefixOf(const std::wstring& part, const std::wstring& whole) { return whole.compare(0, part.size(), part) == 0; }

void CheckRecord(const std::wstring& text, const std::wstring& today)
{
    const std::optional<notice::NoticeRecord> record = notice::ParseNoticeRecord(text, today);
    const std::vector<std::wstring> fields = Fields(text);
    if (fields.size() < 7) {
        fuzz::Check(!record, "a record short of a separator is not shown");
        return;
    }
    if (!record) return;  // an end date that is past or does not fit
    fuzz::Check(notice::CompareDateText(record->endDate, today) <= 0, "a shown notice has not ended");
    fuzz::Check(record->endDate.size() <= notice::kEndDateCapacity, "the end date fits its buffer");
    // Each field is its part of the text, cut at its capacity.
    const std::pair<const std::wstring*, std::size_t> parts[] = {
        {&record->id, notice::kIdCapacity},     {&record->endDate, notice::kEndDateCapacity},
        {&record->title, notice::kTitleCapacity}, {&record->link, notice::kLinkCapacity},
        {&record->content, notice::kContentCapacity}, {&record->picUrl, notice::kPicUrlCapacity}};
    for (std::size_t i = 0; i < 6; ++i) {
        fuzz::Check(parts[i].first->size() <= parts[i].second, "a field fits its capacity");
        fuzz::Check(IsPrefixOf(*parts[i].first, fields[i]), "a field is the start of its part of the text");
        if (i != 1)
            fuzz::Check(parts[i].first->size() == std::min(fields[i].size(), parts[i].second),
                        "a field is cut only at its capacity");
    }
    const std::wstring& count = fields[6];
    if (!count.empty() && count.size() <= 9 && count.find_first_not_of(L"0123456789") == std::wstring::npos)
        fuzz::Check(record->showCount == std::stoi(count), "the count is the last field's number");

    for (const auto layout : {notice::Layout::PictureAndText, notice::Layout::Text, notice::Layout::Picture}) {
        const std::size_t keep = layout == notice::Layout::Text ? 68 : 51;
        const std::size_t width = layout == notice::Layout::Text ? 18 : 11;
        const std::wstring body = record->content.substr(0, keep) + L"...";
        const std::vector<std::wstring> lines = notice::BodyLines(record->content, layout);
        fuzz::Check(!lines.empty() && lines.size() <= 5, "one to five body lines");
        std::wstring joined;
        for (const auto& line : lines) {
            fuzz::Check(!line.empty() && line.size() <= width, "a body line holds 1 to width characters");
            joined += line;
        }
        fuzz::Check(joined == body.substr(0, joined.size()), "the lines are the body in order");
        fuzz::Check(lines.size() == 5 || joined == body, "fewer than five lines show the whole body");
    }
}

void CheckShouldShow(const std::wstring& text, const std::wstring& popInfo, const std::wstring& popEnable)
{
    const bool show = notice::ShouldShowNoticeText(text, popInfo, popEnable);
    if (text.empty()) fuzz::Check(!show, "an empty text is no notice");
    if (!text.empty() && popEnable != L"0") fuzz::Check(show, "only a dismissed notice stays hidden");
    if (!text.empty() && text.find(popInfo) == std::wstring::npos) fuzz::Check(show, "a new notice is shown");
    if (!text.empty()) fuzz::Check(!notice::ShouldShowNoticeText(text, text, L"0"), "a dismissed notice stays hidden");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The record text first, then a line with today's date and lines for the
    // comparison and the stored settings; numbers come off the end.
    FuzzedDataProvider in(data, size);
    const auto lines = fuzz::SplitBytes(data, size, '\n');
    auto line = [&](std::size_t i) { return i < lines.size() ? fuzz::WideFromBytes(lines[i]) : std::wstring(); };
    const std::wstring text = line(0), today = line(1), other = line(2), popEnable = line(3);

    CheckRecord(text, today.empty() ? L"2026-12-10" : today);
    CheckCompareDateText(today, other, text.substr(0, 40), in);
    CheckShouldShow(text, other, popEnable);
    return 0;
}

// Label wrapping and the message box's line split: any text (a notice body,
// a server's message) at any label width.
#include "skin/label_wrap.h"
#include "tests/fuzz/fuzz_input.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <string_view>

namespace {

// Widths vary by character, zero-width ones included, so lines break at
// irregular places; the sum is bounded by the input size and cannot overflow.
int CharWidth(wchar_t ch) { return static_cast<int>(static_cast<unsigned>(ch) % 23); }

int Measure(const std::wstring& line)
{
    int width = 0;
    for (const wchar_t ch : line) width += CharWidth(ch);
    return width;
}

std::wstring Without(std::wstring text, std::wstring_view drop)
{
    std::erase_if(text, [&](wchar_t ch) { return drop.find(ch) != std::wstring_view::npos; });
    return text;
}

std::wstring Join(const std::vector<std::wstring>& lines, wchar_t separator)
{
    std::wstring all;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) all.push_back(separator);
        all += lines[i];
    }
    return all;
}

std::vector<std::wstring> SplitAt(const std::wstring& text, wchar_t separator)
{
    std::vector<std::wstring> parts(1);
    for (const wchar_t ch : text) {
        if (ch == separator)
            parts.emplace_back();
        else
            parts.back().push_back(ch);
    }
    return parts;
}

void CheckWrap(const std::wstring& text, int width)
{
    const std::vector<std::wstring> lines = skin::WrapLabelText(text, width, Measure);
    // Each line feed ends a paragraph; each paragraph is cut into consecutive
    // lines that give it back whole, and a line ends early only when its
    // successor's first character would not have fitted (greedy, no gaps).
    std::size_t next = 0;
    for (const std::wstring& paragraph : SplitAt(Without(text, L"\r"), L'\n')) {
        std::wstring rebuilt;
        const std::wstring* previous = nullptr;
        do {
            fuzz::Check(next < lines.size(), "a line for every paragraph");
            const std::wstring& line = lines[next++];
            fuzz::Check(line.size() <= 1 || Measure(line) <= width, "a line of two or more characters fits");
            if (previous) {
                fuzz::Check(!line.empty(), "no empty line inside a paragraph");
                fuzz::Check(Measure(*previous + line.front()) > width, "a line breaks only when full");
            }
            rebuilt += line;
            previous = &line;
        } while (rebuilt.size() < paragraph.size());
        fuzz::Check(rebuilt == paragraph, "lines give back their paragraph");
    }
    fuzz::Check(next == lines.size(), "no line beyond the text");
}

void CheckMessageLines(const std::wstring& text)
{
    const auto feeds = std::count(text.begin(), text.end(), L'\n');
    fuzz::Check(skin::MessageBoxLineCount(text) == 1 + feeds, "line count is 1 + line feeds");

    const std::vector<std::wstring> lines = skin::SplitMessageLines(text);
    fuzz::Check(!lines.empty(), "at least one drawn line");
    // Re-joined at line feeds the lines give back the text, less the empty
    // line after a trailing feed, which is not drawn.
    std::wstring rejoined = Join(lines, L'\n');
    if (!text.empty() && text.back() == L'\n') rejoined.push_back(L'\n');
    fuzz::Check(rejoined == text, "drawn lines re-joined give back the text");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    // Integers come off the end of the input, so a seed is its text followed
    // by the width's bytes.
    const int width = input.ConsumeIntegralInRange<int>(-8, 400);
    const std::string rest = input.ConsumeRemainingBytesAsString();
    const std::wstring text = fuzz::WideFromBytes(rest);

    CheckWrap(text, width);
    CheckMessageLines(text);
    return 0;
}

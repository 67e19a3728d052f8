#include "skin/label_wrap.h"

#include <algorithm>

namespace skin {

bool LabelTooNarrow(int sampleWidth, int textWidth)
{
    return sampleWidth / kLabelSampleCount > textWidth;
}

std::vector<std::wstring> WrapLabelText(const std::wstring& text, int width,
                                        const LineMeasure& measure)
{
    std::vector<std::wstring> lines;
    std::wstring line;
    for (const wchar_t ch : text) {
        if (ch == L'\r')
            continue;
        if (ch == L'\n') {
            lines.push_back(std::move(line));
            line.clear();
            continue;
        }
        line.push_back(ch);
        // A single character stays even when too wide: breaking before it would
        // only add an empty line above it.
        if (line.size() > 1 && measure && measure(line) > width) {
            line.pop_back();
            lines.push_back(std::move(line));
            line.assign(1, ch);
        }
    }
    lines.push_back(std::move(line));
    return lines;
}

int MessageBoxLineCount(const std::wstring& text)
{
    return 1 + static_cast<int>(std::count(text.begin(), text.end(), L'\n'));
}

std::vector<std::wstring> SplitMessageLines(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    std::size_t start = 0;
    for (;;) {
        const std::size_t lf = text.find(L'\n', start);
        if (lf == std::wstring::npos)
            break;
        lines.push_back(text.substr(start, lf - start));
        start = lf + 1;
    }
    if (start < text.size() || lines.empty())
        lines.push_back(text.substr(start));
    return lines;
}

}  // namespace skin

// Line building for the skinned label and the skinned message box. Measuring is
// left to the caller (DrawText with DT_CALCRECT on the Win32 side), so the rules
// themselves stay portable: no Windows headers here.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace skin {

// Width in pixels that `line` takes when drawn as one line in the label's font.
using LineMeasure = std::function<int(const std::wstring& line)>;

// The label's average character width comes from this sample, measured with
// kLabelSampleCount characters: its ten characters and the terminating zero.
// The division by 11 rather than 10 is part of the label's look.
inline constexpr wchar_t kLabelWidthSample[] = L"\u6d4b\u8bd5\u7528\u6c49\u5b57\u6765\u83b7\u53d6\u5bbd\u5ea6";
inline constexpr int kLabelSampleCount = 11;

// True when the label draws no text at all: its average character width
// (sampleWidth / 11, truncated) exceeds the width available for text.
bool LabelTooNarrow(int sampleWidth, int textWidth);

// Greedy character-by-character lines of a label `width` pixels wide. Carriage
// returns are dropped; a line feed ends the line and is not part of it; a
// character that would make the line wider than `width` starts the next line
// (no word boundaries). A character wider than `width` on its own gets a line
// to itself. There is always at least one line, and the last one may be empty
// (empty text, or text ending in a line feed).
std::vector<std::wstring> WrapLabelText(const std::wstring& text, int width,
                                        const LineMeasure& measure);

// Line count the message box sizes itself by: 1 + the number of line feeds
// (a trailing line feed counts).
int MessageBoxLineCount(const std::wstring& text);

// The lines the message box draws: the text split at line feeds, which are not
// drawn; the empty line after a trailing line feed is not drawn either.
std::vector<std::wstring> SplitMessageLines(const std::wstring& text);

}  // namespace skin

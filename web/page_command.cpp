#include "web/page_command.h"

#include "core/hex_digit.h"

#include <algorithm>

namespace pagecmd {

namespace {

std::vector<std::wstring> SplitParameters(std::wstring_view text) {
    std::vector<std::wstring> params;
    while (!text.empty()) {
        std::size_t comma = text.find(L',');
        std::wstring_view next = text.substr(0, comma);
        if (params.size() < kMaxArgs - 1) params.emplace_back(next);
        text = comma == std::wstring_view::npos ? std::wstring_view{} : text.substr(comma + 1);
    }
    return params;
}

// The value of a key that starts `skip` characters after the key's end and runs
// to the next "&" or the end of the text.
std::wstring ValueAfterKey(std::wstring_view tail, std::wstring_view key, std::size_t skip) {
    std::size_t at = tail.find(key);
    if (at == std::wstring_view::npos) return {};
    std::size_t start = at + key.size() + skip;
    if (start >= tail.size()) return {};
    std::wstring_view rest = tail.substr(start);
    return std::wstring(rest.substr(0, rest.find(L'&')));
}

}  // namespace

std::optional<PageCommand> ParsePageCommand(std::wstring_view url) {
    if (url.substr(0, kCommandPrefix.size()) != kCommandPrefix) return std::nullopt;
    std::wstring_view rest = url.substr(kCommandPrefix.size());

    std::wstring_view commandText;
    std::wstring_view tail;
    std::size_t bar = rest.find(L'|');
    if (bar != std::wstring_view::npos) {
        commandText = rest.substr(0, bar);
        tail = rest.substr(bar + 1);
    } else {
        // The last character goes even when it is not the "/" that pages add.
        commandText = rest.empty() ? rest : rest.substr(0, rest.size() - 1);
    }

    PageCommand command;
    std::wstring_view paramText;
    std::size_t colon = commandText.find(L':');
    if (colon != std::wstring_view::npos) {
        command.name = commandText.substr(0, colon);
        paramText = commandText.substr(colon + 1);
    } else {
        command.name = commandText;
    }
    command.args.emplace_back(tail);
    for (auto& param : SplitParameters(paramText)) command.args.push_back(std::move(param));
    return command;
}

bool IsAppSchemeUrl(std::wstring_view url) { return url.substr(0, 4) == L"app:"; }

bool IsJavascriptUrl(std::wstring_view url) { return url.substr(0, 10) == L"javascript"; }

bool DispatchPageCommand(std::wstring_view url, const CommandTable& table) {
    std::optional<PageCommand> command = ParsePageCommand(url);
    if (!command) return false;
    for (const auto& [name, handler] : table)
        if (name == command->name) return handler(command->Count(), command->args);
    return false;
}

std::wstring AccountFromTail(std::wstring_view tail) { return ValueAfterKey(tail, L"uid=", 5); }

std::wstring ServerFromTail(std::wstring_view tail) { return ValueAfterKey(tail, L"server=", 0); }

std::string PercentUnescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            int high = hex::DigitValue(text[i + 1]);
            int low = hex::DigitValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out.push_back(static_cast<char>(high * 16 + low));
                i += 2;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

std::string UnescapeAccount(std::string_view text) {
    std::string bytes = PercentUnescape(text);
    bytes.resize(std::min(bytes.size(), bytes.find('\0')));
    return bytes;
}

}  // namespace pagecmd

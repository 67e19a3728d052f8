#include "mainwnd/enter_game.h"

#include "web/page_command.h"

namespace {

bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        wchar_t c = text[i];
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
        if (c != prefix[i]) return false;
    }
    return true;
}

}  // namespace

bool IsWebAddress(std::wstring_view address) {
    return StartsWithNoCase(address, L"http://") || StartsWithNoCase(address, L"https://");
}

EnterGameRequest ParseEnterGame(std::wstring_view address, std::wstring_view gameRoot) {
    EnterGameRequest request;
    const size_t marker = address.find(kEnterGameMarker);
    if (marker == std::wstring_view::npos) return request;
    request.kind = EnterGameRequest::kRefused;
    // A marker further in would put the text before it into the name: such an
    // address is no well-formed command and starts nothing.
    if (marker != 0) return request;

    // Read with the page command grammar: the name "entergame" and, as the
    // tail, everything after the marker's "|".
    const std::optional<pagecmd::PageCommand> command = pagecmd::ParsePageCommand(address);
    if (!command) return request;
    const std::wstring_view rest = command->Tail();
    const size_t bar = rest.find(L'|');
    const std::wstring_view rawName = rest.substr(0, bar);
    const std::wstring_view fallback = bar == std::wstring_view::npos ? gameRoot : rest.substr(bar + 1);

    std::wstring name;
    for (wchar_t c : rawName)
        if (c != L'/') name += c;
    // The same rule as the download dialog's, which gets this name.
    if (!IsSafeGameName(name)) return request;
    if (name[0] >= L'a' && name[0] <= L'z') name[0] = static_cast<wchar_t>(name[0] - 32);

    request.kind = EnterGameRequest::kCommand;
    request.name = std::move(name);
    request.fallback = IsWebAddress(fallback) ? std::wstring(fallback) : std::wstring(gameRoot);
    return request;
}

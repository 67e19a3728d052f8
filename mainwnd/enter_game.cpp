#include "mainwnd/enter_game.h"

#include "net/http_request.h"
#include "web/page_command.h"

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
    request.fallback = http::IsWebAddress(fallback) ? std::wstring(fallback) : std::wstring(gameRoot);
    return request;
}

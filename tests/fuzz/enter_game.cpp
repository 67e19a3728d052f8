// "entergame" from a game page: whatever a page (or a frame injected into it)
// sends, the launcher may start only a plain file name in its own folder and
// open only a web address.
#include "mainwnd/enter_game.h"
#include "net/http_request.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::wstring address = fuzz::WideFromBytes(data, size);
    const std::wstring root = L"http://xcjy.rvgame.cn/";
    const EnterGameRequest request = ParseEnterGame(address, root);

    const bool marked = address.find(kEnterGameMarker) != std::wstring::npos;
    fuzz::Check((request.kind == EnterGameRequest::kNotCommand) == !marked, "a command exactly with the marker");
    if (request.kind != EnterGameRequest::kCommand) return 0;

    fuzz::Check(address.starts_with(kEnterGameMarker), "only a command at the start is carried out");
    const std::wstring& name = request.name;
    fuzz::Check(!name.empty() && name.size() <= kMaxEnterGameName, "a name of 1 to 64 characters");
    for (const wchar_t c : name)
        fuzz::Check((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_' ||
                        c == L'-',
                    "a name is a plain file name: no path, drive or extension");
    fuzz::Check(!(name[0] >= L'a' && name[0] <= L'z'), "the first letter is upper case");
    fuzz::Check(IsSafeGameName(name), "the download dialog accepts every name the command passes");
    fuzz::Check(http::IsWebAddress(request.fallback), "the fallback is a web address");

    // The name is the text after the marker up to the next "|", without "/".
    const std::wstring rest = address.substr(kEnterGameMarker.size());
    std::wstring raw = rest.substr(0, rest.find(L'|'));
    std::erase(raw, L'/');
    fuzz::Check(raw.size() == name.size() && raw.substr(1) == name.substr(1), "the name comes from the address");
    const std::size_t bar = rest.find(L'|');
    if (bar != std::wstring::npos && http::IsWebAddress(rest.substr(bar + 1)))
        fuzz::Check(request.fallback == rest.substr(bar + 1), "a web fallback is kept as sent");
    else
        fuzz::Check(request.fallback == root, "otherwise the game site's root");
    return 0;
}

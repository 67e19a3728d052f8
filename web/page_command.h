// Page commands: a hosted page drives the launcher by navigating to an
// "app://" address, which the hosting window intercepts and cancels.
//
//   app://NAME[:P1,P2,...][|TAIL]
//
// The address is taken exactly as the browser reports it; nothing here decodes
// it. Windows code calls these from its before-navigate handlers; nothing here
// touches the Windows API.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pagecmd {

inline constexpr std::wstring_view kCommandPrefix = L"app://";

// Room for the tail and 99 parameters; parameters beyond that are dropped.
inline constexpr std::size_t kMaxArgs = 100;

struct PageCommand {
    std::wstring name;
    // args[0] is the tail (after the first "|", empty without one); args[1..n]
    // are the parameters in order. args.size() is the count handed to handlers.
    std::vector<std::wstring> args;

    int Count() const { return static_cast<int>(args.size()); }
    const std::wstring& Tail() const { return args.front(); }
};

// Nothing when the address does not start with "app://" (case-sensitive).
// Without a "|" the last character of the address is dropped before the name is
// read: pages write "app://minimize/", so "app://minimize" names "minimiz".
std::optional<PageCommand> ParsePageCommand(std::wstring_view url);

// The hosting windows' filter: "app:" (exactly, any form) never leaves the
// window; "javascript" addresses always proceed.
bool IsAppSchemeUrl(std::wstring_view url);
bool IsJavascriptUrl(std::wstring_view url);

// A window's command table, searched in order; names compare exactly.
using CommandHandler = std::function<bool(int count, const std::vector<std::wstring>& args)>;
using CommandTable = std::vector<std::pair<std::wstring, CommandHandler>>;

// Parses the address and runs the handler of its name. False when the address
// is not a page command or its name is not in the table; otherwise the
// handler's result (true: handled, cancel the navigation).
bool DispatchPageCommand(std::wstring_view url, const CommandTable& table);

// The account and server a login page puts in the game page address when it
// does not send them as parameters. The account starts 5 characters after the
// end of the first "uid=" (the pages put a 5-character prefix before it), the
// server right after the first "server="; each runs to the next "&" or the end
// of the tail. A missing key, or a tail too short for the prefix, gives "".
std::wstring AccountFromTail(std::wstring_view tail);
std::wstring ServerFromTail(std::wstring_view tail);

// Decodes %XX escapes (hex digits of either case) in a byte string. A "%" not
// followed by two hex digits is kept as it is.
std::string PercentUnescape(std::string_view text);

// An account's bytes as the page escaped them: unescaped, and ending at the
// first NUL. "a%00b" is the account "a": the tab, the duplicate-login rule and
// every text the account reaches would otherwise disagree about it.
std::string UnescapeAccount(std::string_view text);

}  // namespace pagecmd

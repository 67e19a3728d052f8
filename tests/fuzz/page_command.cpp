// Page commands: any address a hosted page navigates to, and the account,
// server and percent escapes a login page hands over with "loadgame".
#include "tests/fuzz/fuzz_input.h"
#include "web/page_command.h"

namespace {

std::wstring Join(const std::vector<std::wstring>& parts, std::size_t first, wchar_t separator)
{
    std::wstring all;
    for (std::size_t i = first; i < parts.size(); ++i) {
        if (i > first) all.push_back(separator);
        all += parts[i];
    }
    return all;
}

// The command re-joined from its parts gives back the address: name, then ":"
// and the parameters joined by "," (a single trailing "," is not a parameter),
// then "|" and the tail; without a "|" the address's last character was dropped.
void CheckRejoins(std::wstring_view url, const pagecmd::PageCommand& command)
{
    const std::wstring_view body = url.substr(pagecmd::kCommandPrefix.size());
    const std::size_t bar = body.find(L'|');
    const std::wstring_view commandText =
        bar != std::wstring_view::npos ? body.substr(0, bar) : body.substr(0, body.empty() ? 0 : body.size() - 1);
    const std::wstring_view tail = bar != std::wstring_view::npos ? body.substr(bar + 1) : std::wstring_view{};

    fuzz::Check(command.Count() >= 1 && command.args.size() <= pagecmd::kMaxArgs, "1..100 arguments");
    fuzz::Check(command.Tail() == tail, "the tail is everything after the first |");
    fuzz::Check(command.name.find_first_of(L":|") == std::wstring::npos, "a name holds no : or |");
    fuzz::Check(commandText.substr(0, command.name.size()) == command.name, "the name starts the command");

    const std::wstring_view after = commandText.substr(command.name.size());
    if (after.empty()) {
        fuzz::Check(command.Count() == 1, "no parameters without a :");
        return;
    }
    fuzz::Check(after.front() == L':', "the name ends at the first :");
    const std::wstring_view paramText = after.substr(1);
    for (std::size_t i = 1; i < command.args.size(); ++i)
        fuzz::Check(command.args[i].find(L',') == std::wstring::npos, "a parameter holds no ,");
    std::wstring rejoined = Join(command.args, 1, L',');
    if (command.args.size() < pagecmd::kMaxArgs) {
        if (!paramText.empty() && paramText.back() == L',') rejoined.push_back(L',');
        fuzz::Check(rejoined == paramText, "the parameters re-joined give back the parameter text");
    } else {
        fuzz::Check(paramText.substr(0, rejoined.size()) == rejoined, "the kept parameters come first");
    }
}

void CheckDispatch(std::wstring_view url, const std::optional<pagecmd::PageCommand>& command)
{
    std::wstring called;
    std::vector<std::wstring> seen;
    auto record = [&](const wchar_t* name, bool result) {
        return pagecmd::CommandHandler([&, name, result](int count, const std::vector<std::wstring>& args) {
            fuzz::Check(called.empty(), "one handler per dispatch");
            fuzz::Check(count == static_cast<int>(args.size()), "the count is the argument vector's size");
            called = name;
            seen = args;
            return result;
        });
    };
    const pagecmd::CommandTable table = {{L"minimize", record(L"minimize", true)},
                                         {L"exitgame", record(L"exitgame", true)},
                                         {L"restart", record(L"restart", true)},
                                         {L"loadgame", record(L"loadgame", false)}};
    const bool handled = pagecmd::DispatchPageCommand(url, table);
    bool known = false;
    if (command)
        for (const auto& entry : table) known = known || entry.first == command->name;
    fuzz::Check(called.empty() != known, "a handler runs exactly for a name in the table");
    if (known) {
        fuzz::Check(called == command->name && seen == command->args, "the handler gets the parsed arguments");
        fuzz::Check(handled == (called != L"loadgame"), "dispatch answers the handler's result");
    } else {
        fuzz::Check(!handled, "an unknown name or a non-command is not handled");
    }
}

// A value taken from a tail: `skip` characters after the end of the first
// `key`, running to the next "&" or the tail's end.
void CheckTailValue(std::wstring_view tail, std::wstring_view key, std::size_t skip, const std::wstring& value)
{
    fuzz::Check(value.find(L'&') == std::wstring::npos, "a tail value holds no &");
    if (value.empty()) return;
    const std::size_t keyAt = tail.find(key);
    fuzz::Check(keyAt != std::wstring_view::npos, "a value only where its key is");
    const std::size_t start = keyAt + key.size() + skip;
    fuzz::Check(tail.substr(start, value.size()) == value, "the value stands where its key says");
    const std::size_t end = start + value.size();
    fuzz::Check(end == tail.size() || tail[end] == L'&', "the value runs to & or the end");
}

std::string HexEscaped(std::string_view bytes, bool upper)
{
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += '%';
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

void CheckPercentUnescape(std::string_view raw)
{
    const std::string once = pagecmd::PercentUnescape(raw);
    fuzz::Check(once.size() <= raw.size(), "unescaping never lengthens");
    if (raw.find('%') == std::string_view::npos) fuzz::Check(once == raw, "no % leaves the text as it is");
    // Any bytes escaped whole come back exactly, with either case of hex digit.
    fuzz::Check(pagecmd::PercentUnescape(HexEscaped(raw, true)) == raw, "upper-case escapes round-trip");
    fuzz::Check(pagecmd::PercentUnescape(HexEscaped(raw, false)) == raw, "lower-case escapes round-trip");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::wstring url = fuzz::WideFromBytes(data, size);
    const std::optional<pagecmd::PageCommand> command = pagecmd::ParsePageCommand(url);
    fuzz::Check(command.has_value() == url.starts_with(pagecmd::kCommandPrefix), "a command exactly after app://");
    if (command) {
        fuzz::Check(pagecmd::IsAppSchemeUrl(url), "the hosting windows' filter keeps every command");
        CheckRejoins(url, *command);
        CheckTailValue(command->Tail(), L"uid=", 5, pagecmd::AccountFromTail(command->Tail()));
        CheckTailValue(command->Tail(), L"server=", 0, pagecmd::ServerFromTail(command->Tail()));
    }
    CheckDispatch(url, command);
    CheckPercentUnescape(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}

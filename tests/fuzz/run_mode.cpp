// Run mode from the command line and the executable's place. The command line
// is anyone's to choose, so every input must give one of the five modes, and
// only the first argument may matter.
#include "core/run_mode.h"
#include "tests/fuzz/fuzz_input.h"

namespace {

bool IsSwitchMode(int mode) { return mode == RUN_WEB || mode == RUN_LOGIN || mode == RUN_UNINSTALL; }

std::wstring FoldAscii(std::wstring text) {
    for (wchar_t& c : text)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Line 1: the executable's path, line 2: the install folder (both already
    // upper-cased by the caller), the other lines: the arguments.
    const auto lines = fuzz::SplitBytes(data, size, '\n');
    const std::wstring exe = fuzz::WideFromBytes(lines[0]);
    const std::wstring dir = lines.size() > 1 ? fuzz::WideFromBytes(lines[1]) : std::wstring();
    std::vector<std::wstring> args;
    for (std::size_t i = 2; i < lines.size(); ++i) args.push_back(fuzz::WideFromBytes(lines[i]));

    const int mode = RunModeFromArguments(args, exe, dir);
    fuzz::Check(mode >= RUN_INSTALL && mode <= RUN_UNINSTALL, "one of the five modes");

    const std::vector<std::wstring> firstOnly(args.begin(), args.begin() + (args.empty() ? 0 : 1));
    fuzz::Check(RunModeFromArguments(firstOnly, exe, dir) == mode, "only the first argument counts");

    if (!args.empty()) {
        const std::vector<std::wstring> flipped{fuzz::FlipAsciiCase(args.front())};
        fuzz::Check(RunModeFromArguments(flipped, exe, dir) == mode, "switches ignore ASCII case");
    }

    // Each switch word gives its mode, in any ASCII case, wherever the
    // executable lies; any other first argument gives no switch mode.
    const struct {
        const wchar_t* word;
        int mode;
    } switches[] = {{L"/webTovraD", RUN_WEB}, {L"/XCJY", RUN_LOGIN}, {L"/uninst", RUN_UNINSTALL}};
    for (const auto& s : switches) {
        const std::vector<std::wstring> word{s.word};
        fuzz::Check(RunModeFromArguments(word, exe, dir) == s.mode, "a switch word gives its mode");
        fuzz::Check(RunModeFromArguments({fuzz::FlipAsciiCase(s.word)}, exe, dir) == s.mode,
                    "a switch word in other letter case gives its mode");
        if (!args.empty() && args.front() == s.word) fuzz::Check(mode == s.mode, "the first argument's switch");
    }
    if (IsSwitchMode(mode)) {
        bool ownWord = false;
        for (const auto& s : switches) ownWord = ownWord || (s.mode == mode && FoldAscii(args.front()) == FoldAscii(s.word));
        fuzz::Check(ownWord, "a switch mode only from its own word");
    }

    if (IsSwitchMode(mode)) {
        fuzz::Check(RunModeFromArguments(firstOnly, L"", L"") == mode, "a switch does not depend on the place");
    } else {
        const bool inside = !dir.empty() && exe.find(dir) != std::wstring::npos;
        fuzz::Check(mode == (inside ? RUN_INSTALLED : RUN_INSTALL), "installed exactly inside the install folder");
        // More path around the folder keeps it inside.
        if (inside)
            fuzz::Check(RunModeFromArguments(firstOnly, L"X:\\" + exe + L"\\Y", dir) == RUN_INSTALLED,
                        "the folder is found anywhere in the path");
    }
    return 0;
}

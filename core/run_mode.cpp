#include "core/run_mode.h"

namespace {

wchar_t AsciiUpper(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

bool EqualsIgnoringAsciiCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    return true;
}

}  // namespace

std::optional<int> RunModeFromSwitch(const std::vector<std::wstring>& args) {
    if (args.empty()) return std::nullopt;
    static constexpr struct {
        std::wstring_view word;
        int mode;
    } kSwitches[] = {{L"/webTovraD", RUN_WEB}, {L"/XCJY", RUN_LOGIN}, {L"/uninst", RUN_UNINSTALL}};
    for (const auto& s : kSwitches)
        if (EqualsIgnoringAsciiCase(args.front(), s.word)) return s.mode;
    return std::nullopt;
}

int RunModeFromArguments(const std::vector<std::wstring>& args, std::wstring_view exePathUpper,
                         std::wstring_view installDirUpper) {
    if (const std::optional<int> mode = RunModeFromSwitch(args)) return *mode;
    // An empty folder path would be found in every path; it only arises when the
    // system cannot name the common application data folder.
    if (!installDirUpper.empty() && exePathUpper.find(installDirUpper) != std::wstring_view::npos)
        return RUN_INSTALLED;
    return RUN_INSTALL;
}

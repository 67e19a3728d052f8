#include "app/install_rules.h"


namespace install {

uint32_t UnseededRand(int index) {
    uint32_t state = 1;
    uint32_t value = 0;
    for (int i = 0; i <= index; ++i) {
        state = state * 214013u + 2531011u;
        value = (state >> 16) & 0x7FFF;
    }
    return value;
}

DisableDays DisableDaysFromMilliseconds(unsigned ms) {
    // The sums wrap in 32 bits when ms exceeds r + 7; the stored days follow
    // that arithmetic, so it is kept.
    const uint32_t r1 = UnseededRand(0), r2 = UnseededRand(1);
    uint32_t a = (r1 + 7u - ms) % 7u;
    uint32_t b = (r2 + 7u - ms) % 7u;
    uint32_t c = ms % 7u;
    if (c == a) c = (c + 6u) % 7u;
    if (b == a) b = (b + 1u) % 7u;
    return {static_cast<uint8_t>(a), static_cast<uint8_t>(b), static_cast<uint8_t>(c)};
}

namespace {

constexpr std::string_view kRetryHead =
    "cd\\\r\n"
    "set xcjy_tries=0\r\n"
    ":delexe\r\n"
    "ping -n 2 127.0.0.1 >nul\r\n";

std::string Quoted(std::string_view verb, std::string_view path, std::string_view tail = {}) {
    std::string line(verb);
    line += " \"";
    line += path;
    line += '"';
    line += tail;
    line += "\r\n";
    return line;
}

}  // namespace

std::string SelfDeleteBatchText(bool wipeFolder, const BatchPaths& paths, unsigned passes) {
    std::string text(kRetryHead);
    text += Quoted("del", paths.exe);
    text += Quoted("if not exist", paths.exe, " goto :gone");
    // The count is read anew each pass: cmd expands a line when it runs it.
    text += "set /a xcjy_tries+=1\r\n";
    text += "if %xcjy_tries% lss " + std::to_string(passes) + " goto :delexe\r\n";
    text += "goto :self\r\n";
    text += ":gone\r\n";
    if (wipeFolder) {
        text += Quoted("del", paths.folder, " /Q /F /A");
        text += Quoted("rd", paths.folder);
    }
    text += ":self\r\n";
    text += Quoted("del", paths.batch);
    return text;
}

std::wstring SurveyAddressWithCount(std::wstring_view surveyBase, unsigned count) {
    std::wstring address(surveyBase);
    address += L"&count=";
    address += std::to_wstring(count);
    return address;
}

std::optional<std::wstring> PerUserShortcutPath(std::wstring_view documents, std::wstring_view commonDesktop,
                                                std::wstring_view name) {
    const size_t profileEnd = documents.rfind(L'\\');
    const size_t desktopLeaf = commonDesktop.rfind(L'\\');
    if (profileEnd == std::wstring_view::npos || desktopLeaf == std::wstring_view::npos) return std::nullopt;
    std::wstring path(documents.substr(0, profileEnd));
    path += commonDesktop.substr(desktopLeaf);
    path += L'\\';
    path += name;
    path += L".lnk";
    return path;
}

std::optional<std::wstring> DumpPathFor(std::wstring_view exePath) {
    const size_t dot = exePath.rfind(L'.');
    if (dot == std::wstring_view::npos) return std::nullopt;
    std::wstring path(exePath.substr(0, dot));
    path += L".dmp";
    return path;
}

}  // namespace install

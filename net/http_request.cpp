#include "net/http_request.h"

namespace http {

namespace {

bool StartsWithNoCase(std::wstring_view text, std::wstring_view lowerPrefix) {
    if (text.size() < lowerPrefix.size()) return false;
    for (size_t i = 0; i < lowerPrefix.size(); ++i) {
        wchar_t c = text[i];
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
        if (c != lowerPrefix[i]) return false;
    }
    return true;
}

}  // namespace

bool IsWebAddress(std::wstring_view address) {
    return StartsWithNoCase(address, L"http://") || StartsWithNoCase(address, L"https://");
}

std::optional<AddressParts> SplitAddress(std::wstring_view address) {
    AddressParts parts;
    size_t slash = address.find(L'/');
    std::wstring_view host = address.substr(0, slash);
    std::wstring_view path = slash == std::wstring_view::npos ? std::wstring_view{} : address.substr(slash + 1);
    if (host.size() > kMaxHost || path.size() > kMaxPath) return std::nullopt;

    size_t colon = host.find(L':');
    if (colon != std::wstring_view::npos) {
        uint16_t port = 0;
        for (size_t i = colon + 1; i < host.size() && host[i] >= L'0' && host[i] <= L'9'; ++i)
            port = static_cast<uint16_t>(port * 10 + (host[i] - L'0'));
        parts.port = port;
        host = host.substr(0, colon);
    }
    parts.host.assign(host);
    parts.path.assign(path);
    return parts;
}

unsigned FetchPercent(uint64_t received, uint32_t announced) {
    if (announced == 0) return 100;
    return static_cast<unsigned>(received * 100 / announced);
}

std::wstring ProgressLabelText(unsigned percent) {
    return L"已加载  " + std::to_wstring(percent) + L"%";
}

bool IsSuccessStatus(std::wstring_view statusText) {
    if (statusText.size() != 3) return false;
    for (wchar_t c : statusText)
        if (c < L'0' || c > L'9') return false;
    return statusText[0] == L'2';
}

}  // namespace http

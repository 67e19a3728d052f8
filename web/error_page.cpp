#include "web/error_page.h"

namespace webpage {

std::optional<std::wstring> ErrorPageReplacement(std::wstring_view documentUrl, std::wstring_view exePath,
                                                 int pageId) {
    if (documentUrl != kBrowser404Page && documentUrl != kBrowserDnsErrorPage) return std::nullopt;
    if (exePath.empty()) return std::nullopt;
    return L"res://" + std::wstring(exePath) + L"/" + std::to_wstring(pageId);
}

}  // namespace webpage

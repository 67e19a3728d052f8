// Replacing the browser's own error pages with the launcher's local page.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace webpage {

// The browser control's pages for a missing page and for an unreachable host.
inline constexpr std::wstring_view kBrowser404Page = L"res://ieframe.dll/http_404_webOC.htm";
inline constexpr std::wstring_view kBrowserDnsErrorPage = L"res://ieframe.dll/dnserrordiagoff_webOC.htm";

// The address to show instead of the document at documentUrl: "res://<exe>/<id>"
// when the document is one of the browser's error pages, otherwise nothing.
// Nothing too when the executable's path is unknown (empty).
std::optional<std::wstring> ErrorPageReplacement(std::wstring_view documentUrl, std::wstring_view exePath,
                                                 int pageId);

}  // namespace webpage

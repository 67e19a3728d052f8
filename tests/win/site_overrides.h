// The administrator-only site overrides, written for a test into the run's own
// wine prefix.
#pragma once

#include "framework/handles.h"
#include "net/operator_site.h"

#include <string>
#include <utility>
#include <vector>

namespace testutil {

// A loopback port where nothing listens (the discard port): where tests point
// the sites they do not serve.
inline const std::wstring kClosedLoopbackSite = L"127.0.0.1:9";

// Writes these overrides (name -> REG_SZ text) over whatever the key holds.
inline bool WriteSiteOverrides(const std::vector<std::pair<std::wstring, std::wstring>>& values) {
    HKEY created = nullptr;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, site::kSitesKeyPath, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_32KEY,
                          nullptr, &created, nullptr) != ERROR_SUCCESS)
        return false;
    fw::UniqueRegKey key(created);
    bool ok = true;
    for (const auto& [name, text] : values)
        ok = ok && ::RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                    static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    return ok;
}

// Every site on one host[:port], the platform domain its host.
inline std::vector<std::pair<std::wstring, std::wstring>> AllSitesOn(const std::wstring& hostPort) {
    std::wstring host = hostPort.substr(0, hostPort.find(L':'));
    return {{site::kValueGameSite, hostPort}, {site::kValueClientSite, hostPort},
            {site::kValuePaySite, hostPort},  {site::kValueUserSite, hostPort},
            {site::kValueForumSite, hostPort}, {site::kValuePlatformDomain, host}};
}

// The overrides for a scope: the key is removed again when the object goes.
class SiteOverrides {
public:
    // name -> REG_SZ text, in the 32-bit view the launcher reads.
    explicit SiteOverrides(const std::vector<std::pair<std::wstring, std::wstring>>& values)
        : ok_(WriteSiteOverrides(values)) {}
    ~SiteOverrides() {
        if (ok_) ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, site::kSitesKeyPath, KEY_WOW64_32KEY, 0);
    }
    SiteOverrides(SiteOverrides&& o) noexcept : ok_(std::exchange(o.ok_, false)) {}
    SiteOverrides& operator=(SiteOverrides&&) = delete;
    SiteOverrides(const SiteOverrides&) = delete;
    SiteOverrides& operator=(const SiteOverrides&) = delete;

    bool ok() const { return ok_; }

private:
    bool ok_ = false;
};

}  // namespace testutil

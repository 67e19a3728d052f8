// The administrator-only site overrides, written for a test into the run's own
// wine prefix and removed again when the object goes.
#pragma once

#include "framework/handles.h"
#include "net/operator_site.h"

#include <string>
#include <utility>
#include <vector>

namespace testutil {

class SiteOverrides {
public:
    // name -> REG_SZ text, in the 32-bit view the launcher reads.
    explicit SiteOverrides(const std::vector<std::pair<std::wstring, std::wstring>>& values) {
        HKEY created = nullptr;
        if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, site::kSitesKeyPath, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_32KEY,
                              nullptr, &created, nullptr) != ERROR_SUCCESS)
            return;
        fw::UniqueRegKey key(created);
        ok_ = true;
        for (const auto& [name, text] : values)
            ok_ = ok_ && ::RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }
    // Every site on one host[:port], the platform domain its host.
    static SiteOverrides AllOn(const std::wstring& hostPort) {
        std::wstring host = hostPort.substr(0, hostPort.find(L':'));
        return SiteOverrides({{site::kValueGameSite, hostPort},
                              {site::kValueClientSite, hostPort},
                              {site::kValuePaySite, hostPort},
                              {site::kValueUserSite, hostPort},
                              {site::kValueForumSite, hostPort},
                              {site::kValuePlatformDomain, host}});
    }
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

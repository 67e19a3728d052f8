// The local operator site as the network tests see it: its address (from
// tests/with_opsite.sh), its control endpoint, and an MD5 of the system's
// own to check the launcher's identities against.
#pragma once

#include "framework/handles.h"

#include <wincrypt.h>
#include <wininet.h>

#include <cstdio>
#include <string>

namespace opsite {

// host:port of the site, empty when the tests run without it.
inline std::wstring Address() {
    wchar_t value[128] = {};
    DWORD n = ::GetEnvironmentVariableW(L"XCJY_TEST_SITE", value, 128);
    return n > 0 && n < 128 ? std::wstring(value, n) : std::wstring();
}

inline std::wstring Url(const std::wstring& path) { return L"http://" + Address() + path; }

// GET of a site address by WinInet's plain URL call (not the launcher's
// fetch); the body, or "" on failure.
inline std::string Get(const std::wstring& url) {
    std::string body;
    HINTERNET root = ::InternetOpenW(L"tests", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    if (!root) return body;
    HINTERNET h = ::InternetOpenUrlW(root, url.c_str(), nullptr, 0, INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
    if (h) {
        char buffer[4096];
        DWORD n = 0;
        while (::InternetReadFile(h, buffer, sizeof buffer, &n) && n > 0) body.append(buffer, n);
        ::InternetCloseHandle(h);
    }
    ::InternetCloseHandle(root);
    return body;
}

// A text as a query value: UTF-8, every byte but letters and digits escaped.
inline std::wstring Encode(const std::wstring& text) {
    int n = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(), n, nullptr, nullptr);
    std::wstring out;
    wchar_t hex[4];
    for (unsigned char c : utf8) {
        if (isalnum(c)) {
            out += static_cast<wchar_t>(c);
        } else {
            std::swprintf(hex, 4, L"%%%02X", c);
            out += hex;
        }
    }
    return out;
}

// /_control/<query>, e.g. Control(L"fault?path=/x&mode=404").
inline std::string Control(const std::wstring& query) { return Get(Url(L"/_control/" + query)); }

// Number of logged requests whose request line contains `text`.
inline int CountRequests(const std::string& text) {
    std::string log = Control(L"requests");
    int count = 0;
    for (size_t at = log.find("\"request_line\""); at != std::string::npos; at = log.find("\"request_line\"", at + 1)) {
        size_t end = log.find('\n', at);
        if (log.substr(at, end - at).find(text) != std::string::npos) ++count;
    }
    return count;
}

// MD5 of a file by the system's CryptoAPI, 32 lower-case hex digits.
inline std::wstring SystemMd5(const std::wstring& path) {
    std::wstring hex;
    HCRYPTPROV provider = 0;
    if (!::CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) return hex;
    HCRYPTHASH hash = 0;
    if (::CryptCreateHash(provider, CALG_MD5, 0, 0, &hash)) {
        if (std::FILE* f = ::_wfopen(path.c_str(), L"rb")) {
            BYTE block[8192];
            size_t n;
            while ((n = std::fread(block, 1, sizeof block, f)) > 0) ::CryptHashData(hash, block, static_cast<DWORD>(n), 0);
            std::fclose(f);
            BYTE digest[16];
            DWORD size = sizeof digest;
            if (::CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0)) {
                wchar_t two[3];
                for (BYTE b : digest) {
                    std::swprintf(two, 3, L"%02x", b);
                    hex += two;
                }
            }
        }
        ::CryptDestroyHash(hash);
    }
    ::CryptReleaseContext(provider, 0);
    return hex;
}

// A launcher build's identity as the operator publishes it for version 15,1,23,3.
inline std::wstring PublishedIdentity(const std::wstring& path) {
    std::wstring md5 = SystemMd5(path);
    return md5.empty() ? md5 : md5.substr(0, 23) + L"15,1,23,3";
}

// The Unix path of a file, for the operator site that runs outside wine.
inline std::wstring UnixPath(const std::wstring& path) {
    using ToUnix = char*(CDECL*)(const wchar_t*);
    auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix) return {};
    char* unix = toUnix(path.c_str());
    if (!unix) return {};
    std::wstring out;
    int n = ::MultiByteToWideChar(CP_UTF8, 0, unix, -1, nullptr, 0);
    out.resize(n > 0 ? n - 1 : 0);
    ::MultiByteToWideChar(CP_UTF8, 0, unix, -1, out.data(), n);
    ::HeapFree(::GetProcessHeap(), 0, unix);
    return out;
}

// The value of `key` in the [VerKey] section of the site's ConfigXcjy.htm.
inline std::wstring PublishedValue(const std::string& key) {
    std::string config = Get(Url(L"/ConfigXcjy.htm"));
    size_t at = config.find("\n" + key + "=");
    if (at == std::string::npos) return {};
    at += key.size() + 2;
    std::string value = config.substr(at, config.find_first_of("\r\n", at) - at);
    return std::wstring(value.begin(), value.end());
}

}  // namespace opsite

#include "app/survey_standin.h"

#include "app/launcher_app.h"

#include <wininet.h>

namespace standin {

namespace {

struct InternetTraits {
    static HINTERNET invalid() { return nullptr; }
    static void close(HINTERNET h) { ::InternetCloseHandle(h); }
};
using UniqueInternet = fw::Unique<HINTERNET, InternetTraits>;

void SetTimeouts(HINTERNET h) {
    DWORD ms = 10000;
    ::InternetSetOptionW(h, INTERNET_OPTION_CONNECT_TIMEOUT, &ms, sizeof ms);
    ::InternetSetOptionW(h, INTERNET_OPTION_SEND_TIMEOUT, &ms, sizeof ms);
    ::InternetSetOptionW(h, INTERNET_OPTION_RECEIVE_TIMEOUT, &ms, sizeof ms);
}

void Ping(const std::wstring& address) {
    if (address.size() < 7 || ::CompareStringOrdinal(address.c_str(), 7, L"http://", 7, TRUE) != CSTR_EQUAL) return;
    std::wstring rest = address.substr(7);
    const size_t slash = rest.find(L'/');
    std::wstring host = rest.substr(0, slash);
    std::wstring path = slash == std::wstring::npos ? std::wstring() : rest.substr(slash + 1);
    INTERNET_PORT port = 80;
    if (size_t colon = host.find(L':'); colon != std::wstring::npos) {
        port = static_cast<INTERNET_PORT>(_wtoi(host.c_str() + colon + 1));
        host.resize(colon);
    }
    UniqueInternet root(::InternetOpenW(L"LNC", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!root) return;
    UniqueInternet connection(
        ::InternetConnectW(root.get(), host.c_str(), port, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) return;
    SetTimeouts(connection.get());
    UniqueInternet request(::HttpOpenRequestW(connection.get(), L"GET", path.c_str(), L"HTTP/1.1", nullptr, nullptr,
                                              INTERNET_FLAG_RELOAD, 0));
    if (!request) return;
    SetTimeouts(request.get());
    static const wchar_t kHeaders[] =
        L"Accept-Language: zh-cn \r\nContent-Type: application/x-www-form-urlencoded\r\n";
    ::HttpSendRequestW(request.get(), kHeaders, 74, nullptr, 0);
}

}  // namespace

DWORD WINAPI PingInBackground(LPVOID param) {
    const auto* request = static_cast<const PingRequest*>(param);
    const std::wstring address = request->address.substr(0, 511);
    CLauncherApp* owner = request->owner;
    ::SetEvent(owner->m_hEvtPingTaken.get());
    Ping(address);
    ::SetEvent(owner->m_hEvtPingDone.get());
    return 0;
}

}  // namespace standin

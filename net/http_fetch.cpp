#include "net/http_fetch.h"

#include "net/http_request.h"
#include "net/operator_site_win.h"

#include <cstdio>
#include <memory>
#include <vector>

FetchHandles::FetchHandles() { ::InitializeCriticalSection(&m_lock); }

FetchHandles::~FetchHandles() {
    CloseAll();
    ::DeleteCriticalSection(&m_lock);
}

namespace {

class Lock {
public:
    explicit Lock(CRITICAL_SECTION& cs) : m_cs(cs) { ::EnterCriticalSection(&m_cs); }
    ~Lock() { ::LeaveCriticalSection(&m_cs); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    CRITICAL_SECTION& m_cs;
};

}  // namespace

BOOL FetchHandles::Store(Slot slot, HINTERNET h) {
    Lock lock(m_lock);
    if (m_bCancelled) {
        ::InternetCloseHandle(h);
        return FALSE;
    }
    m_handles[slot] = h;
    return TRUE;
}

HINTERNET FetchHandles::Get(Slot slot) const {
    Lock lock(m_lock);
    return m_handles[slot];
}

void FetchHandles::CloseAll() {
    Lock lock(m_lock);
    for (Slot slot : {Request, Connect, Internet}) {
        if (m_handles[slot]) ::InternetCloseHandle(m_handles[slot]);
        m_handles[slot] = nullptr;
    }
}

void FetchHandles::Cancel() {
    Lock lock(m_lock);
    m_bCancelled = true;
    // Closing the request makes a read blocked on it in the fetch's thread
    // return at once with an error; the fetch then finds its handles gone.
    for (Slot slot : {Request, Connect, Internet}) {
        if (m_handles[slot]) ::InternetCloseHandle(m_handles[slot]);
        m_handles[slot] = nullptr;
    }
}

bool FetchHandles::Cancelled() const {
    Lock lock(m_lock);
    return m_bCancelled;
}

void FetchHandles::Reset() {
    CloseAll();
    Lock lock(m_lock);
    m_bCancelled = false;
}

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

void SetTimeouts(HINTERNET h, const FetchTimeouts& t) {
    DWORD connect = t.connectMs, send = t.sendMs, receive = t.receiveMs;
    ::InternetSetOptionW(h, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
    ::InternetSetOptionW(h, INTERNET_OPTION_SEND_TIMEOUT, &send, sizeof send);
    ::InternetSetOptionW(h, INTERNET_OPTION_RECEIVE_TIMEOUT, &receive, sizeof receive);
    ::InternetSetOptionW(h, INTERNET_OPTION_DATA_SEND_TIMEOUT, &send, sizeof send);
    ::InternetSetOptionW(h, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, &receive, sizeof receive);
}

// Opens root, connection and GET request for the address into handles.
// FALSE when any of them cannot be opened (those opened stay in handles).
BOOL OpenRequest(const http::AddressParts& parts, const FetchTimeouts& timeouts, FetchHandles& handles) {
    HINTERNET root = ::InternetOpenW(http::kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (!root || !handles.Store(FetchHandles::Internet, root)) return FALSE;
    SetTimeouts(root, timeouts);

    HINTERNET connect = ::InternetConnectW(root, parts.host.c_str(), parts.port, nullptr, nullptr,
                                           INTERNET_SERVICE_HTTP, 0, 0);
    if (!connect || !handles.Store(FetchHandles::Connect, connect)) return FALSE;
    SetTimeouts(connect, timeouts);

    HINTERNET request = ::HttpOpenRequestW(connect, L"GET", parts.path.c_str(), L"HTTP/1.1", nullptr, nullptr,
                                           INTERNET_FLAG_RELOAD, 0);
    if (!request || !handles.Store(FetchHandles::Request, request)) return FALSE;
    SetTimeouts(request, timeouts);
    return TRUE;
}

BOOL SendRequest(HINTERNET request, const void* body, DWORD bodySize) {
    return ::HttpSendRequestW(request, http::kHeaderBlock.data(), static_cast<DWORD>(http::kHeaderBlock.size()),
                              const_cast<void*>(body), bodySize);
}

bool StatusIsSuccess(HINTERNET request) {
    wchar_t status[16] = {};
    DWORD size = sizeof status;
    if (!::HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE, status, &size, nullptr)) return false;
    return http::IsSuccessStatus(status);
}

bool AnnouncedLength(HINTERNET request, uint32_t& length) {
    DWORD value = 0;
    DWORD size = sizeof value;
    if (!::HttpQueryInfoW(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &value, &size, nullptr))
        return false;
    if (size != 4) return false;
    length = value;
    return true;
}

BOOL ReadIntoMemory(HINTERNET request, uint32_t announced, std::wstring& text) {
    if (!http::FitsMemorySink(announced)) return FALSE;
    std::vector<char> bytes(announced + 1);
    DWORD got = 0;
    if (!::InternetReadFile(request, bytes.data(), announced, &got)) return FALSE;
    // The whole announced size must have arrived in the one read.
    if (got < announced) return FALSE;
    text.clear();
    if (announced == 0) return TRUE;
    wchar_t wide[http::kMemoryBodyLimit] = {};
    int n = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(announced), wide,
                                  static_cast<int>(http::kMemoryBodyLimit));
    if (n <= 0) return FALSE;
    text.assign(wide, static_cast<size_t>(n));
    return TRUE;
}

BOOL ReadIntoFile(const FetchOptions& options, FetchHandles& handles, uint32_t announced) {
    UniqueFile file(::_wfopen(options.targetPath.c_str(), L"wb"));
    if (!file) return FALSE;
    const unsigned blockSize = options.blockSize ? options.blockSize : 512;
    std::vector<char> block(blockSize);
    uint64_t total = 0;
    bool written = true;
    unsigned lastPercent = ~0u;
    for (;;) {
        HINTERNET request = handles.Get(FetchHandles::Request);
        if (!request) break;  // cancelled
        DWORD n = 0;
        if (!::InternetReadFile(request, block.data(), blockSize, &n)) break;
        if (n > 0 && std::fwrite(block.data(), 1, n, file.get()) != n) {
            written = false;  // disk full: the file is not what was sent
            break;
        }
        total += n;
        if (options.onProgress) {
            const unsigned percent = http::FetchPercent(total, announced);
            options.onProgress(percent, percent != lastPercent);
            lastPercent = percent;
        }
        if (n == 0) break;
    }
    if (std::fclose(file.release()) != 0) written = false;
    return written && total >= announced && !handles.Cancelled();
}

bool ContainsPlatformDomain(const std::wstring& address) {
    const std::wstring& domain = CurrentSite().platformDomain;
    return !domain.empty() && address.find(domain) != std::wstring::npos;
}

}  // namespace

BOOL HttpFetch(const FetchOptions& options) {
    if (options.requireDomain && !ContainsPlatformDomain(options.address)) return FALSE;
    if (options.sink == FetchSink::Memory && !options.textOut) return FALSE;
    std::wstring_view address = options.address;
    if (options.skipScheme) address = address.size() > 7 ? address.substr(7) : std::wstring_view{};
    std::optional<http::AddressParts> parts = http::SplitAddress(address);
    if (!parts) return FALSE;

    FetchHandles local;
    FetchHandles& handles = options.handleHolder ? *options.handleHolder : local;
    BOOL ok = FALSE;
    if (OpenRequest(*parts, options.timeouts, handles)) {
        HINTERNET request = handles.Get(FetchHandles::Request);
        uint32_t announced = 0;
        if (request && SendRequest(request, nullptr, 0) && StatusIsSuccess(request) &&
            AnnouncedLength(request, announced)) {
            ok = options.sink == FetchSink::Memory ? ReadIntoMemory(request, announced, *options.textOut)
                                                   : ReadIntoFile(options, handles, announced);
        }
    }
    handles.CloseAll();
    return ok;
}

FetchOptions OperatorFileFetch(const std::wstring& address, const std::wstring& targetPath, unsigned blockSize,
                               BOOL requireDomain) {
    FetchOptions options;
    options.address = address;
    options.skipScheme = TRUE;
    options.requireDomain = requireDomain;
    options.blockSize = blockSize;
    options.targetPath = targetPath;
    return options;
}

FetchOptions OperatorTextFetch(const std::wstring& address, std::wstring* text) {
    FetchOptions options;
    options.address = address;
    options.skipScheme = TRUE;
    options.requireDomain = TRUE;
    options.sink = FetchSink::Memory;
    options.textOut = text;
    return options;
}

BOOL HttpPing(const std::wstring& address, const std::wstring& body, const FetchTimeouts& timeouts) {
    if (address.size() < 7 || ::CompareStringOrdinal(address.c_str(), 7, L"http://", 7, TRUE) != CSTR_EQUAL)
        return FALSE;
    std::optional<http::AddressParts> parts = http::SplitAddress(std::wstring_view(address).substr(7));
    if (!parts) return FALSE;
    FetchHandles handles;
    BOOL sent = FALSE;
    if (OpenRequest(*parts, timeouts, handles)) {
        // No use sends a body; a non-empty one goes as its UTF-8 bytes.
        std::string bytes;
        if (!body.empty()) {
            int n = ::WideCharToMultiByte(CP_UTF8, 0, body.c_str(), static_cast<int>(body.size()), nullptr, 0,
                                          nullptr, nullptr);
            bytes.resize(static_cast<size_t>(n));
            ::WideCharToMultiByte(CP_UTF8, 0, body.c_str(), static_cast<int>(body.size()), bytes.data(), n, nullptr,
                                  nullptr);
        }
        sent = SendRequest(handles.Get(FetchHandles::Request), bytes.empty() ? nullptr : bytes.data(),
                           static_cast<DWORD>(bytes.size()));
    }
    handles.CloseAll();
    return sent;
}

DWORD WINAPI PingInBackground(LPVOID param) {
    const PingRequest& request = *static_cast<const PingRequest*>(param);
    std::wstring address = request.address.substr(0, 511);
    std::wstring body = request.body.substr(0, 255);
    HANDLE done = request.done;
    // From here on the request may be gone: the starter goes on once it sees
    // this event.
    ::SetEvent(request.taken);
    HttpPing(address, body);
    ::SetEvent(done);
    return 0;
}

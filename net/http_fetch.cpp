#include "net/http_fetch.h"

#include "net/http_request.h"
#include "net/operator_site_win.h"

#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <memory>
#include <vector>

FetchHandles::FetchHandles() : m_cancelEvent(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    ::InitializeCriticalSection(&m_lock);
}

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
    ::SetEvent(m_cancelEvent.get());
    for (Slot slot : {Request, Connect, Internet}) {
        if (m_handles[slot]) ::InternetCloseHandle(m_handles[slot]);
        m_handles[slot] = nullptr;
    }
}

void FetchHandles::Abandon(Discard discard) {
    Lock lock(m_lock);
    m_bCancelled = true;
    ::SetEvent(m_cancelEvent.get());
    if (discard == Discard::PartialFile && m_target) {
        FILE_DISPOSITION_INFO gone{TRUE};
        ::SetFileInformationByHandle(m_target, FileDispositionInfo, &gone, sizeof gone);
    }
}

UniqueStdioFile FetchHandles::OpenTarget(const std::wstring& path) {
    Lock lock(m_lock);
    if (m_bCancelled) return {};
    // DELETE access lets Abandon mark the file for deletion on this handle.
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return {};
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), _O_WRONLY | _O_BINARY);
    if (fd == -1) {
        ::CloseHandle(h);
        return {};
    }
    UniqueStdioFile file(::_fdopen(fd, "wb"));
    if (!file) {
        ::_close(fd);
        return {};
    }
    m_target = h;
    return file;
}

void FetchHandles::ForgetTarget() {
    Lock lock(m_lock);
    m_target = nullptr;
}

bool FetchHandles::Cancelled() const {
    Lock lock(m_lock);
    return m_bCancelled;
}

bool FetchHandles::WriteUnlessCancelled(std::FILE* file, const char* data, size_t size) {
    Lock lock(m_lock);
    return !m_bCancelled && std::fwrite(data, 1, size, file) == size;
}

void FetchHandles::Reset() {
    CloseAll();
    Lock lock(m_lock);
    m_bCancelled = false;
    ::ResetEvent(m_cancelEvent.get());
}

namespace {

void SetTimeouts(HINTERNET h, const FetchTimeouts& t) {
    DWORD connect = t.connectMs, send = t.sendMs, receive = t.receiveMs;
    ::InternetSetOptionW(h, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
    ::InternetSetOptionW(h, INTERNET_OPTION_SEND_TIMEOUT, &send, sizeof send);
    ::InternetSetOptionW(h, INTERNET_OPTION_RECEIVE_TIMEOUT, &receive, sizeof receive);
    ::InternetSetOptionW(h, INTERNET_OPTION_DATA_SEND_TIMEOUT, &send, sizeof send);
    ::InternetSetOptionW(h, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, &receive, sizeof receive);
}

uint64_t NowMs() { return ::GetTickCount64(); }

// What a fetch's request reports its asynchronous calls to. The system's
// worker threads call OnRequestStatus with the request's context, a
// SharedAsyncRequest that the request handle owns, and may do so after the
// fetch has given up: the object lives until the handle's closing notice, its
// last one. The fetch holds a reference of its own.
struct AsyncRequest {
    fw::UniqueHandle done{::CreateEventW(nullptr, FALSE, FALSE, nullptr)};  // a call completed
    std::atomic<bool> succeeded{false};                                      // ...and how
    DWORD_PTR context = 0;
    // A read fills this, not the fetch's stack: a read the fetch has given up
    // on may still be completing.
    std::vector<char> buffer = std::vector<char>(kMaxReadBytes);
    INTERNET_BUFFERSW piece{};
};
using SharedAsyncRequest = std::shared_ptr<AsyncRequest>;

void CALLBACK OnRequestStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD) {
    if (!context) return;
    auto* share = reinterpret_cast<SharedAsyncRequest*>(context);
    if (status == INTERNET_STATUS_REQUEST_COMPLETE) {
        (*share)->succeeded = static_cast<const INTERNET_ASYNC_RESULT*>(info)->dwResult != 0;
        ::SetEvent((*share)->done.get());
    } else if (status == INTERNET_STATUS_HANDLE_CLOSING) {
        std::unique_ptr<SharedAsyncRequest> last(share);
    }
}

// Opens root, connection and GET request for the address into handles; with
// `async`, in asynchronous mode, its calls reported to that object. FALSE
// when any of them cannot be opened (those opened stay in handles).
BOOL OpenRequest(const http::AddressParts& parts, const FetchTimeouts& timeouts, FetchHandles& handles,
                 const SharedAsyncRequest& async = nullptr) {
    HINTERNET root = ::InternetOpenW(http::kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr,
                                     async ? INTERNET_FLAG_ASYNC : 0);
    if (!root || !handles.Store(FetchHandles::Internet, root)) return FALSE;
    SetTimeouts(root, timeouts);
    if (async) ::InternetSetStatusCallbackW(root, OnRequestStatus);

    // Only the request reports (a handle with context 0 tells nothing).
    HINTERNET connect = ::InternetConnectW(root, parts.host.c_str(), parts.port, nullptr, nullptr,
                                           INTERNET_SERVICE_HTTP, 0, 0);
    if (!connect || !handles.Store(FetchHandles::Connect, connect)) return FALSE;
    SetTimeouts(connect, timeouts);

    auto share = async ? std::make_unique<SharedAsyncRequest>(async) : nullptr;
    if (async) async->context = reinterpret_cast<DWORD_PTR>(share.get());
    // A redirect is never followed: the answer must come from the host asked,
    // and a 3xx status then fails the fetch like any other non-2xx one.
    HINTERNET request = ::HttpOpenRequestW(connect, L"GET", parts.path.c_str(), L"HTTP/1.1", nullptr, nullptr,
                                           INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_AUTO_REDIRECT,
                                           async ? async->context : 0);
    if (!request) return FALSE;
    share.release();  // the request handle's until its closing notice
    if (!handles.Store(FetchHandles::Request, request)) return FALSE;
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

// Waits for the completion of the call that just went pending: TRUE when it
// succeeded within timeoutMs and the fetch was not cancelled meanwhile.
bool AwaitCompletion(const AsyncRequest& async, const FetchHandles& handles, DWORD timeoutMs) {
    const HANDLE events[] = {async.done.get(), handles.CancelEvent()};
    return ::WaitForMultipleObjects(2, events, FALSE, timeoutMs) == WAIT_OBJECT_0 && async.succeeded;
}

// Sends the request and waits for the answer's head within what the rules
// leave (the system ends the call itself at the handles' own time-outs).
bool SendAndAwait(HINTERNET request, const FetchOptions& options, const http::FetchClock& clock,
                  AsyncRequest& async, const FetchHandles& handles) {
    if (SendRequest(request, nullptr, 0)) return true;
    if (::GetLastError() != ERROR_IO_PENDING) return false;
    const FetchTimeouts& t = options.timeouts;
    return AwaitCompletion(async, handles, clock.NextTimeoutMs(t.connectMs + t.sendMs + t.receiveMs, NowMs()));
}

// One read of what has arrived, up to kMaxReadBytes, into async.buffer. It
// waits only while nothing has, and no longer than the per-read time-out and
// the rules allow: a read that waits for a full buffer would let a trickling
// server hold it for ever. got 0: the body has ended. FALSE on an error, a
// time-out or a cancel.
bool ReadArrived(HINTERNET request, const FetchOptions& options, const http::FetchClock& clock, AsyncRequest& async,
                 const FetchHandles& handles, DWORD& got) {
    for (;;) {
        async.piece = INTERNET_BUFFERSW{};
        async.piece.dwStructSize = sizeof async.piece;
        async.piece.lpvBuffer = async.buffer.data();
        async.piece.dwBufferLength = static_cast<DWORD>(async.buffer.size());
        // No reset of the event first (each is a round trip to the wine
        // server): only a call that went pending sets it, and its wait takes
        // the signal. A stray one would only make this loop read once more.
        if (::InternetReadFileExW(request, &async.piece, IRF_NO_WAIT, async.context)) {
            got = async.piece.dwBufferLength;
            return true;
        }
        if (::GetLastError() != ERROR_IO_PENDING) return false;
        // Nothing had arrived; the completion says that something has.
        if (!AwaitCompletion(async, handles, clock.NextTimeoutMs(options.timeouts.receiveMs, NowMs()))) return false;
    }
}

// Reads the body through `consume` until the end, within the rules; FALSE on
// a failed read, a broken rule, a cancel or a consumer's refusal.
template <typename Consume>
BOOL ReadBody(FetchHandles& handles, const FetchOptions& options, http::FetchClock& clock, AsyncRequest& async,
              Consume consume) {
    uint64_t total = 0;
    for (;;) {
        HINTERNET request = handles.Get(FetchHandles::Request);
        if (!request || handles.Cancelled()) return FALSE;
        DWORD n = 0;
        if (!ReadArrived(request, options, clock, async, handles, n)) return FALSE;
        total += n;
        clock.Arrived(n, NowMs());
        if (clock.TooLong(total) || clock.Expired(NowMs())) return FALSE;
        if (!consume(async.buffer.data(), n, total)) return FALSE;
        if (n == 0) return TRUE;
    }
}

BOOL ReadIntoMemory(const FetchOptions& options, FetchHandles& handles, http::FetchClock& clock, AsyncRequest& async,
                    uint32_t announced) {
    if (!http::FitsMemorySink(announced)) return FALSE;
    std::string bytes;
    auto keep = [&](const char* data, DWORD n, uint64_t total) {
        if (total > announced) return false;
        bytes.append(data, n);
        return true;
    };
    if (!ReadBody(handles, options, clock, async, keep) || bytes.size() < announced) return FALSE;
    std::wstring& text = *options.textOut;
    text.clear();
    if (announced == 0) return TRUE;
    wchar_t wide[http::kMemoryBodyLimit] = {};
    int n = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(announced), wide,
                                  static_cast<int>(http::kMemoryBodyLimit));
    if (n <= 0) return FALSE;
    text.assign(wide, static_cast<size_t>(n));
    return TRUE;
}

BOOL ReadIntoFile(const FetchOptions& options, FetchHandles& handles, http::FetchClock& clock, AsyncRequest& async,
                  uint32_t announced) {
    UniqueStdioFile file = handles.OpenTarget(options.targetPath);
    if (!file) return FALSE;
    unsigned lastPercent = ~0u;
    uint64_t received = 0;
    auto store = [&](const char* data, DWORD n, uint64_t total) {
        received = total;
        // A full or read-only disk: the file is not what was sent.
        if (n > 0 && !handles.WriteUnlessCancelled(file.get(), data, n)) return false;
        if (options.onProgress) {
            const unsigned percent = http::FetchPercent(total, announced);
            options.onProgress(percent, percent != lastPercent);
            lastPercent = percent;
        }
        return true;
    };
    BOOL read = ReadBody(handles, options, clock, async, store);
    handles.ForgetTarget();
    // The last block may still sit in the stream's buffer: a flush that
    // fails is a failed write. (Wine's fclose answers 0 when only its own
    // flush failed.)
    bool written = std::fflush(file.get()) == 0 && !std::ferror(file.get());
    written = std::fclose(file.release()) == 0 && written;
    // A cancelled download's partial file stays (unless its abandoning
    // discarded it).
    if (handles.Cancelled()) return FALSE;
    // A broken rule or a failed read leaves nothing behind.
    if (!read || !written || received < announced) {
        ::DeleteFileW(options.targetPath.c_str());
        return FALSE;
    }
    return TRUE;
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
    http::FetchClock clock(options.limits, NowMs());
    FetchTimeouts first = options.timeouts;
    first.connectMs = clock.NextTimeoutMs(first.connectMs, NowMs());
    auto async = std::make_shared<AsyncRequest>();
    BOOL ok = FALSE;
    if (async->done && OpenRequest(*parts, first, handles, async)) {
        HINTERNET request = handles.Get(FetchHandles::Request);
        uint32_t announced = 0;
        if (request && SendAndAwait(request, options, clock, *async, handles) && !clock.Expired(NowMs()) &&
            StatusIsSuccess(request) && AnnouncedLength(request, announced) && !clock.TooLong(announced)) {
            ok = options.sink == FetchSink::Memory ? ReadIntoMemory(options, handles, clock, *async, announced)
                                                   : ReadIntoFile(options, handles, clock, *async, announced);
        }
    }
    handles.CloseAll();
    return ok;
}

FetchOptions OperatorFileFetch(const std::wstring& address, const std::wstring& targetPath, BOOL requireDomain,
                               const http::FetchLimits& limits) {
    FetchOptions options;
    options.address = address;
    options.skipScheme = TRUE;
    options.requireDomain = requireDomain;
    options.targetPath = targetPath;
    options.limits = limits;
    return options;
}

FetchOptions OperatorTextFetch(const std::wstring& address, std::wstring* text) {
    FetchOptions options;
    options.address = address;
    options.skipScheme = TRUE;
    options.requireDomain = TRUE;
    options.sink = FetchSink::Memory;
    options.textOut = text;
    options.limits = http::SmallFileLimits(http::kNoticeMaxBytes);
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

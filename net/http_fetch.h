// The launcher's only two ways to talk HTTP. Every request has one shape: a
// WinInet GET over HTTP/1.1 with the agent "LNC", the fixed header block and the
// reload flag, so that every answer comes from the server and never the cache.
#pragma once

#include <windows.h>
#include <wininet.h>

#include "framework/handles.h"
#include "net/fetch_deadline.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

enum class FetchSink {
    File,    // the body goes to targetPath
    Memory,  // the whole body (under 1024 bytes) goes to *textOut
};

// Bounds on every request so that a dead or silent server costs seconds, not
// the player's whole start-up. WinInet ignores them on the root handle; they
// are set on the connection and on the request.
struct FetchTimeouts {
    DWORD connectMs = 10000;
    DWORD sendMs = 30000;
    DWORD receiveMs = 30000;  // without any data arriving
};

// Where a running fetch keeps its internet handles while it runs, so that
// another thread can cut it short. Every handle is closed exactly once: by the
// fetch when it ends, or by Cancel, whichever comes first; both go through
// this object's lock. The fetch never blocks in a network call: it waits for
// the calls it started, and for this object's cancel event.
struct StdioFileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using UniqueStdioFile = std::unique_ptr<std::FILE, StdioFileCloser>;

class FetchHandles {
public:
    FetchHandles();
    ~FetchHandles();
    FetchHandles(const FetchHandles&) = delete;
    FetchHandles& operator=(const FetchHandles&) = delete;

    enum Slot { Internet, Connect, Request, kSlots };

    // Takes over h. FALSE (and h closed) when the fetch was cancelled already.
    BOOL Store(Slot slot, HINTERNET h);
    HINTERNET Get(Slot slot) const;
    // Closes request, connection and root in that order, each if still open.
    void CloseAll();
    // From any thread: marks the fetch cancelled and closes its handles; the
    // fetch, waiting for its network call or between two of them, ends at once.
    void Cancel();
    // Marks the fetch cancelled without closing anything: for a caller that
    // walks away and must not wait even for the close. The fetch writes no
    // more and ends at once, closing its own handles. With
    // Discard::PartialFile its partial file is marked for deletion on its
    // handle, so it goes when that handle closes, even when the process ends
    // before the fetch does; otherwise it stays, as a cancelled download's does.
    enum class Discard { Nothing, PartialFile };
    void Abandon(Discard discard = Discard::Nothing);
    bool Cancelled() const;
    // Set once the fetch is cancelled or abandoned (manual reset).
    HANDLE CancelEvent() const { return m_cancelEvent.get(); }
    // Clears the cancel mark for the next fetch.
    void Reset();
    // Writes a block unless the fetch was cancelled, under the same lock as
    // Cancel: once Cancel has returned, no block reaches the file. FALSE when
    // cancelled or when the file took less than the block.
    bool WriteUnlessCancelled(std::FILE* file, const char* data, size_t size);
    // Creates (or truncates) the fetch's file unless the fetch was cancelled,
    // and remembers its handle for Abandon until ForgetTarget, which must come
    // before the file is closed.
    UniqueStdioFile OpenTarget(const std::wstring& path);
    void ForgetTarget();

private:
    mutable CRITICAL_SECTION m_lock;
    HINTERNET m_handles[kSlots] = {};
    HANDLE m_target = nullptr;  // the open file's handle, owned by its FILE
    bool m_bCancelled = false;
    fw::UniqueHandle m_cancelEvent;
};

// Told after every read into a file: the percentage of the announced
// length, and whether it differs from the previous block's. It runs on the
// fetch's thread; whoever shows it moves to its own thread if it must.
using FetchProgress = std::function<void(unsigned percent, bool changed)>;

struct FetchOptions {
    std::wstring address;        // [http://]host[:port]/path
    BOOL skipScheme = FALSE;     // drop the first 7 characters ("http://") unexamined
    BOOL requireDomain = FALSE;  // the address must contain the platform's domain text
    FetchSink sink = FetchSink::File;
    std::wstring targetPath;              // File sink: created or truncated
    std::wstring* textOut = nullptr;      // Memory sink: receives the body (at most 1024 characters)
    FetchProgress onProgress;             // told the percentage after every block
    FetchHandles* handleHolder = nullptr; // lets another thread cancel the fetch
    FetchTimeouts timeouts;               // per blocking call, cut further by limits
    http::FetchLimits limits;             // deadline, stall rule and size ceiling
};

// Reads are as large as what has arrived, up to this many bytes a call: under
// wine every socket read is one round trip to the wine server, whatever its
// size, so small reads cost a download most of its speed.
inline constexpr unsigned kMaxReadBytes = 256 * 1024;

// Downloads one resource; TRUE when a 2xx answer announced its length and at
// least that many body bytes were stored. No redirect is followed (a 3xx
// answer is a failed fetch), so an answer always comes from the host asked.
// A fetch that breaks its limits fails, and its partial file is deleted.
BOOL HttpFetch(const FetchOptions& options);

// The set-up every fetch of an address from the operator's files shares: the
// address is given with its "http://", which is dropped unexamined, and (with
// requireDomain) must contain the platform's domain text.
FetchOptions OperatorFileFetch(const std::wstring& address, const std::wstring& targetPath, BOOL requireDomain,
                               const http::FetchLimits& limits);
// The same into memory (the Memory sink, at most 1024 characters into *text),
// within the small-file limits.
FetchOptions OperatorTextFetch(const std::wstring& address, std::wstring* text);

// Sends a GET of an "http://" address and reads nothing of the answer; TRUE
// when the request was sent.
BOOL HttpPing(const std::wstring& address, const std::wstring& body,
              const FetchTimeouts& timeouts = FetchTimeouts{});

// What the ping worker is handed. It lives on the starter's stack: the worker
// copies it and then sets `taken`. The events are the starter's (manual-reset)
// and outlive the worker.
struct PingRequest {
    std::wstring address;  // at most 511 characters are used
    std::wstring body;     // at most 255 characters are used
    HANDLE taken = nullptr;  // set once the worker has copied the request
    HANDLE done = nullptr;   // set once the request has been sent (or failed)
};

// Thread procedure (argument a PingRequest*): copies the request, sets
// `taken`, pings, sets `done`. Exit code 0.
DWORD WINAPI PingInBackground(LPVOID request);

// The launcher's only two ways to talk HTTP. Every request has one shape: a
// WinInet GET over HTTP/1.1 with the agent "LNC", the fixed header block and the
// reload flag, so that every answer comes from the server and never the cache.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <string>

class CLauncherApp;
class CStaticEx;

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
// this object's lock.
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
    // From any thread: marks the fetch cancelled and closes its handles, which
    // makes a read blocked in the fetch's thread return with an error.
    void Cancel();
    bool Cancelled() const;
    // Clears the cancel mark for the next fetch.
    void Reset();

private:
    mutable CRITICAL_SECTION m_lock;
    HINTERNET m_handles[kSlots] = {};
    bool m_bCancelled = false;
};

// Sent to the parent of a fetch's progress label when the fetch runs on
// another thread than the label: wParam the percentage, lParam the CStaticEx*.
// The parent answers it with SetProgressLabelText on its own thread.
inline constexpr UINT WM_FETCH_LABEL_TEXT = WM_APP + 0x49;
void SetProgressLabelText(CStaticEx& label, unsigned percent);

struct FetchOptions {
    std::wstring address;        // [http://]host[:port]/path
    BOOL skipScheme = FALSE;     // drop the first 7 characters ("http://") unexamined
    BOOL requireDomain = FALSE;  // the address must contain the platform's domain text
    unsigned blockSize = 512;    // bytes asked for in each read (File sink)
    FetchSink sink = FetchSink::File;
    std::wstring targetPath;              // File sink: created or truncated
    std::wstring* textOut = nullptr;      // Memory sink: receives the body (at most 1024 characters)
    HWND progressBar = nullptr;           // told the percentage after every block
    CStaticEx* progressLabel = nullptr;   // its text becomes "已加载  N%" after every block
    FetchHandles* handleHolder = nullptr; // lets another thread cancel the fetch
    FetchTimeouts timeouts;
};

// Downloads one resource; TRUE when a 2xx answer announced its length and at
// least that many body bytes were stored.
BOOL HttpFetch(const FetchOptions& options);

// Sends a GET of an "http://" address and reads nothing of the answer; TRUE
// when the request was sent.
BOOL HttpPing(const std::wstring& address, const std::wstring& body,
              const FetchTimeouts& timeouts = FetchTimeouts{});

// What the ping worker is handed. It lives on the starter's stack: the worker
// copies it and then sets owner->m_hEvtPingTaken.
struct PingRequest {
    std::wstring address;  // at most 511 characters are used
    std::wstring body;     // at most 255 characters are used
    CLauncherApp* owner = nullptr;
};

// Thread procedure (argument a PingRequest*): copies the request, sets the
// owner's m_hEvtPingTaken, pings, sets m_hEvtPingDone. Exit code 0.
DWORD WINAPI PingInBackground(LPVOID request);

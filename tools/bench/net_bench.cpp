// Times the launcher's own HttpFetch and ComputeFileMd5 inside one process, so
// that wine's process start is not part of the figure:
//   net_bench fetch ADDRESS TARGET [bar]
//                                     the update download's options (scheme
//                                     skipped, domain required, reads of what
//                                     has arrived, the download limits, to a
//                                     file); prints "fetch ok|failed S s".
//                                     "bar" adds a shown progress bar, told the
//                                     percentage after every read as the update
//                                     dialog's bar is.
//   net_bench md5 PATH               prints "md5 DIGEST S s"
#include "net/build_identity.h"
#include "net/fetch_progress.h"
#include "net/http_fetch.h"

#include <commctrl.h>

#include <cstdio>
#include <string>

namespace {

class Stopwatch {
public:
    Stopwatch() { ::QueryPerformanceCounter(&start_); }
    double Seconds() const
    {
        LARGE_INTEGER now, freq;
        ::QueryPerformanceCounter(&now);
        ::QueryPerformanceFrequency(&freq);
        return static_cast<double>(now.QuadPart - start_.QuadPart) / static_cast<double>(freq.QuadPart);
    }

private:
    LARGE_INTEGER start_{};
};

// A shown progress bar in a window of its own, destroyed with the object.
class ShownProgressBar {
public:
    ShownProgressBar()
    {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS};
        ::InitCommonControlsEx(&controls);
        bar_ = ::CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_POPUP | WS_VISIBLE, 100, 100, 300, 20, nullptr, nullptr,
                                 nullptr, nullptr);
    }
    ~ShownProgressBar()
    {
        if (bar_) ::DestroyWindow(bar_);
    }
    ShownProgressBar(const ShownProgressBar&) = delete;
    ShownProgressBar& operator=(const ShownProgressBar&) = delete;
    HWND get() const { return bar_; }

private:
    HWND bar_ = nullptr;
};

int Fetch(const wchar_t* address, const wchar_t* target, bool withBar)
{
    ShownProgressBar bar;
    FetchOptions options;
    if (withBar) options.onProgress = ProgressBarReport(bar.get());
    options.address = address;
    options.skipScheme = TRUE;
    options.requireDomain = TRUE;
    options.limits = http::DownloadLimits(http::kUpdateMaxBytes);
    options.sink = FetchSink::File;
    options.targetPath = target;
    const Stopwatch watch;
    const BOOL ok = HttpFetch(options);
    std::printf("fetch %s %.3f s\n", ok ? "ok" : "failed", watch.Seconds());
    return ok ? 0 : 1;
}

int Md5(const wchar_t* path)
{
    std::wstring digest;
    const Stopwatch watch;
    const bool ok = ComputeFileMd5(path, digest);
    const double seconds = watch.Seconds();
    std::printf("md5 %ls %.3f s\n", ok ? digest.c_str() : L"failed", seconds);
    return ok ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if ((argc == 4 || argc == 5) && std::wstring(argv[1]) == L"fetch")
    {
        const bool withBar = argc == 5 && std::wstring(argv[4]) == L"bar";
        return Fetch(argv[2], argv[3], withBar);
    }
    if (argc == 3 && std::wstring(argv[1]) == L"md5") return Md5(argv[2]);
    std::fprintf(stderr, "usage: net_bench fetch ADDRESS TARGET [bar] | net_bench md5 PATH\n");
    return 2;
}

// Times program starts under one running wineserver, from CreateProcess to the
// first visible top-level window of the new process:
//   start_watch RUNS LABEL COMMANDLINE [LABEL COMMANDLINE ...]
// starts each command RUNS times, in turn (A B A B ...), ends each start once
// its window shows, and prints every time and each median in ms. The first
// visible window is the program's own signal that it is ready for the player,
// so the watcher needs to know nothing about either program.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Found {
    DWORD pid = 0;
    HWND window = nullptr;
};

BOOL CALLBACK FindShownWindow(HWND window, LPARAM param)
{
    auto* found = reinterpret_cast<Found*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    RECT r{};
    if (pid == found->pid && ::IsWindowVisible(window) && ::GetWindowRect(window, &r) && r.right > r.left &&
        r.bottom > r.top) {
        found->window = window;
        return FALSE;
    }
    return TRUE;
}

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER freq;
    ::QueryPerformanceFrequency(&freq);
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(freq.QuadPart);
}

class Started {
public:
    explicit Started(const std::wstring& commandLine)
    {
        std::wstring mutableLine = commandLine;
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        ::QueryPerformanceCounter(&start_);
        ok_ = ::CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                               &pi_) != FALSE;
    }
    ~Started()
    {
        if (!ok_) return;
        ::TerminateProcess(pi_.hProcess, 0);
        ::WaitForSingleObject(pi_.hProcess, 10000);
        ::CloseHandle(pi_.hThread);
        ::CloseHandle(pi_.hProcess);
    }
    Started(const Started&) = delete;
    Started& operator=(const Started&) = delete;

    // Seconds from the start to the first visible window, or -1 when the
    // process ended or nothing showed within the limit.
    double WaitShown(HWND* window, DWORD limitMs = 60000)
    {
        if (!ok_) return -1;
        Found found{pi_.dwProcessId, nullptr};
        const DWORD begin = ::GetTickCount();
        for (;;) {
            ::EnumWindows(FindShownWindow, reinterpret_cast<LPARAM>(&found));
            if (found.window) break;
            if (::WaitForSingleObject(pi_.hProcess, 1) == WAIT_OBJECT_0) return -1;
            if (::GetTickCount() - begin > limitMs) return -1;
        }
        LARGE_INTEGER now;
        ::QueryPerformanceCounter(&now);
        *window = found.window;
        return Seconds(start_, now);
    }

private:
    PROCESS_INFORMATION pi_{};
    LARGE_INTEGER start_{};
    bool ok_ = false;
};

std::string Narrow(const std::wstring& text)
{
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 1), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}

std::string Describe(HWND window)
{
    wchar_t cls[128] = L"", title[128] = L"";
    ::GetClassNameW(window, cls, 128);
    ::GetWindowTextW(window, title, 128);
    return "class \"" + Narrow(cls) + "\" title \"" + Narrow(title) + "\"";
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

int TimeStarts(int runs, const std::vector<std::pair<std::wstring, std::wstring>>& commands)
{
    std::vector<std::vector<double>> times(commands.size());
    for (int run = 0; run < runs; ++run) {
        for (size_t c = 0; c < commands.size(); ++c) {
            HWND window = nullptr;
            double seconds;
            {
                Started started(commands[c].second);
                seconds = started.WaitShown(&window);
                if (seconds < 0) {
                    std::printf("%s run %d: no window\n", Narrow(commands[c].first).c_str(), run + 1);
                    return 1;
                }
                std::printf("%s run %d: %.1f ms, %s\n", Narrow(commands[c].first).c_str(), run + 1,
                            seconds * 1000, Describe(window).c_str());
            }
            times[c].push_back(seconds * 1000);
            ::Sleep(300);  // let the ended process's windows and wineserver settle
        }
    }
    for (size_t c = 0; c < commands.size(); ++c)
        std::printf("median %s %.1f ms (min %.1f, max %.1f, %d runs)\n", Narrow(commands[c].first).c_str(),
                    Median(times[c]), *std::min_element(times[c].begin(), times[c].end()),
                    *std::max_element(times[c].begin(), times[c].end()), runs);
    std::fflush(stdout);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc >= 4 && argc % 2 == 0) {
        std::vector<std::pair<std::wstring, std::wstring>> commands;
        for (int i = 2; i + 1 < argc; i += 2) commands.emplace_back(argv[i], argv[i + 1]);
        return TimeStarts(_wtoi(argv[1]), commands);
    }
    std::fprintf(stderr, "usage: start_watch RUNS LABEL COMMANDLINE [LABEL COMMANDLINE ...]\n");
    return 2;
}

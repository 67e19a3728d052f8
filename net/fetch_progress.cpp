#include "net/fetch_progress.h"

#include <commctrl.h>

FetchProgress ProgressBarReport(HWND bar) {
    return [bar](unsigned percent, bool changed) {
        ::SendMessageW(bar, PBM_SETPOS, percent, 0);
        if (changed && ::GetWindowThreadProcessId(bar, nullptr) == ::GetCurrentThreadId()) ::UpdateWindow(bar);
    };
}

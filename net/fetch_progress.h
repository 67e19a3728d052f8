// A fetch's progress shown on a progress bar (the common control or the
// launcher's image bar, which answers the same messages).
#pragma once

#include "net/http_fetch.h"

// Tells the bar the percentage after every read. Many reads leave the
// percentage as it was (a slow server's reads are small); for those the bar is
// only told its position again: repainting it per read made the update
// download twice as slow under Wine. A fetch on
// the bar's own thread keeps that thread from painting until it ends, so on a
// change the bar is painted at once there.
FetchProgress ProgressBarReport(HWND bar);

#include "mainwnd/mute.h"

// Filled in next; keeps callers building.
BOOL ApplyMute(int) { return FALSE; }

// Silencing the game pages' sound on request.
#pragma once

#include <windows.h>

// Carries out the player's sound choice (nonzero = silence). TRUE when it was
// applied, FALSE when there is nothing to mute (no audio device). Call it on the
// user-interface thread.
BOOL ApplyMute(int mute);

// Version check against the remote configuration and the self-update.
#pragma once

#include <windows.h>

class CLauncherApp;

// Non-zero when a different build is published and the check is due. Answers 0
// at once in install and web mode. The remote check is not made yet: always 0.
int CheckForUpdate(CLauncherApp& app, BOOL forced);
// Non-zero when the new executable has replaced the running one and was started.
int RunSelfUpdate(CLauncherApp& app);
// Stores today as the day of the last update.
void RecordUpdateTime();

// Installation records, installing into the all-users folder, uninstalling.
#pragma once

#include <windows.h>

class CLauncherApp;

// Copies the launcher into the install folder, makes its shortcuts and starts
// the installed copy. Not yet done here: install mode ends without a change.
BOOL InstallSelf();
// Stores the update check's day mask.
BOOL WriteDisableDays();
// Removes the installation and reports it; signals app.m_hEvtPingDone once the
// report has finished (start-up waits for it).
void Uninstall(CLauncherApp& app);

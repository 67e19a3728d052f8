#include "app/install.h"

#include "app/launcher_app.h"

BOOL InstallSelf() { return FALSE; }

BOOL WriteDisableDays() { return FALSE; }

void Uninstall(CLauncherApp& app) {
    // Nothing is removed yet and no report is sent, so the report is done at once.
    ::SetEvent(app.m_hEvtPingDone.get());
}

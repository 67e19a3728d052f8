#include "net/update.h"

#include "app/launcher_app.h"
#include "app/run_mode.h"
#include "app/run_mode_win.h"

int CheckForUpdate(CLauncherApp&, BOOL) {
    int mode = ParseRunMode();
    if (mode == RUN_INSTALL || mode == RUN_WEB) return 0;
    return 0;
}

int RunSelfUpdate(CLauncherApp&) { return 0; }

void RecordUpdateTime() {}

#pragma once

#include <string>

// The run mode of this process (see run_mode.h).
int ParseRunMode();
// The all-users install folder: <common application data>\岚屿网络\GameLogin,
// without a trailing separator.
std::wstring InstallFolderPath();
// The running executable's full path.
std::wstring ExecutablePath();

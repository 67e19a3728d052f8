// Run modes: what one start of the executable is for, from its first argument
// and from where the executable lies.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum RunMode : int {
    RUN_INSTALL = 0,    // started from elsewhere: install a copy and start it
    RUN_WEB = 1,        // "/webTovraD": open the game site in the default browser
    RUN_LOGIN = 2,      // "/XCJY": the Start-menu shortcut
    RUN_INSTALLED = 3,  // no switch, started from the install folder
    RUN_UNINSTALL = 4,  // "/uninst"
};

// args: the arguments after the program name. exePathUpper and installDirUpper
// are already upper-cased (the caller uses the system's case mapping). Only the
// first argument is looked at; switches compare as whole strings ignoring ASCII
// case. Without a recognised switch the mode is RUN_INSTALLED when the
// executable's path contains the install folder's path anywhere.
int RunModeFromArguments(const std::vector<std::wstring>& args, std::wstring_view exePathUpper,
                         std::wstring_view installDirUpper);

// The mode the first argument names by itself, or nullopt when it is no
// switch (then only the paths decide, as above).
std::optional<int> RunModeFromSwitch(const std::vector<std::wstring>& args);

// Names of other games as "entergame" hands them over. The name becomes part
// of file names beside the launcher and in the temp folder, and it comes from
// a web page: only plain names may get that far.
#pragma once

#include <string_view>

// Letters, digits and "_", 1 to 32 characters: nothing that could climb out
// of a folder or name a device.
bool IsSafeGameName(std::wstring_view name);

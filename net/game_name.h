// Names of other games as "entergame" hands them over. The name becomes part
// of file names in the install folder, beside the launcher and in the temp
// folder, and it comes from a web page: only plain names may get that far.
// The page command and the download dialog both ask this one rule, so that a
// name the command accepts is never refused by the dialog.
#pragma once

#include <cstddef>
#include <string_view>

// The longest game name accepted.
inline constexpr std::size_t kMaxGameName = 64;

// 1 to 64 ASCII letters, digits, "_" or "-", and not a device name such as
// "Con" or "Com1" (which names the device even with ".exe" after it): nothing
// that could climb out of a folder, name a drive or a device, or add an
// extension.
bool IsSafeGameName(std::wstring_view name);

// Redirecting a function of this process to a replacement, for every caller,
// through a trampoline (see hook/code_patch.h for its layout). The trampoline
// becomes the pass-through entry: calling it behaves like the function before.
#pragma once

#include <windows.h>

// FALSE, changing nothing, when the trampoline is already in use or the
// target's first instructions cannot be moved.
BOOL InterceptFunction(const void* trampoline, const void* replacement);

// Puts the moved instructions back into the target. On failure the last error
// is 6 (the trampoline holds no moved code), 9 (the target does not begin with
// a jump), 12 (its jump leads to another replacement) or 13 (the moved
// instructions do not all come back); the target is then left as it was.
BOOL RemoveInterception(const void* trampoline, const void* replacement);

// What the windows of the login frame ask of it. The link bar and the login
// window are owned by the frame and know it only as their owner window.
#pragma once

#include <windows.h>

// Sent to the login frame: the player asked to minimise the login (the link
// bar's button or the page's "minimize" command). The frame decides what that
// means: a first login is minimised, a further one (pages already open) ends,
// since the main window is there to return to.
inline constexpr UINT WM_LOGIN_MINIMIZE = WM_APP + 2;

// Sent to the login frame: end the login with the result in wParam. lParam 1
// says the login has handed a page to the page set: that result is final, and
// every later end (a question answered afterwards, a second command of the
// page, Escape) leaves it as it is. Ending through the frame, and never with
// its EndDialog directly, is what keeps a handed-over page from being
// reported as a cancelled login.
inline constexpr UINT WM_LOGIN_END = WM_APP + 3;
inline constexpr LPARAM kLoginHandedOver = 1;

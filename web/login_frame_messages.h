// What the windows of the login frame ask of it. The link bar and the login
// window are owned by the frame and know it only as their owner window.
#pragma once

#include <windows.h>

// Sent to the login frame: the player asked to minimise the login (the link
// bar's button or the page's "minimize" command). The frame decides what that
// means: a first login is minimised, a further one (pages already open) ends,
// since the main window is there to return to.
inline constexpr UINT WM_LOGIN_MINIMIZE = WM_APP + 2;

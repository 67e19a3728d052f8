// The one page command of a game page: "app://entergame|name[|address]" asks
// the launcher to start another game's launcher from the install folder, or to
// offer its download. Any page (or a frame injected into it) can send it, and
// the launcher runs elevated, so the name and the address are checked here
// before anything is started or opened. Portable.
#pragma once

#include "net/game_name.h"

#include <string>
#include <string_view>

inline constexpr std::wstring_view kEnterGameMarker = L"app://entergame|";
// The longest launcher name accepted.
inline constexpr size_t kMaxEnterGameName = kMaxGameName;

struct EnterGameRequest {
    enum Kind {
        kNotCommand,  // no marker: the page navigates normally
        kRefused,     // a marker with an unusable name: cancelled, nothing else happens
        kCommand,     // start or offer the launcher `name`; `fallback` is an http(s) address
    };
    Kind kind = kNotCommand;
    std::wstring name;      // file name without ".exe", first letter upper case
    std::wstring fallback;  // where the player goes when the download is declined
};

// Reads the command out of an address as the browser reports it. An address
// that holds the marker anywhere is a command, but only one that starts with it
// is carried out; every "/" is removed from the name, which then must pass
// IsSafeGameName; a lower-case first letter is made upper case. A fallback
// address that is not http:// or https:// is replaced by gameRoot.
EnterGameRequest ParseEnterGame(std::wstring_view address, std::wstring_view gameRoot);


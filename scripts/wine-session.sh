# Sourced by the test and run scripts: a private wine prefix and X display.
#   wine_session_start <prefix-dir>   sets WINEPREFIX, DISPLAY and the locale,
#                                     starts Xvfb (unless a display is given)
#                                     and one persistent wineserver
#   wine_session_stop                 stops both
# XCJY_XVFB_SCREEN sets the private Xvfb's screen (default 1600x1000x24; the
# login frame at 200 % needs 3840x2160x24).
# The prefix is created once (about 25 s) into a template and copied for each
# run, so every run starts from a clean registry and file system.
#
# A kernel without IA-32 emulation (some virtual machines switch it off) cannot
# start wine's 32-bit loader, an i386 Linux program. There the session is a
# 64-bit one (WINE_SESSION_BITS=64): a 64-bit prefix, and a "wine" first on
# PATH that starts the 64-bit loader, for the 64-bit test build
# (cmake/toolchain-mingw-x86_64.cmake).

# True when this machine can run 32-bit (i386) Linux programs.
wine_can_run_32bit() { /lib/ld-linux.so.2 --version >/dev/null 2>&1; }

# In a 64-bit session: "wine" and "wine-stable" (which wineboot calls) start
# the 64-bit loader; Debian's own wrapper would pick the 32-bit one, which
# cannot start here.
wine_64bit_commands() {
    local bin="$1" name
    mkdir -p "$bin"
    for name in wine wine-stable; do
        printf '%s\n' '#!/bin/sh' 'export WINELOADER=/usr/lib/wine/wine64' 'exec /usr/lib/wine/wine64 "$@"' >"$bin/$name"
        chmod +x "$bin/$name"
    done
    export PATH="$bin:$PATH"
}

wine_template_prefix() {
    local template="$1" arch="$2"
    # The marker names the setup below; changing the setup changes the marker.
    if [ -f "$template/.ready-unmanaged" ]; then return 0; fi
    # An interrupted creation leaves a broken prefix: start over.
    rm -rf "$template"
    echo "creating wine prefix $template (once)"
    WINEPREFIX="$template" WINEARCH="$arch" wineboot --init >/dev/null 2>&1 || true
    # Xvfb has no window manager: unmanaged windows stop wine from waiting up to
    # 2 s for one whenever an active top-level window is hidden or destroyed.
    WINEPREFIX="$template" wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
    WINEPREFIX="$template" wineserver -w
    touch "$template/.ready-unmanaged"
}

wine_session_start() {
    local prefix="$1" template="$1.template" arch=win32
    export WINE_SESSION_BITS=32
    if ! wine_can_run_32bit; then
        WINE_SESSION_BITS=64 arch=win64 template="$1.template64"
        wine_64bit_commands "$1.bin"
    fi
    export WINEDEBUG=-all
    export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
    # Keep wine from turning test shortcuts into desktop entries, and from
    # asking to install its HTML engine (the browser control starts
    # "control.exe appwiz.cpl install_gecko", which waits on a dialog and keeps
    # the test runner's output pipe open). Nor is wine's debugger started for
    # a program that crashes: here it never ends, and the crashed program with
    # it, so a crash in a test would show only as a time-out minutes later.
    export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;control.exe=d;winedbg.exe=d"
    WINE_XVFB_PID=""
    if [ -z "${XCJY_USE_DISPLAY:-}" ]; then
        local n
        for n in $(seq 90 140); do
            [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || break
        done
        Xvfb ":$n" -screen 0 "${XCJY_XVFB_SCREEN:-1600x1000x24}" -nolisten tcp >/dev/null 2>&1 &
        WINE_XVFB_PID=$!
        export DISPLAY=":$n"
        for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    fi
    wine_template_prefix "$template" "$arch"
    rm -rf "$prefix"
    cp -a "$template" "$prefix"
    export WINEPREFIX="$prefix" WINEARCH="$arch"
    wine_sound_device "$prefix"
    wineserver -p
    # The first wine start spawns helper processes that would hold a caller's
    # output pipe open; start them here with all output thrown away.
    wine wineboot >/dev/null 2>&1 </dev/null || true
}

# Sound: without a sound device wine has no wave output, no mixer and no audio
# sessions. An ALSA null device gives all three and plays nothing. ALSA reads
# $XDG_CONFIG_HOME/alsa/asoundrc, so the session points that at a folder of its
# own instead of touching the user's ~/.asoundrc; stop puts the old value back.
# Everything else of the user's configuration folder (ccache's base_dir, for
# one) is linked into it, so other programs run in the session see no change.
wine_sound_device() {
    local config="$1.config" real="${XDG_CONFIG_HOME:-$HOME/.config}" entry
    rm -rf "$config"
    mkdir -p "$config/alsa"
    if [ -d "$real" ]; then
        for entry in "$real"/* "$real"/.[!.]*; do
            [ -e "$entry" ] && [ "$(basename "$entry")" != alsa ] && ln -s "$entry" "$config/"
        done
    fi
    printf '%s\n' 'pcm.!default { type null }' 'ctl.!default { type hw card 0 }' >"$config/alsa/asoundrc"
    WINE_SAVED_XDG_CONFIG_HOME="${XDG_CONFIG_HOME-unset}"
    export XDG_CONFIG_HOME="$config"
}

# Points every operator site of the launcher at host[:port] (platform domain:
# the host) in the session's prefix: the administrators' key that is the only
# place the launcher takes them from, in the 32-bit view it sees.
wine_set_sites() {
    local host="$1" key='HKLM\Software\岚屿网络\GameLogin\Sites' name
    for name in GameSite ClientSite PaySite UserSite ForumSite; do
        wine reg add "$key" /v "$name" /t REG_SZ /d "$host" /f /reg:32 >/dev/null 2>&1
    done
    wine reg add "$key" /v PlatformDomain /t REG_SZ /d "${host%%:*}" /f /reg:32 >/dev/null 2>&1
}

wine_session_stop() {
    if [ -n "${WINE_SAVED_XDG_CONFIG_HOME:-}" ]; then
        if [ "$WINE_SAVED_XDG_CONFIG_HOME" = unset ]; then unset XDG_CONFIG_HOME
        else export XDG_CONFIG_HOME="$WINE_SAVED_XDG_CONFIG_HOME"; fi
        unset WINE_SAVED_XDG_CONFIG_HOME
    fi
    wineserver -k 2>/dev/null || true
    if [ -n "${WINE_XVFB_PID:-}" ]; then
        kill "$WINE_XVFB_PID" 2>/dev/null || true
        wait "$WINE_XVFB_PID" 2>/dev/null || true
    fi
}

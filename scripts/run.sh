#!/usr/bin/env bash
# Builds the launcher and runs it against the local operator site (written into
# the run's own wine prefix as the administrators' site overrides):
#   scripts/run.sh [launcher arguments, default /XCJY]
# Shows the windows on the X display in $DISPLAY when there is one, otherwise in
# a private Xvfb (XCJY_USE_XVFB=1 forces that); with XCJY_SCREENSHOT=file.png a
# screenshot of that display is taken after XCJY_SCREENSHOT_DELAY seconds
# (default 6). XCJY_DPI=120, 144 or 192 runs it at that display scale (125 %,
# 150 %, 200 %; the prefix's LogPixels), default 96.
#
# On a machine that cannot run 32-bit Linux programs (no 32-bit wine), the
# 64-bit build of build/win64 runs instead: the same launcher without its
# 32-bit sound interception (it mutes through the audio session).
#
# Ctrl-C, or a TERM to the script (or to its process group), ends the
# launcher, the local site, the wine session and the Xvfb it started.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

scripts/install-deps.sh
. scripts/wine-session.sh
if wine_can_run_32bit; then
    tree=win32 toolchain=cmake/toolchain-mingw-i686.cmake
else
    tree=win64 toolchain=cmake/toolchain-mingw-x86_64.cmake
    echo "this machine cannot run 32-bit programs: running the 64-bit build (build/win64)"
fi
cmake -S . -B "build/$tree" -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$root/$toolchain" >/dev/null
cmake --build "build/$tree" -j"$(nproc 2>/dev/null || echo 2)" --target launcher
exe="$root/build/$tree/bin/RV星潮纪元.exe"

site_pid="" launcher_pid="" shot_pid=""
cleanup() {
    # Every step runs, whatever an earlier one found already gone.
    set +e
    trap - EXIT INT TERM
    [ -n "$shot_pid" ] && kill "$shot_pid" 2>/dev/null
    # The launcher first (its Linux process), then whatever else of wine still
    # runs in the prefix, with the wineserver; then the site and the display.
    [ -n "$launcher_pid" ] && kill "$launcher_pid" 2>/dev/null
    [ -n "${WINEPREFIX:-}" ] && wine_session_stop
    [ -n "$site_pid" ] && kill "$site_pid" 2>/dev/null
    wait 2>/dev/null
    return 0
}
# Signals end the script at once (bash runs a trap only between commands, so
# the launcher runs in the background and the script waits for it).
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

portfile="$(mktemp)"
rm -f "$portfile"
# The site serves this very build, signed with the demo key that the build
# trusts by default, and publishes its identity, so no update is offered.
python3 tools/opsite/opsite.py --port 0 --port-file "$portfile" --version-of "$exe" --update-exe "$exe" &
site_pid=$!
if [ -n "${DISPLAY:-}" ] && [ -z "${XCJY_USE_XVFB:-}" ]; then export XCJY_USE_DISPLAY=1; fi
# A private Xvfb large enough for the login frame at 200 %.
if [ "${XCJY_DPI:-96}" -gt 144 ]; then export XCJY_XVFB_SCREEN=3840x2160x24; fi
for _ in $(seq 100); do [ -s "$portfile" ] && break; sleep 0.1; done
port="$(cat "$portfile")"
rm -f "$portfile"
host="127.0.0.1:$port"

wine_session_start "$root/build/wineprefix-run"
wine_set_sites "$host"
# The display scale: wine reads it when the launcher starts.
dpi="${XCJY_DPI:-96}"
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Fonts' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
echo "operator site: http://$host/  display: $DISPLAY"
if [ -n "${XCJY_SCREENSHOT:-}" ]; then
    ( sleep "${XCJY_SCREENSHOT_DELAY:-6}"; import -display "$DISPLAY" -window root "$XCJY_SCREENSHOT" ) &
    shot_pid=$!
fi
if [ $# -eq 0 ]; then set -- /XCJY; fi
wine "$exe" "$@" &
launcher_pid=$!
wait "$launcher_pid"

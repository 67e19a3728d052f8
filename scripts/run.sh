#!/usr/bin/env bash
# Builds the launcher and runs it against the local operator site (written into
# the run's own wine prefix as the administrators' site overrides):
#   scripts/run.sh [launcher arguments, default /XCJY]
# Shows the windows on the X display in $DISPLAY when there is one, otherwise in
# a private Xvfb (XCJY_USE_XVFB=1 forces that); with XCJY_SCREENSHOT=file.png a
# screenshot of that display is taken after XCJY_SCREENSHOT_DELAY seconds
# (default 6).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

scripts/install-deps.sh
cmake -S . -B build/win32 -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-i686.cmake" >/dev/null
cmake --build build/win32 -j"$(nproc 2>/dev/null || echo 2)" --target launcher
exe="$root/build/win32/bin/RV星潮纪元.exe"

portfile="$(mktemp)"
rm -f "$portfile"
# The site serves this very build, signed with the demo key that the build
# trusts by default, and publishes its identity, so no update is offered.
python3 tools/opsite/opsite.py --port 0 --port-file "$portfile" --version-of "$exe" --update-exe "$exe" &
site_pid=$!
if [ -n "${DISPLAY:-}" ] && [ -z "${XCJY_USE_XVFB:-}" ]; then export XCJY_USE_DISPLAY=1; fi
. scripts/wine-session.sh
cleanup() {
    kill "$site_pid" 2>/dev/null || true
    wine_session_stop
}
trap cleanup EXIT
for _ in $(seq 100); do [ -s "$portfile" ] && break; sleep 0.1; done
port="$(cat "$portfile")"
host="127.0.0.1:$port"

wine_session_start "$root/build/wineprefix-run"
wine_set_sites "$host"
echo "operator site: http://$host/  display: $DISPLAY"
if [ -n "${XCJY_SCREENSHOT:-}" ]; then
    ( sleep "${XCJY_SCREENSHOT_DELAY:-6}"; import -display "$DISPLAY" -window root "$XCJY_SCREENSHOT" ) &
fi
if [ $# -eq 0 ]; then set -- /XCJY; fi
wine "$exe" "$@"

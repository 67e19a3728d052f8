#!/bin/sh
# Runs a command while the local operator site serves on a free loopback port.
#   tests/with_opsite.sh [--as-game-site] command...
# The command sees the site's host:port in XCJY_TEST_SITE. With --as-game-site
# the launcher code in the command's own process is pointed at it too (game
# site, client site and platform domain) through the administrators' site
# overrides in the wine prefix, which the launcher code reads once, at its
# first use; the key is removed again afterwards. The command's output is
# shown when the command ends (see the end of this script for why).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
as_game_site=""
if [ "${1:-}" = "--as-game-site" ]; then as_game_site=1; shift; fi

dir=$(mktemp -d)
# Another game's launcher for the download tests: a small program every wine
# prefix has, so that starting it harms nothing (without arguments it only
# shows how it is used), and one with a version resource, which the identity
# that the download is checked against needs.
game_exe="${WINEPREFIX:-/nonexistent}/drive_c/windows/system32/regsvr32.exe"
if [ -f "$game_exe" ]; then
    python3 "$root/tools/opsite/opsite.py" --port 0 --port-file "$dir/port" --game-exe "$game_exe" >/dev/null 2>&1 &
else
    python3 "$root/tools/opsite/opsite.py" --port 0 --port-file "$dir/port" >/dev/null 2>&1 &
fi
site_pid=$!
sites='HKLM\Software\岚屿网络\GameLogin\Sites'
cleanup() {
    kill "$site_pid" 2>/dev/null || true
    wait "$site_pid" 2>/dev/null || true
    rm -rf "$dir"
    if [ -n "$as_game_site" ]; then wine reg delete "$sites" /f /reg:32 >/dev/null 2>&1 || true; fi
}
trap cleanup EXIT INT TERM
for _ in $(seq 200); do [ -s "$dir/port" ] && break; sleep 0.05; done
[ -s "$dir/port" ] || { echo "with_opsite: the operator site did not start" >&2; exit 1; }

XCJY_TEST_SITE="127.0.0.1:$(cat "$dir/port")"
export XCJY_TEST_SITE
if [ -n "$as_game_site" ]; then
    # One import rather than a "reg add" per value: each wine process costs a
    # third of a second, and this runs before every suite. Wine's Z: drive is /.
    printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\%s]\r\n"GameSite"="%s"\r\n"ClientSite"="%s"\r\n"PlatformDomain"="127.0.0.1"\r\n' \
        "${sites#HKLM\\}" "$XCJY_TEST_SITE" "$XCJY_TEST_SITE" | iconv -f UTF-8 -t UTF-16 > "$dir/sites.reg"
    # A failed import must not end the script unnoticed (set -e, output
    # hidden): it is tried again, then reported.
    imported=""
    for _ in 1 2 3; do
        if wine reg import "Z:$(printf '%s' "$dir/sites.reg" | tr / '\\')" /reg:32 >"$dir/import.log" 2>&1; then
            imported=1
            break
        fi
        sleep 0.5
    done
    if [ -z "$imported" ]; then
        echo "with_opsite: the game-site overrides could not be written:" >&2
        cat "$dir/import.log" >&2
        exit 1
    fi
fi

# The command's output goes through a file, not straight to the caller's pipe.
# Every wine process hands its standard error on to the processes it starts,
# and wine's desktop process (explorer.exe) is started by whichever program
# first needs the desktop after a quiet spell. That process outlives the test
# until wine closes the desktop, which it now and then never does; ctest, which
# waits for its pipe to close, would then sit until its time-out on a test that
# passed.
set +e
"$@" >"$dir/output" 2>&1
status=$?
set -e
cat "$dir/output"
exit "$status"

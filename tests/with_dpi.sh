#!/bin/sh
# Runs a command with the wine prefix's display scale set to DPI (96, 120, 144,
# 192, ...), then sets 96 again. Wine reads LogPixels when a process starts, so
# the programs started by the command see the scale; the wineserver stays.
# The scale is named to the command in XCJY_TEST_DPI, so a test can check it.
# Usage: tests/with_dpi.sh DPI command [arguments]
dpi="$1"
shift
set_dpi() {
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Fonts' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}
set_dpi "$dpi"
XCJY_TEST_DPI="$dpi" "$@"
status=$?
set_dpi 96
exit $status

#!/usr/bin/env bash
# Builds the toolkit gallery and photographs it under wine in Xvfb:
#   scripts/gallery.sh [output folder, default build/gallery]
# Writes gallery.png (dialogs, buttons in their four faces, labels, progress
# bars, the caption tab strip) and msgbox-*.png (the three kinds of message box).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
out="$(realpath -m "${1:-build/gallery}")"

scripts/install-deps.sh
cmake -S . -B build/win32 -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-i686.cmake" >/dev/null
cmake --build build/win32 -j"$(nproc 2>/dev/null || echo 2)" --target gallery
mkdir -p "$out"
. scripts/wine-session.sh
trap wine_session_stop EXIT
wine_session_start "$root/build/wineprefix-gallery"
wine "$root/build/win32/bin/gallery.exe" --shot "Z:${out//\//\\}"
ls "$out"

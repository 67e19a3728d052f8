#!/usr/bin/env bash
# Installs what is missing, builds the trees and runs every test:
#   native unit tests of the portable logic (also once more under ASan+UBSan,
#   with a few seconds of every fuzz target), the operator site's tests, and the
#   Windows-side tests and end-to-end start-up tests under wine in Xvfb.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

scripts/install-deps.sh
jobs=$(nproc 2>/dev/null || echo 2)

echo "== include direction of the product's folders"
python3 scripts/check-layers.py

echo "== host build and unit tests"
cmake -S . -B build/host -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/host -j"$jobs"
(cd build/host && ctest --output-on-failure)

echo "== sanitizer build (clang, ASan+UBSan): unit tests and a short run of every fuzz target"
CXX=clang++ cmake -S . -B build/fuzz -DXCJY_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/fuzz -j"$jobs"
(cd build/fuzz && ctest --output-on-failure)
scripts/fuzz.sh --no-build --time 5

echo "== operator site tests"
python3 -m unittest discover -s tests/opsite

echo "== windows build"
cmake -S . -B build/win32 -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-i686.cmake" >/dev/null
cmake --build build/win32 -j"$jobs"

# The Windows programs are 32-bit; wine runs them with its 32-bit loader, an
# i386 Linux program. A kernel without IA-32 emulation (some virtual machines
# switch it off) cannot start it, and no Windows test can run at all: say so
# plainly, with what did run, instead of failing in the middle of creating the
# wine prefix.
if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    echo "== windows tests under wine: NOT RUN"
    echo "This machine cannot execute 32-bit (i386) Linux programs (the kernel's IA-32"
    echo "emulation is off), so 32-bit wine cannot start. The Windows programs were built"
    echo "(compiled and linked) above; none of the Windows-side or end-to-end tests ran."
    exit 0
fi

echo "== windows tests under wine"
unset XCJY_USE_DISPLAY  # tests always run in a private Xvfb
. scripts/wine-session.sh
trap wine_session_stop EXIT
wine_session_start "$root/build/wineprefix"
(cd build/win32 && ctest --output-on-failure --timeout 300)

echo "== installation and self-removal under a western code page (en_US: 1252)"
# Wine takes each process's code page from its locale: the install folder's
# Chinese name is then outside the ANSI code page.
(cd build/win32 && LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8 timeout 300 \
    wine bin/e2e_tests.exe --gtest_filter='InstallE2E.*' --gtest_brief=1)

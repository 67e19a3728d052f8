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

. scripts/wine-session.sh
tests=build/win32
win32_targets=()
# The launcher is a 32-bit program, and wine runs it with its 32-bit loader, an
# i386 Linux program. A kernel without IA-32 emulation (some virtual machines
# switch it off) cannot start that loader. There the Windows-side and
# end-to-end tests run as a 64-bit build under wine's 64-bit loader instead: the
# same sources, less what exists only for 32 bits (code interception, the
# identity of 32-bit executables); those tests say they were skipped and why.
# The 32-bit tree then builds only the product, which is what ships and what the
# decoder's check reads; its test programs could not run, and building them
# would cost minutes on two cores.
if ! wine_can_run_32bit; then win32_targets=(--target launcher); fi

echo "== windows build"
cmake -S . -B build/win32 -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-i686.cmake" >/dev/null
cmake --build build/win32 -j"$jobs" "${win32_targets[@]}"

if ! wine_can_run_32bit; then
    echo "== 64-bit windows test build: this machine cannot run 32-bit (i386) programs"
    cmake -S . -B build/win64 -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-x86_64.cmake" >/dev/null
    cmake --build build/win64 -j"$jobs"
    tests=build/win64
    # The checks of the 32-bit launcher's code run natively: the decoder's, and
    # that every import slot it reads is filled.
    (cd build/win32 && ctest --output-on-failure -R 'x86_decode_vs_objdump_launcher|import_slots_launcher')
fi

echo "== windows tests under wine ($tests)"
unset XCJY_USE_DISPLAY  # tests always run in a private Xvfb
trap wine_session_stop EXIT
wine_session_start "$root/build/wineprefix"
(cd "$tests" && ctest --output-on-failure --timeout 300)

echo "== installation and self-removal under a western code page (en_US: 1252)"
# Wine takes each process's code page from its locale: the install folder's
# Chinese name is then outside the ANSI code page.
(cd "$tests" && LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8 timeout 300 \
    wine bin/e2e_tests.exe --gtest_filter='InstallE2E.*' --gtest_brief=1)

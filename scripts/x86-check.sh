#!/usr/bin/env bash
# Measures the instruction decoder against objdump.
#   scripts/x86-check.sh FILE...   the code sections of these 32-bit PE or ELF files
#   scripts/x86-check.sh           the synthetic opcode sweep and every 32-bit binary
#                                  at hand: the i386 Windows DLLs and programs that
#                                  wine installs, the i386 Linux libraries, the launcher
# CPU-heavy: it runs at the lowest priority. Exits 1 when the decoder and objdump
# disagree anywhere.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
cmake -S . -B build/host -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/host --target x86_check -j2 >/dev/null
status=0
if [ $# -eq 0 ]; then
    nice -n 19 build/host/bin/x86_check --show 10 --sweep build/host/x86_sweep.bin || status=$?
    # Real files only (no second look through a library's version links), and
    # none so big that objdump alone takes many minutes.
    mapfile -t found < <(find /usr/lib/i386-linux-gnu/wine/i386-windows /usr/lib/i386-linux-gnu -maxdepth 1 \
        -type f \( -name '*.dll' -o -name '*.exe' -o -name '*.so.*' \) -size -40M | sort)
    set -- "${found[@]}"
    [ -f "build/win32/bin/RV星潮纪元.exe" ] && set -- "$@" "build/win32/bin/RV星潮纪元.exe"
fi
# Files that are not i386 PE or ELF are reported and skipped (status 2); only
# disagreements (status 1) fail the run.
nice -n 19 build/host/bin/x86_check --show 40 "$@" || { r=$?; [ $r -eq 1 ] && status=1; }
exit $status

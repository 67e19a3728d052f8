#!/usr/bin/env bash
# Measures the instruction decoder against objdump over many real 32-bit
# binaries (default: every i386 Windows DLL and program that wine installs, the
# i386 Linux libraries, the launcher) and the synthetic opcode sweep. CPU-heavy:
# it runs at the lowest priority. The test suite runs a small part of this.
#   scripts/x86-check.sh [FILE...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
cmake -S . -B build/host -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/host --target x86_check -j2 >/dev/null
if [ $# -eq 0 ]; then
    # Real files only (no second look through a library's version links), and
    # none so big that objdump alone takes many minutes.
    mapfile -t found < <(find /usr/lib/i386-linux-gnu/wine/i386-windows /usr/lib/i386-linux-gnu -maxdepth 1 \
        -type f \( -name '*.dll' -o -name '*.exe' -o -name '*.so.*' \) -size -40M | sort)
    set -- "${found[@]}"
    [ -f "build/win32/bin/RV星潮纪元.exe" ] && set -- "$@" "build/win32/bin/RV星潮纪元.exe"
fi
status=0
nice -n 19 build/host/bin/x86_check --show 10 --sweep build/host/x86_sweep.bin || status=$?
# Files that are not i386 PE or ELF (links to other architectures, scripts) are
# reported and skipped; only disagreements make the run fail.
nice -n 19 build/host/bin/x86_check --show 40 "$@" || { r=$?; [ $r -eq 1 ] && status=1; }
exit $status

#!/usr/bin/env bash
# Measures the launcher side by side with its floors and prints each figure,
# its floor, the ratio and the goal; the same table goes to the results file:
#   scripts/bench.sh [--runs N] [--idle-seconds S] [--out FILE]
# (defaults: 15 starts of each program, 60 s of idle, build/bench/results.txt).
# On a machine that cannot run 32-bit Linux programs (no 32-bit wine) every
# figure that runs a program is taken from the 64-bit builds (build/win64) in
# a 64-bit wine session, and the table says so; the size is always the 32-bit
# launcher's.
# Not part of scripts/test.sh: it takes a few minutes and its figures mean
# something only on a quiet machine (run it with nothing else compiling).
#
#   start-up  launcher (/XCJY, its sites at a closed port) to its first
#             window shown vs a minimal static Win32 dialog
#             (tools/bench/floor_dialog.cpp), started in turn under one
#             running wineserver, medians            goal: at most 1.5 x floor
#   download  20 MB update through HttpFetch vs curl, same local site
#                                                    goal: at least 0.5 x curl
#   md5       ComputeFileMd5 of 20 MB vs md5sum      goal: at least 0.8 x md5sum
#   size      the executable with all resources      goal: at most 2 MB
#   idle      CPU of the main window with three pages over the idle period vs
#             the floor dialog                       goal: under 0.1 %
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

runs=15
idle_seconds=60
out="$root/build/bench/results.txt"
while [ $# -gt 0 ]; do
    case "$1" in
        --runs) runs="$2"; shift 2 ;;
        --idle-seconds) idle_seconds="$2"; shift 2 ;;
        --out) out="$(realpath -m "$2")"; shift 2 ;;
        -h|--help) sed -n '2,25p' "$0"; exit 0 ;;
        *) echo "unknown argument $1" >&2; exit 2 ;;
    esac
done

scripts/install-deps.sh
work="$root/build/bench"
mkdir -p "$work" "$(dirname "$out")"

. scripts/wine-session.sh
if wine_can_run_32bit; then
    tree=win32 toolchain=cmake/toolchain-mingw-i686.cmake
    builds="32-bit builds (build/win32)"
else
    tree=win64 toolchain=cmake/toolchain-mingw-x86_64.cmake
    builds="64-bit builds (build/win64) in a 64-bit wine session: this machine cannot run 32-bit programs"
fi
configure() {
    cmake -S . -B "build/$1" -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$root/$2" >/dev/null
}
echo "== building (build/$tree)"
configure "$tree" "$toolchain"
have_target() { cmake --build "build/$tree" --target help | grep -w "$1" >/dev/null; }
targets=(launcher floor_dialog start_watch)
for optional in net_bench idle_main; do have_target "$optional" && targets+=("$optional"); done
cmake --build "build/$tree" -j2 --target "${targets[@]}" >/dev/null
bin="$root/build/$tree/bin"
exe="$bin/RV星潮纪元.exe"
# The size is the players' executable's, the 32-bit launcher, which builds
# anywhere; its floor is the 32-bit floor.
if [ "$tree" != win32 ]; then
    echo "== building the 32-bit launcher for its size (build/win32)"
    configure win32 cmake/toolchain-mingw-i686.cmake
    cmake --build build/win32 -j2 --target launcher floor_dialog >/dev/null
fi
size_exe="$root/build/win32/bin/RV星潮纪元.exe"
size_floor="$root/build/win32/bin/floor_dialog.exe"

# The 20 MB update the site serves (fresh random bytes: nothing compresses it).
payload="$work/payload.bin"
payload_bytes=$((20 * 1024 * 1024))
[ "$(stat -c %s "$payload" 2>/dev/null || echo 0)" = "$payload_bytes" ] ||
    head -c "$payload_bytes" /dev/urandom > "$payload"

portfile="$work/opsite.port"
rm -f "$portfile"
# Publishing the launcher's own identity keeps its start-up check from updating.
python3 tools/opsite/opsite.py --port 0 --port-file "$portfile" --version-of "$exe" \
    --update-exe "$payload" &
site_pid=$!
cleanup() {
    kill "$site_pid" 2>/dev/null || true
    wine_session_stop
}
trap cleanup EXIT
for _ in $(seq 100); do [ -s "$portfile" ] && break; sleep 0.1; done
host="127.0.0.1:$(cat "$portfile")"
wine_session_start "$root/build/wineprefix-bench" >/dev/null
wine_set_sites "$host"
winbin="$(winepath -w "$bin")"

median() { sort -g | awk '{v[NR]=$1} END {if (NR == 0) print "nan"; else if (NR % 2) print v[(NR+1)/2]; else print (v[NR/2]+v[NR/2+1])/2}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {if (b == 0 || a == "nan" || b == "nan") print "n/a"; else printf "%.2f", a/b}'; }
# meets RATIO OP LIMIT: "yes", "NO" or "n/a"
meets() { awk -v r="$1" -v op="$2" -v l="$3" 'BEGIN {if (r == "n/a") print "n/a"; else if ((op == "<=" && r+0 <= l+0) || (op == ">=" && r+0 >= l+0) || (op == "<" && r+0 < l+0)) print "yes"; else print "NO"}'; }
now() { date +%s.%N; }

{
    echo "# launcher benchmark, $(date -u +%FT%TZ), $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
    echo "# programs run: $builds"
    printf '%-10s %-22s %-22s %-7s %-14s %s\n' figure launcher floor ratio goal met
} > "$out"
row() { printf '%-10s %-22s %-22s %-7s %-14s %s\n' "$@" | tee -a "$out"; }
note() { echo "  $*" | tee -a "$out"; }

echo "== start-up ($runs starts each)"
# Against a closed port, as a player whose network is down meets it: the
# figure is the launcher's own work, not the site's answer time.
wine_set_sites 127.0.0.1:9
load_before="$(cut -d' ' -f1 /proc/loadavg)"
wine "$bin/start_watch.exe" "$runs" launcher "\"$winbin\\RV星潮纪元.exe\" /XCJY" \
    floor "\"$winbin\\floor_dialog.exe\"" > "$work/startup.txt" 2>/dev/null || true
load_after="$(cut -d' ' -f1 /proc/loadavg)"
wine_set_sites "$host"
start_l="$(sed -n 's/^median launcher \([0-9.]*\) ms.*/\1/p' "$work/startup.txt")"
start_f="$(sed -n 's/^median floor \([0-9.]*\) ms.*/\1/p' "$work/startup.txt")"
r="$(ratio "${start_l:-nan}" "${start_f:-nan}")"
row start-up "${start_l:-?} ms" "${start_f:-?} ms" "$r" "<= 1.5 x floor" "$(meets "$r" '<=' 1.5)"
note "first window of the launcher: $(grep -m1 '^launcher run' "$work/startup.txt" | sed 's/.*, class/class/')"
note "starts interleaved (launcher, floor, launcher, ...); load average $load_before before, $load_after after"

echo "== download and md5 of 20 MB"
url="http://$host/update/XCJY.exe"
# curl and the launcher's fetch take turns, nine runs each, so that a load
# change on the machine falls on both alike; each figure is the median.
curl_times=()
: > "$work/fetch.txt"
for _ in $(seq 9); do
    curl_times+=("$(curl -s -o "$work/curl.bin" -w '%{time_total}' "$url")")
    if [ -x "$bin/net_bench.exe" ]; then
        wine "$bin/net_bench.exe" fetch "$url" "$(winepath -w "$work")\\fetched.bin" 2>/dev/null || true
    fi >> "$work/fetch.txt"
done
curl_s="$(printf '%s\n' "${curl_times[@]}" | median)"
md5_times=()
for _ in 1 2 3 4 5; do
    t0="$(now)"; md5sum "$payload" > "$work/md5sum.txt"; t1="$(now)"
    md5_times+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN {print b-a}')")
done
md5sum_s="$(printf '%s\n' "${md5_times[@]}" | median)"
if [ -x "$bin/net_bench.exe" ]; then
    for _ in 1 2 3 4 5; do
        wine "$bin/net_bench.exe" md5 "$(winepath -w "$payload")" 2>/dev/null || true
    done > "$work/md5.txt"
    fetch_s="$(sed -n 's/^fetch ok \([0-9.]*\) s.*/\1/p' "$work/fetch.txt" | median)"
    md5_s="$(sed -n 's/^md5 \([0-9a-f]*\) \([0-9.]*\) s.*/\2/p' "$work/md5.txt" | median)"
    mbps() { awk -v s="$1" 'BEGIN {if (s == "nan" || s == 0) print "nan"; else printf "%.1f", 20/s}'; }
    r="$(ratio "$(mbps "$fetch_s")" "$(mbps "$curl_s")")"
    row download "$(mbps "$fetch_s") MB/s" "$(mbps "$curl_s") MB/s (curl)" "$r" ">= 0.5 x curl" "$(meets "$r" '>=' 0.5)"
    cmp -s "$work/fetched.bin" "$payload" && note "HttpFetch delivered the file intact" ||
        note "HttpFetch did NOT deliver the file intact"
    # The update dialog's bar is told the percentage after every read (one run).
    s="$( (wine "$bin/net_bench.exe" fetch "$url" "$(winepath -w "$work")\\fetched.bin" bar 2>/dev/null || true) |
         sed -n 's/^fetch ok \([0-9.]*\) s.*/\1/p')"
    note "with the progress bar shown: $(mbps "${s:-nan}") MB/s"
    r="$(ratio "$(mbps "$md5_s")" "$(mbps "$md5sum_s")")"
    row md5 "$(mbps "$md5_s") MB/s" "$(mbps "$md5sum_s") MB/s (md5sum)" "$r" ">= 0.8 x md5sum" "$(meets "$r" '>=' 0.8)"
    grep -q "^md5 $(cut -d' ' -f1 "$work/md5sum.txt") " "$work/md5.txt" && note "ComputeFileMd5 agrees with md5sum" ||
        note "ComputeFileMd5 does NOT agree with md5sum"
else
    row download "not measured" "$(awk -v s="$curl_s" 'BEGIN {printf "%.1f", 20/s}') MB/s (curl)" n/a ">= 0.5 x curl" n/a
    row md5 "not measured" "$(awk -v s="$md5sum_s" 'BEGIN {printf "%.1f", 20/s}') MB/s (md5sum)" n/a ">= 0.8 x md5sum" n/a
    note "no net_bench program: HttpFetch and ComputeFileMd5 are not in this tree"
fi

echo "== executable size"
size_l="$(stat -c %s "$size_exe")"
size_f="$(stat -c %s "$size_floor")"
r="$(awk -v s="$size_l" 'BEGIN {printf "%.2f", s/(2*1024*1024)}')"
row size "$size_l bytes" "$size_f bytes" "$(ratio "$size_l" "$size_f")" "<= 2 MB" "$(meets "$r" '<=' 1)"
sections=""
while read -r _ name hex _; do
    sections+="$name $((16#$hex)), "
done < <(i686-w64-mingw32-objdump -h "$size_exe" | grep -E '^ +[0-9]+ \.')
note "sections (bytes): ${sections%, }"
note "skin PNGs in the resources: $(cat res/skins/*.png | wc -c) bytes; icon $(stat -c %s res/app.ico) bytes"
note "symbols kept: $(i686-w64-mingw32-nm "$size_exe" 2>/dev/null | wc -l) (0 when stripped)"

echo "== idle CPU ($idle_seconds s)"
# CPU ticks (user + system) of one Linux process.
ticks() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }
# The Linux process of a Windows program of this wine session, found by name.
wine_pid() {
    local p
    for p in /proc/[0-9]*; do
        { tr '\0' '\n' < "$p/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" || continue
        { tr '\0' ' ' < "$p/cmdline"; } 2>/dev/null | grep -q "$1" && { basename "$p"; return 0; }
    done
    return 1
}
# idle_cpu PROGRAM [ARGS]: prints "program% wineserver%" over the idle period,
# after 10 s for the start and settling.
idle_cpu() {
    local name pid server hz p0 s0 p1 s1
    name="$(basename "$1")"
    wine "$@" >/dev/null 2>&1 &
    local job=$!
    sleep 10
    pid="$(wine_pid "$name")" || { echo "n/a n/a"; return 0; }
    server="$(wine_pid wineserver)" || server=""
    hz="$(getconf CLK_TCK)"
    p0="$(ticks "$pid")"; s0="$(ticks "${server:-0}")"
    sleep "$idle_seconds"
    p1="$(ticks "$pid")"; s1="$(ticks "${server:-0}")"
    kill "$pid" 2>/dev/null || true
    wait "$job" 2>/dev/null || true
    awk -v p="$((p1 - p0))" -v s="$((s1 - s0))" -v hz="$hz" -v t="$idle_seconds" \
        'BEGIN {printf "%.3f %.3f\n", p*100/hz/t, s*100/hz/t}'
}
read -r floor_cpu floor_server < <(idle_cpu "$bin/floor_dialog.exe")
if [ -x "$bin/idle_main.exe" ]; then
    read -r main_cpu main_server < <(idle_cpu "$bin/idle_main.exe")
    r="$(ratio "$main_cpu" "$floor_cpu")"
    row idle "$main_cpu %" "$floor_cpu %" "$r" "< 0.1 %" "$(meets "$main_cpu" '<' 0.1)"
    note "wineserver meanwhile: $main_server % (floor $floor_server %); tick resolution $(awk -v t="$idle_seconds" -v hz="$(getconf CLK_TCK)" 'BEGIN {printf "%.3f", 100/hz/t}') %"
else
    row idle "not measured" "$floor_cpu %" n/a "< 0.1 %" n/a
    note "no idle_main program: the main window is not in this tree"
fi
echo "results: $out"

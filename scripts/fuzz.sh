#!/usr/bin/env bash
# Builds the sanitizer tree (build/fuzz: clang, ASan+UBSan, libFuzzer) and runs
# fuzz targets, one after another, at the lowest CPU priority:
#   scripts/fuzz.sh [--time SECONDS | --runs N] [--no-build] [TARGET ...]
# Default: every target of tests/fuzz/ for 60 seconds each. A long run is one
# command, e.g. scripts/fuzz.sh --runs 10000000 page_command
#
# Each target starts from its seed files in tests/fuzz/corpus/<target>/ (kept in
# the repository, small) and from what earlier runs found, build/fuzz/corpus/
# <target>/ (kept between runs, never committed). Optional per target:
# tests/fuzz/<target>.dict (a libFuzzer dictionary) and tests/fuzz/<target>.options
# (libFuzzer flags, one per line). A finding is saved in build/fuzz/artifacts/
# <target>/; the script then ends with status 1 and prints how to replay it.
# Each finished run adds a line to build/fuzz/fuzz-log.txt.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"

limit=(-max_total_time=60)
build=1
targets=()
while [ $# -gt 0 ]; do
    case "$1" in
        --time) limit=(-max_total_time="$2"); shift 2 ;;
        --runs) limit=(-runs="$2"); shift 2 ;;
        --no-build) build=0; shift ;;
        -h|--help) sed -n '2,15p' "$0"; exit 0 ;;
        -*) echo "unknown option $1" >&2; exit 2 ;;
        *) targets+=("$1"); shift ;;
    esac
done

out="$root/build/fuzz"
if [ "$build" = 1 ]; then
    CXX=clang++ cmake -S . -B "$out" -DXCJY_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$out" -j2 >/dev/null
fi

if [ ${#targets[@]} -eq 0 ]; then
    for src in tests/fuzz/*.cpp; do targets+=("$(basename "$src" .cpp)"); done
fi

# A smaller quarantine than ASan's 256 MB: the machines are shared, and a
# use after free is still caught within the next 16 MB of frees.
export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=16}"
failed=0
for t in "${targets[@]}"; do
    bin="$out/fuzzers/$t"
    if [ ! -x "$bin" ]; then echo "fuzz $t: no such target ($bin)" >&2; failed=1; continue; fi
    mkdir -p "$out/corpus/$t" "$out/artifacts/$t" "$out/run"
    # A private copy per run, so that rebuilding the tree, or a short run beside
    # a long one, is safe.
    copy="$out/run/$t-$$"
    cp "$bin" "$copy"
    flags=(-print_final_stats=1 -timeout=10 -rss_limit_mb=1024 "-artifact_prefix=$out/artifacts/$t/")
    [ -f "tests/fuzz/$t.dict" ] && flags+=("-dict=tests/fuzz/$t.dict")
    if [ -f "tests/fuzz/$t.options" ]; then
        while read -r flag; do [ -n "$flag" ] && flags+=("$flag"); done < "tests/fuzz/$t.options"
    fi
    seeds=()
    [ -d "tests/fuzz/corpus/$t" ] && seeds=("tests/fuzz/corpus/$t")
    log="$out/run/$t-$$.log"
    status=0
    nice -n 19 "$copy" "${flags[@]}" "${limit[@]}" "$out/corpus/$t" "${seeds[@]}" >"$log" 2>&1 || status=$?
    rm -f "$copy"
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
    if [ "$status" -eq 0 ]; then
        result="ok"
    else
        result="FAILED (status $status)"
        failed=1
        grep -E 'ERROR|property broken|SUMMARY|Test unit written' "$log" >&2 || tail -20 "$log" >&2
        echo "replay: $bin <the file named above>   (full log: $log)" >&2
    fi
    [ "$status" -eq 0 ] && rm -f "$log"
    line="fuzz $t: ${runs:-?} executions, corpus $(ls "$out/corpus/$t" | wc -l) files, $result"
    echo "$line"
    echo "$(date -u +%FT%TZ) $line" >> "$out/fuzz-log.txt"
done
exit "$failed"

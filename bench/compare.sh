#!/usr/bin/env bash
# Builds the benchmarks, makes their files, runs kw5vorlet beside TagLib and
# prints one table.
#   bench/compare.sh            2000-file corpus, big files of 1, 100, 1000 MiB
#   bench/compare.sh --quick    50 files, big files of 1, 10, 20 MiB (a smoke run)
# Every row prints its goal and whether it is met; the last line is the
# elapsed time of the whole run.
# KW5_BENCH_DIR chooses where the files go (default build/bench-files; it
# needs about 3.5 GB for the full run).
set -euo pipefail
START=$(date +%s)
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${KW5_BENCH_BUILD:-$ROOT/build/bench}
export KW5_BENCH_DIR=${KW5_BENCH_DIR:-$ROOT/build/bench-files}
FILES=2000
export KW5_BENCH_BIG=1,100,1000
QUICK=
if [ "${1:-}" = "--quick" ]; then
    FILES=50
    export KW5_BENCH_BIG=1,10,20
    QUICK=--quick
fi

cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DKW5_BUILD_BENCH=ON \
    -DKW5_BUILD_TESTS=OFF -DKW5_BUILD_TOOLS=OFF >/dev/null
cmake --build "$BUILD" -j"${JOBS:-2}" --target kw5bench kw5bench_corpus kw5bench_peak \
    kw5bench_bigtag >/dev/null

rm -rf "$KW5_BENCH_DIR"
mkdir -p "$KW5_BENCH_DIR"
echo "making $FILES corpus files and big files of ${KW5_BENCH_BIG//,/, } MiB in $KW5_BENCH_DIR ..." >&2
"$BUILD/bench/kw5bench_corpus" "$KW5_BENCH_DIR" "$FILES" ${KW5_BENCH_BIG//,/ }
# The files are on disk before anything is timed (their write-back would
# slow every flush of the runs), and in the cache for both libraries alike.
sync
cat "$KW5_BENCH_DIR"/corpus/* >/dev/null

export VMKUTILS_LOG="$KW5_BENCH_DIR/vmkutils.log"
echo "running the benchmarks ..." >&2
"$BUILD/bench/kw5bench" --benchmark_format=json --benchmark_out="$KW5_BENCH_DIR/results.json" \
    --benchmark_out_format=json >/dev/null
echo "running the big-tag cases ..." >&2
"$BUILD/bench/kw5bench_bigtag" "$KW5_BENCH_DIR" $QUICK >"$KW5_BENCH_DIR/bigtag.tsv"
rm -f "$KW5_BENCH_DIR"/bigtag-*.mp3
PYTHON=python3
[ -x /usr/bin/python3 ] && PYTHON=/usr/bin/python3
"$PYTHON" "$ROOT/bench/report.py" "$KW5_BENCH_DIR" "$BUILD/bench/kw5bench_peak" "$FILES"
echo "elapsed: $(( $(date +%s) - START )) s (goal: under 600 s)"

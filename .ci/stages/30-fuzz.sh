#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and fuzzes each for
# a fixed time from a seed corpus the build makes: kw5fuzz_open (hostile
# tag images everywhere they are read) and kw5fuzz_write (the write paths,
# with the file checked after every step). Any finding fails CI; the
# crashing input is kept in build/ci-fuzz/findings for a regression test.
set -euo pipefail
cd "$ROOT"
SECONDS_TO_FUZZ=${KW5_FUZZ_SECONDS:-60}
BUILD=build/ci-fuzz
CC=clang CXX=clang++ cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKW5_BUILD_FUZZ=ON -DKW5_SANITIZE=ON -DKW5_BUILD_TESTS=OFF -DKW5_BUILD_TOOLS=OFF \
    -DKW5_WERROR=ON >/dev/null
cmake --build "$BUILD" -j"$JOBS" --target kw5fuzz_open kw5fuzz_write kw5fuzz_seeds
rm -rf "$BUILD/seeds" "$BUILD/write-seeds" "$BUILD/corpus" "$BUILD/write-corpus" "$BUILD/findings"
mkdir -p "$BUILD/seeds" "$BUILD/write-seeds" "$BUILD/corpus" "$BUILD/write-corpus" "$BUILD/findings"
"$BUILD/fuzz/kw5fuzz_seeds" "$BUILD/seeds" "$BUILD/write-seeds"
export VMKUTILS_LOG="$BUILD/fuzz-vmkutils.log"
# The targets rewrite their scratch files through temporary copies that are
# flushed to disk; on a memory file system those flushes cost nothing.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
    TMPDIR=$(mktemp -d /dev/shm/kw5fuzz.XXXXXX)
    export TMPDIR
    trap 'rm -rf "$TMPDIR"' EXIT
fi
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
"$BUILD/fuzz/kw5fuzz_open" -max_total_time="$SECONDS_TO_FUZZ" -max_len=65536 -timeout=10 \
    -print_final_stats=1 -artifact_prefix="$BUILD/findings/" "$BUILD/corpus" "$BUILD/seeds"
"$BUILD/fuzz/kw5fuzz_write" -max_total_time="$SECONDS_TO_FUZZ" -max_len=65536 -timeout=10 \
    -print_final_stats=1 -artifact_prefix="$BUILD/findings/write-" "$BUILD/write-corpus" \
    "$BUILD/write-seeds"
echo "fuzzing: 2 x ${SECONDS_TO_FUZZ} s, no finding"

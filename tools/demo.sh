#!/usr/bin/env bash
# The main job on a fresh Debian machine: install what the build needs,
# build the library and kw5tag, make a sample file and work on it.
set -euo pipefail
cd "$(dirname "$0")/.."
if command -v apt-get >/dev/null; then
    SUDO=""
    [ "$(id -u)" = 0 ] || SUDO=sudo
    $SUDO apt-get update -qq
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        cmake make g++ googletest libgtest-dev python3 python3-mutagen id3v2 libtag1-dev \
        pkg-config attr util-linux >/dev/null
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target kw5tag
KW5TAG=build/tools/kw5tag
SAMPLE=build/sample.kw5
run() {
    printf '\n$'
    printf ' %q' "$@"
    printf '\n'
    "$@"
}
run $KW5TAG sample "$SAMPLE" --force
run $KW5TAG show "$SAMPLE"
# No --variant: set keeps the file's own layout (GM: it holds a VMK_LSI object).
run $KW5TAG set TIT2="Evening in Kyoto" TXXX:MOOD=quiet "$SAMPLE"
run $KW5TAG get TIT2 "$SAMPLE"
run $KW5TAG check "$SAMPLE"
run $KW5TAG check --variant std "$SAMPLE" || true
run $KW5TAG set --dry-run TALB="Field Recordings, Vol. 3" "$SAMPLE"
run $KW5TAG convert --dry-run --variant prask "$SAMPLE"
run $KW5TAG show "$SAMPLE"

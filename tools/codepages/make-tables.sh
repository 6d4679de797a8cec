#!/usr/bin/env bash
# Regenerates the code-page tables of the POSIX build and the digests of the
# code-page tests from the Win32 converters, run under Wine:
#   tools/codepages/make-tables.sh
# Needs x86_64-w64-mingw32-g++ and Wine. Writes
#   platform/posix/CodePageTableData.cpp  (the tables)
#   tests/fields/CodePageDigests.inc      (what the tests compare against)
set -euo pipefail
cd "$(dirname "$0")/../.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
x86_64-w64-mingw32-g++ -std=c++17 -O2 -I. -static -o "$work/DumpCodePages.exe" \
    tools/codepages/DumpCodePages.cpp
bash cmake/kw5-wine.sh "$work/prefix" "$work/DumpCodePages.exe" \
    'Z:'"$work"'/tables.cpp' 'Z:'"$work"'/digests.inc'
WINEPREFIX=$work/prefix wineserver -w 2>/dev/null || true
cp "$work/tables.cpp" platform/posix/CodePageTableData.cpp
cp "$work/digests.inc" tests/fields/CodePageDigests.inc
clang-format -i platform/posix/CodePageTableData.cpp
echo "tables and digests written"

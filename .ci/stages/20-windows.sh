#!/usr/bin/env bash
# Windows: cross-builds the library for 64-bit and 32-bit Windows with
# MinGW-w64, checks the export tables (the class, and the C interface under
# undecorated names), and runs each width's test suite under Wine (32-bit
# Wine for the 32-bit build), the C hosts included: one built by MinGW's gcc
# and one by clang in MSVC mode, linked by lld-link.
set -euo pipefail
ROOT=${ROOT:-$(cd "$(dirname "$0")/../.." && pwd)}
JOBS=${JOBS:-2}
cd "$ROOT"

win64=build/ci-win64
win32=build/ci-win32

fail() {
    echo "20-windows: $*" >&2
    exit 1
}

configure_and_build() {
    local dir=$1 toolchain=$2
    shift 2
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKW5_WERROR=ON \
        -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/$toolchain" "$@" >/dev/null
    cmake --build "$dir" -j"$JOBS"
}

# The runtime is linked statically: nothing may import MinGW's DLLs, or the
# programs would not start on a machine (or Wine prefix) without them.
check_static_runtime() {
    local objdump=$1 dir=$2 file
    for file in "$dir"/bin/*.dll "$dir"/bin/*.exe; do
        [ -e "$file" ] || continue
        if "$objdump" -p "$file" | grep -iE 'DLL Name: (libstdc\+\+|libgcc|libwinpthread)'; then
            fail "$(basename "$file") depends on a MinGW runtime DLL"
        fi
    done
}

# Each pattern must match at least one name in the DLL's export table.
check_exports() {
    local objdump=$1 dll=$2
    shift 2
    [ -f "$dll" ] || fail "missing $dll"
    local exports pattern
    exports=$("$objdump" -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p')
    for pattern in "$@"; do
        if ! grep -qE "$pattern" <<<"$exports"; then
            fail "$(basename "$dll") does not export $pattern"
        fi
        echo "exported: $(grep -oE "$pattern[^ ]*" <<<"$exports" | head -n1)"
    done
}

# The class, its table of virtual operations and a sample of its public and
# protected methods (Itanium names, as MinGW mangles them).
class_exports=(
    '_ZN13CKW5VorletLibC[12]Ev'
    '_ZN13CKW5VorletLibD[012]Ev'
    '_ZTV13CKW5VorletLib'
    '_ZN13CKW5VorletLib4Open'
    '_ZN13CKW5VorletLib6Update'
    '_ZN13CKW5VorletLib5Close'
    '_ZN13CKW5VorletLib9GetString'
    '_ZN13CKW5VorletLib9PutString'
    '_ZN13CKW5VorletLib9GetBinary'
    '_ZN13CKW5VorletLib13GetId3TagSize'
    '_ZN13CKW5VorletLib21KW5ErrorReturnHRESULT'
    '_ZN13CKW5VorletLib5clearEv'
    '_ZN13CKW5VorletLib4initEv'
)

# The C interface, by exact undecorated name (no _name, no name@12).
c_exports=()
while read -r name; do
    c_exports+=("^\s*\[ *[0-9]+\] ${name%@*}$")
done < <(sed -n 's/^    \(KW5Lib[A-Za-z_0-9@]*\)$/\1/p' facade/kw5vorlet.def)
[ "${#c_exports[@]}" -ge 30 ] || fail "facade/kw5vorlet.def lists too few functions"

# The installed DLLs and tool carry no debug information; it is installed
# beside them and linked by .gnu_debuglink.
check_stripped_install() {
    local objdump=$1 dir=$2 file
    rm -rf "$dir/install"
    cmake --install "$dir" --prefix "$dir/install" >/dev/null
    for file in kw5vorlet.dll VMKUtils_base.dll kw5tag.exe; do
        file=$dir/install/bin/$file
        [ -f "$file.debug" ] || fail "no debug file beside $file"
        "$objdump" -h "$file" | grep -q '\.debug_info' && fail "$file is installed unstripped"
        "$objdump" -h "$file" | grep -q '\.gnu_debuglink' || fail "$file has no debug link"
    done
    echo "installed stripped: $dir/install/bin"
}

# Runs a build's suite under Wine; every test must run, the MSVC-mode host
# included (it is built only when clang, lld-link and llvm-dlltool exist).
run_suite() {
    local dir=$1 label=$2 status=0
    [ -f "$dir/bin/c_host_msvc.exe" ] || fail "$label: the MSVC-mode C host was not built"
    (cd "$dir" && ctest --output-on-failure -j"$JOBS") || status=$?
    # Let the prefix's wineserver finish before the next step.
    WINEPREFIX="$ROOT/$dir/wineprefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
    [ "$status" = 0 ] || fail "$label tests failed under Wine"
}

echo "--- x86_64-w64-mingw32 build"
configure_and_build "$win64" toolchain-x86_64-w64-mingw32.cmake
check_static_runtime x86_64-w64-mingw32-objdump "$win64"
check_exports x86_64-w64-mingw32-objdump "$win64/bin/kw5vorlet.dll" "${class_exports[@]}" \
    "${c_exports[@]}"
check_exports x86_64-w64-mingw32-objdump "$win64/bin/VMKUtils_base.dll" '^\s*\[ *[0-9]+\] vmkutils_base$'

check_stripped_install x86_64-w64-mingw32-objdump "$win64"

echo "--- x86_64 tests under Wine"
run_suite "$win64" x86_64

echo "--- i686-w64-mingw32 build"
configure_and_build "$win32" toolchain-i686-w64-mingw32.cmake
check_static_runtime i686-w64-mingw32-objdump "$win32"
check_exports i686-w64-mingw32-objdump "$win32/bin/kw5vorlet.dll" "${class_exports[@]}" \
    "${c_exports[@]}"
check_exports i686-w64-mingw32-objdump "$win32/bin/VMKUtils_base.dll" '^\s*\[ *[0-9]+\] vmkutils_base$'
# A 32-bit DLL really is one.
i686-w64-mingw32-objdump -f "$win32/bin/kw5vorlet.dll" | grep -q 'pei-i386' ||
    fail "kw5vorlet.dll of the 32-bit build is not a 32-bit DLL"

check_stripped_install i686-w64-mingw32-objdump "$win32"

echo "--- i686 tests under 32-bit Wine"
run_suite "$win32" i686

echo "--- Windows builds passed"

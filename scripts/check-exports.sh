#!/usr/bin/env bash
# Checks the Windows DLLs as shipped: the export tables hold exactly the
# header's functions plus the four component-server entry points, the files
# are the right kind of PE DLL, they need no MinGW runtime DLLs, they carry
# the version resource, and the import library and tbcom.def beside them
# resolve stdcall callers to the plain export names.
#
#   scripts/check-exports.sh [WIN32_DIR] [WIN64_DIR]
# (defaults: $TBCOM_WIN32_DIR, $TBCOM_WIN64_DIR, else build/win32, build/win64)
set -euo pipefail
cd "$(dirname "$0")/.."

W32=${1:-${TBCOM_WIN32_DIR:-build/win32}}
W64=${2:-${TBCOM_WIN64_DIR:-build/win64}}
ENTRY_POINTS="DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer"
failures=0
fail() { echo "check-exports: FAIL: $*" >&2; failures=$((failures + 1)); }

for tool in i686-w64-mingw32-objdump x86_64-w64-mingw32-objdump i686-w64-mingw32-gcc-posix \
            i686-w64-mingw32-dlltool file strings; do
    command -v "$tool" >/dev/null || { echo "check-exports: missing tool $tool" >&2; exit 1; }
done

# Exported names of a PE file, one a line, sorted.
pe_exports() {
    "$1" -p "$2" | awk '/^\[Ordinal\/Name Pointer\] Table/ {on=1; next}
                        on && /^[ \t]*\[ *[0-9]+\]/ {print $NF; next}
                        on {on=0}' | sort
}

check_dll() {  # dir objdump file-pattern
    local dir=$1 objdump=$2 kind=$3 dll=$1/tbcom.dll
    [ -f "$dll" ] || { fail "$dll not built"; return; }
    [ -f "$dir/tbcom.exports" ] || { fail "$dir/tbcom.exports missing"; return; }

    local desc
    desc=$(file -b "$dll")
    [[ $desc =~ $kind ]] || fail "$dll is '$desc', expected /$kind/"

    local expected actual
    expected=$( (cat "$dir/tbcom.exports"; tr ' ' '\n' <<<"$ENTRY_POINTS") | sed '/^$/d' | sort)
    actual=$(pe_exports "$objdump" "$dll")
    local missing extra
    missing=$(comm -23 <(echo "$expected") <(echo "$actual"))
    extra=$(comm -13 <(echo "$expected") <(echo "$actual"))
    [ -z "$missing" ] || fail "$dll lacks exports: $(echo $missing)"
    [ -z "$extra" ] || fail "$dll has extra exports: $(echo $extra)"
    local count
    count=$(echo "$actual" | sed '/^$/d' | wc -l)

    # Statically linked: only system DLLs are imported.
    local imports
    imports=$("$objdump" -p "$dll" | awk '/DLL Name:/ {print tolower($3)}')
    if grep -Eq 'libgcc|libstdc|libwinpthread|mingw' <<<"$imports"; then
        fail "$dll imports MinGW runtime DLLs: $(echo $imports)"
    fi

    strings -el "$dll" | grep -qx "Test Bench Control Module" || fail "$dll has no file description"
    strings -el "$dll" | grep -qx "tbcom" || fail "$dll has no product name"
    [ -f "$dir/libtbcom.dll.a" ] || fail "$dir/libtbcom.dll.a missing"
    [ -f "$dir/tbcom.def" ] || fail "$dir/tbcom.def missing"
    echo "check-exports: $dll: $desc; $count exports; $(stat -c %s "$dll") bytes"
}

check_dll "$W32" i686-w64-mingw32-objdump 'PE32 executable.*\(DLL\).*Intel 80386'
check_dll "$W64" x86_64-w64-mingw32-objdump 'PE32\+ executable.*\(DLL\).*x86-64'

# A 32-bit C host linked through the import library, and through an import
# library made from the shipped tbcom.def (what lib.exe /def does), must
# import the plain names.
if [ -f "$W32/tbcom.dll" ]; then
    tmp=$(mktemp -d)
    trap 'rm -rf "$tmp"' EXIT
    cat >"$tmp/host.c" <<'C'
#include "tbcom.h"
int main(void) {
    SetStdConst(3200.0);
    return Error_Start(1, 1200.0, 5, 3) + (int)GetStdConst() + (int)getComHandle();
}
C
    for lib in "$W32/libtbcom.dll.a" def; do
        if [ "$lib" = def ]; then
            i686-w64-mingw32-dlltool -k -d "$W32/tbcom.def" -D tbcom.dll -l "$tmp/fromdef.a"
            lib=$tmp/fromdef.a
        fi
        if ! i686-w64-mingw32-gcc-posix -Iinclude -o "$tmp/host.exe" "$tmp/host.c" "$lib" 2>"$tmp/err"; then
            fail "C host does not link against $lib: $(cat "$tmp/err")"
            continue
        fi
        names=$(i686-w64-mingw32-objdump -p "$tmp/host.exe" |
                awk '/DLL Name: tbcom.dll/ {on=1; next} on && NF == 0 {on=0} on && NF == 3 && $2 ~ /^[0-9]+$/ {print $3}' | sort | tr '\n' ' ')
        [ "$names" = "Error_Start GetStdConst SetStdConst getComHandle " ] ||
            fail "host linked with $lib imports '$names'"
    done
fi

if [ "$failures" -ne 0 ]; then
    echo "check-exports: $failures failure(s)" >&2
    exit 1
fi
echo "check-exports: OK"

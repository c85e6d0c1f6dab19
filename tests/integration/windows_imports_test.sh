#!/usr/bin/env bash
# shellcheck source=lib.sh disable=SC2034
# A Windows build is one file: it imports only DLLs that every Windows has,
# none of the compiler's run-time DLLs (libstdc++, libgcc, winpthread).
#
#   windows_imports_test.sh OBJDUMP PATH/TO/mirabo.exe
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

[ $# -eq 2 ] || fail "usage: $0 OBJDUMP PATH/TO/mirabo.exe"
OBJDUMP="$1"
PROGRAM="$2"
require_tools "$OBJDUMP"
[ -f "$PROGRAM" ] || missing "$PROGRAM has not been built (run scripts/test, or build its preset)"

# The DLLs of a Windows installation that the program may import.
SYSTEM_DLLS='^(kernel32|user32|gdi32|winmm|msvcrt|advapi32|shell32|ole32|ucrtbase|api-ms-win-[a-z0-9-]+)\.dll$'

imports="$("$OBJDUMP" -p "$PROGRAM" | sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p')"
[ -n "$imports" ] || fail "$OBJDUMP found no imports in $PROGRAM"
echo "$PROGRAM imports:"
sed 's/^/  /' <<<"$imports"
foreign="$(tr 'A-Z' 'a-z' <<<"$imports" | grep -Ev "$SYSTEM_DLLS" || true)"
[ -z "$foreign" ] || fail "imports DLLs that Windows does not ship: $(tr '\n' ' ' <<<"$foreign")"
for needed in kernel32.dll user32.dll gdi32.dll winmm.dll; do
  tr 'A-Z' 'a-z' <<<"$imports" | grep -qx "$needed" || fail "does not import $needed"
done
echo "PASS: only system DLLs"

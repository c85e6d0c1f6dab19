#!/usr/bin/env bash
# shellcheck source=lib.sh disable=SC2034
# The Wine prefix that every Wine test copies (a ctest fixture): made once
# per build directory and Wine, kept between runs while it is up to date.
#
#   wine_template.sh wine32|wine64 TEMPLATE_DIR
#
# Where this Wine cannot run here (a kernel that refuses 32-bit programs,
# or no Wine outside CI), there is nothing to make: this says so and
# passes, and each test that needs the prefix skips with the reason.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

[ $# -eq 2 ] || fail "usage: $(basename "$0") wine32|wine64 TEMPLATE_DIR"
BUILD="$1" TEMPLATE="$2"
probe_status=0
(find_wine) >"$WORK/probe.log" 2>&1 || probe_status=$?
if [ "$probe_status" -eq "$SKIP_CODE" ]; then
  echo "No $BUILD prefix to make: $(grep '^SKIP:' "$WORK/probe.log" | sed 's/^SKIP: //')"
  exit 0
fi
[ "$probe_status" -eq 0 ] || fail "$(cat "$WORK/probe.log")"
find_wine
exec 8>>"$TEMPLATE.lock"
flock 8
make_wine_template

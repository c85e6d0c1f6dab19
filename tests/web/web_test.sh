#!/usr/bin/env bash
# Runs one browser test (web_test.js) with the tools it needs, or skips
# (exit 77, with the reason) when one is missing outside CI; in CI
# (CI=true) a missing tool is a failure.
#   web_test.sh SCENARIO PAGE_DIR
set -uo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

missing() {
  if [ "${CI:-}" = true ]; then
    echo "FAIL: $* (in CI this is a failure, not a skip)"
    exit 1
  fi
  echo "SKIP: $*"
  exit 77
}

command -v node >/dev/null 2>&1 || missing "node is not installed (Debian package nodejs)"
[ -x "${MIRABO_CHROMIUM:-/usr/bin/chromium}" ] || missing "chromium is not installed (Debian package chromium)"
[ -d "$HERE/node_modules/playwright-core" ] ||
  missing "playwright-core is not installed: (cd $HERE && npm ci)"
[ -f "$2/mirabo.wasm" ] ||
  missing "no page in $2: emscripten (Debian package emscripten) builds it with the web preset"
# The typed game's sound is measured against the clock: it holds the lock
# the other timed checks hold (a file on the machine, since several ctest
# runs may share it), and the others run beside it.
if [ "$1" = typed-game ]; then
  command -v flock >/dev/null 2>&1 || missing "flock is not installed (Debian package util-linux)"
  exec flock "${MIRABO_TIMED_LOCK:-/tmp/mirabo-timed.lock}" node "$HERE/web_test.js" "$@"
fi
exec node "$HERE/web_test.js" "$@"

#!/usr/bin/env bash
# How long making fones.DAT takes: runs the build's voice tool as the build
# does (mirabo-voice --output FILE) RUNS times into a scratch file, checks
# that each output is the build's own fones.DAT byte for byte, and prints
# the wall-clock and processor time of each run and their median, fastest
# and slowest.  Not a test: it reports and does not judge.
#
#   bench/voice_time.sh [BUILD_DIR] [RUNS]     (default build/release, 5)
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="$(cd "${1:-$ROOT/build/release}" && pwd)" || exit 1
RUNS="${2:-5}"
TOOL="$BUILD_DIR/tools/voice/mirabo-voice"
[ -x "$TOOL" ] || { echo "FAIL: $TOOL is not built" >&2; exit 1; }
[ -f "$BUILD_DIR/fones.DAT" ] || { echo "FAIL: $BUILD_DIR/fones.DAT is not built" >&2; exit 1; }
# Wall-clock time is what is measured: not beside another measurement (the
# timed integration tests take the same lock).
exec 199>>"${MIRABO_TIMED_LOCK:-/tmp/mirabo-timed.lock}" && flock 199

python3 - "$TOOL" "$BUILD_DIR/fones.DAT" "$RUNS" <<'PY'
import filecmp, os, resource, statistics, subprocess, sys, tempfile, time
tool, reference, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
walls, cpus = [], []
with tempfile.TemporaryDirectory() as scratch:
    output = os.path.join(scratch, "fones.DAT")
    for run in range(1, runs + 1):
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        start = time.perf_counter()
        result = subprocess.run([tool, "--output", output], capture_output=True, text=True)
        wall = time.perf_counter() - start
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        if result.returncode != 0:
            sys.exit(f"FAIL: run {run}: {tool} ended with {result.returncode}: {result.stderr}")
        if not filecmp.cmp(output, reference, shallow=False):
            sys.exit(f"FAIL: run {run}: the file made differs from {reference}")
        cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
        walls.append(wall)
        cpus.append(cpu)
        print(f"run {run}: {wall:.3f} s wall clock, {cpu:.3f} s processor")
    size = os.path.getsize(output)
walls.sort()
print(f"fones.DAT ({size} bytes): median {statistics.median(walls):.2f} s, min {walls[0]:.2f} s, "
      f"max {walls[-1]:.2f} s wall clock; median {statistics.median(cpus):.2f} s of processor time "
      f"({runs} runs, each output identical to the build's)")
PY
status=$?
echo "Machine load at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
exit "$status"

# shellcheck shell=bash
# Shared by scripts/play and scripts/test: the Debian packages the project
# needs and the build of one CMake preset.  Sourced, not run.

# Fails with a message naming what went wrong.
die() {
  echo "error: $*" >&2
  exit 1
}

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
JOBS="${MIRABO_JOBS:-2}"

# What building and playing the Linux program needs (the default build also
# builds the unit tests, the benchmark and the voice tool).
PLAY_PACKAGES=(
  build-essential cmake ninja-build pkg-config
  libsdl2-dev libsdl2-ttf-dev libfontconfig-dev fonts-dejavu-core
  libgtest-dev googletest libbenchmark-dev
  libespeak-ng-dev espeak-ng-data espeak-ng
)

# What building the page adds (scripts/web): Debian's emscripten, which
# ships its system libraries already built; the Linux build makes the voice.
WEB_PACKAGES=(
  "${PLAY_PACKAGES[@]}"
  emscripten
)

# What testing adds: the Windows cross compilers, Wine, and the tools that
# drive and look at a real window.
# shellcheck disable=SC2034  # used by scripts/test
TEST_PACKAGES=(
  "${PLAY_PACKAGES[@]}"
  g++-mingw-w64-i686 g++-mingw-w64-x86-64
  wine wine64 wine32:i386 fonts-wine
  xvfb xdotool openbox imagemagick x11-utils x11-xserver-utils x11-xkb-utils
  lintian desktop-file-utils fakeroot dpkg-dev
  sox python3
  tesseract-ocr tesseract-ocr-por
  emscripten chromium nodejs
)

# What scripts/bench adds: the Windows build whose size it reports, the
# tools that drive a real window, and Python with NumPy and SciPy for the
# measure of the voice (bench/voice_distortion.py).
# shellcheck disable=SC2034  # used by scripts/bench
BENCH_PACKAGES=(
  "${PLAY_PACKAGES[@]}"
  g++-mingw-w64-i686 libx11-dev libxext-dev
  xvfb xdotool openbox imagemagick x11-utils
  python3 python3-numpy python3-scipy
)

# What scripts/fuzz adds: clang with its libFuzzer runtime.
# shellcheck disable=SC2034  # used by scripts/test and scripts/fuzz
FUZZ_PACKAGES=(clang libclang-rt-dev)

# Runs a command as root: directly when we are root, else through sudo.
as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  elif command -v sudo >/dev/null 2>&1; then
    sudo "$@"
  else
    die "'$*' needs root, and sudo is not installed"
  fi
}

# Installs the packages that are missing; does nothing (and asks apt
# nothing) when every one is installed already.
ensure_packages() {
  local missing=() package
  for package in "$@"; do
    if ! dpkg-query -W -f='${db:Status-Abbrev}' "$package" 2>/dev/null | grep -q '^ii'; then
      missing+=("$package")
    fi
  done
  if [ "${#missing[@]}" -eq 0 ]; then
    return 0
  fi
  command -v apt-get >/dev/null 2>&1 || die "missing packages (${missing[*]}) and no apt-get: install them by hand"
  echo "Installing: ${missing[*]}"
  # wine32 comes from the i386 architecture.
  if printf '%s\n' "${missing[@]}" | grep -q ':i386$' &&
     ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
  fi
  as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# The browser tests' own tools: npm (a package of its own with Debian's
# nodejs, part of NodeSource's) and playwright-core from the npm registry,
# as package-lock.json pins it, in tests/web/node_modules.  No browser is
# downloaded: the tests drive Debian's chromium.
ensure_web_test_tools() {
  command -v npm >/dev/null 2>&1 || ensure_packages npm
  local web="$ROOT/tests/web"
  if [ ! -f "$web/node_modules/.package-lock.json" ] ||
     [ "$web/package-lock.json" -nt "$web/node_modules/.package-lock.json" ]; then
    echo "== npm ci in tests/web"
    (cd "$web" && npm ci --no-audit --no-fund) || die "npm could not install the browser tests' tools"
  fi
}

# Configures a preset the first time (later builds reconfigure by themselves
# when a CMake file changes) and builds it.  Returns non-zero on failure.
build_preset() {
  local preset="$1"
  if [ ! -f "$ROOT/build/$preset/build.ninja" ]; then
    if ! (cd "$ROOT" && cmake --preset "$preset" >/dev/null); then
      echo "error: configuring preset $preset failed" >&2
      return 1
    fi
  fi
  echo "== building $preset"
  if ! cmake --build "$ROOT/build/$preset" --parallel "$JOBS"; then
    echo "error: building preset $preset failed" >&2
    return 1
  fi
}

# The wall time of named stages, kept in the file STAGE_LOG so that stages
# run in a subshell or in the background are counted too: stage_begin NAME
# ... stage_end; stage_report prints one line a stage, in the order they
# began.
format_seconds() {
  printf '%dm%02ds' $(($1 / 60)) $(($1 % 60))
}

stage_begin() {
  STAGE_NAME="$1" STAGE_STARTED=$(date +%s)
  echo "== $STAGE_NAME ($(date +%H:%M:%S))"
}

stage_end() {
  local ended
  ended=$(date +%s)
  printf '%s\t%s\t%s\n' "$STAGE_NAME" "$STAGE_STARTED" "$ended" >>"${STAGE_LOG:-/dev/null}"
  echo "== $STAGE_NAME: $(format_seconds $((ended - STAGE_STARTED)))"
}

stage_report() {
  local name begin end first=""
  while IFS=$'\t' read -r name begin end; do
    [ -n "$first" ] || first="$begin"
    printf '   %-24s %s   (from +%s to +%s)\n' "$name:" "$(format_seconds $((end - begin)))" \
      "$(format_seconds $((begin - first)))" "$(format_seconds $((end - first)))"
  done < <(sort -t $'\t' -k2,2n "$STAGE_LOG")
}

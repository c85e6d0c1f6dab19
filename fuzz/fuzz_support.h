// What the fuzz targets share: the invariant check, and a started console
// with its window on a fresh recording double.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

#include "console/console_window.h"
#include "tests/support/recording_platform.h"

namespace fuzz {

// A broken invariant is a crash to libFuzzer, which then keeps the input.
inline void Require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

// One input's console: module start and window creation with the given
// MIRABO.INI text; every module is reset when it goes, so that inputs do
// not influence each other.  Targets that do not look at the screen can
// skip the first paint of the window, which is most of the double's work.
enum class FirstPaint { Draw, Skip };

class ConsoleSession {
 public:
  explicit ConsoleSession(std::optional<std::string> ini,
                          FirstPaint firstPaint = FirstPaint::Draw) {
    fixture_.os().iniText = std::move(ini);
    if (firstPaint == FirstPaint::Skip) fixture_.os().nextPaintRect = platform::RECT{0, 0, 0, 0};
    console::StartConsole();
    console::EnsureWindow();
  }
  doubles::RecordingPlatform& os() { return fixture_.os(); }

 private:
  doubles::PlatformFixture fixture_;
};

}  // namespace fuzz

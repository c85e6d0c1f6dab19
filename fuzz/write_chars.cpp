// WriteChars over arbitrary bytes and counts, on a window that scrolls by
// repainting or (LENTO=S) by copying pixels: the cursor stays on the
// screen and the window shows exactly the character plane.
//
// Input: one byte of settings, then runs: a 16-bit count (cut to what is
// left) and that many bytes; a count of 0xFFFF clears the screen instead.
#include <cstdint>
#include <string>
#include <vector>

#include "console/screen_buffer.h"
#include "fuzz/fuzz_support.h"

namespace {

std::vector<std::string> PlaneRows() {
  const auto& plane = console::Screen().CharPlane;
  std::vector<std::string> rows;
  for (int row = 0; row < console::ScreenRows; ++row) {
    const auto start = plane.begin() + row * console::ScreenColumns;
    rows.emplace_back(start, start + console::ScreenColumns);
  }
  return rows;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The double keeps every glyph shown in a map, so a scroll costs it
  // thousands of updates: longer inputs only slow the search down.
  if (size == 0 || size > 1024) return 0;
  const bool scrollByCopy = (data[0] & 1) != 0;
  fuzz::ConsoleSession session(std::string("[VIDEO]\nLENTO=") + (scrollByCopy ? "S" : "N") + "\n");
  const console::ScreenState& screen = console::Screen();

  std::size_t at = 1;
  while (at + 2 <= size) {
    const std::size_t asked = data[at] | (data[at + 1] << 8);
    at += 2;
    if (asked == 0xFFFF) {
      console::ClearScreen();
    } else {
      const auto count = static_cast<std::uint16_t>(std::min(asked, size - at));
      // An exact-size copy: a read past count is a heap overflow to ASan.
      const std::vector<std::uint8_t> bytes(data + at, data + at + count);
      console::WriteChars(bytes.data(), count);
      at += count;
    }
    fuzz::Require(screen.TextCursor.column >= 0 && screen.TextCursor.column <= 80,
                  "the cursor column is 0 to 80");
    fuzz::Require(screen.TextCursor.row >= 0 && screen.TextCursor.row <= 24,
                  "the cursor row is 0 to 24");
    fuzz::Require(screen.CharPlane.size() == 2000 && screen.AttributePlane.size() == 2000,
                  "the planes keep their size");
    fuzz::Require(
        session.os().ShownText(screen.CharWidth, screen.LineHeight, console::ScreenColumns,
                               console::ScreenRows) == PlaneRows(),
        "the window shows the character plane");
  }
  return 0;
}

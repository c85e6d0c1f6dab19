// The text screen as data: the character and attribute planes, the active
// area, the cursor, the colours and the font metrics, and the drawing
// bracket in progress.  screen_buffer.h writes and draws it.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/platform.h"

namespace console {

constexpr int ScreenColumns = 80;
constexpr int ScreenRows = 25;

// Inclusive absolute cell coordinates.
struct CellArea {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

// Relative to the top-left cell of the active area.  The column may stand
// at 80, the pending-wrap column, after the last column of a row was written.
struct CellCursor {
  int column = 0;
  int row = 0;
};

struct ScreenState {
  std::vector<std::uint8_t> CharPlane;       // empty while there is no window
  std::vector<std::uint8_t> AttributePlane;  // high nibble background, low foreground
  CellArea ActiveArea;
  CellCursor TextCursor;
  std::uint8_t CurrentAttribute = 0x0F;
  std::array<std::uint8_t, 16> ColourTable{};
  // Font metrics in pixels, set when the window is created.
  int CharWidth = 0;
  int LineHeight = 0;
  int CaretBaseline = 0;
  int TextOffset = 0;
  // The drawing bracket.
  platform::HDC DrawContext = nullptr;
  platform::HGDIOBJ PreviousFont = nullptr;
  platform::PAINTSTRUCT PaintRecord;
  bool Painting = false;
};

ScreenState& Screen();

}  // namespace console

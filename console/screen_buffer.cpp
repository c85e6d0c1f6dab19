#include "console/screen_buffer.h"

#include <algorithm>
#include <cstring>

#include "console/console_config.h"
#include "console/window_creation.h"
#include "console/window_state.h"

namespace console {

using platform::COLORREF;
using platform::Os;
using platform::Rgb;

namespace {

// This module draws the screen's state (screen_state.h).
ScreenState& screen = Screen();

constexpr std::array<COLORREF, 16> Palette = {
    Rgb(0, 0, 0),        // 0 black
    Rgb(0, 0, 255),      // 1 blue
    Rgb(0, 255, 0),      // 2 green
    Rgb(0, 255, 255),    // 3 cyan
    Rgb(255, 0, 0),      // 4 red
    Rgb(142, 0, 142),    // 5 magenta
    Rgb(68, 34, 34),     // 6 brown
    Rgb(192, 192, 192),  // 7 light grey
    Rgb(128, 128, 128),  // 8 dark grey
    Rgb(128, 128, 255),  // 9 light blue
    Rgb(128, 255, 128),  // 10 light green
    Rgb(128, 255, 255),  // 11 light cyan
    Rgb(255, 128, 128),  // 12 light red
    Rgb(255, 128, 255),  // 13 light magenta
    Rgb(255, 255, 0),    // 14 yellow
    Rgb(255, 255, 255),  // 15 white
};
static_assert(Palette.size() == 16);

int ActiveWidth() { return screen.ActiveArea.right - screen.ActiveArea.left + 1; }
int ActiveHeight() { return screen.ActiveArea.bottom - screen.ActiveArea.top + 1; }

std::size_t CellIndex(int column, int row) {
  return static_cast<std::size_t>(row) * ScreenColumns + static_cast<std::size_t>(column);
}

// Puts a byte and the current attribute into the cell at a position
// relative to the active area.
void SetCell(int column, int row, std::uint8_t character) {
  std::size_t cell = CellIndex(screen.ActiveArea.left + column, screen.ActiveArea.top + row);
  screen.CharPlane[cell] = character;
  screen.AttributePlane[cell] = screen.CurrentAttribute;
}

bool HavePlanes() {
  return screen.CharPlane.size() == static_cast<std::size_t>(ScreenColumns * ScreenRows) &&
         screen.AttributePlane.size() == screen.CharPlane.size();
}

// The part of the current row that a write has changed and not yet drawn.
struct ChangedSpan {
  int start;
  int end;
};

void ScrollUp() {
  const CellArea& area = screen.ActiveArea;
  const auto width = static_cast<std::size_t>(ActiveWidth());
  for (int row = area.top; row < area.bottom; ++row) {
    std::memmove(&screen.CharPlane[CellIndex(area.left, row)],
                 &screen.CharPlane[CellIndex(area.left, row + 1)], width);
    std::memmove(&screen.AttributePlane[CellIndex(area.left, row)],
                 &screen.AttributePlane[CellIndex(area.left, row + 1)], width);
  }
  std::memset(&screen.CharPlane[CellIndex(area.left, area.bottom)], ' ', width);
  std::memset(&screen.AttributePlane[CellIndex(area.left, area.bottom)], screen.CurrentAttribute,
              width);
}

// Moving the window's own pixels is cheaper than a full repaint, but only
// pixels that are really on screen can be copied: an inactive window may be
// covered, and one that reaches the bottom edge of the display (as a
// maximised one does) has rows that were never drawn.
bool ScrollByCopyingPixels() {
  platform::HWND window = Window().WindowHandle;
  if (!Config().ScrollByCopy || Os().GetActiveWindow() != window) return false;
  platform::RECT outer;
  Os().GetWindowRect(window, outer);
  return outer.bottom < Os().GetSystemMetrics(platform::SM_CYSCREEN) - 32;
}

void CopyPixelsUp() {
  const CellArea& area = screen.ActiveArea;
  const int width = ActiveWidth() * screen.CharWidth;
  Os().BitBlt(screen.DrawContext, area.left * screen.CharWidth, area.top * screen.LineHeight,
              width, (ActiveHeight() - 1) * screen.LineHeight, screen.DrawContext,
              area.left * screen.CharWidth, (area.top + 1) * screen.LineHeight, platform::SRCCOPY);
  platform::HBRUSH brush = Os().CreateSolidBrush(ColourOf(screen.CurrentAttribute >> 4));
  platform::HGDIOBJ previous = Os().SelectObject(screen.DrawContext, brush);
  Os().PatBlt(screen.DrawContext, area.left * screen.CharWidth, area.bottom * screen.LineHeight,
              width, screen.LineHeight, platform::PATCOPY);
  Os().SelectObject(screen.DrawContext, previous);
  Os().DeleteObject(brush);
}

void NewLine(ChangedSpan& span) {
  PaintSpan(span.start, span.end, screen.TextCursor.row);
  span = ChangedSpan{0, 0};
  screen.TextCursor.row += 1;
  if (screen.TextCursor.row != ActiveHeight()) return;

  if (!screen.Painting) BeginDraw();
  screen.TextCursor.row -= 1;
  ScrollUp();
  if (ScrollByCopyingPixels()) {
    CopyPixelsUp();
  } else {
    Os().InvalidateRect(Window().WindowHandle, nullptr, false);
  }
  if (!screen.Painting) EndDraw();
  Os().UpdateWindow(Window().WindowHandle);
}

}  // namespace

platform::COLORREF PaletteColour(int slot) {
  if (slot < 0 || slot >= static_cast<int>(Palette.size())) return Rgb(0, 0, 0);
  return Palette[static_cast<std::size_t>(slot)];
}

platform::COLORREF ColourOf(int index) {
  return PaletteColour(screen.ColourTable[static_cast<std::size_t>(index & 15)]);
}

void BeginDraw() {
  platform::HWND window = Window().WindowHandle;
  screen.DrawContext = screen.Painting ? Os().BeginPaint(window, screen.PaintRecord)
                                       : Os().GetDC(window);
  platform::HFONT font = Config().ConsoleFont;
  if (font == nullptr) font = Os().GetStockObject(platform::SYSTEM_FIXED_FONT);
  screen.PreviousFont = Os().SelectObject(screen.DrawContext, font);
}

void EndDraw() {
  platform::HWND window = Window().WindowHandle;
  Os().SelectObject(screen.DrawContext, screen.PreviousFont);
  if (screen.Painting) {
    Os().EndPaint(window, screen.PaintRecord);
  } else {
    Os().ReleaseDC(window, screen.DrawContext);
  }
  screen.DrawContext = nullptr;
  screen.PreviousFont = nullptr;
}

void PaintSpan(int fromColumn, int toColumn, int row) {
  if (toColumn <= fromColumn || !HavePlanes()) return;
  if (!screen.Painting) BeginDraw();
  int from = fromColumn + screen.ActiveArea.left;
  int to = toColumn + screen.ActiveArea.left;
  row += screen.ActiveArea.top;
  while (from < to) {
    const std::uint8_t attribute = screen.AttributePlane[CellIndex(from, row)];
    int length = 1;
    while (from + length < to &&
           screen.AttributePlane[CellIndex(from + length, row)] == attribute) {
      ++length;
    }
    Os().SetTextColor(screen.DrawContext, ColourOf(attribute & 15));
    Os().SetBkColor(screen.DrawContext, ColourOf(attribute >> 4));
    Os().TextOutA(screen.DrawContext, from * screen.CharWidth + screen.TextOffset,
                  row * screen.LineHeight,
                  reinterpret_cast<const char*>(&screen.CharPlane[CellIndex(from, row)]), length);
    from += length;
  }
  if (!screen.Painting) EndDraw();
}

void WriteChars(const std::uint8_t* bytes, std::uint16_t count) {
  EnsureWindow();
  // A window that could not be created has no planes to write into.
  if (!HavePlanes()) return;
  CellCursor& cursor = screen.TextCursor;
  ChangedSpan span{cursor.column, cursor.column};
  for (std::uint16_t i = 0; i < count; ++i) {
    const std::uint8_t byte = bytes[i];
    switch (byte) {
      case 7:
        Os().MessageBeep(0);
        break;
      case 8:
        if (cursor.column > 0) {
          cursor.column -= 1;
          SetCell(cursor.column, cursor.row, ' ');
          span.start = std::min(span.start, cursor.column);
        }
        break;
      case 10:
        NewLine(span);
        cursor.column = 0;
        break;
      case 13:
        cursor.column = 0;
        break;
      default:
        if (byte < 32) break;
        // The wrap waits for the next printable byte, so that a row filled
        // to its last column and then ended with CR or LF does not leave an
        // empty row behind.
        if (cursor.column == ActiveWidth()) {
          cursor.column = 0;
          NewLine(span);
        }
        SetCell(cursor.column, cursor.row, byte);
        span.start = std::min(span.start, cursor.column);
        cursor.column += 1;
        span.end = std::max(span.end, cursor.column);
        break;
    }
  }
  PaintSpan(span.start, span.end, cursor.row);
}

void WriteChar(std::uint8_t byte) { WriteChars(&byte, 1); }

void ClearScreen() {
  EnsureWindow();
  if (!HavePlanes()) return;
  for (int row = 0; row < ActiveHeight(); ++row) {
    for (int column = 0; column < ActiveWidth(); ++column) SetCell(column, row, ' ');
  }
  screen.TextCursor = CellCursor{0, 0};
  Os().InvalidateRect(Window().WindowHandle, nullptr, false);
  Os().UpdateWindow(Window().WindowHandle);
}

void OnPaint() {
  screen.Painting = true;
  BeginDraw();
  // Metrics are known from WM_GETMINMAXINFO on; a paint that came earlier
  // (or a font without metrics) has no cells to map the rectangle onto.
  if (screen.CharWidth > 0 && screen.LineHeight > 0) {
    const platform::RECT& dirty = screen.PaintRecord.rcPaint;
    const int firstColumn = std::max(0, dirty.left / screen.CharWidth);
    const int endColumn =
        std::min(ScreenColumns, (dirty.right + screen.CharWidth - 1) / screen.CharWidth);
    const int firstRow = std::max(0, dirty.top / screen.LineHeight);
    const int endRow =
        std::min(ScreenRows, (dirty.bottom + screen.LineHeight - 1) / screen.LineHeight);
    for (int row = firstRow; row < endRow; ++row) {
      PaintSpan(firstColumn - screen.ActiveArea.left, endColumn - screen.ActiveArea.left,
                row - screen.ActiveArea.top);
    }
  }
  EndDraw();
  screen.Painting = false;
}

}  // namespace console

// The text on the window, kept beside its pixels for the page's live
// region: a screen reader or a braille display reads what the window shows.
//
// Made from the drawing calls alone: text runs put characters in cells of
// the size of the font that drew them, fills blank the cells they cover,
// and a copy within the window (scrolling) moves them.  Copies from or to
// memory bitmaps (the magnifier's picture) do not change the text.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace platform::web {

class ScreenText {
 public:
  // `bytes` are Windows-1252 and start at pixel (x, y) in cells of
  // cellWidth x lineHeight pixels.
  void Text(int x, int y, std::string_view bytes, int cellWidth, int lineHeight);
  void Fill(const RECT& area);
  // width x height pixels from (sourceX, sourceY) to (x, y).
  void Copy(int x, int y, int width, int height, int sourceX, int sourceY);
  void Clear();

  // The rows changed since the last call, as UTF-8 without trailing blanks.
  std::vector<std::pair<int, std::string>> TakeChangedRows();

  std::string Row(int row) const;  // Windows-1252, trailing blanks removed

 private:
  struct Cells {
    int firstColumn = 0;
    int lastColumn = 0;  // exclusive
    int firstRow = 0;
    int lastRow = 0;
  };
  // The cells whose centres lie in the area.
  Cells CellsIn(int x, int y, int width, int height) const;
  char& At(int column, int row);
  void Changed(int row);

  int cellWidth_ = 0;
  int lineHeight_ = 0;
  std::vector<std::string> rows_;
  std::vector<bool> changed_;
};

}  // namespace platform::web

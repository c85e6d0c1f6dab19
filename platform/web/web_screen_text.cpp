#include "platform/web/web_screen_text.h"

#include <algorithm>

#include "platform/common/cp1252.h"

namespace platform::web {

namespace {

// Beyond any screen the program draws; coordinates past these are ignored
// rather than grown into.
constexpr int kMostRows = 200;
constexpr int kMostColumns = 400;

int FloorDivide(int value, int by) { return value >= 0 ? value / by : -((-value + by - 1) / by); }

}  // namespace

void ScreenText::Text(int x, int y, std::string_view bytes, int cellWidth, int lineHeight) {
  if (cellWidth <= 0 || lineHeight <= 0) return;
  if (cellWidth != cellWidth_ || lineHeight != lineHeight_) {
    // Another cell size: the old grid no longer lines up with the pixels.
    Clear();
    cellWidth_ = cellWidth;
    lineHeight_ = lineHeight;
  }
  int row = FloorDivide(y + lineHeight / 2, lineHeight);
  int column = FloorDivide(x + cellWidth / 2, cellWidth);
  if (row < 0 || row >= kMostRows) return;
  for (char byte : bytes) {
    if (column >= 0 && column < kMostColumns) At(column, row) = byte;
    ++column;
  }
  Changed(row);
}

ScreenText::Cells ScreenText::CellsIn(int x, int y, int width, int height) const {
  Cells cells;
  if (cellWidth_ <= 0 || lineHeight_ <= 0 || width <= 0 || height <= 0) return cells;
  // Cell c's centre is at c * size + size / 2: inside [x, x + width) from
  // the first c with that >= x to the last with that < x + width.
  auto first = [](int from, int size) { return std::max(0, FloorDivide(from - size / 2 + size - 1, size)); };
  cells.firstColumn = first(x, cellWidth_);
  cells.lastColumn = std::min(kMostColumns, first(x + width, cellWidth_));
  cells.firstRow = first(y, lineHeight_);
  cells.lastRow = std::min(kMostRows, first(y + height, lineHeight_));
  return cells;
}

void ScreenText::Fill(const RECT& area) {
  Cells cells = CellsIn(area.left, area.top, area.right - area.left, area.bottom - area.top);
  for (int row = cells.firstRow; row < cells.lastRow && row < static_cast<int>(rows_.size()); ++row) {
    std::string& text = rows_[static_cast<std::size_t>(row)];
    bool blanked = false;
    for (int column = cells.firstColumn;
         column < cells.lastColumn && column < static_cast<int>(text.size()); ++column) {
      if (text[static_cast<std::size_t>(column)] != ' ') {
        text[static_cast<std::size_t>(column)] = ' ';
        blanked = true;
      }
    }
    if (blanked) Changed(row);
  }
}

void ScreenText::Copy(int x, int y, int width, int height, int sourceX, int sourceY) {
  if (cellWidth_ <= 0 || lineHeight_ <= 0) return;
  int dx = sourceX - x;
  int dy = sourceY - y;
  // Only whole cells move as text.
  if (dx % cellWidth_ != 0 || dy % lineHeight_ != 0) {
    Fill(RECT{x, y, x + width, y + height});
    return;
  }
  int columns = dx / cellWidth_;
  int rows = dy / lineHeight_;
  Cells cells = CellsIn(x, y, width, height);
  std::vector<std::string> before = rows_;
  auto character = [&before](int column, int row) {
    if (row < 0 || row >= static_cast<int>(before.size())) return ' ';
    const std::string& text = before[static_cast<std::size_t>(row)];
    if (column < 0 || column >= static_cast<int>(text.size())) return ' ';
    return text[static_cast<std::size_t>(column)];
  };
  for (int row = cells.firstRow; row < cells.lastRow; ++row) {
    for (int column = cells.firstColumn; column < cells.lastColumn; ++column) {
      char moved = character(column + columns, row + rows);
      if (moved != character(column, row)) {
        At(column, row) = moved;
        Changed(row);
      }
    }
  }
}

void ScreenText::Clear() {
  for (std::size_t row = 0; row < rows_.size(); ++row) {
    if (rows_[row].find_first_not_of(' ') != std::string::npos) {
      rows_[row].clear();
      Changed(static_cast<int>(row));
    }
  }
}

char& ScreenText::At(int column, int row) {
  if (static_cast<int>(rows_.size()) <= row) {
    rows_.resize(static_cast<std::size_t>(row) + 1);
    changed_.resize(rows_.size());
  }
  std::string& text = rows_[static_cast<std::size_t>(row)];
  if (static_cast<int>(text.size()) <= column) text.resize(static_cast<std::size_t>(column) + 1, ' ');
  return text[static_cast<std::size_t>(column)];
}

void ScreenText::Changed(int row) {
  if (static_cast<int>(changed_.size()) <= row) {
    changed_.resize(static_cast<std::size_t>(row) + 1);
    rows_.resize(changed_.size());
  }
  changed_[static_cast<std::size_t>(row)] = true;
}

std::string ScreenText::Row(int row) const {
  if (row < 0 || row >= static_cast<int>(rows_.size())) return {};
  std::string text = rows_[static_cast<std::size_t>(row)];
  // Control bytes draw nothing.
  for (char& c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) c = ' ';
  }
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

std::vector<std::pair<int, std::string>> ScreenText::TakeChangedRows() {
  std::vector<std::pair<int, std::string>> rows;
  for (std::size_t row = 0; row < changed_.size(); ++row) {
    if (!changed_[row]) continue;
    changed_[row] = false;
    rows.emplace_back(static_cast<int>(row), common::Utf8FromCp1252(Row(static_cast<int>(row))));
  }
  return rows;
}

}  // namespace platform::web

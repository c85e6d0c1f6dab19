// How long the console takes to draw on the real Linux backend: a full
// repaint of the 80 x 25 screen (what every scroll without ScrollByCopy and
// every ClearScreen costs), and one full line written through WriteChars
// (what the game's output costs per line).  Needs a display: run it under
// Xvfb, or with SDL_VIDEODRIVER=dummy for the drawing alone.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <memory>

#include "console/console_window.h"
#include "console/screen_buffer.h"
#include "platform/native.h"

namespace {

constexpr int Columns = console::ScreenColumns;
constexpr int Rows = console::ScreenRows;

// One row of text of every printable kind, so that the glyph cache holds
// what a real screen needs.
std::array<std::uint8_t, Columns> RowText(int row) {
  std::array<std::uint8_t, Columns> text{};
  for (int column = 0; column < Columns; ++column) {
    text[column] = static_cast<std::uint8_t>(33 + (row * Columns + column) % 94);
  }
  return text;
}

// The console is a singleton with a window: started once for all runs.
void StartConsoleOnce() {
  static std::unique_ptr<platform::Platform> backend;
  if (backend) return;
  backend = platform::CreateNativePlatform();
  platform::InstallPlatform(backend.get());
  console::StartConsole();
  console::ClearScreen();
  // 25 full rows; no line feed after the last, so nothing scrolls and the
  // cursor waits at the pending-wrap column of the bottom row.
  for (int row = 0; row < Rows; ++row) {
    auto text = RowText(row);
    console::WriteChars(text.data(), static_cast<std::uint16_t>(text.size()));
    if (row + 1 < Rows) console::WriteChar('\n');
  }
}

void FullRepaint(benchmark::State& state) {
  StartConsoleOnce();
  platform::HWND window = console::Window().WindowHandle;
  for (auto _ : state) {
    platform::Os().InvalidateRect(window, nullptr, false);
    platform::Os().UpdateWindow(window);
  }
  state.SetItemsProcessed(state.iterations() * Columns * Rows);
}
BENCHMARK(FullRepaint)->Unit(benchmark::kMicrosecond);

void WriteOneLine(benchmark::State& state) {
  StartConsoleOnce();
  // CR first: back to column 0 of the bottom row, then 80 bytes over it.
  std::array<std::uint8_t, Columns + 1> line{};
  line[0] = '\r';
  auto text = RowText(7);
  for (int column = 0; column < Columns; ++column) line[column + 1] = text[column];
  for (auto _ : state) {
    console::WriteChars(line.data(), static_cast<std::uint16_t>(line.size()));
  }
  state.SetItemsProcessed(state.iterations() * Columns);
}
BENCHMARK(WriteOneLine)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

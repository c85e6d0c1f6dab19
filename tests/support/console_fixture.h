// A started console on the recording double, with the screen as text.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "console/console_window.h"
#include "console/screen_buffer.h"
#include "tests/support/recording_platform.h"
#include "runtime/module_state.h"

namespace doubles {

class ConsoleTest : public ::testing::Test {
 protected:
  RecordingPlatform& os() { return platform_.os(); }

  // Module start with the given MIRABO.INI text (nothing: no file).
  void Start(const char* ini = nullptr) {
    os().iniText = ini ? std::optional<std::string>(ini) : std::nullopt;
    console::StartConsole();
  }

  // Back to load state, then module start with another MIRABO.INI.
  void Restart(const char* ini) {
    runtime::ResetModules();
    Start(ini);
  }

  static void Write(std::string_view text) {
    console::WriteChars(reinterpret_cast<const std::uint8_t*>(text.data()),
                        static_cast<std::uint16_t>(text.size()));
  }

  // What the window shows, rows without their trailing blanks and without
  // the blank rows at the bottom.
  std::vector<std::string> Shown() {
    const auto& screen = console::Screen();
    return Trimmed(os().ShownText(screen.CharWidth, screen.LineHeight, console::ScreenColumns,
                                  console::ScreenRows));
  }

  // The character plane, in the same form.
  static std::vector<std::string> Plane() {
    const auto& plane = console::Screen().CharPlane;
    std::vector<std::string> rows;
    for (std::size_t start = 0; start + console::ScreenColumns <= plane.size();
         start += console::ScreenColumns) {
      rows.emplace_back(plane.begin() + static_cast<std::ptrdiff_t>(start),
                        plane.begin() + static_cast<std::ptrdiff_t>(start + console::ScreenColumns));
    }
    return Trimmed(rows);
  }

  static std::uint8_t AttributeAt(int column, int row) {
    return console::Screen().AttributePlane[static_cast<std::size_t>(row * console::ScreenColumns +
                                                                     column)];
  }

  static std::vector<std::string> Trimmed(std::vector<std::string> rows) {
    for (auto& row : rows) row.erase(row.find_last_not_of(' ') + 1);
    while (!rows.empty() && rows.back().empty()) rows.pop_back();
    return rows;
  }

 private:
  PlatformFixture platform_;
};

}  // namespace doubles

// The console's settings from MIRABO.INI, sections VIDEO and BRAILLE.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace console {

inline constexpr const char* ConfigFileName = "MIRABO.INI";

struct ConsoleConfig {
  bool ScrollByCopy = false;
  int Background = 0;
  int Foreground = 7;
  bool StartMaximized = false;
  platform::HFONT ConsoleFont = nullptr;
  int FontWidth = 12;
  int FontHeight = 18;
  int FontWeight = 700;
  char FaceName[80] = {};
};

ConsoleConfig& Config();

// Reads every key and sets the colour table, the text attribute, the scroll
// mode, the braille mode, the magnifier factor, the font and the placement.
void ReadConsoleConfig();

}  // namespace console

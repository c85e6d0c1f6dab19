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

// The one text-to-integer conversion: decimal with an optional sign, or
// hexadecimal after $, x, X or 0x.  errorPosition is 0 on success, else the
// 1-based position of the byte where the conversion stopped.
struct ConvertedInteger {
  std::int32_t value = 0;
  int errorPosition = 0;
};
ConvertedInteger ConvertInteger(const char* text, int length);
ConvertedInteger ConvertInteger(const char* text);

}  // namespace console

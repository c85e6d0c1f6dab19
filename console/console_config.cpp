#include "console/console_config.h"

#include <string>

#include "console/key_queue.h"
#include "console/magnifier.h"
#include "console/screen_state.h"
#include "runtime/convert_integer.h"
#include "runtime/module_state.h"

namespace console {

using platform::DWORD;
using platform::Os;

namespace {

using runtime::ConvertedInteger;
using runtime::ConvertInteger;

runtime::ModuleState<ConsoleConfig> config;

constexpr DWORD ValueBufferSize = 80;
// Only the first character of AMPLIF counts.
constexpr DWORD ZoomBufferSize = 2;

// Reads a key into buffer; answers the length, 0 only for a key that is
// present with an empty value.
DWORD ReadSetting(const char* section, const char* key, const char* defaultValue, char* buffer,
              DWORD size = ValueBufferSize) {
  return Os().GetPrivateProfileStringA(section, key, defaultValue, buffer, size, ConfigFileName);
}

char UpperCase(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

int IntegerValue(const char* text, DWORD length) {
  return ConvertInteger(text, static_cast<int>(length)).value;
}

int FirstCode(const char* text) { return static_cast<unsigned char>(text[0]); }

std::string Trim(const std::string& text) {
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && blank(text[first])) ++first;
  while (last > first && blank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

// The comma is found in the untrimmed list but the entry is cut from the
// trimmed one, so a blank after a comma shifts the cut by one: "0, 9" gives
// the entry text "9," whose conversion fails and ends the list.  Kept as
// it is so that existing MIRABO.INI files keep giving the colours they gave.
void ReadColourTable(const char* text, DWORD length) {
  std::string list(text, length);
  list += ',';
  auto& table = Screen().ColourTable;
  for (std::size_t i = 0; i < table.size(); ++i) {
    const std::size_t comma = list.find(',');
    if (comma == std::string::npos) return;
    const std::string entry = Trim(list).substr(0, comma);
    const ConvertedInteger converted = ConvertInteger(entry.c_str());
    table[i] = static_cast<std::uint8_t>(converted.value & 0xFF);
    if (converted.errorPosition != 0) return;
    list.erase(0, comma + 1);
  }
}

}  // namespace

ConsoleConfig& Config() { return config; }

void ReadConsoleConfig() {
  char buffer[ValueBufferSize];
  config.ScrollByCopy = false;
  config.Background = 0;
  config.Foreground = 7;
  config.StartMaximized = false;

  if (DWORD length =
          ReadSetting("VIDEO", "TABCORES", "0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15", buffer)) {
    ReadColourTable(buffer, length);
  }
  if (ReadSetting("VIDEO", "LENTO", "N", buffer) != 0) {
    config.ScrollByCopy = UpperCase(buffer[0]) == 'S';
  }
  // A malformed number still gives the value of its leading digits.
  if (DWORD length = ReadSetting("VIDEO", "CORFUNDO", "0", buffer)) {
    config.Background = IntegerValue(buffer, length);
  }
  if (DWORD length = ReadSetting("VIDEO", "CORLETRA", "15", buffer)) {
    config.Foreground = IntegerValue(buffer, length);
  }
  // The foreground is not masked to a nibble: 16 and above reach into the
  // background bits.
  const auto background = static_cast<std::uint32_t>(config.Background);
  const auto foreground = static_cast<std::uint32_t>(config.Foreground);
  Screen().CurrentAttribute =
      static_cast<std::uint8_t>(((background * 16) & 0xFF) | (foreground & 0xFF));

  BrailleMode() = 0;
  if (ReadSetting("BRAILLE", "MODO", "0", buffer) != 0) BrailleMode() = FirstCode(buffer) & 3;

  Magnifier().ZoomFactor = 2;
  if (ReadSetting("VIDEO", "AMPLIF", "2", buffer, ZoomBufferSize) != 0) {
    Magnifier().ZoomFactor = FirstCode(buffer) & 7;
    if (Magnifier().ZoomFactor == 0) Magnifier().ZoomFactor = 2;
  }

  // A window created again after WM_DESTROY reads the file again; the font
  // of the first window is not selected anywhere and would only leak.
  if (config.ConsoleFont != nullptr) Os().DeleteObject(config.ConsoleFont);
  config.ConsoleFont = nullptr;
  if (ReadSetting("VIDEO", "FONTE", "Lucida Console", config.FaceName) == 0) return;

  config.FontWidth = 12;
  config.FontHeight = 18;
  config.FontWeight = 700;
  if (DWORD length = ReadSetting("VIDEO", "LARGURALETRA", "9", buffer)) {
    config.FontWidth = IntegerValue(buffer, length);
  }
  if (DWORD length = ReadSetting("VIDEO", "ALTURALETRA", "22", buffer)) {
    config.FontHeight = IntegerValue(buffer, length);
  }
  if (DWORD length = ReadSetting("VIDEO", "PESOLETRA", "700", buffer)) {
    config.FontWeight = IntegerValue(buffer, length);
  }
  if (ReadSetting("VIDEO", "CANTOTELA", "SIM", buffer) != 0) {
    config.StartMaximized = UpperCase(buffer[0]) != 'S';
  }
  config.ConsoleFont = Os().CreateFontA(config.FontHeight, config.FontWidth, 0, 0,
                                        config.FontWeight, 0, 0, 0, platform::ANSI_CHARSET, 0, 0,
                                        0, 0, config.FaceName);
}

}  // namespace console

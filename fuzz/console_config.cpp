// Arbitrary MIRABO.INI bytes: the GetPrivateProfileStringA stand-in at every
// buffer size, then ReadConsoleConfig on the recording double.
#include "console/console_config.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "console/key_queue.h"
#include "console/keyboard.h"
#include "console/magnifier.h"
#include "console/screen_buffer.h"
#include "fuzz/fuzz_support.h"
#include "platform/common/profile.h"

namespace {

struct Key {
  const char* section;
  const char* key;
  const char* defaultValue;
};

// Every key the console reads, and a missing one.
constexpr std::array<Key, 12> Keys = {{
    {"VIDEO", "TABCORES", "0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15"},
    {"VIDEO", "LENTO", "N"},
    {"VIDEO", "CORFUNDO", "0"},
    {"VIDEO", "CORLETRA", "15"},
    {"BRAILLE", "MODO", "0"},
    {"VIDEO", "AMPLIF", "2"},
    {"VIDEO", "FONTE", "Lucida Console"},
    {"VIDEO", "LARGURALETRA", "9"},
    {"VIDEO", "ALTURALETRA", "22"},
    {"VIDEO", "PESOLETRA", "700"},
    {"VIDEO", "CANTOTELA", "SIM  "},
    {"NADA", "NADA", nullptr},
}};

void CheckProfileStrings(const std::optional<std::string>& ini, platform::DWORD size) {
  for (const Key& key : Keys) {
    // Exactly the size asked for: a write past it is a heap overflow.
    auto buffer = std::make_unique<char[]>(size);
    const platform::DWORD length =
        platform::ProfileString(ini, key.section, key.key, key.defaultValue, buffer.get(), size);
    fuzz::Require(length < size, "the answer is shorter than the buffer");
    fuzz::Require(buffer[length] == '\0', "the copy is terminated after its length");
    const std::string_view copied(buffer.get(), length);
    const bool fromDefault =
        key.defaultValue != nullptr && std::string_view(key.defaultValue).starts_with(copied);
    const bool fromFile = ini && ini->find(copied) != std::string::npos;
    fuzz::Require(copied.empty() || fromDefault || fromFile,
                  "the value comes from the file or the default");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 8192) return 0;
  const std::optional<std::string> ini(std::in_place, reinterpret_cast<const char*>(data), size);

  CheckProfileStrings(ini, 80);
  CheckProfileStrings(ini, 2);
  CheckProfileStrings(ini, 1);
  CheckProfileStrings(std::nullopt, 80);

  doubles::PlatformFixture fixture;
  fixture.os().iniText = ini;
  console::StartConsole();
  console::ReadConsoleConfig();

  const console::ConsoleConfig& config = console::Config();
  fuzz::Require(console::BrailleMode() >= 0 && console::BrailleMode() <= 3,
                "the braille mode is 0 to 3");
  fuzz::Require(console::Magnifier().ZoomFactor >= 1 && console::Magnifier().ZoomFactor <= 7,
                "the zoom factor is 1 to 7");
  fuzz::Require(std::memchr(config.FaceName, '\0', sizeof config.FaceName) != nullptr,
                "the face name is terminated inside its buffer");
  // Entry i is set only while the list still has an i-th comma; the rest
  // keep the identity set at module start.
  char colours[80];
  const platform::DWORD listLength = platform::ProfileString(
      ini, "VIDEO", "TABCORES", "0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15", colours, sizeof colours);
  const std::size_t entries =
      listLength == 0
          ? 0
          : static_cast<std::size_t>(std::count(colours, colours + listLength, ',')) + 1;
  const auto& table = console::Screen().ColourTable;
  for (std::size_t i = entries; i < table.size(); ++i) {
    fuzz::Require(table[i] == i, "colours past the list keep the identity");
  }

  // A FONTE that reads as empty makes no font and leaves the window at its
  // normal size; any other makes one.
  char face[80];
  const bool haveFace =
      platform::ProfileString(ini, "VIDEO", "FONTE", "Lucida Console", face, sizeof face) != 0;
  fuzz::Require((config.ConsoleFont != nullptr) == haveFace, "a font exactly when FONTE has text");
  fuzz::Require(haveFace || !config.StartMaximized, "no maximised window without a font");
  // Every value is read into a buffer of 80 bytes but AMPLIF's of 2.
  for (const std::string& call : fixture.os().CallsStartingWith("GetPrivateProfileStringA(")) {
    const bool zoom = call.find(", AMPLIF, ") != std::string::npos;
    fuzz::Require(call.find(zoom ? ", 2, MIRABO.INI)" : ", 80, MIRABO.INI)") != std::string::npos,
                  "each key is read with its own buffer size");
  }
  return 0;
}

// Placeholder until the game lands: shows the start line and waits for a key.
#include "game/game_flow.h"

#include <cstring>

#include "console/keyboard.h"
#include "console/screen_buffer.h"

namespace game {

void GameFlow() {
  console::ClearScreen();
  const char* line = "Tecle enter\n";
  console::WriteChars(reinterpret_cast<const std::uint8_t*>(line),
                      static_cast<std::uint16_t>(std::strlen(line)));
  while (console::ReadKey() != 13) {
  }
}

}  // namespace game

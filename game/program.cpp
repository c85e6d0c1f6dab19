#include "game/program.h"

#include "console/console_window.h"
#include "game/game_flow.h"
#include "runtime/program_end.h"
#include "runtime/text_io.h"

namespace game {

// The runtime needs no start; the console binds the standard streams, takes
// its title and installs its exit procedure; the speech, words and messages
// have nothing to start.
void StartModules() { console::StartConsole(); }

void RunProgram() {
  StartModules();
  try {
    GameFlow();
  } catch (const runtime::EInOutError& error) {
    runtime::ExceptionErrorBox(error);
  }
}

}  // namespace game

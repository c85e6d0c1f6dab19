// The program's entry: installs the platform, starts the modules in
// dependency order, runs the game and ends the program.
#include "console/console_window.h"
#include "game/game_flow.h"
#include "platform/native.h"
#include "runtime/program_end.h"
#include "runtime/text_io.h"

int main() {
  auto backend = platform::CreateNativePlatform();
  platform::InstallPlatform(backend.get());
  console::StartConsole();
  try {
    game::GameFlow();
  } catch (const runtime::EInOutError& error) {
    runtime::ExceptionErrorBox(error);
  }
  runtime::EndProgram(0);
}

// The program's entry: installs the platform and runs the program.
#include "game/program.h"
#include "platform/native.h"

int main() {
  auto backend = platform::CreateNativePlatform();
  platform::InstallPlatform(backend.get());
  game::RunProgram();
}

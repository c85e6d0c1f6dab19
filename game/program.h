// The program as a whole: the modules' start in dependency order, the game,
// and the outermost handler that turns an I/O failure into the error box.
#pragma once

namespace game {

void StartModules();

// Starts the modules and runs the game; never returns.
[[noreturn]] void RunProgram();

}  // namespace game

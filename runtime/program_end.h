// How the program ends: the exit code, the chain of exit procedures and the
// modules' shutdown steps.  It sits below the console because the console's
// own ways out (closing the window, a quit message, Ctrl+Break) end the
// program through it, exactly as the game's normal end does.
#pragma once

#include <vector>

namespace runtime {

using ExitProcedure = void (*)();

struct ProgramEndState {
  // The exit procedure that runs first when the program ends.  A module
  // that installs one keeps the previous value and puts it back when its
  // own runs, so that the chain goes on (most recently installed first).
  ExitProcedure ExitProc = nullptr;
  // The code the process will end with.
  int ExitCode = 0;
  // Set only when the program ends because of a run-time error; exit
  // procedures that tidy up the screen test it.
  bool ErrorAddressSet = false;
  std::vector<void (*)()> shutdownSteps;  // in start-up order
};

ProgramEndState& ProgramEnd();

// Registers a module's shutdown step.  Modules register in start-up order;
// the steps run in reverse.
void AddModuleShutdown(void (*step)());

// Records the exit code, runs the exit procedures and the modules' shutdown
// steps, and ends the process.
[[noreturn]] void EndProgram(int exitCode);

// The normal halt: ends the program without changing the exit code.
[[noreturn]] void Halt();

}  // namespace runtime

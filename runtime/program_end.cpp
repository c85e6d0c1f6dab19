#include "runtime/program_end.h"

#include <cstdlib>

#include "platform/platform.h"
#include "runtime/module_state.h"

namespace runtime {

namespace {
ModuleState<ProgramEndState> state;
}  // namespace

ProgramEndState& ProgramEnd() { return state; }

void AddModuleShutdown(void (*step)()) { state.shutdownSteps.push_back(step); }

void EndProgram(int exitCode) {
  state.ExitCode = exitCode;
  // Each procedure is taken off the chain before it runs, so that one that
  // ends the program again cannot run twice.
  while (state.ExitProc != nullptr) {
    ExitProcedure procedure = state.ExitProc;
    state.ExitProc = nullptr;
    procedure();
  }
  auto& steps = state.shutdownSteps;
  while (!steps.empty()) {
    auto step = steps.back();
    steps.pop_back();
    step();
  }
  platform::Os().ExitProcess(static_cast<platform::UINT>(state.ExitCode));
  // A call through the interface does not carry its [[noreturn]] to the
  // compiler; no backend's ExitProcess comes back.
  std::abort();
}

void Halt() { EndProgram(state.ExitCode); }

}  // namespace runtime

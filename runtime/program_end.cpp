#include "runtime/program_end.h"

#include <cstdlib>
#include <vector>

#include "platform/platform.h"

namespace runtime {

ExitProcedure ExitProc = nullptr;
int ExitCode = 0;
bool ErrorAddressSet = false;

namespace {
std::vector<void (*)()>& ShutdownSteps() {
  static std::vector<void (*)()> steps;
  return steps;
}
}  // namespace

void AddModuleShutdown(void (*step)()) { ShutdownSteps().push_back(step); }

void EndProgram(int exitCode) {
  ExitCode = exitCode;
  // Each procedure is taken off the chain before it runs, so that one that
  // ends the program again cannot run twice.
  while (ExitProc != nullptr) {
    ExitProcedure procedure = ExitProc;
    ExitProc = nullptr;
    procedure();
  }
  auto& steps = ShutdownSteps();
  while (!steps.empty()) {
    auto step = steps.back();
    steps.pop_back();
    step();
  }
  platform::Os().ExitProcess(static_cast<platform::UINT>(ExitCode));
  // A call through the interface does not carry its [[noreturn]] to the
  // compiler; no backend's ExitProcess comes back.
  std::abort();
}

void Halt() { EndProgram(ExitCode); }

void ResetProgramEnd() {
  ExitProc = nullptr;
  ExitCode = 0;
  ErrorAddressSet = false;
  ShutdownSteps().clear();
}

}  // namespace runtime

#include "runtime/module_state.h"

#include <vector>

namespace runtime {

namespace {

// Made on first use: modules register while the program is loaded, in an
// order between files that nothing fixes.
std::vector<std::function<void()>>& Resets() {
  static std::vector<std::function<void()>> resets;
  return resets;
}

}  // namespace

void RegisterModuleReset(std::function<void()> reset) { Resets().push_back(std::move(reset)); }

void ResetModules() {
  for (const auto& reset : Resets()) reset();
}

}  // namespace runtime

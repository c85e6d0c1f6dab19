// Module state: each module keeps all of its state in one object declared
// as ModuleState<ItsState>, which registers itself so that ResetModules can
// put every module back as it was at load.  Tests run many programs in one
// process; a module whose state is declared this way cannot be forgotten.
#pragma once

#include <functional>

namespace runtime {

void RegisterModuleReset(std::function<void()> reset);

// Every module's state back to its value at load (tests).
void ResetModules();

template <typename State>
class ModuleState : public State {
 public:
  ModuleState() {
    RegisterModuleReset([this] { static_cast<State&>(*this) = State{}; });
  }
  ModuleState(const ModuleState&) = delete;
  ModuleState& operator=(const ModuleState&) = delete;
};

}  // namespace runtime

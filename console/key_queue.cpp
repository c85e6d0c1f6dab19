#include "console/key_queue.h"

#include "runtime/module_state.h"

namespace console {

namespace {

struct KeyInputState {
  KeyQueueState queue;
  int brailleMode = 0;
};
runtime::ModuleState<KeyInputState> state;

}  // namespace

KeyQueueState& KeyQueue() { return state.queue; }
int& BrailleMode() { return state.brailleMode; }

}  // namespace console

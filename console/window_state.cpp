#include "console/window_state.h"

#include "runtime/module_state.h"

namespace console {

namespace {
runtime::ModuleState<WindowState> window;
}  // namespace

WindowState& Window() { return window; }

}  // namespace console

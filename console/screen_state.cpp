#include "console/screen_state.h"

#include "runtime/module_state.h"

namespace console {

namespace {
runtime::ModuleState<ScreenState> screen;
}  // namespace

ScreenState& Screen() { return screen; }

}  // namespace console

#include "tests/support/reset_modules.h"

#include "console/console_window.h"
#include "runtime/program_end.h"

namespace doubles {

void ResetAllModules() {
  runtime::ResetProgramEnd();
  console::ResetConsole();
}

}  // namespace doubles

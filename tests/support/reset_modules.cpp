#include "tests/support/reset_modules.h"

#include "console/console_window.h"
#include "letras/number_speaker.h"
#include "runtime/program_end.h"
#include "synt/segment_player.h"

namespace doubles {

void ResetAllModules() {
  runtime::ResetProgramEnd();
  console::ResetConsole();
  synt::ResetSegmentPlayer();
  letras::ResetNumberSpeaker();
}

}  // namespace doubles

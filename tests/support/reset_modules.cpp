#include "tests/support/reset_modules.h"

#include "console/console_window.h"
#include "console/tone.h"
#include "letras/number_speaker.h"
#include "runtime/program_end.h"
#include "runtime/random.h"
#include "runtime/text_io.h"
#include "synt/segment_player.h"

namespace doubles {

void ResetAllModules() {
  runtime::ResetProgramEnd();
  console::ResetConsole();
  synt::ResetSegmentPlayer();
  letras::ResetNumberSpeaker();
  console::ResetTone();
  runtime::ResetTextIo();
  runtime::RandomSeed() = 0;
}

}  // namespace doubles

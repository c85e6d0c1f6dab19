#include "letras/short_beep.h"

#include "console/message_pump.h"
#include "console/tone.h"

namespace letras {

void ShortBeep() {
  console::PlayTone(ShortBeepFrequency);
  console::Delay(ShortBeepLength);
  console::StopTone();
}

}  // namespace letras

#include "console/message_pump.h"

#include "console/caret.h"
#include "console/window_state.h"
#include "platform/platform.h"
#include "runtime/program_end.h"

namespace console {

using platform::Os;

void PumpMessages() {
  platform::MSG message;
  while (Os().PeekMessageA(message, nullptr, 0, 0, platform::PM_REMOVE)) {
    if (message.message == platform::WM_QUIT) AbortProgram();
    Os().TranslateMessage(message);
    Os().DispatchMessageA(message);
  }
}

void Delay(std::uint16_t milliseconds) {
  Os().Sleep(milliseconds);
  PumpMessages();
}

void AbortProgram() {
  if (Window().HasFocus && Window().WaitingForKey) CaretOff();
  runtime::EndProgram(255);
}

}  // namespace console

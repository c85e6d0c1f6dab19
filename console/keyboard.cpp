// Placeholder until the keyboard lands: enough for the window to run.
#include "console/keyboard.h"

#include "console/console_window.h"

namespace console {

namespace {
KeyQueueState queue;
int brailleMode = 0;
}  // namespace

KeyQueueState& KeyQueue() { return queue; }
int& BrailleMode() { return brailleMode; }

void PumpMessages() {
  platform::MSG message;
  while (platform::Os().PeekMessageA(message, nullptr, 0, 0, platform::PM_REMOVE)) {
    if (message.message == platform::WM_QUIT) AbortProgram();
    platform::Os().TranslateMessage(message);
    platform::Os().DispatchMessageA(message);
  }
}

bool KeyPressed() {
  EnsureWindow();
  PumpMessages();
  return queue.count > 0;
}

std::uint8_t ReadKey() {
  while (!KeyPressed()) platform::Os().WaitMessage();
  std::uint8_t key = queue.bytes[0];
  --queue.count;
  for (int i = 0; i < queue.count; ++i) queue.bytes[i] = queue.bytes[i + 1];
  return key;
}

void Delay(std::uint16_t milliseconds) {
  platform::Os().Sleep(milliseconds);
  PumpMessages();
}

void SetBrailleMode(int mode) { brailleMode = mode > 2 ? 1 : mode; }

void OnChar(std::uint8_t character) {
  if (queue.count < KeyQueueCapacity) queue.bytes[queue.count++] = character;
}

bool OnKeyDown(std::uint8_t) { return true; }
bool OnKeyUp(std::uint8_t) { return false; }

void ResetKeyboard() {
  queue = KeyQueueState{};
  brailleMode = 0;
}

}  // namespace console

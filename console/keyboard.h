// The key queue, key translation, the message pump, waits and the braille
// mode switch.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace console {

constexpr int KeyQueueCapacity = 64;

struct KeyQueueState {
  std::uint8_t bytes[KeyQueueCapacity] = {};
  int count = 0;
};

KeyQueueState& KeyQueue();

// 0 off, 1 six-key chord entry, 2 chord entry with number and capital signs.
int& BrailleMode();

void PumpMessages();
bool KeyPressed();
std::uint8_t ReadKey();
void Delay(std::uint16_t milliseconds);
void SetBrailleMode(int mode);

void OnChar(std::uint8_t character);
bool OnKeyDown(std::uint8_t virtualKey);
bool OnKeyUp(std::uint8_t virtualKey);

void ResetKeyboard();

}  // namespace console

// Key translation into the key queue (key_queue.h), and the reads from it.
#pragma once

#include <cstdint>

#include "console/key_queue.h"

namespace console {

bool KeyPressed();
std::uint8_t ReadKey();

void OnChar(std::uint8_t character);
bool OnKeyDown(std::uint8_t virtualKey);
bool OnKeyUp(std::uint8_t virtualKey);

}  // namespace console

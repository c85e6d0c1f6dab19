// The key queue every keyboard path appends to and ReadKey takes from, and
// the braille mode that decides which path a key takes: the state that the
// keyboard and the braille chords share.
#pragma once

#include <cstdint>

namespace console {

constexpr int KeyQueueCapacity = 64;

struct KeyQueueState {
  std::uint8_t bytes[KeyQueueCapacity] = {};
  int count = 0;
};

KeyQueueState& KeyQueue();

// 0 off, 1 six-key chord entry, 2 chord entry with number and capital signs.
int& BrailleMode();

}  // namespace console

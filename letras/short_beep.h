// The short signal that closes every message and marks the game's steps.
#pragma once

#include <cstdint>

namespace letras {

inline constexpr std::uint16_t ShortBeepFrequency = 5000;  // Hz
inline constexpr std::uint16_t ShortBeepLength = 75;       // ms

void ShortBeep();

}  // namespace letras

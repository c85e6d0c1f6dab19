// The number speaker: clears the screen and speaks an integer with the
// number words, joined by the conjunction e.
#pragma once

#include <cstdint>
#include <vector>

namespace letras {

// The value SpeakNumber speaks; callers store it first.
std::int32_t& SpokenNumber();

// The segments SpeakNumber plays for value, in order.  0 to 999 are said as
// Portuguese numbers (cento e vinte e três); 0 itself as zero, so that a
// player who typed 0 hears it; a negative value as menos and its magnitude;
// 1000 and beyond digit by digit.
std::vector<int> NumberSegments(std::int32_t value);

// ClearScreen, then speaks SpokenNumber.
void SpeakNumber();

}  // namespace letras

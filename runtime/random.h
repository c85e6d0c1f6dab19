// The runtime's pseudo-random generator.  Never seeded from the clock: every
// run draws the same sequence.
#pragma once

#include <cstdint>

namespace runtime {

std::uint32_t& RandomSeed();

// One step, then the high 32 bits of RandomSeed * range: 0 to range - 1.
std::uint32_t RandomInt(std::uint32_t range);

// One step, then RandomSeed * 2^-32.
long double RandomReal();

}  // namespace runtime

#include "runtime/random.h"

namespace runtime {

namespace {
std::uint32_t seed = 0;

void Step() { seed = seed * 134775813u + 1u; }
}  // namespace

std::uint32_t& RandomSeed() { return seed; }

std::uint32_t RandomInt(std::uint32_t range) {
  Step();
  return static_cast<std::uint32_t>((static_cast<std::uint64_t>(seed) * range) >> 32);
}

long double RandomReal() {
  Step();
  return static_cast<long double>(seed) * (1.0L / 4294967296.0L);
}

}  // namespace runtime

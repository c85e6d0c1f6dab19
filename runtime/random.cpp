#include "runtime/random.h"

#include "runtime/module_state.h"

namespace runtime {

namespace {

struct RandomState {
  std::uint32_t seed = 0;
};
ModuleState<RandomState> state;

void Step() { state.seed = state.seed * 134775813u + 1u; }

}  // namespace

std::uint32_t& RandomSeed() { return state.seed; }

std::uint32_t RandomInt(std::uint32_t range) {
  Step();
  return static_cast<std::uint32_t>((static_cast<std::uint64_t>(state.seed) * range) >> 32);
}

long double RandomReal() {
  Step();
  return static_cast<long double>(state.seed) * (1.0L / 4294967296.0L);
}

}  // namespace runtime

// Mono sound as the tool handles it between reading and writing: floating
// point, full scale at +-1, with the rate it was sampled at.
#pragma once

#include <cstddef>
#include <vector>

namespace voice {

using Samples = std::vector<float>;

struct Sound {
  int rate = 0;
  Samples samples;
};

// fones.DAT's rate.  The game waits (end - start) div 30 ms after starting a
// range, whatever the file's rate; at 22050 Hz every range lasts longer than
// its wait (L / 22.05 ms against L / 30 ms), so a fragment has the whole wait
// less 10 ms to sound in and the rest of the range is silence that the next
// play may cut.  22050 Hz is also espeak-ng's own rate and one that every
// wave device plays without conversion.  See --help for the full reasoning.
inline constexpr int OutputRate = 22050;

// Milliseconds to samples at rate, rounded down.
constexpr std::size_t SamplesIn(int milliseconds, int rate) {
  return static_cast<std::size_t>(milliseconds) * static_cast<std::size_t>(rate) / 1000;
}

}  // namespace voice

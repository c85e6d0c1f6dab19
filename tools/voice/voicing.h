// Where a fragment is voiced: the buzz of the vocal folds repeats itself
// one pitch period later, the noise of a hiss or of a fricative r does not.
#pragma once

#include <cstddef>

#include "tools/voice/sound.h"

namespace voice {

struct Stretch {
  std::size_t first = 0;
  std::size_t end = 0;  // one past the last sample; first == end: none
  std::size_t size() const { return end - first; }
};

// How alike a 30 ms window is to itself one period later, at best over the
// periods of a speaking voice (62 to 400 Hz): near 1 for a vowel, a nasal or
// a z, and still above 0.7 where one sound turns into the next; below 0.6 for
// the noise of an s, an f or the end of a final r.
inline constexpr double VoicedLikeness = 0.65;

// The longest run of samples in which every 30 ms window, taken every 5 ms,
// is voiced; empty if no window is.
Stretch LongestVoicedStretch(const Samples& samples, int rate);

}  // namespace voice

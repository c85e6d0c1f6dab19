// Shortening or lengthening a fragment without changing its pitch: waveform-similarity
// overlap-add (WSOLA).  Resampling would shorten it too, but raise the voice.
#pragma once

#include <cstddef>
#include <vector>

#include "tools/voice/sound.h"

namespace voice {

// input played in about targetLength samples at the same pitch.  Input no
// longer than targetLength comes back unchanged; the result is never longer
// than targetLength.
Samples TimeCompress(const Samples& input, std::size_t targetLength, int rate);

// input played in targetLength samples at the same pitch, shorter or longer:
// a longer one repeats stretches of whole pitch periods.
Samples TimeScale(const Samples& input, std::size_t targetLength, int rate);

// A point of a time map: the output sample that plays the input sample.
struct WarpPoint {
  std::size_t output;
  std::size_t input;
};

// input played along map, at the same pitch: between two points of the map
// the input runs at its own speed, faster or slower.  map starts at {0, 0},
// rises in both and ends at {length of the output, input.size()}.  Where
// two points lie as far apart in the output as in the input, that stretch
// is copied as it was.
Samples TimeWarp(const Samples& input, const std::vector<WarpPoint>& map, int rate);

}  // namespace voice

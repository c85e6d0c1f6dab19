// Shortening or lengthening a fragment without changing its pitch: waveform-similarity
// overlap-add (WSOLA).  Resampling would shorten it too, but raise the voice.
#pragma once

#include <cstddef>

#include "tools/voice/sound.h"

namespace voice {

// input played in about targetLength samples at the same pitch.  Input no
// longer than targetLength comes back unchanged; the result is never longer
// than targetLength.
Samples TimeCompress(const Samples& input, std::size_t targetLength, int rate);

// input played in targetLength samples at the same pitch, shorter or longer:
// a longer one repeats stretches of whole pitch periods.
Samples TimeScale(const Samples& input, std::size_t targetLength, int rate);

}  // namespace voice

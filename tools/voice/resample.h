// Rate conversion for recordings made at another rate than fones.DAT's.
#pragma once

#include "tools/voice/sound.h"

namespace voice {

// Band-limited conversion (windowed sinc): the pitch and the length in
// seconds stay; only the number of samples per second changes.
Samples Resample(const Samples& input, int fromRate, int toRate);

}  // namespace voice

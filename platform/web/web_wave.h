// The browser stand-in's WAV reader and rate conversion, for the shared
// sound code (platform/common/mci.h): PCM images of 8 or 16 bits, mono or
// stereo, as the tone images and fones.DAT are.  A broken image is
// nothing, never a crash: the program is then mute.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "platform/common/mixer.h"
#include "platform/common/mci.h"

namespace platform::web {

std::optional<common::DecodedWave> DecodeWave(std::span<const std::uint8_t> bytes);

// Frames [first, first + count) of the wave (cut to what it has), at the
// mixer's rate, interpolated linearly between the wave's own samples.
common::Samples ToMixerRate(const common::DecodedWave& wave, std::size_t first, std::size_t count);

}  // namespace platform::web

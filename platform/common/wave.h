// The WAV images every stand-in plays: fones.DAT, opened through MCI, and
// the tone images handed to sndPlaySoundA.  One reader and one rate
// conversion for all of them, so that a file plays (or leaves the program
// mute) alike on each, and fuzzing it covers them all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

#include "platform/common/mixer.h"

namespace platform::common {

// One file's samples as signed 16-bit mono at the file's own rate, so that
// a position counted in the file's samples is an index here.
struct DecodedWave {
  std::uint32_t rate = 0;  // frames per second
  std::vector<std::int16_t> samples;
};

// PCM of 8 or 16 bits, mono or stereo (mixed down frame for frame), at 1000
// to 384000 Hz, as WAVEFORMATEX or WAVEFORMATEXTENSIBLE with the PCM
// sub-format.  Nothing for anything else, or for an image whose sizes reach
// past its end: a broken fones.DAT leaves the program mute.  A partial frame
// at the end is dropped.
std::optional<DecodedWave> DecodeWave(std::span<const std::uint8_t> bytes);

// Frames [first, first + count) of the wave (cut to what it has) at
// Mixer::kRate, count * kRate / rate of them, interpolated linearly between
// the wave's own samples and never past the range's last one.
Samples ToMixerRate(const DecodedWave& wave, std::size_t first, std::size_t count);

// The length of a RIFF image from its first 8 bytes ("RIFF" and the chunk
// size): how many bytes an in-memory image passed to sndPlaySoundA holds,
// trusted as winmm trusts it.  0 when the bytes do not start a RIFF image.
inline std::size_t RiffImageSize(const std::uint8_t* header) {
  if (header == nullptr || std::memcmp(header, "RIFF", 4) != 0) return 0;
  return 8 + (std::size_t{header[4]} | std::size_t{header[5]} << 8 |
              std::size_t{header[6]} << 16 | std::size_t{header[7]} << 24);
}

}  // namespace platform::common

// Reads PCM WAV images: the looping tones handed to sndPlaySoundA and the
// speech file opened through MCI.  No SDL here, so that it can be tested
// and fuzzed on its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <variant>

namespace platform::sdl {

struct WaveFormat {
  std::uint16_t channels = 0;       // 1 or 2
  std::uint32_t sampleRate = 0;     // frames per second
  std::uint16_t bitsPerSample = 0;  // 8 (unsigned) or 16 (signed, little-endian)

  std::size_t BytesPerFrame() const { return std::size_t{channels} * (bitsPerSample / 8); }
};

// A parsed image: its format and its sample data, trimmed to whole frames.
// The data points into the bytes that were parsed.
struct WaveView {
  WaveFormat format;
  std::span<const std::uint8_t> data;

  std::size_t FrameCount() const { return data.size() / format.BytesPerFrame(); }
};

enum class WaveError {
  NotRiffWave,        // no "RIFF" ... "WAVE" header
  Truncated,          // a size reaches past the end of the bytes
  MissingFormat,      // no "fmt " chunk before the data could be used
  UnsupportedFormat,  // not 8- or 16-bit PCM, mono or stereo, 1000..384000 Hz
  MissingData,        // no "data" chunk
};

using WaveParse = std::variant<WaveView, WaveError>;

WaveParse ParseWave(std::span<const std::uint8_t> bytes);

// The length of a RIFF image from its first 8 bytes ("RIFF" and the chunk
// size): how many bytes an in-memory image occupies.  0 when the bytes do
// not start a RIFF image.
std::size_t RiffImageSize(const std::uint8_t* header);

}  // namespace platform::sdl

// The MCI command strings the program sends to its waveaudio device, and
// nothing else:
//
//   open FILE type waveaudio alias NAME
//   set NAME time format samples
//   play NAME from N to N
//   close NAME
//
// Keywords match without regard to case, and positions count the file's
// samples.  One device is open at a time.  Any other command or keyword is
// refused with the error code winmm would give it, so that a caller that
// strays from these finds out instead of hearing something else.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace platform::common {

// What a backend's WAV reader gives the shared sound code: the samples of
// one file as signed 16-bit mono at the file's own rate, so that a position
// counted in the file's samples is an index here.  The SDL backend decodes
// with SDL_LoadWAV_RW; another backend brings its own reader.
struct DecodedWave {
  std::uint32_t rate = 0;  // frames per second
  std::vector<std::int16_t> samples;
};

// Nothing when the bytes are not a WAV file the backend can play.
using WaveDecoder = std::function<std::optional<DecodedWave>(std::span<const std::uint8_t>)>;

// The length of a RIFF image from its first 8 bytes ("RIFF" and the chunk
// size): how many bytes an in-memory image passed to sndPlaySoundA holds,
// trusted as winmm trusts it.  0 when the bytes do not start a RIFF image.
inline std::size_t RiffImageSize(const std::uint8_t* header) {
  if (header == nullptr || std::memcmp(header, "RIFF", 4) != 0) return 0;
  return 8 + (std::size_t{header[4]} | std::size_t{header[5]} << 8 |
              std::size_t{header[6]} << 16 | std::size_t{header[7]} << 24);
}

// mciSendStringA's error codes (MCIERR_BASE 256 + n), as winmm answers them.
inline constexpr MCIERROR MCIERR_UNRECOGNIZED_KEYWORD = 259;
inline constexpr MCIERROR MCIERR_UNRECOGNIZED_COMMAND = 261;
inline constexpr MCIERROR MCIERR_INVALID_DEVICE_NAME = 263;
inline constexpr MCIERROR MCIERR_BAD_INTEGER = 270;
inline constexpr MCIERROR MCIERR_FILE_NOT_FOUND = 275;
inline constexpr MCIERROR MCIERR_OUTOFRANGE = 282;
inline constexpr MCIERROR MCIERR_DUPLICATE_ALIAS = 289;
inline constexpr MCIERROR MCIERR_BAD_TIME_FORMAT = 293;
inline constexpr MCIERROR MCIERR_INVALID_FILE = 296;

// Where the interpreter sends the sound: one voice, so that a new range
// replaces the one still playing.  Play returns at once, as MCI does
// without "wait".
class MciOutput {
 public:
  virtual ~MciOutput() = default;
  virtual void PlayRange(const DecodedWave& wave, std::size_t first, std::size_t count) = 0;
  virtual void StopPlaying() = 0;
};

// The one open device.
struct MciDevice {
  std::string name;
  DecodedWave wave;
  bool inSamples = false;  // until set, MCI would count milliseconds
  bool playing = false;
};

class MciInterpreter {
 public:
  // Reads the file an open command names; nothing when it cannot be found.
  using FileReader = std::function<std::optional<std::vector<std::uint8_t>>(const std::string&)>;

  MciInterpreter(FileReader reader, WaveDecoder decoder, MciOutput& output);

  // Runs one command string and answers 0 or an MCIERR_ code.
  MCIERROR Send(std::string_view command);

  bool IsOpen(std::string_view device) const;

 private:
  MCIERROR Open(const std::vector<std::string_view>& words);
  MCIERROR Play(const std::vector<std::string_view>& words);

  FileReader reader_;
  WaveDecoder decoder_;
  MciOutput& output_;
  std::optional<MciDevice> device_;
};

}  // namespace platform::common

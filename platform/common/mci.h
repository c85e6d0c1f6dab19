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
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/common/wave.h"
#include "platform/platform.h"

namespace platform::common {

// How the interpreter reads a file as a wave: DecodeWave in the stand-ins,
// a test's own decoder elsewhere.  Nothing when it cannot be played.
using WaveDecoder = std::function<std::optional<DecodedWave>(std::span<const std::uint8_t>)>;

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

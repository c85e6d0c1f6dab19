// The MCI command strings the program sends to a waveaudio device: a
// parser that turns a string into a command, and an interpreter that keeps
// the open devices and starts sample ranges on an output.  No SDL here, so
// that both can be tested and fuzzed on their own.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/platform.h"
#include "platform/sdl/sdl_wave.h"

namespace platform::sdl {

// mciSendStringA's error codes (MCIERR_BASE 256 + n), as winmm answers them.
inline constexpr MCIERROR MCIERR_UNRECOGNIZED_KEYWORD = 259;
inline constexpr MCIERROR MCIERR_UNRECOGNIZED_COMMAND = 261;
inline constexpr MCIERROR MCIERR_INVALID_DEVICE_NAME = 263;
inline constexpr MCIERROR MCIERR_MISSING_COMMAND_STRING = 267;
inline constexpr MCIERROR MCIERR_BAD_INTEGER = 270;
inline constexpr MCIERROR MCIERR_MISSING_PARAMETER = 273;
inline constexpr MCIERROR MCIERR_FILE_NOT_FOUND = 275;
inline constexpr MCIERROR MCIERR_EXTENSION_NOT_FOUND = 281;
inline constexpr MCIERROR MCIERR_OUTOFRANGE = 282;
inline constexpr MCIERROR MCIERR_DUPLICATE_ALIAS = 289;
inline constexpr MCIERROR MCIERR_MISSING_DEVICE_NAME = 292;
inline constexpr MCIERROR MCIERR_BAD_TIME_FORMAT = 293;
inline constexpr MCIERROR MCIERR_NO_CLOSING_QUOTE = 294;
inline constexpr MCIERROR MCIERR_INVALID_FILE = 296;

enum class TimeFormat { Milliseconds, Samples, Bytes };

struct MciOpen {
  std::string element;  // the file
  std::string type;     // empty: taken from the element's extension
  std::string alias;    // empty: the device is named by the element
};
struct MciSet {
  std::string device;
  TimeFormat timeFormat = TimeFormat::Milliseconds;
};
struct MciPlay {
  std::string device;
  std::optional<std::uint64_t> from;
  std::optional<std::uint64_t> to;
  bool wait = false;
};
struct MciStop {
  std::string device;
};
struct MciClose {
  std::string device;  // "all" closes every device
};
struct MciError {
  MCIERROR code = 0;
};

using MciCommand = std::variant<MciError, MciOpen, MciSet, MciPlay, MciStop, MciClose>;

// Keywords are matched without regard to case; a double-quoted token may
// hold blanks; "wait" and "notify" are accepted on every command.
MciCommand ParseMciCommand(std::string_view text);

// Where an interpreter sends the sound: one voice, so that a new range
// replaces the one still playing.
class MciOutput {
 public:
  virtual ~MciOutput() = default;
  // Starts the frames at once; with wait, returns when they are done.
  virtual void PlayRange(const WaveFormat& format, std::span<const std::uint8_t> frames,
                         bool wait) = 0;
  virtual void StopPlaying() = 0;
};

class MciInterpreter {
 public:
  // Reads the file an open command names; nothing when it cannot be found.
  using FileReader = std::function<std::optional<std::vector<std::uint8_t>>(const std::string&)>;

  MciInterpreter(FileReader reader, MciOutput& output);

  // Runs one command string and answers 0 or an MCIERR_ code.
  MCIERROR Send(std::string_view command);

  bool IsOpen(std::string_view device) const;

 private:
  struct Device {
    std::string name;
    std::vector<std::uint8_t> bytes;
    WaveView wave;  // points into bytes
    TimeFormat timeFormat = TimeFormat::Milliseconds;
  };

  MCIERROR Open(const MciOpen& command);
  MCIERROR Play(const MciPlay& command);
  MCIERROR Close(const std::string& device);
  Device* Find(std::string_view name) const;
  std::optional<std::uint64_t> ToFrame(const Device& device, std::uint64_t position) const;

  FileReader reader_;
  MciOutput& output_;
  std::vector<std::unique_ptr<Device>> devices_;
  const Device* playing_ = nullptr;
};

}  // namespace platform::sdl

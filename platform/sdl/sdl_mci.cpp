#include "platform/sdl/sdl_mci.h"

#include <limits>

namespace platform::sdl {

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool Same(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Splits a command into tokens; a double-quoted token keeps its blanks.
std::variant<std::vector<std::string>, MciError> Tokens(std::string_view text) {
  std::vector<std::string> tokens;
  std::size_t i = 0;
  while (true) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i == text.size()) break;
    std::string token;
    if (text[i] == '"') {
      std::size_t close = text.find('"', i + 1);
      if (close == std::string_view::npos) return MciError{MCIERR_NO_CLOSING_QUOTE};
      token = std::string(text.substr(i + 1, close - i - 1));
      i = close + 1;
    } else {
      while (i < text.size() && !IsBlank(text[i])) token += text[i++];
    }
    tokens.push_back(std::move(token));
  }
  return tokens;
}

std::optional<std::uint64_t> Integer(std::string_view text) {
  if (text.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    auto digit = static_cast<std::uint64_t>(c - '0');
    if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

class TokenReader {
 public:
  explicit TokenReader(std::vector<std::string> tokens) : tokens_(std::move(tokens)) {}
  bool Done() const { return next_ == tokens_.size(); }
  const std::string& Take() { return tokens_[next_++]; }
  // The value after a keyword.
  std::optional<std::string> Argument() {
    if (Done()) return std::nullopt;
    return Take();
  }

 private:
  std::vector<std::string> tokens_;
  std::size_t next_ = 0;
};

bool IsFlag(std::string_view word) { return Same(word, "wait") || Same(word, "notify"); }

MciCommand ParseOpen(TokenReader& reader) {
  MciOpen open;
  open.element = reader.Take();
  while (!reader.Done()) {
    const std::string& word = reader.Take();
    if (Same(word, "type") || Same(word, "alias")) {
      std::optional<std::string> value = reader.Argument();
      if (!value) return MciError{MCIERR_MISSING_PARAMETER};
      (Same(word, "type") ? open.type : open.alias) = *value;
    } else if (!IsFlag(word) && !Same(word, "shareable")) {
      return MciError{MCIERR_UNRECOGNIZED_KEYWORD};
    }
  }
  return open;
}

MciCommand ParseSet(TokenReader& reader) {
  MciSet set;
  set.device = reader.Take();
  bool haveFormat = false;
  while (!reader.Done()) {
    const std::string& word = reader.Take();
    if (IsFlag(word)) continue;
    if (!Same(word, "time")) return MciError{MCIERR_UNRECOGNIZED_KEYWORD};
    std::optional<std::string> format = reader.Argument();
    if (!format || !Same(*format, "format")) return MciError{MCIERR_MISSING_PARAMETER};
    std::optional<std::string> unit = reader.Argument();
    if (!unit) return MciError{MCIERR_MISSING_PARAMETER};
    if (Same(*unit, "samples")) {
      set.timeFormat = TimeFormat::Samples;
    } else if (Same(*unit, "milliseconds") || Same(*unit, "ms")) {
      set.timeFormat = TimeFormat::Milliseconds;
    } else if (Same(*unit, "bytes")) {
      set.timeFormat = TimeFormat::Bytes;
    } else {
      return MciError{MCIERR_BAD_TIME_FORMAT};
    }
    haveFormat = true;
  }
  if (!haveFormat) return MciError{MCIERR_MISSING_PARAMETER};
  return set;
}

MciCommand ParsePlay(TokenReader& reader) {
  MciPlay play;
  play.device = reader.Take();
  while (!reader.Done()) {
    const std::string& word = reader.Take();
    if (Same(word, "from") || Same(word, "to")) {
      bool isFrom = Same(word, "from");
      std::optional<std::string> text = reader.Argument();
      if (!text) return MciError{MCIERR_MISSING_PARAMETER};
      std::optional<std::uint64_t> value = Integer(*text);
      if (!value) return MciError{MCIERR_BAD_INTEGER};
      (isFrom ? play.from : play.to) = value;
    } else if (Same(word, "wait")) {
      play.wait = true;
    } else if (!Same(word, "notify")) {
      return MciError{MCIERR_UNRECOGNIZED_KEYWORD};
    }
  }
  return play;
}

template <typename Command>
MciCommand ParseDeviceOnly(TokenReader& reader) {
  Command command;
  command.device = reader.Take();
  while (!reader.Done()) {
    if (!IsFlag(reader.Take())) return MciError{MCIERR_UNRECOGNIZED_KEYWORD};
  }
  return command;
}

}  // namespace

MciCommand ParseMciCommand(std::string_view text) {
  auto split = Tokens(text);
  if (const auto* error = std::get_if<MciError>(&split)) return *error;
  TokenReader reader(std::get<std::vector<std::string>>(std::move(split)));
  if (reader.Done()) return MciError{MCIERR_MISSING_COMMAND_STRING};
  const std::string verb = reader.Take();
  bool known = Same(verb, "open") || Same(verb, "set") || Same(verb, "play") ||
               Same(verb, "stop") || Same(verb, "close");
  if (!known) return MciError{MCIERR_UNRECOGNIZED_COMMAND};
  if (reader.Done()) return MciError{MCIERR_MISSING_DEVICE_NAME};
  if (Same(verb, "open")) return ParseOpen(reader);
  if (Same(verb, "set")) return ParseSet(reader);
  if (Same(verb, "play")) return ParsePlay(reader);
  if (Same(verb, "stop")) return ParseDeviceOnly<MciStop>(reader);
  return ParseDeviceOnly<MciClose>(reader);
}

// ---------------------------------------------------------------------------

MciInterpreter::MciInterpreter(FileReader reader, MciOutput& output)
    : reader_(std::move(reader)), output_(output) {}

MCIERROR MciInterpreter::Send(std::string_view text) {
  MciCommand command = ParseMciCommand(text);
  if (const auto* error = std::get_if<MciError>(&command)) return error->code;
  if (const auto* open = std::get_if<MciOpen>(&command)) return Open(*open);
  if (const auto* play = std::get_if<MciPlay>(&command)) return Play(*play);
  if (const auto* close = std::get_if<MciClose>(&command)) return Close(close->device);
  if (const auto* set = std::get_if<MciSet>(&command)) {
    Device* device = Find(set->device);
    if (device == nullptr) return MCIERR_INVALID_DEVICE_NAME;
    device->timeFormat = set->timeFormat;
    return 0;
  }
  const auto& stop = std::get<MciStop>(command);
  Device* device = Find(stop.device);
  if (device == nullptr) return MCIERR_INVALID_DEVICE_NAME;
  if (playing_ == device) {
    output_.StopPlaying();
    playing_ = nullptr;
  }
  return 0;
}

bool MciInterpreter::IsOpen(std::string_view device) const { return Find(device) != nullptr; }

MCIERROR MciInterpreter::Open(const MciOpen& command) {
  if (command.type.empty()) {
    // Without a type, winmm looks the extension up; only .wav is known here.
    std::string_view element = command.element;
    if (element.size() < 4 || !Same(element.substr(element.size() - 4), ".wav")) {
      return MCIERR_EXTENSION_NOT_FOUND;
    }
  } else if (!Same(command.type, "waveaudio")) {
    return MCIERR_INVALID_DEVICE_NAME;
  }
  std::string name = command.alias.empty() ? command.element : command.alias;
  if (Find(name) != nullptr) return MCIERR_DUPLICATE_ALIAS;
  std::optional<std::vector<std::uint8_t>> bytes = reader_(command.element);
  if (!bytes) return MCIERR_FILE_NOT_FOUND;
  auto device = std::make_unique<Device>();
  device->name = std::move(name);
  device->bytes = std::move(*bytes);
  WaveParse parsed = ParseWave(device->bytes);
  if (!std::holds_alternative<WaveView>(parsed)) return MCIERR_INVALID_FILE;
  device->wave = std::get<WaveView>(parsed);
  devices_.push_back(std::move(device));
  return 0;
}

std::optional<std::uint64_t> MciInterpreter::ToFrame(const Device& device,
                                                     std::uint64_t position) const {
  const WaveFormat& format = device.wave.format;
  switch (device.timeFormat) {
    case TimeFormat::Samples:
      return position;
    case TimeFormat::Bytes:
      return position / format.BytesPerFrame();
    case TimeFormat::Milliseconds:
      if (position > std::numeric_limits<std::uint64_t>::max() / format.sampleRate) {
        return std::nullopt;
      }
      return position * format.sampleRate / 1000;
  }
  return std::nullopt;
}

MCIERROR MciInterpreter::Play(const MciPlay& command) {
  Device* device = Find(command.device);
  if (device == nullptr) return MCIERR_INVALID_DEVICE_NAME;
  std::uint64_t frames = device->wave.FrameCount();
  std::optional<std::uint64_t> first = command.from ? ToFrame(*device, *command.from) : 0;
  std::optional<std::uint64_t> last = command.to ? ToFrame(*device, *command.to) : frames;
  if (!first || !last || *first > frames || *last > frames || *first > *last) {
    return MCIERR_OUTOFRANGE;
  }
  std::size_t frameBytes = device->wave.format.BytesPerFrame();
  std::span<const std::uint8_t> range = device->wave.data.subspan(
      static_cast<std::size_t>(*first) * frameBytes,
      static_cast<std::size_t>(*last - *first) * frameBytes);
  playing_ = device;
  output_.PlayRange(device->wave.format, range, command.wait);
  return 0;
}

MCIERROR MciInterpreter::Close(const std::string& name) {
  if (Same(name, "all")) {
    if (playing_ != nullptr) output_.StopPlaying();
    playing_ = nullptr;
    devices_.clear();
    return 0;
  }
  Device* device = Find(name);
  if (device == nullptr) return MCIERR_INVALID_DEVICE_NAME;
  if (playing_ == device) {
    output_.StopPlaying();
    playing_ = nullptr;
  }
  std::erase_if(devices_, [device](const auto& open) { return open.get() == device; });
  return 0;
}

MciInterpreter::Device* MciInterpreter::Find(std::string_view name) const {
  for (const auto& device : devices_) {
    if (Same(device->name, name)) return device.get();
  }
  return nullptr;
}

}  // namespace platform::sdl

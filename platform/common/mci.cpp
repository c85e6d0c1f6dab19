#include "platform/common/mci.h"

#include <algorithm>
#include <charconv>

namespace platform::common {

namespace {

bool Same(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  return std::ranges::equal(a, b, {}, lower, lower);
}

std::vector<std::string_view> Split(std::string_view text) {
  std::vector<std::string_view> words;
  constexpr std::string_view kBlanks = " \t\r\n";
  for (std::size_t start = text.find_first_not_of(kBlanks); start != std::string_view::npos;
       start = text.find_first_not_of(kBlanks, start)) {
    std::size_t end = std::min(text.find_first_of(kBlanks, start), text.size());
    words.push_back(text.substr(start, end - start));
    start = end;
  }
  return words;
}

// Decimal digits only: no sign, no blanks, nothing beyond 64 bits.
std::optional<std::uint64_t> Integer(std::string_view text) {
  std::uint64_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

MciInterpreter::MciInterpreter(FileReader reader, WaveDecoder decoder, MciOutput& output)
    : reader_(std::move(reader)), decoder_(std::move(decoder)), output_(output) {}

MCIERROR MciInterpreter::Send(std::string_view command) {
  std::vector<std::string_view> words = Split(command);
  std::string_view verb = words.empty() ? "" : words[0];
  if (Same(verb, "open")) return Open(words);
  if (!Same(verb, "set") && !Same(verb, "play") && !Same(verb, "close")) {
    return MCIERR_UNRECOGNIZED_COMMAND;
  }
  if (words.size() < 2 || !IsOpen(words[1])) return MCIERR_INVALID_DEVICE_NAME;
  if (Same(verb, "play")) return Play(words);
  if (Same(verb, "set")) {
    if (words.size() != 5 || !Same(words[2], "time") || !Same(words[3], "format")) {
      return MCIERR_UNRECOGNIZED_KEYWORD;
    }
    if (!Same(words[4], "samples")) return MCIERR_BAD_TIME_FORMAT;
    device_->inSamples = true;
    return 0;
  }
  if (words.size() != 2) return MCIERR_UNRECOGNIZED_KEYWORD;
  output_.StopPlaying();
  device_.reset();
  return 0;
}

bool MciInterpreter::IsOpen(std::string_view device) const {
  return device_ && Same(device_->name, device);
}

MCIERROR MciInterpreter::Open(const std::vector<std::string_view>& words) {
  if (words.size() != 6 || !Same(words[2], "type") || !Same(words[4], "alias")) {
    return MCIERR_UNRECOGNIZED_KEYWORD;
  }
  if (!Same(words[3], "waveaudio")) return MCIERR_INVALID_DEVICE_NAME;
  if (device_) return MCIERR_DUPLICATE_ALIAS;
  std::optional<std::vector<std::uint8_t>> bytes = reader_(std::string(words[1]));
  if (!bytes) return MCIERR_FILE_NOT_FOUND;
  std::optional<DecodedWave> wave = decoder_(*bytes);
  if (!wave || wave->rate == 0) return MCIERR_INVALID_FILE;
  device_.emplace();
  device_->name = words[5];
  device_->wave = std::move(*wave);
  return 0;
}

MCIERROR MciInterpreter::Play(const std::vector<std::string_view>& words) {
  if (words.size() != 6 || !Same(words[2], "from") || !Same(words[4], "to")) {
    return MCIERR_UNRECOGNIZED_KEYWORD;
  }
  // Milliseconds, MCI's own unit, are not counted here.
  if (!device_->inSamples) return MCIERR_BAD_TIME_FORMAT;
  std::optional<std::uint64_t> first = Integer(words[3]);
  std::optional<std::uint64_t> last = Integer(words[5]);
  if (!first || !last) return MCIERR_BAD_INTEGER;
  if (*first > *last || *last > device_->wave.samples.size()) return MCIERR_OUTOFRANGE;
  output_.PlayRange(device_->wave, static_cast<std::size_t>(*first),
                    static_cast<std::size_t>(*last - *first));
  return 0;
}

}  // namespace platform::common

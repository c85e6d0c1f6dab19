// The shared MCI interpreter over arbitrary command strings, one command a
// line, so that sequences of open, set, play and close meet.
#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/common/mci.h"

namespace {

namespace common = platform::common;

// Files by their name: '?' in the name is a missing file, '!' one that is
// not a WAV file, '8' a short one at 11025 Hz, anything else 1000 samples
// at 22050 Hz.  The decoder reads the one byte each file holds.
std::optional<std::vector<std::uint8_t>> ReadFile(const std::string& name) {
  if (name.find('?') != std::string::npos) return std::nullopt;
  if (name.find('!') != std::string::npos) return std::vector<std::uint8_t>{0};
  return std::vector<std::uint8_t>{name.find('8') != std::string::npos ? std::uint8_t{8}
                                                                        : std::uint8_t{16}};
}

std::optional<common::DecodedWave> Decode(std::span<const std::uint8_t> bytes) {
  if (bytes.size() != 1 || bytes[0] == 0) return std::nullopt;
  std::vector<std::int16_t> samples(bytes[0] == 8 ? 300 : 1000);
  for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<std::int16_t>(i * 7);
  return common::DecodedWave{bytes[0] == 8 ? 11025u : 22050u, std::move(samples)};
}

class TouchingOutput : public common::MciOutput {
 public:
  void PlayRange(const common::DecodedWave& wave, std::size_t first, std::size_t count) override {
    fuzz::Require(first + count <= wave.samples.size(), "a range lies inside the samples");
    for (std::size_t i = first; i < first + count; ++i) sum_ += wave.samples[i];
  }
  void StopPlaying() override {}

 private:
  long sum_ = 0;
};

constexpr std::array<platform::MCIERROR, 10> KnownResults = {
    0,
    common::MCIERR_UNRECOGNIZED_KEYWORD,
    common::MCIERR_UNRECOGNIZED_COMMAND,
    common::MCIERR_INVALID_DEVICE_NAME,
    common::MCIERR_BAD_INTEGER,
    common::MCIERR_FILE_NOT_FOUND,
    common::MCIERR_OUTOFRANGE,
    common::MCIERR_DUPLICATE_ALIAS,
    common::MCIERR_BAD_TIME_FORMAT,
    common::MCIERR_INVALID_FILE,
};

// `word` is the lower-case keyword, whatever the case of `a`.
bool Same(std::string_view a, std::string_view word) {
  return std::equal(a.begin(), a.end(), word.begin(), word.end(),
                    [](char x, char y) { return (x >= 'A' && x <= 'Z' ? x + 32 : x) == y; });
}

std::vector<std::string_view> Words(std::string_view command) {
  std::vector<std::string_view> words;
  std::size_t start = 0;
  while ((start = command.find_first_not_of(" \t\r\n", start)) != std::string_view::npos) {
    std::size_t end = std::min(command.find_first_of(" \t\r\n", start), command.size());
    words.push_back(command.substr(start, end - start));
    start = end;
  }
  return words;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;
  TouchingOutput output;
  common::MciInterpreter mci(&ReadFile, &Decode, output);
  std::vector<std::string> opened;

  std::string_view rest(reinterpret_cast<const char*>(data), size);
  while (!rest.empty()) {
    const std::size_t end = std::min(rest.find('\n'), rest.size());
    const std::string_view command = rest.substr(0, end);
    rest.remove_prefix(std::min(end + 1, rest.size()));

    const std::vector<std::string_view> words = Words(command);
    const platform::MCIERROR result = mci.Send(command);
    fuzz::Require(std::find(KnownResults.begin(), KnownResults.end(), result) != KnownResults.end(),
                  "every answer is 0 or an MCI error code");
    if (result != 0 || words.size() < 2) continue;
    if (Same(words[0], "open")) {
      fuzz::Require(words.size() == 6 && mci.IsOpen(words[5]),
                    "an opened device is open under its alias");
      opened.emplace_back(words[5]);
    } else if (Same(words[0], "close")) {
      fuzz::Require(!mci.IsOpen(words[1]), "a closed device is gone");
    } else {
      fuzz::Require(Same(words[0], "set") || Same(words[0], "play"), "only four verbs succeed");
    }
  }
  for (const std::string& name : opened) mci.Send("close " + name);
  for (const std::string& name : opened) {
    fuzz::Require(!mci.IsOpen(name), "closing every name leaves nothing open");
  }
  return 0;
}

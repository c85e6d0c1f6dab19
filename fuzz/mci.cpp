// The SDL backend's MCI interpreter over arbitrary command strings, one
// command a line, so that sequences of open, set, play, stop and close meet.
#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/sdl/sdl_mci.h"

namespace {

namespace sdl = platform::sdl;

void Put16(std::vector<std::uint8_t>& out, unsigned value) {
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
  out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

void PutTag(std::vector<std::uint8_t>& out, const char* tag) {
  out.insert(out.end(), tag, tag + 4);
}

std::vector<std::uint8_t> Wave(unsigned channels, unsigned bits, std::uint32_t rate,
                               std::uint32_t frames) {
  const std::uint32_t blockAlign = channels * bits / 8;
  const std::uint32_t dataSize = frames * blockAlign;
  std::vector<std::uint8_t> out;
  PutTag(out, "RIFF");
  Put32(out, 36 + dataSize);
  PutTag(out, "WAVE");
  PutTag(out, "fmt ");
  Put32(out, 16);
  Put16(out, 1);
  Put16(out, channels);
  Put32(out, rate);
  Put32(out, rate * blockAlign);
  Put16(out, blockAlign);
  Put16(out, bits);
  PutTag(out, "data");
  Put32(out, dataSize);
  for (std::uint32_t i = 0; i < dataSize; ++i) out.push_back(static_cast<std::uint8_t>(i * 7));
  return out;
}

// Files by their name: '?' in the name is a missing file, '!' one that is
// not a WAV file, '8' an 8-bit stereo file, anything else 16-bit mono.
std::optional<std::vector<std::uint8_t>> ReadFile(const std::string& name) {
  if (name.find('?') != std::string::npos) return std::nullopt;
  if (name.find('!') != std::string::npos) return std::vector<std::uint8_t>(64, 'x');
  if (name.find('8') != std::string::npos) return Wave(2, 8, 11025, 300);
  return Wave(1, 16, 22050, 1000);
}

class TouchingOutput : public sdl::MciOutput {
 public:
  void PlayRange(const sdl::WaveFormat& format, std::span<const std::uint8_t> frames,
                 bool) override {
    fuzz::Require(frames.size() % format.BytesPerFrame() == 0, "a range is whole frames");
    for (std::uint8_t byte : frames) sum_ += byte;
    playing_ = true;
  }
  void StopPlaying() override { playing_ = false; }
  unsigned sum() const { return sum_; }

 private:
  bool playing_ = false;
  unsigned sum_ = 0;
};

constexpr std::array<platform::MCIERROR, 15> KnownResults = {
    0,
    sdl::MCIERR_UNRECOGNIZED_KEYWORD,
    sdl::MCIERR_UNRECOGNIZED_COMMAND,
    sdl::MCIERR_INVALID_DEVICE_NAME,
    sdl::MCIERR_MISSING_COMMAND_STRING,
    sdl::MCIERR_BAD_INTEGER,
    sdl::MCIERR_MISSING_PARAMETER,
    sdl::MCIERR_FILE_NOT_FOUND,
    sdl::MCIERR_EXTENSION_NOT_FOUND,
    sdl::MCIERR_OUTOFRANGE,
    sdl::MCIERR_DUPLICATE_ALIAS,
    sdl::MCIERR_MISSING_DEVICE_NAME,
    sdl::MCIERR_BAD_TIME_FORMAT,
    sdl::MCIERR_NO_CLOSING_QUOTE,
    sdl::MCIERR_INVALID_FILE,
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;
  TouchingOutput output;
  sdl::MciInterpreter mci(&ReadFile, output);
  std::vector<std::string> opened;

  std::string_view rest(reinterpret_cast<const char*>(data), size);
  while (!rest.empty()) {
    const std::size_t end = std::min(rest.find('\n'), rest.size());
    const std::string_view command = rest.substr(0, end);
    rest.remove_prefix(std::min(end + 1, rest.size()));

    const sdl::MciCommand parsed = sdl::ParseMciCommand(command);
    const platform::MCIERROR result = mci.Send(command);
    fuzz::Require(std::find(KnownResults.begin(), KnownResults.end(), result) != KnownResults.end(),
                  "every answer is 0 or an MCI error code");
    if (const auto* error = std::get_if<sdl::MciError>(&parsed)) {
      fuzz::Require(result == error->code, "a command that does not parse is refused as parsed");
    }
    if (const auto* open = std::get_if<sdl::MciOpen>(&parsed); open != nullptr && result == 0) {
      const std::string& name = open->alias.empty() ? open->element : open->alias;
      fuzz::Require(mci.IsOpen(name), "an opened device is open under its name");
      opened.push_back(name);
    }
    if (const auto* close = std::get_if<sdl::MciClose>(&parsed); close != nullptr && result == 0) {
      fuzz::Require(!mci.IsOpen(close->device), "a closed device is gone");
    }
  }
  mci.Send("close all");
  for (const std::string& name : opened) {
    fuzz::Require(!mci.IsOpen(name), "close all leaves nothing open");
  }
  return 0;
}

// Arbitrary fones.DAT bytes through what reads them now: SDL_LoadWAV_RW
// with the backend's conversion to 16-bit mono, then the MCI interpreter
// playing the result.  An accepted file has a usable rate and plays whole
// and by a range; a refused one is mute, never a crash.  The browser
// backend's own reader and rate conversion take the same bytes.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/common/mci.h"
#include "platform/sdl/sdl_platform.h"
#include "platform/web/web_wave.h"

namespace {

using platform::common::DecodedWave;

// Reads every sample it is handed, so that a range outside the samples is a
// heap overflow.
class TouchingOutput : public platform::common::MciOutput {
 public:
  void PlayRange(const DecodedWave& wave, std::size_t first, std::size_t count) override {
    fuzz::Require(first + count <= wave.samples.size(), "a range lies inside the samples");
    for (std::size_t i = first; i < first + count; ++i) sum_ += wave.samples[i];
    played_ += count;
  }
  void StopPlaying() override {}
  std::size_t played() const { return played_; }

 private:
  std::size_t played_ = 0;
  long sum_ = 0;
};

// The browser backend's reader: a file it accepts has a rate it can play
// and no more samples than its bytes hold; any range of them converts to
// the mixer's rate at the length the rates give.
void BrowserReader(std::span<const std::uint8_t> bytes) {
  const std::optional<DecodedWave> wave = platform::web::DecodeWave(bytes);
  if (!wave) return;
  fuzz::Require(wave->rate >= 1000 && wave->rate <= 384000, "the browser reader's rate is usable");
  fuzz::Require(wave->samples.size() <= bytes.size(), "no more samples than bytes");
  const std::size_t frames = wave->samples.size();
  const std::size_t first = frames / 3;
  const std::size_t count = frames / 2;
  const auto converted = platform::web::ToMixerRate(*wave, first, count);
  const std::uint64_t expected =
      std::min(count, frames - first) * std::uint64_t{platform::common::Mixer::kRate} / wave->rate;
  fuzz::Require(converted->size() == expected, "a converted range has the length the rates give");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  BrowserReader(bytes);
  if (size >= 8) {
    const std::size_t imageSize = platform::common::RiffImageSize(data);
    fuzz::Require(imageSize == 0 || imageSize >= 8, "a RIFF image holds at least its header");
  }
  const std::optional<DecodedWave> wave = platform::sdl::DecodeWave(bytes);
  if (!wave) return 0;
  fuzz::Require(wave->rate > 0, "a decoded file has a rate");

  // The same bytes as fones.DAT, played through the commands the program
  // sends, whole and by a range.
  TouchingOutput output;
  platform::common::MciInterpreter mci(
      [&](const std::string&) { return std::optional(std::vector<std::uint8_t>(data, data + size)); },
      &platform::sdl::DecodeWave, output);
  fuzz::Require(mci.Send("open fones.DAT type waveaudio alias meusomm") == 0,
                "an accepted file opens");
  fuzz::Require(mci.Send("set meusomm time format samples") == 0, "samples are a time format");
  fuzz::Require(mci.Send("play meusomm") == 0, "the whole file plays");
  fuzz::Require(output.played() == wave->samples.size(), "playing all of it hands over every sample");
  const std::size_t frames = wave->samples.size();
  const std::string range =
      "play meusomm from " + std::to_string(frames / 3) + " to " + std::to_string(frames / 2);
  fuzz::Require(mci.Send(range) == 0, "a range inside the file plays");
  const std::string past = "play meusomm from 0 to " + std::to_string(frames + 1);
  fuzz::Require(mci.Send(past) == platform::common::MCIERR_OUTOFRANGE,
                "a range past the end is refused");
  fuzz::Require(mci.Send("close meusomm") == 0 && !mci.IsOpen("meusomm"), "the device closes");
  return 0;
}

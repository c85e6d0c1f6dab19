// Arbitrary fones.DAT bytes through what reads them now: SDL_LoadWAV_RW
// with the backend's conversion to 16-bit mono, then the MCI interpreter
// playing the result.  An accepted file has a usable rate and plays whole
// and by a range; a refused one is mute, never a crash.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/common/mci.h"
#include "platform/sdl/sdl_platform.h"

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
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

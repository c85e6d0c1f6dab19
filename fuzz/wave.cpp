// Arbitrary fones.DAT bytes through what reads them in every stand-in: the
// WAV reader, the MCI interpreter playing the result, and the conversion
// of a range to the mixer's rate.  An accepted file has a usable rate and
// plays whole and by a range; a refused one is mute, never a crash.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/common/mci.h"
#include "platform/common/wave.h"

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
  const std::optional<DecodedWave> wave = platform::common::DecodeWave(bytes);
  if (!wave) return 0;
  fuzz::Require(wave->rate >= 1000 && wave->rate <= 384000, "a decoded file has a usable rate");
  fuzz::Require(wave->samples.size() <= size, "no sample is made up");

  // The same bytes as fones.DAT, played through the commands the program
  // sends, whole and by a range.
  TouchingOutput output;
  platform::common::MciInterpreter mci(
      [&](const std::string&) { return std::optional(std::vector<std::uint8_t>(data, data + size)); },
      &platform::common::DecodeWave, output);
  fuzz::Require(mci.Send("open fones.DAT type waveaudio alias meusomm") == 0,
                "an accepted file opens");
  fuzz::Require(mci.Send("set meusomm time format samples") == 0, "samples are a time format");
  const std::size_t frames = wave->samples.size();
  fuzz::Require(mci.Send("play meusomm from 0 to " + std::to_string(frames)) == 0,
                "the whole file plays");
  fuzz::Require(output.played() == frames, "playing all of it hands over every sample");
  const std::string range =
      "play meusomm from " + std::to_string(frames / 3) + " to " + std::to_string(frames / 2);
  fuzz::Require(mci.Send(range) == 0, "a range inside the file plays");

  // The range at the mixer's rate: as long as the rates say, and between
  // its own lowest and highest samples, as interpolation is.
  const std::size_t first = frames / 3;
  const std::size_t count = frames / 2 - first;
  const platform::common::Samples converted = platform::common::ToMixerRate(*wave, first, count);
  fuzz::Require(converted->size() == count * std::uint64_t{platform::common::Mixer::kRate} /
                                         wave->rate,
                "a converted range has the length the rates give");
  if (count > 0) {
    const auto source = std::span(wave->samples).subspan(first, count);
    const auto bounds = std::minmax_element(source.begin(), source.end());
    const std::int16_t low = *bounds.first;
    const std::int16_t high = *bounds.second;
    fuzz::Require(std::all_of(converted->begin(), converted->end(),
                              [=](std::int16_t s) { return s >= low && s <= high; }),
                  "conversion stays within the range's own samples");
  }
  const std::string past = "play meusomm from 0 to " + std::to_string(frames + 1);
  fuzz::Require(mci.Send(past) == platform::common::MCIERR_OUTOFRANGE,
                "a range past the end is refused");
  fuzz::Require(mci.Send("close meusomm") == 0 && !mci.IsOpen("meusomm"), "the device closes");
  return 0;
}

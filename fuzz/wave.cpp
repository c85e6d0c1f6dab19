// The SDL backend's WAV reader over arbitrary fones.DAT bytes: an accepted
// file has a usable format and sample data inside the bytes, in whole
// frames, and the MCI interpreter can play all of it.
#include <cstdint>
#include <optional>
#include <span>
#include <variant>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/sdl/sdl_mci.h"
#include "platform/sdl/sdl_wave.h"

namespace {

using platform::sdl::WaveFormat;

// Reads every byte it is handed, so that a range outside the file is a
// heap overflow (the input is an exact-size heap copy).
class TouchingOutput : public platform::sdl::MciOutput {
 public:
  void PlayRange(const WaveFormat& format, std::span<const std::uint8_t> frames, bool) override {
    fuzz::Require(frames.size() % format.BytesPerFrame() == 0, "a range is whole frames");
    for (std::uint8_t byte : frames) sum_ += byte;
    played_ += frames.size();
  }
  void StopPlaying() override {}
  std::size_t played() const { return played_; }
  unsigned sum() const { return sum_; }

 private:
  std::size_t played_ = 0;
  unsigned sum_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  if (size >= 8) {
    const std::size_t imageSize = platform::sdl::RiffImageSize(data);
    fuzz::Require(imageSize == 0 || imageSize >= 8, "a RIFF image holds at least its header");
  }

  const platform::sdl::WaveParse parsed = platform::sdl::ParseWave(bytes);
  const auto* wave = std::get_if<platform::sdl::WaveView>(&parsed);
  if (wave == nullptr) return 0;

  const WaveFormat& format = wave->format;
  fuzz::Require(format.channels == 1 || format.channels == 2, "mono or stereo");
  fuzz::Require(format.bitsPerSample == 8 || format.bitsPerSample == 16, "8 or 16 bits");
  fuzz::Require(format.sampleRate >= 1000 && format.sampleRate <= 384000, "a usable rate");
  const std::uint8_t* first = wave->data.data();
  fuzz::Require(
      wave->data.empty() || (first >= data + 20 && first + wave->data.size() <= data + size),
      "the samples lie inside the file, after the headers");
  fuzz::Require(first + wave->data.size() <= data + platform::sdl::RiffImageSize(data),
                "the samples lie inside the RIFF image");
  fuzz::Require(wave->data.size() == wave->FrameCount() * format.BytesPerFrame(),
                "the samples are whole frames");

  // The same bytes as fones.DAT, played through the four commands the
  // program sends, whole and by a range.
  TouchingOutput output;
  platform::sdl::MciInterpreter mci(
      [&](const std::string&) {
        return std::optional(std::vector<std::uint8_t>(data, data + size));
      },
      output);
  fuzz::Require(mci.Send("open fones.DAT type waveaudio alias meusomm") == 0,
                "an accepted file opens");
  fuzz::Require(mci.Send("set meusomm time format samples") == 0, "samples are a time format");
  fuzz::Require(mci.Send("play meusomm") == 0, "the whole file plays");
  fuzz::Require(output.played() == wave->data.size(), "playing all of it hands over every sample");
  const std::size_t frames = wave->FrameCount();
  const std::string range =
      "play meusomm from " + std::to_string(frames / 3) + " to " + std::to_string(frames / 2);
  fuzz::Require(mci.Send(range) == 0, "a range inside the file plays");
  const std::string past = "play meusomm from 0 to " + std::to_string(frames + 1);
  fuzz::Require(mci.Send(past) == platform::sdl::MCIERR_OUTOFRANGE,
                "a range past the end is refused");
  fuzz::Require(mci.Send("close meusomm") == 0 && !mci.IsOpen("meusomm"), "the device closes");
  return 0;
}

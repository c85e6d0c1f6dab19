// The sound calls on the mixer: MessageBeep, the looping tones handed to
// sndPlaySoundA and the sample ranges of the MCI device.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/common/stand_in.h"

namespace platform::common {

namespace {

// An in-memory image is trusted for its own length, as winmm trusts it;
// beyond this it is taken for garbage.
constexpr std::size_t kLargestSoundImage = 64u << 20;

Samples MakeBeep() {
  constexpr int kFrames = Mixer::kRate / 10;  // 100 ms
  constexpr int kFade = Mixer::kRate / 500;   // 2 ms edges, against clicks
  std::vector<std::int16_t> samples(kFrames);
  for (int i = 0; i < kFrames; ++i) {
    double envelope = std::min({1.0, double(i) / kFade, double(kFrames - 1 - i) / kFade});
    double value = std::sin(2 * std::numbers::pi * 880.0 * i / Mixer::kRate);
    samples[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(8000 * envelope * value);
  }
  return std::make_shared<const std::vector<std::int16_t>>(std::move(samples));
}

}  // namespace

bool StandInPlatform::MessageBeep(UINT) {
  if (!beep_) beep_ = MakeBeep();
  mixer_.Play(Voice::Beep, beep_, false);
  return true;
}

MCIERROR StandInPlatform::mciSendStringA(const char* command, char* returnString,
                                         UINT returnLength, HWND) {
  if (returnString != nullptr && returnLength > 0) returnString[0] = '\0';
  return mci_.Send(command != nullptr ? command : "");
}

bool StandInPlatform::sndPlaySoundA(const void* sound, UINT flags) {
  if (sound == nullptr) {
    mixer_.Stop(Voice::Tone);
    return true;
  }
  // The program plays in-memory images, asynchronously: nothing else.
  if ((flags & SND_MEMORY) == 0 || (flags & SND_ASYNC) == 0) return false;
  const auto* image = static_cast<const std::uint8_t*>(sound);
  std::size_t size = RiffImageSize(image);
  if (size == 0 || size > kLargestSoundImage) return false;
  std::optional<DecodedWave> wave = DecodeWave(std::span(image, size));
  if (!wave) return false;
  // The samples are converted now: the caller may free its image as soon
  // as it has stopped the sound.
  mixer_.Play(Voice::Tone, ToMixerRate(*wave, 0, wave->samples.size()), (flags & SND_LOOP) != 0);
  return true;
}

void StandInPlatform::PlayRange(const DecodedWave& wave, std::size_t first, std::size_t count) {
  mixer_.Play(Voice::Speech, ToMixerRate(wave, first, count), false);
}

void StandInPlatform::StopPlaying() { mixer_.Stop(Voice::Speech); }

}  // namespace platform::common

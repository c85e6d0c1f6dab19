// Square-wave tones: a second of 8-bit mono PCM at 11025 samples per second,
// built in memory behind a RIFF/WAVE header and looped by the system's sound
// service until StopTone.
#include "console/tone.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "platform/platform.h"
#include "runtime/module_state.h"

namespace console {

namespace {

constexpr std::uint8_t LowHalfWave = 96;
constexpr std::uint8_t HighHalfWave = 160;
constexpr std::uint8_t Silence = 128;

// Offsets of the two size fields that every tone rewrites.
constexpr std::size_t RiffSizeOffset = 4;
constexpr std::size_t DataSizeOffset = 40;

using Header = std::array<std::uint8_t, WaveHeaderSize>;

constexpr Header InitialWaveHeader = {
    'R', 'I', 'F', 'F',              // chunk identifier
    0xFF, 0xFF, 0xFF, 0xFF,          // RIFF chunk size: data size + 36
    'W', 'A', 'V', 'E',              // form type
    'f', 'm', 't', ' ',              // chunk identifier
    16, 0, 0, 0,                     // format chunk size
    1, 0,                            // format tag: PCM
    1, 0,                            // channels
    0x11, 0x2B, 0, 0,                // samples per second: 11025
    0x11, 0x2B, 0, 0,                // average bytes per second: 11025
    1, 0,                            // block alignment
    8, 0,                            // bits per sample
    'd', 'a', 't', 'a',              // chunk identifier
    0xFF, 0xFF, 0xFF, 0xFF,          // data size
};
static_assert(InitialWaveHeader.size() == 44);

struct ToneState {
  // The template keeps the sizes of the last tone, as the image's header
  // is a copy of it.
  Header WaveHeader = InitialWaveHeader;
  std::unique_ptr<std::uint8_t[]> image;
};

runtime::ModuleState<ToneState> tone;

void PutLittleEndian(Header& header, std::size_t offset, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) {
    header[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
}

}  // namespace

const std::uint8_t* ToneImage() { return tone.image.get(); }

void PlayTone(std::uint16_t frequency) {
  if (tone.image) StopTone();
  // Callers pass fixed frequencies from 100 Hz up; 0 would divide by zero,
  // and is sounded as the 1 Hz tone, whose data is empty.
  const std::uint32_t f = std::max<std::uint32_t>(frequency, 1);
  tone.image = std::make_unique<std::uint8_t[]>(ToneImageSize);
  std::uint8_t* image = tone.image.get();

  const std::uint32_t rate = ToneSampleRate;
  const std::uint32_t period = rate / f;
  const std::uint32_t half = period / 2;
  // Each period starts where the rounding of k * rate / f puts it, so the
  // periods are `period` or `period + 1` samples long and the second holds
  // exactly f of them.  Later writes overwrite the ends of earlier ones.
  std::uint32_t start = WaveHeaderSize;
  for (std::uint32_t k = 0;; ++k) {
    start = WaveHeaderSize + (k * rate) / f;
    if (start + period > rate) break;
    std::memset(image + start, LowHalfWave, half + 1);
    std::memset(image + start + half, HighHalfWave, period - half + 1);
  }
  // The loop's seam: the byte before the first period that did not fit.
  image[start - 1] = Silence;

  const std::uint32_t dataSize = start - WaveHeaderSize;
  PutLittleEndian(tone.WaveHeader, DataSizeOffset, dataSize);
  PutLittleEndian(tone.WaveHeader, RiffSizeOffset, dataSize + 36);
  // Copied last: with no data at all the seam byte above lies in the header.
  std::memcpy(image, tone.WaveHeader.data(), WaveHeaderSize);

  platform::Os().sndPlaySoundA(image,
                               platform::SND_ASYNC | platform::SND_MEMORY | platform::SND_LOOP);
}

void StopTone() {
  if (!tone.image) return;
  platform::Os().sndPlaySoundA(nullptr, platform::SND_ASYNC);
  tone.image.reset();
}

}  // namespace console

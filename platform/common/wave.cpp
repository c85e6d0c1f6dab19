#include "platform/common/wave.h"

#include <algorithm>

namespace platform::common {

namespace {

std::uint32_t Little(const std::uint8_t* bytes, int count) {
  std::uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
}

bool Tagged(const std::uint8_t* bytes, const char* tag) { return std::memcmp(bytes, tag, 4) == 0; }

constexpr std::uint32_t WAVE_FORMAT_PCM = 1, WAVE_FORMAT_EXTENSIBLE = 0xFFFE;

}  // namespace

std::optional<DecodedWave> DecodeWave(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 12 || !Tagged(bytes.data(), "RIFF") || !Tagged(bytes.data() + 8, "WAVE")) {
    return std::nullopt;
  }
  // The RIFF size bounds the chunks: bytes after it are not the image's,
  // and a size past the end means the image was cut short.
  std::size_t end = std::size_t{Little(bytes.data() + 4, 4)} + 8;
  if (end < 12 || end > bytes.size()) return std::nullopt;
  std::optional<std::span<const std::uint8_t>> fmt;
  std::optional<std::span<const std::uint8_t>> data;
  for (std::size_t at = 12; !(fmt && data) && end - at >= 8;) {
    const std::uint8_t* header = bytes.data() + at;
    std::size_t size = Little(header + 4, 4);
    at += 8;
    if (size > end - at) return std::nullopt;
    if (Tagged(header, "fmt ") && !fmt) fmt = bytes.subspan(at, size);
    if (Tagged(header, "data") && !data) data = bytes.subspan(at, size);
    // Chunks are padded to an even length; a last chunk may lack its pad.
    at += size + (size % 2 == 1 && at + size < end ? 1 : 0);
  }
  if (!fmt || !data || fmt->size() < 16) return std::nullopt;
  const std::uint8_t* format = fmt->data();
  std::uint32_t tag = Little(format, 2);
  // WAVEFORMATEXTENSIBLE: cbSize, the valid bits and the channel mask, then
  // the sub-format GUID, whose first field is the format tag.
  if (tag == WAVE_FORMAT_EXTENSIBLE && fmt->size() >= 40 && Little(format + 16, 2) >= 22) {
    tag = Little(format + 24, 4);
  }
  const std::uint32_t channels = Little(format + 2, 2);
  const std::uint32_t rate = Little(format + 4, 4);
  const std::uint32_t bits = Little(format + 14, 2);
  const std::uint32_t sampleBytes = bits / 8;
  const std::uint32_t frameBytes = sampleBytes * channels;
  if (tag != WAVE_FORMAT_PCM || (channels != 1 && channels != 2) || (bits != 8 && bits != 16) ||
      rate < 1000 || rate > 384000 || Little(format + 12, 2) != frameBytes) {
    return std::nullopt;
  }

  DecodedWave wave{rate, std::vector<std::int16_t>(data->size() / frameBytes)};
  for (std::size_t frame = 0; frame < wave.samples.size(); ++frame) {
    int sum = 0;
    for (std::size_t channel = 0; channel < channels; ++channel) {
      const std::uint8_t* sample = data->data() + frame * frameBytes + channel * sampleBytes;
      // 8-bit samples are unsigned around 128, 16-bit ones signed.
      sum += sampleBytes == 1 ? (sample[0] - 128) * 256
                              : static_cast<std::int16_t>(Little(sample, 2));
    }
    wave.samples[frame] = static_cast<std::int16_t>(sum / static_cast<int>(channels));
  }
  return wave;
}

Samples ToMixerRate(const DecodedWave& wave, std::size_t first, std::size_t count) {
  auto out = std::make_shared<std::vector<std::int16_t>>();
  const std::vector<std::int16_t>& in = wave.samples;
  if (wave.rate == 0 || first >= in.size()) return out;
  count = std::min(count, in.size() - first);
  constexpr std::int64_t kTo = Mixer::kRate;
  out->resize(static_cast<std::size_t>(static_cast<std::uint64_t>(count) * kTo / wave.rate));
  for (std::size_t i = 0; i < out->size(); ++i) {
    // Frame i lies at i * rate / kTo in the wave's own samples, exactly.
    const std::int64_t position = static_cast<std::int64_t>(i) * wave.rate;
    const std::size_t at = first + static_cast<std::size_t>(position / kTo);
    const std::int64_t a = in[at];
    const std::int64_t b = at + 1 < first + count ? in[at + 1] : a;
    (*out)[i] = static_cast<std::int16_t>(a + (b - a) * (position % kTo) / kTo);
  }
  return out;
}

}  // namespace platform::common

#include "platform/web/web_wave.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace platform::web {

namespace {

std::uint16_t Read16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Read32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

bool IsTag(const std::uint8_t* p, const char* tag) { return std::memcmp(p, tag, 4) == 0; }

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;

struct Format {
  std::uint16_t channels = 0;
  std::uint32_t rate = 0;
  std::uint16_t bits = 0;
  std::size_t BytesPerFrame() const { return std::size_t{channels} * (bits / 8); }
};

// WAVEFORMATEX, and WAVEFORMATEXTENSIBLE whose sub-format is PCM.
std::optional<Format> ReadFormat(std::span<const std::uint8_t> chunk) {
  if (chunk.size() < 16) return std::nullopt;
  const std::uint8_t* p = chunk.data();
  std::uint16_t tag = Read16(p);
  if (tag == kFormatExtensible) {
    // cbSize at 16, then valid bits, channel mask and the sub-format GUID,
    // whose first two bytes are the format tag.
    if (chunk.size() < 40 || Read16(p + 16) < 22) return std::nullopt;
    tag = Read16(p + 24);
  }
  if (tag != kFormatPcm) return std::nullopt;
  Format format;
  format.channels = Read16(p + 2);
  format.rate = Read32(p + 4);
  std::uint16_t blockAlign = Read16(p + 12);
  format.bits = Read16(p + 14);
  bool supported = (format.channels == 1 || format.channels == 2) &&
                   (format.bits == 8 || format.bits == 16) && format.rate >= 1000 &&
                   format.rate <= 384000 && blockAlign == format.BytesPerFrame();
  if (!supported) return std::nullopt;
  return format;
}

std::int16_t SampleAt(const std::uint8_t* p, std::uint16_t bits) {
  if (bits == 8) return static_cast<std::int16_t>((p[0] - 128) * 256);
  return static_cast<std::int16_t>(Read16(p));
}

}  // namespace

std::optional<common::DecodedWave> DecodeWave(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 12 || !IsTag(bytes.data(), "RIFF") || !IsTag(bytes.data() + 8, "WAVE")) {
    return std::nullopt;
  }
  // The RIFF size bounds the chunks; bytes after it are not part of the
  // image, and a RIFF size past the end means the image was cut short.
  std::size_t end = std::size_t{Read32(bytes.data() + 4)} + 8;
  if (end > bytes.size() || end < 12) return std::nullopt;

  std::span<const std::uint8_t> formatChunk;
  std::span<const std::uint8_t> dataChunk;
  bool haveFormat = false;
  bool haveData = false;
  std::size_t position = 12;
  while (!(haveFormat && haveData) && end - position >= 8) {
    const std::uint8_t* header = bytes.data() + position;
    std::size_t size = Read32(header + 4);
    position += 8;
    if (size > end - position) return std::nullopt;
    std::span<const std::uint8_t> body = bytes.subspan(position, size);
    if (IsTag(header, "fmt ") && !haveFormat) {
      formatChunk = body;
      haveFormat = true;
    } else if (IsTag(header, "data") && !haveData) {
      dataChunk = body;
      haveData = true;
    }
    // Chunks are padded to an even length; a missing pad byte at the very
    // end is tolerated.
    position += size;
    if (size % 2 == 1 && position < end) ++position;
  }
  if (!haveFormat || !haveData) return std::nullopt;
  std::optional<Format> format = ReadFormat(formatChunk);
  if (!format) return std::nullopt;

  common::DecodedWave wave;
  wave.rate = format->rate;
  std::size_t frameBytes = format->BytesPerFrame();
  std::size_t frames = dataChunk.size() / frameBytes;
  wave.samples.resize(frames);
  std::size_t sampleBytes = format->bits / 8;
  for (std::size_t frame = 0; frame < frames; ++frame) {
    const std::uint8_t* p = dataChunk.data() + frame * frameBytes;
    int sum = SampleAt(p, format->bits);
    if (format->channels == 2) sum = (sum + SampleAt(p + sampleBytes, format->bits)) / 2;
    wave.samples[frame] = static_cast<std::int16_t>(sum);
  }
  return wave;
}

common::Samples ToMixerRate(const common::DecodedWave& wave, std::size_t first, std::size_t count) {
  auto out = std::make_shared<std::vector<std::int16_t>>();
  const std::vector<std::int16_t>& in = wave.samples;
  if (wave.rate == 0 || first >= in.size()) return out;
  count = std::min(count, in.size() - first);
  constexpr auto kRate = static_cast<std::uint64_t>(common::Mixer::kRate);
  std::uint64_t frames = count * kRate / wave.rate;
  out->resize(static_cast<std::size_t>(frames));
  for (std::uint64_t i = 0; i < frames; ++i) {
    // Output frame i lies at source position i * rate / kRate, exactly.
    std::uint64_t numerator = i * wave.rate;
    std::size_t at = first + static_cast<std::size_t>(numerator / kRate);
    auto fraction = static_cast<std::int64_t>(numerator % kRate);
    std::int64_t a = in[at];
    std::int64_t b = at + 1 < first + count ? in[at + 1] : a;
    (*out)[static_cast<std::size_t>(i)] =
        static_cast<std::int16_t>(a + (b - a) * fraction / static_cast<std::int64_t>(kRate));
  }
  return out;
}

}  // namespace platform::web

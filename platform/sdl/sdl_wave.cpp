#include "platform/sdl/sdl_wave.h"

#include <cstring>

namespace platform::sdl {

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

// WAVEFORMATEX, and WAVEFORMATEXTENSIBLE whose sub-format is PCM.
std::variant<WaveFormat, WaveError> ReadFormat(std::span<const std::uint8_t> chunk) {
  if (chunk.size() < 16) return WaveError::UnsupportedFormat;
  const std::uint8_t* p = chunk.data();
  std::uint16_t tag = Read16(p);
  if (tag == kFormatExtensible) {
    // cbSize at 16, then valid bits, channel mask and the sub-format GUID,
    // whose first two bytes are the format tag.
    if (chunk.size() < 40 || Read16(p + 16) < 22) return WaveError::UnsupportedFormat;
    tag = Read16(p + 24);
  }
  if (tag != kFormatPcm) return WaveError::UnsupportedFormat;
  WaveFormat format;
  format.channels = Read16(p + 2);
  format.sampleRate = Read32(p + 4);
  std::uint16_t blockAlign = Read16(p + 12);
  format.bitsPerSample = Read16(p + 14);
  bool supported = (format.channels == 1 || format.channels == 2) &&
                   (format.bitsPerSample == 8 || format.bitsPerSample == 16) &&
                   format.sampleRate >= 1000 && format.sampleRate <= 384000 &&
                   blockAlign == format.BytesPerFrame();
  if (!supported) return WaveError::UnsupportedFormat;
  return format;
}

}  // namespace

std::size_t RiffImageSize(const std::uint8_t* header) {
  if (header == nullptr || !IsTag(header, "RIFF")) return 0;
  return std::size_t{Read32(header + 4)} + 8;
}

WaveParse ParseWave(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 12 || !IsTag(bytes.data(), "RIFF") || !IsTag(bytes.data() + 8, "WAVE")) {
    return WaveError::NotRiffWave;
  }
  // The RIFF size bounds the chunks; bytes after it are not part of the
  // image, and a RIFF size past the end means the image was cut short.
  std::size_t end = RiffImageSize(bytes.data());
  if (end > bytes.size()) return WaveError::Truncated;
  // A RIFF size below 4 ends the image before its own "WAVE" tag; the chunk
  // walk below counts on the image reaching past it.
  if (end < 12) return WaveError::NotRiffWave;

  std::span<const std::uint8_t> formatChunk;
  std::span<const std::uint8_t> dataChunk;
  bool haveFormat = false;
  bool haveData = false;
  std::size_t position = 12;
  while (!(haveFormat && haveData) && end - position >= 8) {
    const std::uint8_t* header = bytes.data() + position;
    std::size_t size = Read32(header + 4);
    position += 8;
    if (size > end - position) return WaveError::Truncated;
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
  if (!haveFormat) return WaveError::MissingFormat;
  auto format = ReadFormat(formatChunk);
  if (const auto* error = std::get_if<WaveError>(&format)) return *error;
  if (!haveData) return WaveError::MissingData;

  WaveView wave;
  wave.format = std::get<WaveFormat>(format);
  std::size_t frameBytes = wave.format.BytesPerFrame();
  wave.data = dataChunk.first(dataChunk.size() - dataChunk.size() % frameBytes);
  return wave;
}

}  // namespace platform::sdl

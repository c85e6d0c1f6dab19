// Reading the in-memory tone images that the recording double keeps.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace doubles {

inline std::uint32_t LittleEndian32(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
  return static_cast<std::uint32_t>(bytes.at(offset)) |
         (static_cast<std::uint32_t>(bytes.at(offset + 1)) << 8) |
         (static_cast<std::uint32_t>(bytes.at(offset + 2)) << 16) |
         (static_cast<std::uint32_t>(bytes.at(offset + 3)) << 24);
}

// The size the image's header gives its sample data.
inline std::uint32_t WaveDataSize(const std::vector<std::uint8_t>& image) {
  return LittleEndian32(image, 40);
}

// The frequency a square-wave image sounds at: its low half-waves (runs of
// 96) per second of data at 11025 samples per second; 0 for no data.
inline int ToneFrequency(const std::vector<std::uint8_t>& image) {
  const std::uint32_t size = WaveDataSize(image);
  if (size == 0 || image.size() < 44 + size) return 0;
  int periods = 0;
  for (std::size_t i = 44; i < 44 + size; ++i) {
    if (image[i] == 96 && (i == 44 || image[i - 1] != 96)) ++periods;
  }
  return static_cast<int>(std::lround(periods * 11025.0 / size));
}

}  // namespace doubles

// WAV files of every kind the voice tool reads, built byte by byte so that
// the tests do not read their input through the code they test.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <numbers>
#include <string>
#include <vector>

namespace voice_test {

struct WavKind {
  std::uint16_t tag = 1;  // 1 PCM, 3 float
  int bits = 16;
  int channels = 1;
  int rate = 22050;
  bool extensible = false;
};

// frames x channels values in [-1, 1], encoded as kind says.
inline std::vector<std::uint8_t> WavBytes(const WavKind& kind,
                                          const std::vector<std::vector<double>>& frames) {
  std::vector<std::uint8_t> data;
  for (const auto& frame : frames) {
    for (double value : frame) {
      if (kind.tag == 3) {
        float f = static_cast<float>(value);
        std::uint32_t raw;
        std::memcpy(&raw, &f, 4);
        for (int i = 0; i < 4; ++i) data.push_back(static_cast<std::uint8_t>(raw >> (8 * i)));
      } else if (kind.bits == 8) {
        data.push_back(static_cast<std::uint8_t>(std::lround(128 + value * 127)));
      } else {
        const double full = std::ldexp(1.0, kind.bits - 1) - 1;
        const auto raw = static_cast<std::uint32_t>(static_cast<std::int32_t>(std::lround(value * full)));
        for (int i = 0; i < kind.bits / 8; ++i) data.push_back(static_cast<std::uint8_t>(raw >> (8 * i)));
      }
    }
  }
  // Written by index into a buffer of the final size: byte-wise inserts
  // trip a false overflow warning in GCC 12's optimiser.
  const std::uint32_t fmtSize = kind.extensible ? 40 : 16;
  std::vector<std::uint8_t> bytes(4 + 4 + 4 + 8 + fmtSize + 8 + data.size());
  std::size_t at = 0;
  auto put = [&](std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i) bytes[at++] = static_cast<std::uint8_t>(value >> (8 * i));
  };
  auto tag = [&](const char* text) {
    for (int i = 0; i < 4; ++i) bytes[at++] = static_cast<std::uint8_t>(text[i]);
  };
  const auto block = static_cast<std::uint32_t>(kind.channels * kind.bits / 8);
  tag("RIFF");
  put(static_cast<std::uint32_t>(bytes.size() - 8), 4);
  tag("WAVE");
  tag("fmt ");
  put(fmtSize, 4);
  put(kind.extensible ? 0xFFFE : kind.tag, 2);
  put(static_cast<std::uint32_t>(kind.channels), 2);
  put(static_cast<std::uint32_t>(kind.rate), 4);
  put(static_cast<std::uint32_t>(kind.rate) * block, 4);
  put(block, 2);
  put(static_cast<std::uint32_t>(kind.bits), 2);
  if (kind.extensible) {
    put(22, 2);                                     // extension size
    put(static_cast<std::uint32_t>(kind.bits), 2);  // valid bits
    put(0, 4);                                      // channel mask
    put(kind.tag, 2);                               // sub-format GUID, first two bytes
    const std::uint8_t rest[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00,
                                   0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    for (std::uint8_t byte : rest) bytes[at++] = byte;
  }
  tag("data");
  put(static_cast<std::uint32_t>(data.size()), 4);
  for (std::uint8_t byte : data) bytes[at++] = byte;
  return bytes;
}

// A spoken-like test sound: a tone with a smooth rise and fall, amid
// silence, seconds long.
inline std::vector<std::vector<double>> Burst(int rate, double seconds, double frequency,
                                              double amplitude, int channels = 1) {
  const auto count = static_cast<std::size_t>(seconds * rate);
  std::vector<std::vector<double>> frames(count, std::vector<double>(static_cast<std::size_t>(channels), 0.0));
  const std::size_t lead = count / 5;
  const std::size_t body = count - 2 * lead;
  for (std::size_t i = 0; i < body; ++i) {
    const double t = static_cast<double>(i) / rate;
    const double envelope = std::sin(std::numbers::pi * static_cast<double>(i) / static_cast<double>(body));
    for (auto& value : frames[lead + i]) value = amplitude * envelope * std::sin(2 * std::numbers::pi * frequency * t);
  }
  return frames;
}

inline void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// A fresh empty folder under the system's temporary folder.
inline std::filesystem::path FreshFolder(const std::string& name) {
  auto folder = std::filesystem::temp_directory_path() / ("mirabo-voice-test-" + name);
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder;
}

}  // namespace voice_test

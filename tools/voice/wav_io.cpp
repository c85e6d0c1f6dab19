#include "tools/voice/wav_io.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <system_error>

namespace voice {

namespace {

constexpr std::uint16_t FormatPcm = 1;
constexpr std::uint16_t FormatFloat = 3;
constexpr std::uint16_t FormatExtensible = 0xFFFE;

std::uint32_t Little(const std::uint8_t* bytes, int count) {
  std::uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = (value << 8) | bytes[i];
  return value;
}

struct Format {
  std::uint16_t tag = 0;
  std::uint16_t channels = 0;
  std::uint32_t rate = 0;
  std::uint16_t bits = 0;
};

// One sample of the data, full scale at +-1.
double SampleValue(const std::uint8_t* at, const Format& format) {
  const int bytes = format.bits / 8;
  if (format.tag == FormatFloat) {
    if (bytes == 4) {
      float value;
      std::uint32_t raw = Little(at, 4);
      std::memcpy(&value, &raw, 4);
      return value;
    }
    std::uint64_t raw = static_cast<std::uint64_t>(Little(at + 4, 4)) << 32 | Little(at, 4);
    double value;
    std::memcpy(&value, &raw, 8);
    return value;
  }
  // 8-bit WAV data is unsigned with 128 as silence; wider data is signed.
  if (bytes == 1) return (static_cast<int>(at[0]) - 128) / 128.0;
  std::uint32_t raw = Little(at, bytes);
  const int shift = 32 - 8 * bytes;
  const auto value = static_cast<std::int32_t>(raw << shift);  // sign now in bit 31
  return value / 2147483648.0;
}

bool Supported(const Format& format) {
  if (format.channels == 0 || format.rate == 0) return false;
  if (format.tag == FormatPcm) {
    return format.bits == 8 || format.bits == 16 || format.bits == 24 || format.bits == 32;
  }
  if (format.tag == FormatFloat) return format.bits == 32 || format.bits == 64;
  return false;
}

}  // namespace

std::optional<Sound> DecodeWav(const std::vector<std::uint8_t>& bytes, std::string& error) {
  if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
      std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
    error = "not a RIFF/WAVE file";
    return std::nullopt;
  }
  std::optional<Format> format;
  const std::uint8_t* data = nullptr;
  std::size_t dataSize = 0;
  std::size_t at = 12;
  while (at + 8 <= bytes.size()) {
    const std::uint8_t* chunk = bytes.data() + at;
    const std::size_t size = Little(chunk + 4, 4);
    const std::size_t available = bytes.size() - at - 8;
    if (std::memcmp(chunk, "fmt ", 4) == 0 && size >= 16 && size <= available) {
      Format found;
      found.tag = static_cast<std::uint16_t>(Little(chunk + 8, 2));
      found.channels = static_cast<std::uint16_t>(Little(chunk + 10, 2));
      found.rate = Little(chunk + 12, 4);
      found.bits = static_cast<std::uint16_t>(Little(chunk + 22, 2));
      // The extensible header names the real format in the first two bytes
      // of its sub-format GUID.
      if (found.tag == FormatExtensible && size >= 40) {
        found.tag = static_cast<std::uint16_t>(Little(chunk + 32, 2));
      }
      format = found;
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      data = chunk + 8;
      // Recorders that stop abruptly leave a data size larger than the
      // file; take what is there.
      dataSize = std::min(size, available);
      break;
    }
    at += 8 + size + (size & 1);  // chunks are padded to even sizes
  }
  if (!format) {
    error = "no format chunk";
    return std::nullopt;
  }
  if (!Supported(*format)) {
    error = "unsupported format (tag " + std::to_string(format->tag) + ", " +
            std::to_string(format->bits) + " bits, " + std::to_string(format->channels) +
            " channels): use PCM 8/16/24/32-bit or 32-bit float";
    return std::nullopt;
  }
  if (data == nullptr) {
    error = "no data chunk";
    return std::nullopt;
  }
  const std::size_t frameBytes = std::size_t{format->channels} * (format->bits / 8u);
  const std::size_t frames = dataSize / frameBytes;
  Sound sound;
  sound.rate = static_cast<int>(format->rate);
  sound.samples.resize(frames);
  for (std::size_t frame = 0; frame < frames; ++frame) {
    double sum = 0;
    for (std::size_t channel = 0; channel < format->channels; ++channel) {
      sum += SampleValue(data + frame * frameBytes + channel * (format->bits / 8u), *format);
    }
    double value = sum / format->channels;
    // NaN or wild float data would poison the levelling; treat as silence.
    if (!std::isfinite(value)) value = 0;
    sound.samples[frame] = static_cast<float>(value);
  }
  return sound;
}

std::optional<Sound> ReadWav(const std::filesystem::path& path, std::string& error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = "cannot open " + path.string();
    return std::nullopt;
  }
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                  std::istreambuf_iterator<char>());
  return DecodeWav(bytes, error);
}

std::int16_t ToPcm16(float sample) {
  const double scaled = std::nearbyint(static_cast<double>(sample) * 32767.0);
  if (scaled > 32767.0) return 32767;
  if (scaled < -32767.0) return -32767;
  return static_cast<std::int16_t>(scaled);
}

std::vector<std::uint8_t> EncodeWav16(const Samples& samples, int rate) {
  // Written by index into a buffer of the final size: byte-wise inserts
  // trip a false overflow warning in GCC 12's optimiser.
  std::vector<std::uint8_t> bytes(44 + samples.size() * 2);
  std::size_t at = 0;
  auto put = [&](std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i) bytes[at++] = static_cast<std::uint8_t>(value >> (8 * i));
  };
  auto tag = [&](const char* text) {
    for (int i = 0; i < 4; ++i) bytes[at++] = static_cast<std::uint8_t>(text[i]);
  };
  const auto dataSize = static_cast<std::uint32_t>(samples.size() * 2);
  const auto byteRate = static_cast<std::uint32_t>(rate) * 2;
  tag("RIFF");
  put(dataSize + 36, 4);
  tag("WAVE");
  tag("fmt ");
  put(16, 4);               // format chunk size
  put(FormatPcm, 2);        // format tag
  put(1, 2);                // channels
  put(static_cast<std::uint32_t>(rate), 4);
  put(byteRate, 4);         // average bytes per second
  put(2, 2);                // block alignment
  put(16, 2);               // bits per sample
  tag("data");
  put(dataSize, 4);
  for (float sample : samples) put(static_cast<std::uint16_t>(ToPcm16(sample)), 2);
  return bytes;
}

bool WriteFileAtomically(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes,
                         std::string& error) {
  std::filesystem::path temporary = path;
  temporary += ".partial";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
      error = "cannot write " + temporary.string();
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      return false;
    }
  }
  std::error_code failure;
  std::filesystem::rename(temporary, path, failure);
  if (failure) {
    error = "cannot rename " + temporary.string() + " to " + path.string() + ": " +
            failure.message();
    std::filesystem::remove(temporary, failure);
    return false;
  }
  return true;
}

}  // namespace voice

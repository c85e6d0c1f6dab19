#include "platform/sdl/sdl_platform.h"

#include <memory>
#include <vector>

namespace platform::sdl {

namespace {

// Everything SDL_AudioStream makes of `bytes`.
std::vector<std::int16_t> Convert(SDL_AudioFormat format, Uint8 channels, int rate,
                                  const void* bytes, std::size_t size, int toRate) {
  std::vector<std::int16_t> out;
  std::unique_ptr<SDL_AudioStream, decltype(&SDL_FreeAudioStream)> stream(
      SDL_NewAudioStream(format, channels, rate, AUDIO_S16SYS, 1, toRate), &SDL_FreeAudioStream);
  if (!stream || size == 0 || size > INT32_MAX ||
      SDL_AudioStreamPut(stream.get(), bytes, static_cast<int>(size)) != 0 ||
      SDL_AudioStreamFlush(stream.get()) != 0) {
    return out;
  }
  out.resize(static_cast<std::size_t>(SDL_AudioStreamAvailable(stream.get())) / 2);
  int got = SDL_AudioStreamGet(stream.get(), out.data(), static_cast<int>(out.size() * 2));
  out.resize(got > 0 ? static_cast<std::size_t>(got) / 2 : 0);
  return out;
}

}  // namespace

std::optional<common::DecodedWave> DecodeWave(std::span<const std::uint8_t> bytes) {
  if (bytes.size() > INT32_MAX) return std::nullopt;
  // SDL's default plays what it can of a file cut short; the program's
  // rule is that a broken voice file leaves it mute.
  SDL_SetHint(SDL_HINT_WAVE_TRUNCATION, "verystrict");
  SDL_AudioSpec spec{};
  Uint8* buffer = nullptr;
  Uint32 length = 0;
  if (SDL_LoadWAV_RW(SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size())), 1, &spec,
                     &buffer, &length) == nullptr) {
    return std::nullopt;
  }
  common::DecodedWave wave{static_cast<std::uint32_t>(spec.freq),
                           Convert(spec.format, spec.channels, spec.freq, buffer, length, spec.freq)};
  SDL_FreeWAV(buffer);
  return wave;
}

common::Samples ToMixerRate(const common::DecodedWave& wave, std::size_t first, std::size_t count) {
  return std::make_shared<const std::vector<std::int16_t>>(
      Convert(AUDIO_S16SYS, 1, static_cast<int>(wave.rate), wave.samples.data() + first,
              count * sizeof(std::int16_t), common::Mixer::kRate));
}

}  // namespace platform::sdl

#include "platform/sdl/sdl_platform.h"

#include <cstring>
#include <memory>
#include <vector>

namespace platform::sdl {

namespace {

constexpr Uint16 kBufferFrames = 882;
constexpr Uint16 kDiskBufferFrames = 4410;

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

// The device: signed 16-bit mono at the mixer's 44100 frames per second,
// so that the file of SDL's disk driver (SDL_AUDIODRIVER=disk) is raw s16le
// mono 44100 Hz.  Buffers are 20 ms (882 frames), short enough that a sound
// starts with the call that asks for it.  The disk driver sleeps a whole
// number of milliseconds per buffer and loses some 0.4 ms on each beside
// it: with 20 ms buffers its file would fall 2% behind real time, so it
// gets 100 ms buffers, with which it keeps pace (latency does not matter in
// a file).  Without a device the mixer stays closed and the program mute.
void SdlPlatform::OpenAudio() {
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return;
  const char* driver = SDL_GetCurrentAudioDriver();
  bool disk = driver != nullptr && std::strcmp(driver, "disk") == 0;
  SDL_AudioSpec wanted{};
  wanted.freq = common::Mixer::kRate;
  wanted.format = AUDIO_S16SYS;
  wanted.channels = 1;
  wanted.samples = disk ? kDiskBufferFrames : kBufferFrames;
  wanted.callback = [](void* mixer, Uint8* stream, int length) {
    static_cast<common::Mixer*>(mixer)->Render(reinterpret_cast<std::int16_t*>(stream),
                                               static_cast<std::size_t>(length) / 2);
  };
  wanted.userdata = &Sound();
  // No changes allowed: SDL converts to whatever the hardware wants, and
  // the disk driver writes exactly this format.
  audioDevice_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
  if (audioDevice_ == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return;
  }
  Sound().Open(wanted.samples);
  SDL_PauseAudioDevice(audioDevice_, 0);
}

void SdlPlatform::CloseAudio() {
  if (audioDevice_ == 0) return;
  SDL_CloseAudioDevice(audioDevice_);
  audioDevice_ = 0;
  Sound().Close();
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

}  // namespace platform::sdl

#include "platform/sdl/sdl_audio.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <vector>

namespace platform::sdl {

namespace {

Samples MakeBeep() {
  constexpr int kFrames = kDeviceRate / 10;  // 100 ms
  constexpr int kFade = kDeviceRate / 500;   // 2 ms edges, against clicks
  std::vector<std::int16_t> samples(kFrames);
  for (int i = 0; i < kFrames; ++i) {
    double envelope = std::min({1.0, double(i) / kFade, double(kFrames - 1 - i) / kFade});
    double value = std::sin(2 * std::numbers::pi * 880.0 * i / kDeviceRate);
    samples[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(8000 * envelope * value);
  }
  return std::make_shared<const std::vector<std::int16_t>>(std::move(samples));
}

}  // namespace

Samples ConvertToDevice(const WaveFormat& format, std::span<const std::uint8_t> frames) {
  auto out = std::make_shared<std::vector<std::int16_t>>();
  if (frames.empty()) return out;
  SDL_AudioStream* stream =
      SDL_NewAudioStream(format.bitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16LSB,
                         static_cast<Uint8>(format.channels), static_cast<int>(format.sampleRate),
                         AUDIO_S16SYS, 1, kDeviceRate);
  if (stream == nullptr) return out;
  if (SDL_AudioStreamPut(stream, frames.data(), static_cast<int>(frames.size())) == 0 &&
      SDL_AudioStreamFlush(stream) == 0) {
    int available = SDL_AudioStreamAvailable(stream);
    out->resize(static_cast<std::size_t>(available) / sizeof(std::int16_t));
    int got = SDL_AudioStreamGet(stream, out->data(), available);
    out->resize(got > 0 ? static_cast<std::size_t>(got) / sizeof(std::int16_t) : 0);
  }
  SDL_FreeAudioStream(stream);
  return out;
}

SdlAudio::SdlAudio() : beep_(MakeBeep()) {
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return;
  const char* driver = SDL_GetCurrentAudioDriver();
  bool disk = driver != nullptr && std::strcmp(driver, "disk") == 0;
  std::size_t bufferFrames = disk ? kDiskBufferFrames : kBufferFrames;
  clock_ = SoundClock(kDeviceRate, bufferFrames);
  SDL_AudioSpec wanted{};
  wanted.freq = kDeviceRate;
  wanted.format = AUDIO_S16SYS;
  wanted.channels = 1;
  wanted.samples = static_cast<Uint16>(bufferFrames);
  wanted.callback = &SdlAudio::Callback;
  wanted.userdata = this;
  // No changes allowed: SDL converts to whatever the hardware wants, and
  // the disk driver writes exactly this format.
  device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, nullptr, 0);
  if (device_ == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return;
  }
  SDL_PauseAudioDevice(device_, 0);
}

SdlAudio::~SdlAudio() { Close(); }

void SdlAudio::Close() {
  if (device_ == 0) return;
  SDL_CloseAudioDevice(device_);
  device_ = 0;
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void SDLCALL SdlAudio::Callback(void* self, Uint8* stream, int length) {
  auto& audio = *static_cast<SdlAudio*>(self);
  audio.clock_.BufferRequested(SoundClock::Clock::now(), audio.mixer_.RenderedFrames());
  audio.mixer_.Render(reinterpret_cast<std::int16_t*>(stream),
                      static_cast<std::size_t>(length) / sizeof(std::int16_t));
}

void SdlAudio::StartVoice(Voice voice, Samples samples, bool loop, bool wait) {
  std::size_t frames = samples ? samples->size() : 0;
  if (device_ != 0) {
    SDL_LockAudioDevice(device_);
    std::uint64_t frame = clock_.FrameFor(SoundClock::Clock::now(), mixer_.Silent());
    mixer_.Start(frame, voice, std::move(samples), loop);
    SDL_UnlockAudioDevice(device_);
  }
  if (wait && !loop) SDL_Delay(static_cast<Uint32>(frames * 1000 / kDeviceRate));
}

void SdlAudio::StopVoice(Voice voice) {
  if (device_ == 0) return;
  SDL_LockAudioDevice(device_);
  std::uint64_t frame = clock_.FrameFor(SoundClock::Clock::now(), mixer_.Silent());
  mixer_.Stop(frame, voice);
  SDL_UnlockAudioDevice(device_);
}

void SdlAudio::PlayImage(const WaveView& wave, bool loop, bool wait) {
  StartVoice(Voice::Tone, ConvertToDevice(wave.format, wave.data), loop, wait);
}

void SdlAudio::StopImage() { StopVoice(Voice::Tone); }

void SdlAudio::PlayRange(const WaveFormat& format, std::span<const std::uint8_t> frames,
                         bool wait) {
  StartVoice(Voice::Speech, ConvertToDevice(format, frames), false, wait);
}

void SdlAudio::StopPlaying() { StopVoice(Voice::Speech); }

void SdlAudio::Beep() { StartVoice(Voice::Beep, beep_, false, false); }

}  // namespace platform::sdl

// The one audio device: the mixer's voices played through SDL.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <span>

#include "platform/sdl/sdl_mci.h"
#include "platform/sdl/sdl_mixer.h"
#include "platform/sdl/sdl_wave.h"

namespace platform::sdl {

// The device format: signed 16-bit mono at 44100 frames per second, so
// the file of SDL's disk driver (SDL_AUDIODRIVER=disk) is raw s16le mono
// 44100 Hz.  Buffers are 20 ms (882 frames), short enough that a sound
// starts with the call that asks for it.  The disk driver sleeps a whole
// number of milliseconds per buffer and loses some 0.4 ms on each beside
// it: with 20 ms buffers its file would fall 2% behind real time, so it
// gets 100 ms buffers, with which it keeps pace (latency does not matter
// in a file).
inline constexpr int kDeviceRate = 44100;
inline constexpr std::size_t kBufferFrames = 882;
inline constexpr std::size_t kDiskBufferFrames = 4410;

// Converts PCM frames of any supported format to device samples.
Samples ConvertToDevice(const WaveFormat& format, std::span<const std::uint8_t> frames);

class SdlAudio final : public MciOutput {
 public:
  // Opens the device.  Without one every call below is silent and returns
  // at once (a wait still takes its time).
  SdlAudio();
  ~SdlAudio() override;
  SdlAudio(const SdlAudio&) = delete;
  SdlAudio& operator=(const SdlAudio&) = delete;

  // Closes the device; with the disk driver this completes the file.
  void Close();

  // sndPlaySoundA's voice.
  void PlayImage(const WaveView& wave, bool loop, bool wait);
  void StopImage();

  // The MCI device's voice.
  void PlayRange(const WaveFormat& format, std::span<const std::uint8_t> frames,
                 bool wait) override;
  void StopPlaying() override;

  // MessageBeep: 100 ms of 880 Hz.
  void Beep();

 private:
  static void SDLCALL Callback(void* self, Uint8* stream, int length);
  void StartVoice(Voice voice, Samples samples, bool loop, bool wait);
  void StopVoice(Voice voice);

  SDL_AudioDeviceID device_ = 0;
  MixerCore mixer_;
  SoundClock clock_{kDeviceRate, kBufferFrames};  // set again for the device's buffers
  Samples beep_;
};

}  // namespace platform::sdl

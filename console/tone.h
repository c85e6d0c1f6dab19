// Square-wave tones built in memory as WAV images and looped by the
// system's sound service.
#pragma once

#include <cstdint>

namespace console {

constexpr int WaveHeaderSize = 44;
constexpr int ToneSampleRate = 11025;
constexpr int ToneImageSize = WaveHeaderSize + ToneSampleRate + 2;

// The image of the tone that is sounding, or null.
const std::uint8_t* ToneImage();

void PlayTone(std::uint16_t frequency);
void StopTone();

}  // namespace console

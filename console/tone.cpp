// Placeholder until the tone generator lands.
#include "console/tone.h"

namespace console {

const std::uint8_t* ToneImage() { return nullptr; }
void PlayTone(std::uint16_t) {}
void StopTone() {}

}  // namespace console

#include "tools/voice/espeak_voice.h"

#include <espeak-ng/speak_lib.h>

#include <cstring>

namespace voice {

namespace {

// Where the synthesis callback collects its output.
Utterance* collecting = nullptr;

int Collect(short* wave, int count, espeak_EVENT* events) {
  if (collecting == nullptr) return 1;
  if (wave != nullptr && count > 0) {
    for (int i = 0; i < count; ++i) collecting->sound.samples.push_back(wave[i] / 32768.0f);
  }
  for (espeak_EVENT* event = events; event->type != espeakEVENT_LIST_TERMINATED; ++event) {
    if (event->type != espeakEVENT_PHONEME) continue;
    char name[sizeof event->id.string + 1] = {};
    std::memcpy(name, event->id.string, sizeof event->id.string);
    // In synchronous mode `sample` counts the samples before the event; the
    // millisecond position says the same more coarsely, and is the fallback
    // should a version of the library leave `sample` unset.
    const auto byTime = static_cast<std::size_t>(event->audio_position) *
                        static_cast<std::size_t>(collecting->sound.rate) / 1000;
    auto position = static_cast<std::size_t>(event->sample > 0 ? event->sample : 0);
    const std::size_t oneMillisecond = static_cast<std::size_t>(collecting->sound.rate) / 1000 + 1;
    if (position + oneMillisecond < byTime || position > byTime + oneMillisecond) position = byTime;
    collecting->phonemes.push_back({name, position});
  }
  return 0;
}

}  // namespace

std::optional<EspeakVoice> EspeakVoice::Open(std::string& error) {
  const int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 100, nullptr,
                                     espeakINITIALIZE_PHONEME_EVENTS | espeakINITIALIZE_DONT_EXIT);
  if (rate <= 0) {
    error = "espeak-ng did not start (is espeak-ng-data installed?)";
    return std::nullopt;
  }
  if (espeak_SetVoiceByName("pt-br") != EE_OK) {
    espeak_Terminate();
    error = "espeak-ng has no pt-br voice";
    return std::nullopt;
  }
  espeak_SetSynthCallback(Collect);
  espeak_SetParameter(espeakRANGE, PitchRange, 0);
  return EspeakVoice(rate);
}

EspeakVoice::EspeakVoice(EspeakVoice&& other) noexcept : rate_(other.rate_) {
  other.owner_ = false;
}

EspeakVoice::~EspeakVoice() {
  if (owner_) espeak_Terminate();
}

Utterance EspeakVoice::Speak(std::string_view text, int wordsPerMinute) {
  Utterance utterance;
  utterance.sound.rate = rate_;
  espeak_SetParameter(espeakRATE, wordsPerMinute, 0);
  const std::string terminated(text);
  collecting = &utterance;
  espeak_Synth(terminated.c_str(), terminated.size() + 1, 0, POS_CHARACTER, 0,
               espeakCHARS_UTF8 | espeakPHONEMES, nullptr, nullptr);
  espeak_Synchronize();
  collecting = nullptr;
  return utterance;
}

}  // namespace voice

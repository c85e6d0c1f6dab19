// espeak-ng's Brazilian Portuguese voice, with the phoneme events that tell
// where each phoneme of a synthesised word starts.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/voice/sound.h"

namespace voice {

struct Phoneme {
  std::string name;      // espeak-ng's mnemonic, e.g. "&~", "tS", "_:" (a pause)
  std::size_t position;  // first sample
};

struct Utterance {
  Sound sound;
  std::vector<Phoneme> phonemes;
};

// espeak-ng keeps one global synthesiser; this object stands for it.  Only
// one may exist at a time.
class EspeakVoice {
 public:
  // Words per minute.  From 450 on espeak-ng speeds its speech up after
  // synthesis, and its phoneme events then no longer match the samples.
  static constexpr int SlowestRate = 80;
  static constexpr int FastestRate = 440;
  // Lower than espeak-ng's default of 50: the fragments come from words
  // said alone, and a narrow pitch range keeps their pitches close enough
  // to join.
  static constexpr int PitchRange = 25;

  // Starts espeak-ng with the pt-br voice; on failure says why in error.
  static std::optional<EspeakVoice> Open(std::string& error);
  EspeakVoice(EspeakVoice&& other) noexcept;
  EspeakVoice& operator=(EspeakVoice&&) = delete;
  ~EspeakVoice();

  // text is UTF-8; phoneme mnemonics may be given inside [[ ]].
  Utterance Speak(std::string_view text, int wordsPerMinute);

 private:
  explicit EspeakVoice(int rate) : rate_(rate) {}
  int rate_;
  bool owner_ = true;
};

}  // namespace voice

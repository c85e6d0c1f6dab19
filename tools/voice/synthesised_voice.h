// Making the 87 fragments with espeak-ng: each is cut out of its carrier
// word (segment_sources.h), said as slowly as still fits its segment's wait.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/voice/espeak_voice.h"
#include "tools/voice/fragments.h"

namespace voice {

// The samples [first, end) that a cut keeps of an utterance.
struct CutRange {
  std::size_t first = 0;
  std::size_t end = 0;
};

// Finds the phonemes named by cut (see segment_sources.h) at their first
// occurrence; nothing if the word does not hold them.
std::optional<CutRange> FindCut(const std::vector<Phoneme>& phonemes, std::string_view cut,
                                 std::size_t totalSamples);

struct SynthesisNote {
  int segment = 0;
  int wordsPerMinute = 0;
  std::size_t cutLength = 0;  // samples, trimmed, at that rate
  std::size_t budget = 0;
  std::size_t length = 0;     // as placed
};

// All 87 fragments at OutputRate, or nothing with error naming the segment
// whose phonemes were not found.
std::optional<Fragments> SynthesiseFragments(EspeakVoice& voice, std::vector<SynthesisNote>& notes,
                                             std::string& error);

}  // namespace voice

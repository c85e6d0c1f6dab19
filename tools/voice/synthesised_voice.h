// Making the 87 fragments with espeak-ng: each is cut out of its carrier
// word (segment_sources.h), said as slowly as still fits its segment's wait.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/voice/espeak_voice.h"
#include "tools/voice/fragments.h"
#include "tools/voice/segment_sources.h"

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

using SourceTable = std::array<SegmentSource, synt::SegmentCount>;

// All 87 fragments at OutputRate, or nothing with error naming the segment
// whose phonemes were not found.
std::optional<Fragments> SynthesiseFragments(EspeakVoice& voice, const SourceTable& sources,
                                             std::vector<SynthesisNote>& notes, std::string& error);

// Replaces rows of sources from text, one row a line: the segment's number,
// the carrier and the cut, separated by '|' ("61 | cinco | s").  Blank lines
// and lines starting with # are skipped.  The texts are kept in storage.
bool OverrideSources(std::string_view text, SourceTable& sources, std::vector<std::string>& storage,
                     std::string& error);

}  // namespace voice

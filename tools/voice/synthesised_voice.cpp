#include "tools/voice/synthesised_voice.h"

#include <map>
#include <sstream>

#include "tools/voice/resample.h"
#include "tools/voice/segment_sources.h"
#include "tools/voice/shaping.h"

namespace voice {

namespace {

struct CutToken {
  std::string name;
  bool kept = true;
};

std::vector<CutToken> ParseCut(std::string_view cut) {
  std::vector<CutToken> tokens;
  const bool bracketed = cut.find('[') != std::string_view::npos;
  bool inside = false;
  std::istringstream words{std::string(cut)};
  std::string word;
  while (words >> word) {
    if (word.front() == '[') {
      inside = true;
      word.erase(0, 1);
    }
    bool closes = !word.empty() && word.back() == ']';
    if (closes) word.pop_back();
    tokens.push_back({word, !bracketed || inside});
    if (closes) inside = false;
  }
  return tokens;
}

// Events out of order or past the end cannot be cut by.
bool InOrder(const std::vector<Phoneme>& phonemes, std::size_t total) {
  for (std::size_t i = 0; i < phonemes.size(); ++i) {
    if (phonemes[i].position > total) return false;
    if (i > 0 && phonemes[i].position < phonemes[i - 1].position) return false;
  }
  return true;
}

bool IsPause(const Phoneme& phoneme) { return !phoneme.name.empty() && phoneme.name[0] == '_'; }

// The end of phoneme index: where the next one starts.
std::size_t EndOf(const std::vector<Phoneme>& phonemes, std::size_t index, std::size_t total) {
  return index + 1 < phonemes.size() ? phonemes[index + 1].position : total;
}

// The trimmed cut of source said at wordsPerMinute, at the voice's rate.
std::optional<Samples> Cut(EspeakVoice& voice, const SegmentSource& source, int wordsPerMinute,
                           int& rate) {
  Utterance utterance = voice.Speak(source.carrier, wordsPerMinute);
  rate = utterance.sound.rate;
  if (!InOrder(utterance.phonemes, utterance.sound.samples.size())) return std::nullopt;
  auto range = FindCut(utterance.phonemes, source.cut, utterance.sound.samples.size());
  if (!range) return std::nullopt;
  const auto& samples = utterance.sound.samples;
  Samples piece(samples.begin() + static_cast<long>(range->first),
                samples.begin() + static_cast<long>(range->end));
  return TrimSilence(piece, rate);
}

}  // namespace

std::optional<CutRange> FindCut(const std::vector<Phoneme>& phonemes, std::string_view cut,
                                std::size_t totalSamples) {
  const std::vector<CutToken> tokens = ParseCut(cut);
  if (tokens.empty()) {
    // The whole word: from its first sound to the pause after its last.
    std::optional<CutRange> range;
    for (std::size_t i = 0; i < phonemes.size(); ++i) {
      if (IsPause(phonemes[i])) continue;
      if (!range) range = CutRange{phonemes[i].position, 0};
      range->end = EndOf(phonemes, i, totalSamples);
    }
    return range;
  }
  for (std::size_t start = 0; start + tokens.size() <= phonemes.size(); ++start) {
    bool matches = true;
    for (std::size_t k = 0; k < tokens.size() && matches; ++k) {
      matches = phonemes[start + k].name == tokens[k].name;
    }
    if (!matches) continue;
    std::optional<CutRange> range;
    for (std::size_t k = 0; k < tokens.size(); ++k) {
      if (!tokens[k].kept) continue;
      if (!range) range = CutRange{phonemes[start + k].position, 0};
      range->end = EndOf(phonemes, start + k, totalSamples);
    }
    if (range && range->end > range->first && range->end <= totalSamples) return range;
    return std::nullopt;
  }
  return std::nullopt;
}

std::optional<Fragments> SynthesiseFragments(EspeakVoice& voice, std::vector<SynthesisNote>& notes,
                                             std::string& error) {
  Fragments fragments;
  for (int segment = 1; segment <= synt::SegmentCount; ++segment) {
    const SegmentSource& source = SegmentSources[static_cast<std::size_t>(segment - 1)];
    const std::size_t budget = FragmentBudget(synt::SegmentNumber(segment), OutputRate);
    int rate = OutputRate;
    // The cut at each speaking rate tried, kept: espeak-ng's output varies by
    // a few samples with what it said before, so the cut that was measured
    // is the one used.
    std::map<int, std::optional<Samples>> cuts;
    auto lengthAt = [&](int wordsPerMinute) -> std::optional<std::size_t> {
      auto& cut = cuts[wordsPerMinute];
      if (!cut) cut = Cut(voice, source, wordsPerMinute, rate);
      if (!cut) return std::nullopt;
      return cut->size() * static_cast<std::size_t>(OutputRate) / static_cast<std::size_t>(rate);
    };
    auto slowest = lengthAt(EspeakVoice::SlowestRate);
    if (!slowest) {
      error = "segment " + std::to_string(segment) + ": espeak-ng's \"" +
              std::string(source.carrier) + "\" holds no \"" + std::string(source.cut) + "\"";
      return std::nullopt;
    }
    // The slowest rate at which the cut still fits: the fragment then fills
    // its wait, and the words run on without gaps between segments.  The
    // length falls as the rate rises, so a bisection finds it.
    int chosen = EspeakVoice::SlowestRate;
    if (*slowest > budget) {
      auto fitsAt = [&](int wordsPerMinute) {
        auto length = lengthAt(wordsPerMinute);
        return length && *length <= budget;
      };
      int tooLong = EspeakVoice::SlowestRate;
      int fits = EspeakVoice::FastestRate;
      if (!fitsAt(fits)) {
        // Even the fastest speech needs shortening: take the fastest rate
        // whose cut espeak-ng still makes, and compress that.
        while (fits > EspeakVoice::SlowestRate && !lengthAt(fits)) fits -= 10;
        tooLong = fits;
      }
      while (fits - tooLong > 1) {
        const int middle = (tooLong + fits) / 2;
        if (fitsAt(middle)) {
          fits = middle;
        } else {
          tooLong = middle;
        }
      }
      chosen = fits;
    }
    const Samples& cut = *cuts[chosen];
    Samples piece = rate == OutputRate ? cut : Resample(cut, rate, OutputRate);
    Samples& fragment = FragmentOf(fragments, segment);
    fragment = ShapeFragment(piece, budget, OutputRate);
    notes.push_back({segment, chosen, *lengthAt(chosen), budget, fragment.size()});
  }
  return fragments;
}

}  // namespace voice

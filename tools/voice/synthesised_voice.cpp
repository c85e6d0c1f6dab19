#include "tools/voice/synthesised_voice.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <map>
#include <sstream>

#include "tools/voice/isolated.h"
#include "tools/voice/resample.h"
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

// The loudest 30 ms of samples, in RMS: the level of a stressed vowel in a
// word, of the syllable itself in a cut.
double LoudestStretch(const Samples& samples, int rate) {
  const std::size_t window = std::max<std::size_t>(1, SamplesIn(30, rate));
  const std::size_t hop = std::max<std::size_t>(1, SamplesIn(5, rate));
  double loudest = 0;
  for (std::size_t at = 0; at < samples.size(); at += hop) {
    const std::size_t end = std::min(samples.size(), at + window);
    double sum = 0;
    for (std::size_t i = at; i < end; ++i) sum += static_cast<double>(samples[i]) * samples[i];
    loudest = std::max(loudest, sum / static_cast<double>(window));
    if (end == samples.size()) break;
  }
  return std::sqrt(loudest);
}

struct CutPiece {
  Samples samples;      // trimmed, at the voice's rate
  double belowWord = 0;  // dB below the loudest syllable of the carrier
};

// The trimmed cut of source said at wordsPerMinute, at the voice's rate.
std::optional<CutPiece> Cut(EspeakVoice& voice, const SegmentSource& source, int wordsPerMinute,
                            int& rate) {
  Utterance utterance = voice.Speak(source.carrier, wordsPerMinute);
  rate = utterance.sound.rate;
  if (!InOrder(utterance.phonemes, utterance.sound.samples.size())) return std::nullopt;
  auto range = FindCut(utterance.phonemes, source.cut, utterance.sound.samples.size());
  if (!range) return std::nullopt;
  const auto& samples = utterance.sound.samples;
  const auto lead = static_cast<long>(source.leadMilliseconds) * rate / 1000;
  const auto tail = static_cast<long>(source.tailMilliseconds) * rate / 1000;
  const long first = std::clamp(static_cast<long>(range->first) - lead, 0L, static_cast<long>(range->end) - 1);
  const long end = std::clamp(static_cast<long>(range->end) + tail, first + 1, static_cast<long>(samples.size()));
  Samples piece(samples.begin() + first, samples.begin() + end);
  CutPiece cut{TrimSilence(piece, rate), 0};
  const double word = LoudestStretch(samples, rate);
  const double own = LoudestStretch(cut.samples, rate);
  if (word > 0 && own > 0) cut.belowWord = std::max(0.0, 20 * std::log10(word / own));
  return cut;
}

// How much of a syllable's natural softness in its word it keeps.
constexpr double KeptSoftness = 0.5;

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

bool OverrideSources(std::string_view text, SourceTable& sources, std::vector<std::string>& storage,
                     std::string& error) {
  // Each text is one string of storage; reserving first keeps the views
  // into the earlier ones valid.
  storage.reserve(storage.size() + 2 * static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n') + 1));
  auto trimmed = [](std::string_view part) {
    while (!part.empty() && std::isspace(static_cast<unsigned char>(part.front()))) part.remove_prefix(1);
    while (!part.empty() && std::isspace(static_cast<unsigned char>(part.back()))) part.remove_suffix(1);
    return part;
  };
  int lineNumber = 0;
  while (!text.empty()) {
    ++lineNumber;
    const auto newline = text.find('\n');
    const std::string_view line = trimmed(text.substr(0, newline));
    text = newline == std::string_view::npos ? "" : text.substr(newline + 1);
    if (line.empty() || line.front() == '#') continue;
    const auto bar = line.find('|');
    const auto secondBar = bar == std::string_view::npos ? bar : line.find('|', bar + 1);
    int segment = 0;
    const std::string_view number = trimmed(line.substr(0, bar));
    const auto [end, failure] = std::from_chars(number.data(), number.data() + number.size(), segment);
    if (secondBar == std::string_view::npos || failure != std::errc() ||
        end != number.data() + number.size() || segment < 1 || segment > synt::SegmentCount) {
      error = "line " + std::to_string(lineNumber) + ": not \"SEGMENT | CARRIER | CUT\"";
      return false;
    }
    storage.emplace_back(trimmed(line.substr(bar + 1, secondBar - bar - 1)));
    const std::string_view carrier = storage.back();
    std::string_view cut = trimmed(line.substr(secondBar + 1));
    SegmentSource source;
    const auto thirdBar = cut.find('|');
    if (thirdBar != std::string_view::npos) {
      // Options: fill, lead=MS, tail=MS, separated by blanks.
      std::istringstream options{std::string(cut.substr(thirdBar + 1))};
      std::string option;
      while (options >> option) {
        int* milliseconds = option.starts_with("lead=")   ? &source.leadMilliseconds
                            : option.starts_with("tail=") ? &source.tailMilliseconds
                                                          : nullptr;
        if (option == "fill") {
          source.fill = true;
          continue;
        }
        const char* value = option.data() + 5;
        const char* valueEnd = option.data() + option.size();
        if (milliseconds == nullptr ||
            std::from_chars(value, valueEnd, *milliseconds).ptr != valueEnd || value == valueEnd) {
          error = "line " + std::to_string(lineNumber) + ": unknown option " + option +
                  " (fill, lead=MS, tail=MS)";
          return false;
        }
      }
      cut = trimmed(cut.substr(0, thirdBar));
    }
    storage.emplace_back(cut);
    source.carrier = carrier;
    source.cut = storage.back();
    sources[static_cast<std::size_t>(segment - 1)] = source;
  }
  return true;
}

namespace {

// One fragment, said and cut as slowly as still fits its segment's wait.
std::optional<Samples> SynthesiseFragment(EspeakVoice& voice, const SegmentSource& source,
                                          int segment, SynthesisNote& note, std::string& error) {
  const std::size_t budget = FragmentBudget(synt::SegmentNumber(segment), OutputRate);
  int rate = OutputRate;
  // The cut at each speaking rate tried, kept: espeak-ng's output varies by
  // a few samples with what it said before, so the cut that was measured
  // is the one used.
  std::map<int, std::optional<CutPiece>> cuts;
  auto lengthAt = [&](int wordsPerMinute) -> std::optional<std::size_t> {
    auto& cut = cuts[wordsPerMinute];
    if (!cut) cut = Cut(voice, source, wordsPerMinute, rate);
    if (!cut) return std::nullopt;
    return cut->samples.size() * static_cast<std::size_t>(OutputRate) / static_cast<std::size_t>(rate);
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
  const CutPiece& cut = *cuts[chosen];
  Samples piece = rate == OutputRate ? cut.samples : Resample(cut.samples, rate, OutputRate);
  ShapingOptions options;
  options.fill = source.fill;
  // Half of what the syllable lies below the word's loudest, as far as the
  // common loudness allows: unstressed syllables a little softer, as the
  // word says them, without any two fragments 3 dB apart.
  options.quieterDb = std::min(QuieterAtMost, cut.belowWord * KeptSoftness);
  Samples fragment = ShapeFragment(piece, budget, OutputRate, options);
  note = {segment, chosen, *lengthAt(chosen), budget, fragment.size()};
  return fragment;
}

// The fragment of source, with its blend mixed in when it has one.
std::optional<Samples> SynthesiseSource(EspeakVoice& voice, const SegmentSource& source,
                                        int segment, SynthesisNote& note, std::string& error) {
  auto fragment = SynthesiseFragment(voice, source, segment, note, error);
  if (!fragment || source.blendCarrier.empty() || source.blendShare <= 0) return fragment;
  SegmentSource second = source;
  second.carrier = source.blendCarrier;
  second.cut = source.blendCut;
  SynthesisNote secondNote;
  auto other = SynthesiseFragment(voice, second, segment, secondNote, error);
  if (!other) return std::nullopt;
  // Both are levelled alike; noise adds in power, so square-root shares
  // keep the level, and the mix is brought to the first one's level to be
  // exact.
  const auto first = static_cast<float>(std::sqrt(1 - source.blendShare));
  const auto share = static_cast<float>(std::sqrt(source.blendShare));
  Samples mixed(std::max(fragment->size(), other->size()), 0.0f);
  for (std::size_t i = 0; i < fragment->size(); ++i) mixed[i] += first * (*fragment)[i];
  for (std::size_t i = 0; i < other->size(); ++i) mixed[i] += share * (*other)[i];
  const double mixedRms = Rms(mixed);
  if (mixedRms > 0) {
    double gain = Rms(*fragment) / mixedRms;
    if (Peak(mixed) * gain > PeakLimit) gain = PeakLimit / Peak(mixed);
    for (float& sample : mixed) sample = static_cast<float>(sample * gain);
  }
  note.length = mixed.size();
  return mixed;
}

}  // namespace

std::optional<Fragments> SynthesiseFragments(EspeakVoice& voice, const SourceTable& sources,
                                             std::vector<SynthesisNote>& notes, std::string& error) {
  Fragments fragments;
  for (int segment = 1; segment <= synt::SegmentCount; ++segment) {
    const SegmentSource& source = sources[static_cast<std::size_t>(segment - 1)];
    SynthesisNote note;
    // espeak-ng keeps running state from one utterance to the next (each
    // word comes out a few samples different after another word), which no
    // call resets.  Each fragment is therefore said in a child process that
    // starts from the state of the freshly opened voice, so that it depends
    // on its own source alone: choosing another word for one segment leaves
    // every other segment as it was.
    auto fragment = InChildProcess(
        [&](std::string& childError) {
          return SynthesiseSource(voice, source, segment, note, childError);
        },
        &note, sizeof note, error);
    if (!fragment) return std::nullopt;
    FragmentOf(fragments, segment) = std::move(*fragment);
    notes.push_back(note);
  }
  return fragments;
}

}  // namespace voice

#include "tools/voice/voicing.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace voice {

namespace {

// The best normalised correlation of the window at with itself shifted by a
// lag of lowest to highest samples.
double BestCorrelation(const Samples& samples, std::size_t at, std::size_t window, std::size_t lowest,
                       std::size_t highest) {
  double best = 0;
  for (std::size_t lag = lowest; lag <= highest && lag < window; ++lag) {
    double product = 0, early = 0, late = 0;
    for (std::size_t i = at; i + lag < at + window; ++i) {
      const double a = samples[i], b = samples[i + lag];
      product += a * b;
      early += a * a;
      late += b * b;
    }
    const double norm = std::sqrt(early * late);
    if (norm > 0) best = std::max(best, product / norm);
  }
  return best;
}

std::size_t LowestLag(int rate) { return static_cast<std::size_t>(rate / 400); }
std::size_t HighestLag(int rate) { return static_cast<std::size_t>(rate / 62); }

double Periodicity(const Samples& samples, std::size_t at, std::size_t window, int rate) {
  return BestCorrelation(samples, at, window, LowestLag(rate), HighestLag(rate));
}

}  // namespace

Stretch LongestVoicedStretch(const Samples& samples, int rate) {
  const std::size_t window = SamplesIn(30, rate);
  const std::size_t hop = std::max<std::size_t>(1, SamplesIn(5, rate));
  if (window == 0 || samples.size() < window) return {};
  std::vector<bool> voiced;
  for (std::size_t at = 0; at + window <= samples.size(); at += hop) {
    voiced.push_back(Periodicity(samples, at, window, rate) >= VoicedLikeness);
  }
  // The longest run of voiced windows; each window speaks for the hop
  // around its middle, and the outermost windows for the fragment's ends.
  std::size_t bestFirst = 0, bestCount = 0;
  for (std::size_t k = 0; k < voiced.size();) {
    if (!voiced[k]) {
      ++k;
      continue;
    }
    std::size_t end = k;
    while (end < voiced.size() && voiced[end]) ++end;
    if (end - k > bestCount) {
      bestFirst = k;
      bestCount = end - k;
    }
    k = end;
  }
  if (bestCount == 0) return {};
  const std::size_t lastWindow = bestFirst + bestCount - 1;
  Stretch stretch;
  stretch.first = bestFirst == 0 ? 0 : bestFirst * hop + (window - hop) / 2;
  stretch.end = lastWindow + 1 == voiced.size() ? samples.size()
                                                : lastWindow * hop + (window + hop) / 2;
  return stretch;
}

}  // namespace voice

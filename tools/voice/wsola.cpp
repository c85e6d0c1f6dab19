#include "tools/voice/wsola.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace voice {

namespace {

// Cross-correlation of two stretches of length n, normalised so that loud
// and quiet candidates compete on shape alone.
double Similarity(const float* a, const float* b, std::size_t n) {
  double product = 0, energyA = 0, energyB = 0;
  for (std::size_t i = 0; i < n; ++i) {
    product += static_cast<double>(a[i]) * b[i];
    energyA += static_cast<double>(a[i]) * a[i];
    energyB += static_cast<double>(b[i]) * b[i];
  }
  const double norm = std::sqrt(energyA * energyB);
  return norm > 0 ? product / norm : 0.0;
}

}  // namespace

Samples TimeCompress(const Samples& input, std::size_t targetLength, int rate) {
  if (input.size() <= targetLength) return input;
  return TimeScale(input, targetLength, rate);
}

Samples TimeScale(const Samples& input, std::size_t targetLength, int rate) {
  if (input.size() == targetLength) return input;
  return TimeWarp(input, {{0, 0}, {targetLength, input.size()}}, rate);
}

Samples TimeWarp(const Samples& input, const std::vector<WarpPoint>& map, int rate) {
  if (map.empty()) return {};
  const std::size_t targetLength = map.back().output;
  if (targetLength == 0 || input.empty()) return {};
  // Where the output at out is taken from in the input, nominally: along the
  // map, straight between its points.
  auto nominalAt = [&map](std::size_t out) {
    std::size_t k = 1;
    while (k + 1 < map.size() && map[k].output <= out) ++k;
    const WarpPoint& from = map[k - 1];
    const WarpPoint& to = map[k];
    if (to.output == from.output) return static_cast<long>(to.input);
    const double share = (static_cast<double>(out) - static_cast<double>(from.output)) /
                         (static_cast<double>(to.output) - static_cast<double>(from.output));
    return static_cast<long>(std::lround(static_cast<double>(from.input) +
                                         share * (static_cast<double>(to.input) - static_cast<double>(from.input))));
  };
  // Frames of 20 ms hold two or more pitch periods of any voice; fragments
  // only a few frames long get shorter frames so that there is still
  // something to overlap.
  const std::size_t frame = std::clamp<std::size_t>(input.size() / 4, 16, SamplesIn(20, rate));
  const std::size_t hop = frame / 2;  // in the output
  // Each frame may be taken from up to a quarter frame either side of its
  // nominal place, to line up with the waveform already laid down.
  const auto tolerance = static_cast<long>(frame / 4);

  std::vector<double> window(frame);
  for (std::size_t i = 0; i < frame; ++i) {
    // Periodic Hann: frames at half-frame hops add up to exactly one.
    window[i] = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * static_cast<double>(i) /
                                     static_cast<double>(frame));
  }
  const std::size_t padded = targetLength + frame;
  std::vector<double> sum(padded, 0.0);
  std::vector<double> weight(padded, 0.0);
  const auto inputSize = static_cast<long>(input.size());

  long previous = -1;  // where the last frame was taken from
  for (std::size_t out = 0; out < targetLength; out += hop) {
    const long nominal = nominalAt(out);
    // A frame must reach as far into the output as it covers: near the end
    // only as far as the output goes, so that it ends on the input's own
    // last samples rather than on a frame taken from before them.
    const long latest = inputSize - static_cast<long>(std::min(frame, targetLength - out));
    long chosen = std::min(nominal, latest);
    if (previous >= 0) {
      // The best continuation of the last frame is the input that followed
      // it; pick the candidate that looks most like that.
      const long natural = previous + static_cast<long>(hop);
      const auto hopLength = static_cast<long>(hop);
      if (natural + hopLength <= inputSize) {
        double best = -2.0;
        const long low = std::max(0L, nominal - tolerance);
        const long high = std::min({latest, inputSize - hopLength, nominal + tolerance});
        for (long candidate = low; candidate <= high; ++candidate) {
          const double score = Similarity(&input[static_cast<std::size_t>(candidate)],
                                          &input[static_cast<std::size_t>(natural)], hop);
          if (score > best) {
            best = score;
            chosen = candidate;
          }
        }
      }
    }
    chosen = std::max(0L, chosen);
    for (std::size_t i = 0; i < frame && out + i < padded; ++i) {
      const auto from = static_cast<std::size_t>(chosen) + i;
      if (from >= input.size()) break;
      sum[out + i] += window[i] * input[from];
      weight[out + i] += window[i];
    }
    previous = chosen;
  }
  Samples output(targetLength);
  for (std::size_t i = 0; i < targetLength; ++i) {
    // Where a lone half-window covers the edges, dividing by its weight
    // gives the input back; where no frame reached at all stays silent.
    output[i] = weight[i] > 1e-6 ? static_cast<float>(sum[i] / weight[i]) : 0.0f;
  }
  return output;
}

}  // namespace voice

#include "tools/voice/shaping.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "tools/voice/voicing.h"
#include "tools/voice/wsola.h"

namespace voice {

std::size_t FragmentBudget(const synt::Segment& segment, int rate) {
  const int wait = synt::SegmentWait(segment);
  return SamplesIn(std::max(0, wait - QuietBeforeNext), rate);
}

Samples TrimSilence(const Samples& samples, int rate) {
  const std::size_t window = std::max<std::size_t>(1, SamplesIn(5, rate));
  const std::size_t hop = std::max<std::size_t>(1, SamplesIn(1, rate));
  if (samples.empty()) return {};
  // Window energies, at 1 ms steps.
  std::vector<double> energy;
  for (std::size_t at = 0; at < samples.size(); at += hop) {
    const std::size_t end = std::min(samples.size(), at + window);
    double sum = 0;
    for (std::size_t i = at; i < end; ++i) sum += static_cast<double>(samples[i]) * samples[i];
    energy.push_back(sum / static_cast<double>(window));
  }
  const double loudest = *std::max_element(energy.begin(), energy.end());
  if (loudest <= 0) return {};
  const double threshold = loudest * 1e-4;  // -40 dB in energy
  const double level = std::sqrt(threshold);
  std::size_t firstWindow = 0;
  while (energy[firstWindow] < threshold) ++firstWindow;
  std::size_t lastWindow = energy.size() - 1;
  while (energy[lastWindow] < threshold) --lastWindow;
  std::size_t first = firstWindow * hop;
  std::size_t end = std::min(samples.size(), lastWindow * hop + window);
  // Inside the outer windows, start and stop at the first and last sample
  // that is itself above the level.
  while (first + 1 < end && std::abs(samples[first]) < level) ++first;
  while (end > first + 1 && std::abs(samples[end - 1]) < level) --end;
  return Samples(samples.begin() + static_cast<long>(first), samples.begin() + static_cast<long>(end));
}

void FadeEdges(Samples& samples, int rate) {
  const std::size_t length = std::min(SamplesIn(FadeMilliseconds, rate), samples.size() / 4);
  if (length == 0) return;
  for (std::size_t i = 0; i < length; ++i) {
    // Rises from just above 0 so that the first sample is not silent.
    const double phase = std::numbers::pi * (static_cast<double>(i) + 1) /
                         (static_cast<double>(length) + 1);
    const auto gain = static_cast<float>(0.5 - 0.5 * std::cos(phase));
    samples[i] *= gain;
    samples[samples.size() - 1 - i] *= gain;
  }
}

double Rms(const Samples& samples) {
  if (samples.empty()) return 0;
  double sum = 0;
  for (float sample : samples) sum += static_cast<double>(sample) * sample;
  return std::sqrt(sum / static_cast<double>(samples.size()));
}

double Peak(const Samples& samples) {
  double peak = 0;
  for (float sample : samples) peak = std::max(peak, static_cast<double>(std::abs(sample)));
  return peak;
}

namespace {

// A second-order section, from the analogue prototypes' cookbook formulas,
// so that the weighting is right at any rate.
struct Biquad {
  double b0, b1, b2, a1, a2;

  static Biquad HighShelf(double frequency, double gainDb, double q, int rate) {
    const double a = std::pow(10.0, gainDb / 40);
    const double w = 2 * std::numbers::pi * frequency / rate;
    const double alpha = std::sin(w) / (2 * q);
    const double c = std::cos(w);
    const double root = 2 * std::sqrt(a) * alpha;
    const double a0 = (a + 1) - (a - 1) * c + root;
    return {a * ((a + 1) + (a - 1) * c + root) / a0, -2 * a * ((a - 1) + (a + 1) * c) / a0,
            a * ((a + 1) + (a - 1) * c - root) / a0, 2 * ((a - 1) - (a + 1) * c) / a0,
            ((a + 1) - (a - 1) * c - root) / a0};
  }

  static Biquad HighPass(double frequency, double q, int rate) {
    const double w = 2 * std::numbers::pi * frequency / rate;
    const double alpha = std::sin(w) / (2 * q);
    const double c = std::cos(w);
    const double a0 = 1 + alpha;
    return {(1 + c) / 2 / a0, -(1 + c) / a0, (1 + c) / 2 / a0, -2 * c / a0, (1 - alpha) / a0};
  }

  std::vector<double> Filter(const std::vector<double>& input) const {
    std::vector<double> output(input.size());
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (std::size_t i = 0; i < input.size(); ++i) {
      const double y = b0 * input[i] + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
      x2 = x1;
      x1 = input[i];
      y2 = y1;
      y1 = y;
      output[i] = y;
    }
    return output;
  }
};

}  // namespace

double WeightedRms(const Samples& samples, int rate) {
  if (samples.empty()) return 0;
  std::vector<double> signal(samples.begin(), samples.end());
  signal = Biquad::HighShelf(1681.97, 4.0, 0.7072, rate).Filter(signal);
  signal = Biquad::HighPass(38.135, 0.5003, rate).Filter(signal);
  double sum = 0;
  for (double value : signal) sum += value * value;
  return std::sqrt(sum / static_cast<double>(signal.size()));
}

void Level(Samples& samples, int rate, double quieterDb) {
  const double rms = Rms(samples);
  const double weighted = WeightedRms(samples, rate);
  if (rms <= 0 || weighted <= 0) return;
  const double quietest = TargetRms * std::pow(10.0, -QuieterAtMost / 20);
  const double target = TargetRms * std::pow(10.0, -std::clamp(quieterDb, 0.0, QuieterAtMost) / 20);
  double gain = std::clamp(target / weighted, quietest / rms, TargetRms / rms);
  const double peak = Peak(samples);
  if (peak * gain > PeakLimit) gain = PeakLimit / peak;
  for (float& sample : samples) sample = static_cast<float>(sample * gain);
}

Samples BetweenRisingCrossings(const Samples& samples, int rate) {
  const std::size_t reach = SamplesIn(CrossingReach, rate);
  if (reach == 0 || samples.size() < 4 * reach) return samples;
  // An end that is already near zero (a soft onset, a trimmed tail, a
  // crossing) steps from silence to nothing, and moving it would only cut
  // into the sound.
  const double loud = LoudEdge * Rms(samples);
  auto rises = [&samples](std::size_t at) { return samples[at - 1] < 0 && samples[at] >= 0; };
  std::size_t first = 0;
  if (std::abs(samples.front()) > loud) {
    for (std::size_t at = 1; at <= reach; ++at) {
      if (rises(at)) {
        first = at;
        break;
      }
    }
  }
  // The last sample kept is the one before a rising crossing: the waveform
  // stops where it would have gone on through zero.
  std::size_t end = samples.size();
  if (std::abs(samples.back()) > loud) {
    for (std::size_t at = samples.size() - 1; at + reach >= samples.size(); --at) {
      if (rises(at)) {
        end = at;
        break;
      }
    }
  }
  return Samples(samples.begin() + static_cast<long>(first), samples.begin() + static_cast<long>(end));
}

Samples HoldVoicedStretch(const Samples& fragment, std::size_t budget, int rate) {
  const Stretch voiced = LongestVoicedStretch(fragment, rate);
  if (voiced.size() == 0 || fragment.size() >= budget) return fragment;
  const auto held = std::min(voiced.size() + (budget - fragment.size()),
                             static_cast<std::size_t>(std::floor(static_cast<double>(voiced.size()) * MaxHold)));
  if (held <= voiced.size()) return fragment;
  const std::size_t longer = held - voiced.size();
  return TimeWarp(fragment,
                  {{0, 0},
                   {voiced.first, voiced.first},
                   {voiced.first + held, voiced.end},
                   {fragment.size() + longer, fragment.size()}},
                  rate);
}

Samples ShapeFragment(const Samples& raw, std::size_t budget, int rate,
                      const ShapingOptions& options) {
  Samples fragment = TrimSilence(raw, rate);
  fragment = BetweenRisingCrossings(fragment, rate);
  fragment = TimeCompress(fragment, budget, rate);
  if (options.fill && !fragment.empty() && fragment.size() < budget) {
    fragment = HoldVoicedStretch(fragment, budget, rate);
  }
  FadeEdges(fragment, rate);
  Level(fragment, rate, options.quieterDb);
  return fragment;
}

}  // namespace voice

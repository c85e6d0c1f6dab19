#include "tools/voice/shaping.h"

#include <algorithm>
#include <cmath>
#include <numbers>

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

void Level(Samples& samples) {
  const double rms = Rms(samples);
  if (rms <= 0) return;
  double gain = TargetRms / rms;
  const double peak = Peak(samples);
  if (peak * gain > PeakLimit) gain = PeakLimit / peak;
  for (float& sample : samples) sample = static_cast<float>(sample * gain);
}

Samples ShapeFragment(const Samples& raw, std::size_t budget, int rate) {
  Samples fragment = TrimSilence(raw, rate);
  fragment = TimeCompress(fragment, budget, rate);
  FadeEdges(fragment, rate);
  Level(fragment);
  return fragment;
}

}  // namespace voice

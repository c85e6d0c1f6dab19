#include "tools/voice/resample.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace voice {

namespace {

constexpr double ZeroCrossings = 16;  // each side of the kernel's centre

double Sinc(double x) {
  if (std::abs(x) < 1e-12) return 1.0;
  const double angle = std::numbers::pi * x;
  return std::sin(angle) / angle;
}

// Blackman window over [-1, 1].
double Window(double x) {
  if (std::abs(x) >= 1.0) return 0.0;
  const double phase = std::numbers::pi * (x + 1.0);
  return 0.42 - 0.5 * std::cos(phase) + 0.08 * std::cos(2 * phase);
}

}  // namespace

Samples Resample(const Samples& input, int fromRate, int toRate) {
  if (fromRate == toRate || input.empty()) return input;
  const double step = static_cast<double>(fromRate) / toRate;  // input samples per output sample
  // Going down, the kernel also filters away what the new rate cannot hold;
  // a little below the new Nyquist frequency so the window's skirt stays out.
  const double cutoff = std::min(1.0, static_cast<double>(toRate) / fromRate) * 0.95;
  const double halfWidth = ZeroCrossings / cutoff;
  // The kernel, tabulated over half its width (it is symmetric) finely
  // enough that straight lines between the points are exact to 16 bits.
  constexpr std::size_t Points = 8192;
  std::vector<double> kernel(Points + 2);
  for (std::size_t i = 0; i < kernel.size(); ++i) {
    const double offset = static_cast<double>(i) / Points * halfWidth;
    kernel[i] = cutoff * Sinc(cutoff * offset) * Window(offset / halfWidth);
  }
  const auto outputSize = static_cast<std::size_t>(static_cast<double>(input.size()) / step);
  const auto last = static_cast<long>(input.size()) - 1;
  Samples output(outputSize);
  for (std::size_t i = 0; i < outputSize; ++i) {
    const double centre = static_cast<double>(i) * step;
    const long first = std::max(0L, static_cast<long>(std::ceil(centre - halfWidth)));
    const long end = std::min(last, static_cast<long>(std::floor(centre + halfWidth)));
    double sum = 0;
    for (long k = first; k <= end; ++k) {
      const double place = std::abs(static_cast<double>(k) - centre) / halfWidth * Points;
      const auto index = static_cast<std::size_t>(place);
      const double fraction = place - static_cast<double>(index);
      const double weight = kernel[index] + (kernel[index + 1] - kernel[index]) * fraction;
      sum += input[static_cast<std::size_t>(k)] * weight;
    }
    output[i] = static_cast<float>(sum);
  }
  return output;
}

}  // namespace voice

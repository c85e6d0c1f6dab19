#include "platform/web/web_fonts.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace platform::web {

namespace {

constexpr int kLargest = 512;
constexpr int kDefaultHeight = 16;
constexpr double kStep = 0.25;  // sizes are tried in quarter pixels

int LineHeight(const FaceMetrics& metrics) {
  return static_cast<int>(std::ceil(metrics.ascent + metrics.descent - 1e-6));
}

}  // namespace

CellFont FitCellFont(const CellFontRequest& request, const MeasureFace& measure) {
  CellFont font;
  font.weight = request.weight == 0 ? 400 : request.weight;
  int height = request.height == 0 ? kDefaultHeight : std::clamp(request.height, -kLargest, kLargest);

  if (height > 0) {
    // Bisection over quarter pixels: the largest size whose line fits.
    int low = 1;
    int high = static_cast<int>(4 * height / kStep);
    while (low < high) {
      int middle = (low + high + 1) / 2;
      if (LineHeight(measure(middle * kStep)) <= height) {
        low = middle;
      } else {
        high = middle - 1;
      }
    }
    font.size = low * kStep;
  } else {
    font.size = -height;
  }
  FaceMetrics metrics = measure(font.size);
  int fontHeight = std::max(1, LineHeight(metrics));
  int fontAscent = static_cast<int>(std::lround(metrics.ascent));
  font.cellHeight = height > 0 ? height : fontHeight;
  int natural = std::max(1, static_cast<int>(std::lround(metrics.advance)));
  font.cellWidth = request.width > 0 ? std::min(request.width, kLargest) : natural;
  font.scaleX = request.width > 0 && metrics.advance > 0 ? font.cellWidth / metrics.advance : 1.0;
  int spare = std::max(0, font.cellHeight - fontHeight);
  font.ascent = std::min(font.cellHeight, fontAscent + spare);
  font.internalLeading = std::max(0, font.cellHeight - static_cast<int>(std::lround(font.size)));
  return font;
}

}  // namespace platform::web

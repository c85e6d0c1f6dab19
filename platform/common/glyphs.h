// Fonts for the stand-ins: the backend rasterises (GlyphSource), the shared
// GDI code keeps each realised font with its cells and draws them.
#pragma once

#include <array>
#include <compare>
#include <memory>
#include <optional>
#include <string>

#include "platform/common/pixels.h"

namespace platform::common {

struct FontRequest {
  int height = 0;  // > 0 cell height, < 0 character height, 0 default, as in LOGFONT
  int width = 0;   // average character width; 0: the face's own for that height
  int weight = 400;
  std::string face;  // "monospace" for the stock fonts

  auto operator<=>(const FontRequest&) const = default;
};

// GetTextMetricsA's answer for a font: every character fills one cell.
struct FontMetrics {
  int cellWidth = 0;
  int cellHeight = 0;
  int ascent = 0;
  int internalLeading = 0;
  int weight = 400;
};

// One realised font of the backend's rasteriser, every character in one
// cell.  Each cell is rendered once.
class GlyphFace {
 public:
  explicit GlyphFace(const FontMetrics& metrics) : metrics_(metrics) {}
  virtual ~GlyphFace() = default;

  const FontMetrics& Metrics() const { return metrics_; }
  const Coverage& Glyph(unsigned char byte) {
    if (!cells_[byte]) cells_[byte] = Render(byte);
    return *cells_[byte];
  }

 protected:
  // The cell of a Windows-1252 byte, cellWidth x cellHeight, the glyph on
  // the cell's baseline (its ascent from the top) and its advance centred;
  // blank for control bytes and for characters the face lacks.
  virtual Coverage Render(unsigned char byte) = 0;

 private:
  FontMetrics metrics_;
  std::array<std::optional<Coverage>, 256> cells_;
};

class GlyphSource {
 public:
  virtual ~GlyphSource() = default;
  // The face that stands in for the requested one (a missing face falls
  // back to a monospaced one), fitted to the requested cell; null when
  // there is none at all.
  virtual std::unique_ptr<GlyphFace> Open(const FontRequest& request) = 0;
};

}  // namespace platform::common

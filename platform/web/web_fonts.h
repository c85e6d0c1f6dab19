// Fonts in the browser: the page draws the glyphs from the monospaced face
// served with it (DejaVu Sans Mono), at the size and horizontal scale
// chosen here so that its characters fill the cells CreateFontA asked for,
// as the SDL stand-in fits its faces.
#pragma once

#include <functional>

namespace platform::web {

// What the page measures of the face at a size in CSS pixels: the font's
// ascent and descent, and the advance of '0' (every advance, in a
// monospaced face).
struct FaceMetrics {
  double ascent = 0;
  double descent = 0;
  double advance = 0;
};
using MeasureFace = std::function<FaceMetrics(double size)>;

struct CellFontRequest {
  int height = 0;  // > 0 cell height, < 0 character height, 0 default, as in LOGFONT
  int width = 0;   // average character width; 0: the face's own for that height
  int weight = 400;
};

struct CellFont {
  double size = 0;    // CSS pixels: the em of the face
  double scaleX = 1;  // the glyphs are drawn this much wider
  int cellWidth = 0;
  int cellHeight = 0;
  int ascent = 0;  // the baseline, from the top of the cell
  int internalLeading = 0;
  int weight = 400;
};

// A positive height is the whole cell, internal leading included: the
// largest size whose line (ascent + descent) fits it.  A negative one is the
// size of the characters, as in Windows.  Rows the face does not fill go
// above it, as internal leading does.
CellFont FitCellFont(const CellFontRequest& request, const MeasureFace& measure);

}  // namespace platform::web

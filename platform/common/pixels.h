// 32-bit pixel surfaces (0x00RRGGBB per pixel, row after row) and what
// GDI's TextOutA, BitBlt, StretchBlt and PatBlt do to them.  Every operation
// clips to the surfaces and answers the destination rectangle it changed
// (empty when nothing).  A backend shows a surface by handing its pixels to
// the window system as they are.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/platform.h"

namespace platform::common {

struct Surface {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;

  std::uint32_t* Row(int y) { return pixels.data() + static_cast<std::ptrdiff_t>(y) * width; }
  const std::uint32_t* Row(int y) const {
    return pixels.data() + static_cast<std::ptrdiff_t>(y) * width;
  }
  RECT Bounds() const { return RECT{0, 0, width, height}; }
};

// Larger than any screen: a bigger request is taken for garbage.
inline constexpr int kLargestSurfaceSide = 16384;

// A surface of the given size filled with `fill`; nothing when a side is
// not positive or larger than kLargestSurfaceSide.
std::optional<Surface> CreateSurface(int width, int height, COLORREF fill);

// COLORREF keeps red in its low byte; a pixel keeps it in bits 16..23.
constexpr std::uint32_t PixelOf(COLORREF colour) {
  return ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
}

bool IsEmpty(const RECT& rect);
RECT Intersect(const RECT& a, const RECT& b);
RECT Union(const RECT& a, const RECT& b);  // the bounding box; empty inputs ignored

RECT FillPixels(Surface& surface, const RECT& area, COLORREF colour);

// Copies width x height pixels from (sourceX, sourceY) to (x, y).  Source
// and destination may be the same surface and overlap (scrolling).
RECT CopyPixels(Surface& dest, int x, int y, int width, int height, const Surface& source,
                int sourceX, int sourceY);

// Nearest-neighbour stretch, as GDI's default stretch mode does it for
// colour bitmaps: destination pixel (x + i, y + j) takes source pixel
// (sourceX + i * sourceWidth / width, sourceY + j * sourceHeight / height).
// Pixels whose source lies outside the source surface are left alone.  The
// source must be another surface.
RECT StretchPixels(Surface& dest, int x, int y, int width, int height, const Surface& source,
                   int sourceX, int sourceY, int sourceWidth, int sourceHeight);

// An 8-bit coverage image: 0 is background, 255 is text colour.
struct Coverage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> alpha;
};

// One character cell in opaque mode: the background, then the glyph
// blended over it.  Full coverage gives the text colour exactly.
RECT DrawCell(Surface& dest, int x, int y, const Coverage& glyph, COLORREF text, COLORREF back);

}  // namespace platform::common

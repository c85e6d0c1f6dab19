// Pixel operations on 32-bit surfaces (SDL_PIXELFORMAT_RGB888, that is
// 0x00RRGGBB per pixel): what GDI's TextOutA, BitBlt, StretchBlt and PatBlt
// do to a bitmap.  Every operation clips to the surfaces and answers the
// destination rectangle it changed (empty when nothing).
#pragma once

#include <SDL.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/platform.h"

namespace platform::sdl {

struct SurfaceDeleter {
  void operator()(SDL_Surface* surface) const { SDL_FreeSurface(surface); }
};
using UniqueSurface = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

// A surface of the given size filled with `fill`; null when the size is not
// positive or too large to allocate.
UniqueSurface CreatePixelSurface(int width, int height, COLORREF fill);

// COLORREF keeps red in its low byte; the surface keeps it in bits 16..23.
constexpr std::uint32_t PixelOf(COLORREF colour) {
  return ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
}
constexpr COLORREF ColourOfPixel(std::uint32_t pixel) {
  return ((pixel >> 16) & 0xFF) | (pixel & 0xFF00) | ((pixel & 0xFF) << 16);
}

std::uint32_t ReadPixel(const SDL_Surface* surface, int x, int y);

bool IsEmpty(const RECT& rect);
RECT Intersect(const RECT& a, const RECT& b);
RECT Union(const RECT& a, const RECT& b);  // the bounding box; empty inputs ignored

RECT FillPixels(SDL_Surface* surface, const RECT& area, COLORREF colour);

// Copies width x height pixels from (sourceX, sourceY) to (x, y).  Source
// and destination may be the same surface and overlap (scrolling).
RECT CopyPixels(SDL_Surface* dest, int x, int y, int width, int height, SDL_Surface* source,
                int sourceX, int sourceY);

// Nearest-neighbour stretch, as GDI's default stretch mode does it for
// colour bitmaps: destination pixel (x + i, y + j) takes source pixel
// (sourceX + i * sourceWidth / width, sourceY + j * sourceHeight / height).
// Sizes must be positive.
RECT StretchPixels(SDL_Surface* dest, int x, int y, int width, int height, SDL_Surface* source,
                   int sourceX, int sourceY, int sourceWidth, int sourceHeight);

// An 8-bit coverage image: 0 is background, 255 is text colour.
struct Coverage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> alpha;
};

// One character cell in opaque mode: the background, then the glyph
// blended over it.  Full coverage gives the text colour exactly.
RECT DrawCell(SDL_Surface* dest, int x, int y, const Coverage& glyph, COLORREF text,
              COLORREF back);

}  // namespace platform::sdl

#include "platform/sdl/sdl_pixels.h"

#include <algorithm>
#include <cstring>

namespace platform::sdl {

namespace {

std::uint32_t* Row(SDL_Surface* surface, int y) {
  return reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(surface->pixels) +
                                          static_cast<std::ptrdiff_t>(y) * surface->pitch);
}

RECT Bounds(const SDL_Surface* surface) { return RECT{0, 0, surface->w, surface->h}; }

// A rectangle from a position and a size, saturated to the range of LONG.
RECT Span(int x, int y, int width, int height) {
  auto clampLong = [](long long value) {
    return static_cast<LONG>(std::clamp<long long>(value, INT32_MIN, INT32_MAX));
  };
  return RECT{x, y, clampLong(static_cast<long long>(x) + width),
              clampLong(static_cast<long long>(y) + height)};
}

std::uint8_t Blend(std::uint32_t text, std::uint32_t back, int shift, std::uint32_t alpha) {
  std::uint32_t t = (text >> shift) & 0xFF;
  std::uint32_t b = (back >> shift) & 0xFF;
  return static_cast<std::uint8_t>((t * alpha + b * (255 - alpha) + 127) / 255);
}

}  // namespace

UniqueSurface CreatePixelSurface(int width, int height, COLORREF fill) {
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return nullptr;
  UniqueSurface surface(
      SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_RGB888));
  if (surface) FillPixels(surface.get(), Bounds(surface.get()), fill);
  return surface;
}

std::uint32_t ReadPixel(const SDL_Surface* surface, int x, int y) {
  if (surface == nullptr || x < 0 || y < 0 || x >= surface->w || y >= surface->h) return 0;
  return Row(const_cast<SDL_Surface*>(surface), y)[x] & 0xFFFFFF;
}

bool IsEmpty(const RECT& rect) { return rect.right <= rect.left || rect.bottom <= rect.top; }

RECT Intersect(const RECT& a, const RECT& b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
         std::min(a.bottom, b.bottom)};
  return IsEmpty(r) ? RECT{} : r;
}

RECT Union(const RECT& a, const RECT& b) {
  if (IsEmpty(a)) return IsEmpty(b) ? RECT{} : b;
  if (IsEmpty(b)) return a;
  return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
              std::max(a.bottom, b.bottom)};
}

RECT FillPixels(SDL_Surface* surface, const RECT& area, COLORREF colour) {
  if (surface == nullptr) return RECT{};
  RECT clip = Intersect(area, Bounds(surface));
  if (IsEmpty(clip)) return RECT{};
  std::uint32_t pixel = PixelOf(colour);
  for (LONG y = clip.top; y < clip.bottom; ++y) {
    std::fill(Row(surface, y) + clip.left, Row(surface, y) + clip.right, pixel);
  }
  return clip;
}

RECT CopyPixels(SDL_Surface* dest, int x, int y, int width, int height, SDL_Surface* source,
                int sourceX, int sourceY) {
  if (dest == nullptr || source == nullptr || width <= 0 || height <= 0) return RECT{};
  // Clip in destination coordinates against both surfaces.
  long long dx = static_cast<long long>(x) - sourceX;
  long long dy = static_cast<long long>(y) - sourceY;
  RECT sourceInDest = Span(static_cast<int>(std::clamp<long long>(dx, INT32_MIN, INT32_MAX)),
                           static_cast<int>(std::clamp<long long>(dy, INT32_MIN, INT32_MAX)),
                           source->w, source->h);
  RECT clip = Intersect(Intersect(Span(x, y, width, height), Bounds(dest)), sourceInDest);
  if (IsEmpty(clip)) return RECT{};
  auto rowBytes = static_cast<std::size_t>(clip.right - clip.left) * sizeof(std::uint32_t);
  auto copyRow = [&](LONG row) {
    std::memmove(Row(dest, row) + clip.left,
                 Row(source, static_cast<int>(row - dy)) + (clip.left - dx), rowBytes);
  };
  // Scrolling down within one surface must copy the lowest row first.
  if (dest == source && dy > 0) {
    for (LONG row = clip.bottom - 1; row >= clip.top; --row) copyRow(row);
  } else {
    for (LONG row = clip.top; row < clip.bottom; ++row) copyRow(row);
  }
  return clip;
}

RECT StretchPixels(SDL_Surface* dest, int x, int y, int width, int height, SDL_Surface* source,
                   int sourceX, int sourceY, int sourceWidth, int sourceHeight) {
  if (dest == nullptr || source == nullptr || width <= 0 || height <= 0 || sourceWidth <= 0 ||
      sourceHeight <= 0) {
    return RECT{};
  }
  RECT clip = Intersect(Span(x, y, width, height), Bounds(dest));
  if (IsEmpty(clip)) return RECT{};
  // Which source column and row each destination column and row shows;
  // -1 where that lies outside the source.
  auto sourceOf = [](LONG offset, int size, int start, int sourceSize, int limit) {
    long long s = start + static_cast<long long>(offset) * sourceSize / size;
    return (s >= 0 && s < limit) ? static_cast<int>(s) : -1;
  };
  std::vector<int> columns(static_cast<std::size_t>(clip.right - clip.left));
  for (LONG c = clip.left; c < clip.right; ++c) {
    columns[static_cast<std::size_t>(c - clip.left)] =
        sourceOf(c - x, width, sourceX, sourceWidth, source->w);
  }
  // Reading and writing the same pixels: work from a copy of the source.
  UniqueSurface copy;
  SDL_Surface* from = source;
  if (dest == source) {
    copy = CreatePixelSurface(source->w, source->h, 0);
    if (!copy) return RECT{};
    CopyPixels(copy.get(), 0, 0, source->w, source->h, source, 0, 0);
    from = copy.get();
  }
  RECT changed{};
  for (LONG row = clip.top; row < clip.bottom; ++row) {
    int sourceRow = sourceOf(row - y, height, sourceY, sourceHeight, source->h);
    if (sourceRow < 0) continue;
    const std::uint32_t* in = Row(from, sourceRow);
    std::uint32_t* out = Row(dest, row);
    for (LONG c = clip.left; c < clip.right; ++c) {
      int column = columns[static_cast<std::size_t>(c - clip.left)];
      if (column >= 0) out[c] = in[column];
    }
    changed = Union(changed, RECT{clip.left, row, clip.right, row + 1});
  }
  return changed;
}

RECT DrawCell(SDL_Surface* dest, int x, int y, const Coverage& glyph, COLORREF text,
              COLORREF back) {
  if (dest == nullptr) return RECT{};
  RECT clip = Intersect(Span(x, y, glyph.width, glyph.height), Bounds(dest));
  if (IsEmpty(clip)) return RECT{};
  std::uint32_t textPixel = PixelOf(text);
  std::uint32_t backPixel = PixelOf(back);
  for (LONG row = clip.top; row < clip.bottom; ++row) {
    const std::uint8_t* alpha =
        glyph.alpha.data() + static_cast<std::size_t>(row - y) * static_cast<std::size_t>(glyph.width);
    std::uint32_t* out = Row(dest, row);
    for (LONG c = clip.left; c < clip.right; ++c) {
      std::uint32_t a = alpha[c - x];
      if (a == 0) {
        out[c] = backPixel;
      } else if (a == 255) {
        out[c] = textPixel;
      } else {
        out[c] = (std::uint32_t{Blend(textPixel, backPixel, 16, a)} << 16) |
                 (std::uint32_t{Blend(textPixel, backPixel, 8, a)} << 8) |
                 Blend(textPixel, backPixel, 0, a);
      }
    }
  }
  return clip;
}

}  // namespace platform::sdl

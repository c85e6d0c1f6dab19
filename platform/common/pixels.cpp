#include "platform/common/pixels.h"

#include <algorithm>
#include <cstring>

namespace platform::common {

namespace {

// A rectangle from a position and a size, saturated to the range of LONG.
RECT Span(long long x, long long y, long long width, long long height) {
  auto clamp = [](long long value) {
    return static_cast<LONG>(std::clamp<long long>(value, INT32_MIN, INT32_MAX));
  };
  return RECT{clamp(x), clamp(y), clamp(x + width), clamp(y + height)};
}

std::uint32_t Blend(std::uint32_t text, std::uint32_t back, int shift, std::uint32_t alpha) {
  std::uint32_t t = (text >> shift) & 0xFF;
  std::uint32_t b = (back >> shift) & 0xFF;
  return ((t * alpha + b * (255 - alpha) + 127) / 255) << shift;
}

}  // namespace

std::optional<Surface> CreateSurface(int width, int height, COLORREF fill) {
  if (width <= 0 || height <= 0 || width > kLargestSurfaceSide || height > kLargestSurfaceSide) {
    return std::nullopt;
  }
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height, PixelOf(fill));
  return Surface{width, height, std::move(pixels)};
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

RECT FillPixels(Surface& surface, const RECT& area, COLORREF colour) {
  RECT clip = Intersect(area, surface.Bounds());
  for (LONG y = clip.top; y < clip.bottom; ++y) {
    std::fill(surface.Row(y) + clip.left, surface.Row(y) + clip.right, PixelOf(colour));
  }
  return clip;
}

RECT CopyPixels(Surface& dest, int x, int y, int width, int height, const Surface& source,
                int sourceX, int sourceY) {
  if (width <= 0 || height <= 0) return RECT{};
  // Clip in destination coordinates against both surfaces.
  long long dx = static_cast<long long>(x) - sourceX;
  long long dy = static_cast<long long>(y) - sourceY;
  RECT clip = Intersect(Intersect(Span(x, y, width, height), dest.Bounds()),
                        Span(dx, dy, source.width, source.height));
  if (IsEmpty(clip)) return RECT{};
  auto rowBytes = static_cast<std::size_t>(clip.right - clip.left) * sizeof(std::uint32_t);
  auto copyRow = [&](LONG row) {
    const std::uint32_t* from = source.Row(static_cast<int>(row - dy)) + (clip.left - dx);
    std::memmove(dest.Row(row) + clip.left, from, rowBytes);
  };
  // Scrolling down within one surface must copy the lowest row first.
  if (&dest == &source && dy > 0) {
    for (LONG row = clip.bottom - 1; row >= clip.top; --row) copyRow(row);
  } else {
    for (LONG row = clip.top; row < clip.bottom; ++row) copyRow(row);
  }
  return clip;
}

RECT StretchPixels(Surface& dest, int x, int y, int width, int height, const Surface& source,
                   int sourceX, int sourceY, int sourceWidth, int sourceHeight) {
  if (width <= 0 || height <= 0 || sourceWidth <= 0 || sourceHeight <= 0) return RECT{};
  RECT clip = Intersect(Span(x, y, width, height), dest.Bounds());
  // Which source column and row each destination column and row shows;
  // -1 where that lies outside the source.
  auto sourceOf = [](LONG offset, int size, int start, int sourceSize, int limit) {
    long long s = start + static_cast<long long>(offset) * sourceSize / size;
    return (s >= 0 && s < limit) ? static_cast<int>(s) : -1;
  };
  RECT changed{};
  for (LONG row = clip.top; row < clip.bottom; ++row) {
    int sourceRow = sourceOf(row - y, height, sourceY, sourceHeight, source.height);
    if (sourceRow < 0) continue;
    for (LONG c = clip.left; c < clip.right; ++c) {
      int column = sourceOf(c - x, width, sourceX, sourceWidth, source.width);
      if (column >= 0) dest.Row(row)[c] = source.Row(sourceRow)[column];
    }
    changed = Union(changed, RECT{clip.left, row, clip.right, row + 1});
  }
  return changed;
}

RECT DrawCell(Surface& dest, int x, int y, const Coverage& glyph, COLORREF text, COLORREF back) {
  RECT clip = Intersect(Span(x, y, glyph.width, glyph.height), dest.Bounds());
  std::uint32_t textPixel = PixelOf(text);
  std::uint32_t backPixel = PixelOf(back);
  for (LONG row = clip.top; row < clip.bottom; ++row) {
    const std::uint8_t* alpha = &glyph.alpha[static_cast<std::size_t>(row - y) * glyph.width];
    std::uint32_t* out = dest.Row(row);
    for (LONG c = clip.left; c < clip.right; ++c) {
      std::uint32_t a = alpha[c - x];
      out[c] = a == 0     ? backPixel
               : a == 255 ? textPixel
                          : Blend(textPixel, backPixel, 16, a) | Blend(textPixel, backPixel, 8, a) |
                                Blend(textPixel, backPixel, 0, a);
    }
  }
  return clip;
}

}  // namespace platform::common

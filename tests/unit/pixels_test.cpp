#include <gtest/gtest.h>

#include "platform/common/pixels.h"

namespace {

using namespace platform::common;
using platform::COLORREF;
using platform::RECT;
using platform::Rgb;

bool Same(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// A pixel is 0x00RRGGBB; a COLORREF keeps red in its low byte.
COLORREF At(const Surface& surface, int x, int y) {
  std::uint32_t pixel = surface.Row(y)[x];
  return ((pixel >> 16) & 0xFF) | (pixel & 0xFF00) | ((pixel & 0xFF) << 16);
}

Surface Make(int width, int height, COLORREF fill) { return *CreateSurface(width, height, fill); }

// Each pixel's colour encodes its own position, so copies can be traced.
Surface Numbered(int width, int height) {
  Surface surface = Make(width, height, 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      FillPixels(surface, RECT{x, y, x + 1, y + 1},
                 Rgb(static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 7));
    }
  }
  return surface;
}

TEST(Pixels, KeepsColourrefValuesExactly) {
  static_assert(PixelOf(Rgb(0x12, 0x34, 0x56)) == 0x123456);
  std::optional<Surface> surface = CreateSurface(4, 3, Rgb(142, 0, 142));
  ASSERT_TRUE(surface);
  EXPECT_EQ(At(*surface, 3, 2), Rgb(142, 0, 142));
  EXPECT_FALSE(CreateSurface(0, 5, 0));
  EXPECT_FALSE(CreateSurface(100000, 100000, 0));
}

TEST(Pixels, FillClipsToTheSurfaceAndAnswersWhatItChanged) {
  Surface surface = Make(10, 10, 0);
  RECT changed = FillPixels(surface, RECT{-5, 8, 3, 20}, Rgb(1, 2, 3));
  EXPECT_TRUE(Same(changed, RECT{0, 8, 3, 10}));
  EXPECT_EQ(At(surface, 2, 9), Rgb(1, 2, 3));
  EXPECT_EQ(At(surface, 3, 9), Rgb(0, 0, 0));
  EXPECT_TRUE(IsEmpty(FillPixels(surface, RECT{20, 20, 30, 30}, 0)));
}

TEST(Pixels, ScrollingUpWithinOneSurfaceCopiesEveryRowOnce) {
  Surface surface = Numbered(4, 6);
  CopyPixels(surface, 0, 0, 4, 5, surface, 0, 1);
  for (int y = 0; y < 5; ++y) EXPECT_EQ(At(surface, 2, y), Rgb(2, static_cast<std::uint8_t>(y + 1), 7));
  EXPECT_EQ(At(surface, 2, 5), Rgb(2, 5, 7));  // the last row stays
}

TEST(Pixels, ScrollingDownWithinOneSurfaceDoesNotSmearTheFirstRow) {
  Surface surface = Numbered(4, 6);
  CopyPixels(surface, 1, 1, 3, 5, surface, 0, 0);
  for (int y = 1; y < 6; ++y) {
    EXPECT_EQ(At(surface, 1, y), Rgb(0, static_cast<std::uint8_t>(y - 1), 7));
    EXPECT_EQ(At(surface, 3, y), Rgb(2, static_cast<std::uint8_t>(y - 1), 7));
  }
}

TEST(Pixels, CopyClipsAgainstBothSurfaces) {
  Surface source = Numbered(5, 5);
  Surface dest = Make(4, 4, Rgb(9, 9, 9));
  // Reaches past the source's left edge and the destination's right edge.
  RECT changed = CopyPixels(dest, 1, 0, 10, 2, source, -2, 3);
  EXPECT_TRUE(Same(changed, RECT{3, 0, 4, 2}));
  EXPECT_EQ(At(dest, 3, 0), Rgb(0, 3, 7));
  EXPECT_EQ(At(dest, 3, 1), Rgb(0, 4, 7));
  EXPECT_EQ(At(dest, 2, 0), Rgb(9, 9, 9));
}

TEST(Pixels, StretchingByTwoRepeatsEachSourcePixelTwice) {
  Surface source = Numbered(8, 8);
  Surface dest = Make(8, 8, 0);
  // The magnifier at factor 2 with the mouse at (6, 4): source origin (3, 2).
  StretchPixels(dest, 0, 0, 8, 8, source, 3, 2, 4, 4);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      EXPECT_EQ(At(dest, x, y),
                Rgb(static_cast<std::uint8_t>(3 + x / 2), static_cast<std::uint8_t>(2 + y / 2), 7));
    }
  }
}

TEST(Pixels, StretchingByOneIsACopy) {
  Surface other = Numbered(6, 6);
  Surface copy = Make(6, 6, 0);
  StretchPixels(copy, 0, 0, 6, 6, other, 0, 0, 6, 6);
  EXPECT_EQ(At(copy, 4, 3), Rgb(4, 3, 7));
}

TEST(Pixels, StretchingLeavesPixelsWhoseSourceIsOutsideTheBitmap) {
  Surface source = Numbered(2, 2);
  Surface dest = Make(4, 4, Rgb(9, 9, 9));
  StretchPixels(dest, 0, 0, 4, 4, source, 1, 1, 2, 2);
  EXPECT_EQ(At(dest, 0, 0), Rgb(1, 1, 7));
  EXPECT_EQ(At(dest, 3, 3), Rgb(9, 9, 9));
  EXPECT_TRUE(IsEmpty(StretchPixels(dest, 0, 0, 0, 4, source, 0, 0, 2, 2)));
}

TEST(Pixels, ACellPaintsItsBackgroundAndFullCoverageInTheExactTextColour) {
  Coverage glyph{2, 2, {0, 255, 128, 0}};
  Surface surface = Make(4, 4, Rgb(50, 50, 50));
  RECT changed = DrawCell(surface, 1, 1, glyph, Rgb(255, 255, 0), Rgb(0, 0, 255));
  EXPECT_TRUE(Same(changed, RECT{1, 1, 3, 3}));
  EXPECT_EQ(At(surface, 1, 1), Rgb(0, 0, 255));
  EXPECT_EQ(At(surface, 2, 1), Rgb(255, 255, 0));
  EXPECT_EQ(At(surface, 1, 2), Rgb(128, 128, 127));  // half way between yellow and blue
  EXPECT_EQ(At(surface, 0, 0), Rgb(50, 50, 50));
  // A cell hanging over the edge is clipped, not written past the surface.
  EXPECT_TRUE(Same(DrawCell(surface, 3, 3, glyph, 0, 0), RECT{3, 3, 4, 4}));
}

}  // namespace

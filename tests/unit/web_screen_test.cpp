// The browser stand-in's screen text (what the page's live region reads)
// and its fitting of the page's font to the cells asked for.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/web/web_fonts.h"
#include "platform/web/web_screen_text.h"

namespace {

using platform::RECT;
using platform::web::CellFontRequest;
using platform::web::FaceMetrics;
using platform::web::FitCellFont;
using platform::web::ScreenText;

constexpr int kWidth = 9;
constexpr int kHeight = 22;

TEST(WebScreenText, TextRunsLandInTheirCellsAndEachChangedRowIsToldOnce) {
  ScreenText text;
  text.Text(0, 0, "Tecle enter", kWidth, kHeight);
  text.Text(6 * kWidth, 2 * kHeight, "N\xE3o", kWidth, kHeight);
  text.Text(6 * kWidth, 2 * kHeight, "x", kWidth, kHeight);
  auto rows = text.TakeChangedRows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], (std::pair<int, std::string>{0, "Tecle enter"}));
  EXPECT_EQ(rows[1], (std::pair<int, std::string>{2, "      x\xC3\xA3o"}));  // UTF-8
  EXPECT_TRUE(text.TakeChangedRows().empty());
}

TEST(WebScreenText, ScrollingByCopyMovesTheRowsAndTheFillBlanksTheNewOne) {
  ScreenText text;
  for (int row = 0; row < 3; ++row) {
    text.Text(0, row * kHeight, std::string("line ") + char('0' + row), kWidth, kHeight);
  }
  text.TakeChangedRows();
  // One line up, as the console scrolls: copy rows 1..2 to 0..1, fill row 2.
  text.Copy(0, 0, 80 * kWidth, 2 * kHeight, 0, kHeight);
  text.Fill(RECT{0, 2 * kHeight, 80 * kWidth, 3 * kHeight});
  EXPECT_EQ(text.Row(0), "line 1");
  EXPECT_EQ(text.Row(1), "line 2");
  EXPECT_EQ(text.Row(2), "");
  EXPECT_EQ(text.TakeChangedRows().size(), 3u);
}

TEST(WebScreenText, AFillBlanksOnlyTheCellsItCoversAndACopyOffTheGridBlanksItsTarget) {
  ScreenText text;
  text.Text(0, 0, "abcdef", kWidth, kHeight);
  text.Fill(RECT{2 * kWidth, 0, 4 * kWidth, kHeight});
  EXPECT_EQ(text.Row(0), "ab  ef");
  // Pixels that do not move whole cells are no text any more.
  text.Copy(0, 0, 2 * kWidth, kHeight, 3, 0);
  EXPECT_EQ(text.Row(0), "    ef");
}

TEST(WebScreenText, AnotherCellSizeStartsAFreshGridAndControlBytesShowAsBlanks) {
  ScreenText text;
  text.Text(0, 0, "old", kWidth, kHeight);
  text.Text(0, 0, std::string("a\0b\x07", 4), 12, 24);
  EXPECT_EQ(text.Row(0), "a b");
  // Far outside any screen: ignored, not grown into.
  text.Text(0, 100000 * kHeight, "x", 12, 24);
  EXPECT_EQ(text.Row(100000), "");
}

// A face whose metrics grow with the size, as DejaVu Sans Mono's do.
FaceMetrics Dejavu(double size) { return FaceMetrics{0.928 * size, 0.236 * size, 0.602 * size}; }

TEST(WebFonts, APositiveHeightIsTheCellAndTheWidthScalesTheGlyphs) {
  auto font = FitCellFont(CellFontRequest{kHeight, kWidth, 700}, Dejavu);
  EXPECT_EQ(font.cellHeight, kHeight);
  EXPECT_EQ(font.cellWidth, kWidth);
  // The largest quarter-pixel size whose line fits.
  EXPECT_LE(std::ceil(1.164 * font.size), kHeight);
  EXPECT_GT(std::ceil(1.164 * (font.size + 0.25)), kHeight);
  EXPECT_NEAR(font.scaleX * 0.602 * font.size, kWidth, 1e-9);
  EXPECT_EQ(font.weight, 700);
  EXPECT_GE(font.ascent, 17);
  EXPECT_LE(font.ascent, kHeight);
}

TEST(WebFonts, ANegativeHeightIsTheCharactersAndNoWidthIsTheFacesOwn) {
  auto font = FitCellFont(CellFontRequest{-20, 0, 0}, Dejavu);
  EXPECT_EQ(font.size, 20);
  EXPECT_EQ(font.cellHeight, 24);  // ceil(23.28)
  EXPECT_EQ(font.cellWidth, 12);   // round(12.04)
  EXPECT_EQ(font.scaleX, 1.0);
  EXPECT_EQ(font.weight, 400);
}

TEST(WebFonts, AbsurdSizesAreBounded) {
  auto huge = FitCellFont(CellFontRequest{100000, 100000, 400}, Dejavu);
  EXPECT_EQ(huge.cellHeight, 512);
  EXPECT_EQ(huge.cellWidth, 512);
  auto tiny = FitCellFont(CellFontRequest{1, 1, 400}, Dejavu);
  EXPECT_EQ(tiny.cellHeight, 1);
  EXPECT_GT(tiny.size, 0);
}

}  // namespace

#include "console/caret.h"
#include "console/screen_buffer.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "console/console_config.h"
#include "tests/support/console_fixture.h"

namespace {

using doubles::ConsoleTest;
using platform::Rgb;

using Rows = std::vector<std::string>;

// The default font is 9 x 22 pixels; the window's client area is 720 x 550.
constexpr int CellWidth = 9;
constexpr int LineHeight = 22;

class ScreenBuffer : public ConsoleTest {
 protected:
  void SetUp() override { Start(); }

  static console::CellCursor Cursor() { return console::Screen().TextCursor; }
};

std::string Repeat(char c, int count) { return std::string(static_cast<std::size_t>(count), c); }

// --- Wrap ------------------------------------------------------------------

TEST_F(ScreenBuffer, WrapsOnlyWhenAPrintableByteArrivesAtColumn80) {
  Write(Repeat('a', 80));
  EXPECT_EQ(Cursor().column, 80);
  EXPECT_EQ(Cursor().row, 0);

  Write("\nb");
  EXPECT_EQ(Plane(), (Rows{Repeat('a', 80), "b"}));
  EXPECT_EQ(Shown(), Plane());
}

TEST_F(ScreenBuffer, CarriageReturnAtTheWrapColumnStaysOnTheSameRow) {
  Write(Repeat('a', 80) + "\rX");
  EXPECT_EQ(Plane(), (Rows{"X" + Repeat('a', 79)}));
  EXPECT_EQ(Cursor().column, 1);
}

TEST_F(ScreenBuffer, The81stByteOfARowLandsAtColumn0OfTheNext) {
  Write(Repeat('a', 80) + "z");
  EXPECT_EQ(Plane(), (Rows{Repeat('a', 80), "z"}));
  EXPECT_EQ(Shown(), Plane());
  EXPECT_EQ(Cursor().column, 1);
  EXPECT_EQ(Cursor().row, 1);
}

TEST_F(ScreenBuffer, WrappingOnTheLastRowScrollsAndPutsTheByteOnTheNewBottomRow) {
  Write("first" + Repeat('\n', 24) + Repeat('y', 80) + "z");
  Rows expected(23, "");
  expected.push_back(Repeat('y', 80));
  expected.push_back("z");
  EXPECT_EQ(Plane(), expected);
  EXPECT_EQ(Shown(), expected);
  EXPECT_EQ(Cursor().column, 1);
  EXPECT_EQ(Cursor().row, 24);
}

// --- Control bytes -----------------------------------------------------------

TEST_F(ScreenBuffer, LineFeedGoesToColumn0OfTheNextRow) {
  Write("ab\ncd");
  EXPECT_EQ(Plane(), (Rows{"ab", "cd"}));
  EXPECT_EQ(Shown(), Plane());
}

TEST_F(ScreenBuffer, CarriageReturnOverwritesTheRowAndEveryCellIsDrawn) {
  Write("abc\rX");
  EXPECT_EQ(Plane(), (Rows{"Xbc"}));
  EXPECT_EQ(Shown(), (Rows{"Xbc"}));
  EXPECT_EQ(os().textRuns.back().text, "Xbc");
}

TEST_F(ScreenBuffer, BackspaceBlanksTheCellToTheLeftInTheCurrentAttribute) {
  Write("ab");
  console::Screen().CurrentAttribute = 0x1E;
  Write("\b");
  EXPECT_EQ(Plane(), (Rows{"a"}));
  EXPECT_EQ(Shown(), (Rows{"a"}));
  EXPECT_EQ(Cursor().column, 1);
  EXPECT_EQ(AttributeAt(1, 0), 0x1E);
  EXPECT_EQ(AttributeAt(0, 0), 0x0F);
}

TEST_F(ScreenBuffer, BackspaceAtColumn0DoesNothing) {
  Write("ab\n");
  os().ClearRecord();
  Write("\b");
  EXPECT_EQ(Cursor().column, 0);
  EXPECT_EQ(Cursor().row, 1);
  EXPECT_EQ(Plane(), (Rows{"ab"}));
  EXPECT_TRUE(os().textRuns.empty());
}

TEST_F(ScreenBuffer, BackspaceFromTheWrapColumnBlanksTheLastCell) {
  Write(Repeat('a', 80) + "\b");
  EXPECT_EQ(Cursor().column, 79);
  EXPECT_EQ(Plane(), (Rows{Repeat('a', 79)}));
  EXPECT_EQ(Shown(), Plane());
}

TEST_F(ScreenBuffer, BellOnlyBeeps) {
  Write("a\ab");
  EXPECT_EQ(os().beeps, (std::vector<platform::UINT>{0}));
  EXPECT_EQ(Plane(), (Rows{"ab"}));
  EXPECT_EQ(Cursor().column, 2);
}

TEST_F(ScreenBuffer, TabAndOtherControlBytesAreIgnored) {
  std::string text = "a";
  for (char c = 0; c < 32; ++c) {
    if (c != 7 && c != 8 && c != 10 && c != 13) text += c;
  }
  text += "b";
  Write(text);
  EXPECT_EQ(Plane(), (Rows{"ab"}));
  EXPECT_EQ(Cursor().column, 2);
  EXPECT_EQ(Cursor().row, 0);
  EXPECT_TRUE(os().beeps.empty());
}

TEST_F(ScreenBuffer, BytesAbove127AreWrittenAsThey) {
  Write("N\xE3o");
  EXPECT_EQ(Plane(), (Rows{"N\xE3o"}));
}

// --- Scrolling ---------------------------------------------------------------

TEST_F(ScreenBuffer, The25thLineFeedScrollsButThe24thDoesNot) {
  Write("top" + Repeat('\n', 24));
  EXPECT_EQ(Cursor().row, 24);
  EXPECT_EQ(Plane(), (Rows{"top"}));
  EXPECT_EQ(Shown(), (Rows{"top"}));

  Write("\n");
  EXPECT_EQ(Cursor().row, 24);
  EXPECT_EQ(Cursor().column, 0);
  EXPECT_TRUE(Plane().empty());
  EXPECT_TRUE(Shown().empty());
}

TEST_F(ScreenBuffer, ScrollingBlanksTheNewBottomRowInTheCurrentAttribute) {
  Write(Repeat('\n', 24) + "x");
  console::Screen().CurrentAttribute = 0x4E;
  Write("\n");
  EXPECT_EQ(AttributeAt(0, 24), 0x4E);
  EXPECT_EQ(AttributeAt(79, 24), 0x4E);
  EXPECT_EQ(AttributeAt(0, 23), 0x0F);
}

// Which way the screen follows a scroll.
struct ScrollCase {
  const char* name;
  const char* ini;
  bool active;
  int screenHeight;  // the window's bottom edge is at 607
  bool copies;
};

void PrintTo(const ScrollCase& scroll, std::ostream* out) { *out << scroll.name; }

class ScrollWay : public ConsoleTest, public ::testing::WithParamInterface<ScrollCase> {};

TEST_P(ScrollWay, CopiesPixelsOnlyWhenSlowScrollingIsOnTheWindowIsActiveAndClearOfTheScreenBottom) {
  const ScrollCase& scroll = GetParam();
  Start(scroll.ini);
  os().isActiveWindow = scroll.active;
  os().screenHeight = scroll.screenHeight;
  Write("top\nsecond" + Repeat('\n', 23) + "last");
  os().ClearRecord();

  Write("\n");

  const bool copied = !os().CallsStartingWith("BitBlt(").empty();
  const bool repainted = !os().CallsStartingWith("InvalidateRect(all, no erase)").empty();
  EXPECT_EQ(copied, scroll.copies);
  EXPECT_EQ(repainted, !scroll.copies);
  Rows expected{"second"};
  expected.resize(23);
  expected.push_back("last");
  EXPECT_EQ(Plane(), expected);
  EXPECT_EQ(Shown(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    ScreenBuffer, ScrollWay,
    ::testing::Values(
        ScrollCase{"Copy", "[VIDEO]\nLENTO=S\n", true, 1024, true},
        ScrollCase{"NotSlow", "[VIDEO]\nLENTO=N\n", true, 1024, false},
        ScrollCase{"NoFile", nullptr, true, 1024, false},
        ScrollCase{"Inactive", "[VIDEO]\nLENTO=S\n", false, 1024, false},
        ScrollCase{"BottomJustClear", "[VIDEO]\nLENTO=S\n", true, 607 + 33, true},
        ScrollCase{"BottomAt32AboveScreenEdge", "[VIDEO]\nLENTO=S\n", true, 607 + 32, false},
        ScrollCase{"BottomBelowScreen", "[VIDEO]\nLENTO=S\n", true, 600, false},
        ScrollCase{"Maximised", "[VIDEO]\nLENTO=S\nCANTOTELA=NAO\n", true, 1024, false}),
    [](const ::testing::TestParamInfo<ScrollCase>& scroll) { return scroll.param.name; });

TEST_F(ScreenBuffer, CopyScrollMovesTheRowsUpAndFillsTheBottomRowWithTheBackground) {
  Restart("[VIDEO]\nLENTO=sim\nCORFUNDO=1\n");
  Write(Repeat('\n', 24));
  const int liveObjects = os().LiveGdiObjects();
  os().ClearRecord();

  Write("\n");

  const std::string bitBlt = "BitBlt(0, 0, " + std::to_string(80 * CellWidth) + ", " +
                             std::to_string(24 * LineHeight) + ", 0, " +
                             std::to_string(LineHeight) + ", " +
                             std::to_string(platform::SRCCOPY) + ")";
  EXPECT_EQ(os().CallsStartingWith("BitBlt("), (Rows{bitBlt}));
  const std::string patBlt = "PatBlt(0, " + std::to_string(24 * LineHeight) + ", " +
                             std::to_string(80 * CellWidth) + ", " + std::to_string(LineHeight) +
                             ", " + std::to_string(platform::PATCOPY) + ", brush " +
                             std::to_string(Rgb(0, 0, 255)) + ")";
  EXPECT_EQ(os().CallsStartingWith("PatBlt("), (Rows{patBlt}));
  EXPECT_EQ(os().LiveGdiObjects(), liveObjects) << "the brush must be deleted";
  EXPECT_EQ(os().staleContextUses, 0);
}

// --- Drawing -----------------------------------------------------------------

TEST_F(ScreenBuffer, AWriteRedrawsOnlyItsSpan) {
  Write("hello");
  os().ClearRecord();
  Write(" world");
  ASSERT_EQ(os().textRuns.size(), 1u);
  EXPECT_EQ(os().textRuns[0].text, " world");
  EXPECT_EQ(os().textRuns[0].x, 5 * CellWidth);
  EXPECT_EQ(os().textRuns[0].y, 0);
}

TEST_F(ScreenBuffer, ASpanIsDrawnWithOneTextRunPerAttributeRun) {
  Write("abcd");
  console::Screen().CurrentAttribute = 0x1E;
  os().ClearRecord();
  // Blanks cells 2 and 3 in the new attribute, then rewrites cell 0: the
  // span 0..4 holds the attributes new, old, new, new.
  Write("\b\b\rX");

  const auto& runs = os().textRuns;
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0].text, "X");
  EXPECT_EQ(runs[0].x, 0);
  EXPECT_EQ(runs[0].foreground, Rgb(255, 255, 0));
  EXPECT_EQ(runs[0].background, Rgb(0, 0, 255));
  EXPECT_EQ(runs[1].text, "b");
  EXPECT_EQ(runs[1].x, CellWidth);
  EXPECT_EQ(runs[1].foreground, Rgb(255, 255, 255));
  EXPECT_EQ(runs[1].background, Rgb(0, 0, 0));
  EXPECT_EQ(runs[2].text, "  ");
  EXPECT_EQ(runs[2].x, 2 * CellWidth);
  EXPECT_EQ(runs[2].background, Rgb(0, 0, 255));
}

TEST_F(ScreenBuffer, TextRunsAreShiftedByTheFontOverhangButTheCaretIsNot) {
  os().overhang = 3;
  Write("ab");
  ASSERT_FALSE(os().textRuns.empty());
  EXPECT_EQ(os().textRuns.back().x, 3);
  console::CaretOn();
  EXPECT_EQ(os().CaretPosition().x, 2 * CellWidth);
}

TEST_F(ScreenBuffer, AColourTableEntryAbove15DrawsBlack) {
  Restart("[VIDEO]\nTABCORES=0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,16\nCORFUNDO=15\n");
  Write("a");
  ASSERT_FALSE(os().textRuns.empty());
  EXPECT_EQ(os().textRuns.back().foreground, Rgb(0, 0, 0));
  EXPECT_EQ(os().textRuns.back().background, Rgb(0, 0, 0));
}

TEST_F(ScreenBuffer, ColoursComeFromThePaletteThroughTheColourTable) {
  EXPECT_EQ(console::PaletteColour(5), Rgb(142, 0, 142));
  EXPECT_EQ(console::PaletteColour(6), Rgb(68, 34, 34));
  EXPECT_EQ(console::PaletteColour(7), Rgb(192, 192, 192));
  EXPECT_EQ(console::PaletteColour(9), Rgb(128, 128, 255));
  EXPECT_EQ(console::PaletteColour(15), Rgb(255, 255, 255));
  EXPECT_EQ(console::PaletteColour(16), Rgb(0, 0, 0));
  EXPECT_EQ(console::PaletteColour(255), Rgb(0, 0, 0));
  console::Screen().ColourTable[2] = 12;
  EXPECT_EQ(console::ColourOf(2), Rgb(255, 128, 128));
}

TEST_F(ScreenBuffer, ClearScreenBlanksEveryCellInTheCurrentAttributeAndHomesTheCursor) {
  Restart("[VIDEO]\nCORFUNDO=1\nCORLETRA=14\n");
  Write("abc\ndef");
  console::ClearScreen();
  EXPECT_TRUE(Plane().empty());
  EXPECT_TRUE(Shown().empty());
  EXPECT_EQ(Cursor().column, 0);
  EXPECT_EQ(Cursor().row, 0);
  for (int row : {0, 12, 24}) {
    for (int column : {0, 40, 79}) EXPECT_EQ(AttributeAt(column, row), 0x1E);
  }
  EXPECT_EQ(os().ShownColours(CellWidth, LineHeight, 79, 24),
            std::make_pair(Rgb(255, 255, 0), Rgb(0, 0, 255)));
}

TEST_F(ScreenBuffer, PaintDrawsOnlyTheCellsTouchedByTheUpdateRectangle) {
  Write("0123456789\n0123456789\n0123456789\n0123456789");
  os().ClearRecord();
  // x 10..30 touches columns 1..3; y 23..50 touches rows 1..2.
  os().nextPaintRect = platform::RECT{10, 23, 30, 50};
  console::OnPaint();
  ASSERT_EQ(os().textRuns.size(), 2u);
  EXPECT_EQ(os().textRuns[0].text, "123");
  EXPECT_EQ(os().textRuns[0].x, CellWidth);
  EXPECT_EQ(os().textRuns[0].y, LineHeight);
  EXPECT_EQ(os().textRuns[1].y, 2 * LineHeight);
  EXPECT_FALSE(console::Screen().Painting);
}

TEST_F(ScreenBuffer, PaintOfAClientAreaLargerThanTheScreenStopsAtColumn80AndRow25) {
  Restart("[VIDEO]\nCANTOTELA=NAO\n");
  Write("x");
  os().ClearRecord();
  os().nextPaintRect = platform::RECT{0, 0, 4000, 3000};
  console::OnPaint();
  ASSERT_EQ(os().textRuns.size(), 25u);
  for (const auto& run : os().textRuns) EXPECT_EQ(run.text.size(), 80u);
}

TEST_F(ScreenBuffer, DrawingLeavesNoDeviceContextOrFontBehind) {
  Write("abc" + Repeat('\n', 30));
  console::ClearScreen();
  EXPECT_EQ(os().staleContextUses, 0);
  EXPECT_EQ(os().LiveGdiObjects(), 1) << "only the console font";
  EXPECT_EQ(console::Screen().DrawContext, nullptr);
}

TEST_F(ScreenBuffer, WithoutAFontTheStockFixedFontDraws) {
  Restart("[VIDEO]\nFONTE=\n");
  Write("ab");
  EXPECT_EQ(console::Screen().CharWidth, 8);
  EXPECT_EQ(console::Screen().LineHeight, 16);
  EXPECT_EQ(Shown(), (Rows{"ab"}));
}

}  // namespace

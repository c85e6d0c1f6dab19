#include "console/console_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "console/console_config.h"
#include "console/key_queue.h"
#include "console/keyboard.h"
#include "console/message_pump.h"
#include "console/screen_buffer.h"
#include "runtime/module_state.h"
#include "runtime/program_end.h"
#include "tests/support/console_fixture.h"

namespace {

using doubles::ConsoleTest;
using doubles::RunUntilExit;
using namespace platform;

using Calls = std::vector<std::string>;

class ConsoleWindow : public ConsoleTest {
 protected:
  void SetUp() override { Start(); }

  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return console::ConsoleWindowProc(os().Window(), message, wParam, lParam);
  }

  bool Called(const std::string& call) {
    return std::find(os().calls.begin(), os().calls.end(), call) != os().calls.end();
  }

  std::size_t IndexOf(const std::string& call) {
    return static_cast<std::size_t>(std::find(os().calls.begin(), os().calls.end(), call) -
                                    os().calls.begin());
  }
};

std::string CreateWindowCall(const std::string& title, int width, int height) {
  return "CreateWindowExA(KzWinCrt, " + title + ", style " +
         std::to_string(WS_OVERLAPPEDWINDOW) + ", " + std::to_string(CW_USEDEFAULT) + ", " +
         std::to_string(CW_USEDEFAULT) + ", " + std::to_string(width) + ", " +
         std::to_string(height) + ")";
}

// --- Start and creation ----------------------------------------------------------

TEST_F(ConsoleWindow, StartRegistersTheClassButTheFirstWriteCreatesTheWindow) {
  EXPECT_EQ(os().CallsStartingWith("RegisterClassA("), (Calls{"RegisterClassA(KzWinCrt, style 3)"}));
  EXPECT_TRUE(os().CallsStartingWith("CreateWindowExA(").empty());
  EXPECT_FALSE(console::Window().WindowCreated);

  Write("a");
  Write("b");
  EXPECT_EQ(os().CallsStartingWith("CreateWindowExA(").size(), 1u);
  EXPECT_TRUE(console::Window().WindowCreated);
  EXPECT_EQ(console::Window().WindowHandle, os().Window());
}

TEST_F(ConsoleWindow, TheOuterSizeIs80CellsAnd25RowsPlusFrameAndCaption) {
  console::EnsureWindow();
  // 2 x 4 + 80 x 9 across; 2 x 4 + 25 x 22 + 19 down.
  EXPECT_EQ(os().CallsStartingWith("CreateWindowExA("),
            (Calls{CreateWindowCall("C:\\Jogos\\mirabo.exe", 728, 577)}));
  EXPECT_EQ(os().ShowCommand(), SW_SHOW);
}

TEST_F(ConsoleWindow, TheOuterSizeFollowsTheFontAndTheFrameMetrics) {
  Restart("[VIDEO]\nLARGURALETRA=10\nALTURALETRA=20\n");
  os().frameWidth = 5;
  os().frameHeight = 6;
  os().captionHeight = 20;
  os().externalLeading = 3;
  console::EnsureWindow();
  EXPECT_EQ(console::Window().WindowSize.width, 2 * 5 + 80 * 10);
  EXPECT_EQ(console::Window().WindowSize.height, 2 * 6 + 25 * (20 + 3) + 20);
  const auto& screen = console::Screen();
  EXPECT_EQ(screen.CharWidth, 10);
  EXPECT_EQ(screen.LineHeight, 23);
  EXPECT_EQ(screen.CaretBaseline, 16);
}

TEST_F(ConsoleWindow, TheWindowIsNeverMadeLargerThanTheTextScreenOrTheDisplay) {
  console::EnsureWindow();
  MINMAXINFO info;
  info.ptMaxPosition = POINT{-4, -4};
  os().screenWidth = 600;
  os().screenHeight = 400;
  console::OnGetMinMaxInfo(info);
  EXPECT_EQ(info.ptMaxSize.x, 600 + 8);
  EXPECT_EQ(info.ptMaxSize.y, 400 + 8);
  EXPECT_EQ(info.ptMaxTrackSize.x, 608);
  EXPECT_EQ(info.ptMaxTrackSize.y, 408);
  EXPECT_EQ(info.ptMinTrackSize.x, 8 + 16 * 9);
  EXPECT_EQ(info.ptMinTrackSize.y, 8 + 4 * 22 + 19);
  EXPECT_EQ(info.ptMaxPosition.x, -4);

  os().screenWidth = 1920;
  os().screenHeight = 1080;
  console::OnGetMinMaxInfo(info);
  EXPECT_EQ(info.ptMaxSize.x, 728);
  EXPECT_EQ(info.ptMaxSize.y, 577);
  EXPECT_EQ(os().staleContextUses, 0);
}

TEST_F(ConsoleWindow, TheTitleIsTheProgramPathCutTo79Bytes) {
  runtime::ResetModules();
  const std::string path = "C:\\" + std::string(120, 'p') + "\\mirabo.exe";
  os().moduleFileName = path;
  Start();
  EXPECT_EQ(std::strlen(console::Window().WindowTitle), 79u);
  EXPECT_EQ(std::string(console::Window().WindowTitle), path.substr(0, 79));
  console::EnsureWindow();
  EXPECT_EQ(os().titles.front(), path.substr(0, 79));
}

TEST_F(ConsoleWindow, TheTitleKeepsAccentedLettersOfThePathAsTheyAre) {
  runtime::ResetModules();
  const std::string path = "C:\\Usu\xE1rios\\Jo\xE3o\\Jogos\\mirabo.exe";
  os().moduleFileName = path;
  Start();
  console::EnsureWindow();
  EXPECT_EQ(os().titles.front(), path);
}

TEST_F(ConsoleWindow, WritingWhenTheWindowCannotBeCreatedDrawsNothing) {
  os().refuseWindows = true;
  Write("abc\n");
  console::ClearScreen();
  EXPECT_FALSE(console::Window().WindowCreated);
  EXPECT_TRUE(os().textRuns.empty());
}

// --- Messages ----------------------------------------------------------------------

TEST_F(ConsoleWindow, SystemKeysOtherThanLeftAndRightGoToTheSystem) {
  console::EnsureWindow();
  os().ClearRecord();
  Send(WM_SYSKEYDOWN, 'A');
  Send(WM_SYSKEYDOWN, VK_F10);
  Send(WM_SYSKEYDOWN, VK_LEFT);
  Send(WM_SYSKEYDOWN, VK_RIGHT);
  EXPECT_EQ(os().CallsStartingWith("DefWindowProcA("),
            (Calls{"DefWindowProcA(260, 65)", "DefWindowProcA(260, 121)"}));
}

TEST_F(ConsoleWindow, AltF4ClosesTheWindowAndEndsTheProgram) {
  console::EnsureWindow();
  const auto exitCode = RunUntilExit([&] { Send(WM_SYSKEYDOWN, VK_F4); });
  EXPECT_EQ(exitCode, 0u);
  EXPECT_FALSE(os().WindowExists());
}

TEST_F(ConsoleWindow, UntakenMessagesGetTheDefaultProcessing) {
  console::EnsureWindow();
  os().ClearRecord();
  Send(WM_KEYUP, 'A');
  Send(WM_TIMER, 1);
  EXPECT_EQ(os().CallsStartingWith("DefWindowProcA("),
            (Calls{"DefWindowProcA(257, 65)", "DefWindowProcA(275, 1)"}));
}

TEST_F(ConsoleWindow, TypedCharactersAreQueued) {
  console::EnsureWindow();
  os().ClearRecord();
  EXPECT_EQ(Send(WM_CHAR, '7'), 0);
  ASSERT_EQ(console::KeyQueue().count, 1);
  EXPECT_EQ(console::KeyQueue().bytes[0], '7');
  EXPECT_TRUE(os().CallsStartingWith("DefWindowProcA(").empty());
}

// --- Focus and caret -----------------------------------------------------------------

TEST_F(ConsoleWindow, WhileAKeyIsAwaitedTheCaretFollowsTheFocus) {
  Write("abc\nde");
  console::Window().WaitingForKey = true;

  Send(WM_KILLFOCUS);
  EXPECT_FALSE(os().CaretExists());
  EXPECT_FALSE(console::Window().HasFocus);

  Send(WM_SETFOCUS);
  EXPECT_TRUE(console::Window().HasFocus);
  EXPECT_TRUE(os().CaretVisible());
  // A bar one cell wide on the baseline of the cursor cell (2, 1).
  EXPECT_EQ(os().CaretPosition().x, 2 * 9);
  EXPECT_EQ(os().CaretPosition().y, 22 + 17);
  EXPECT_EQ(os().CallsStartingWith("CreateCaret(").back(), "CreateCaret(9, 2)");
}

TEST_F(ConsoleWindow, WithoutAWaitTheFocusShowsNoCaret) {
  console::EnsureWindow();
  Send(WM_KILLFOCUS);
  Send(WM_SETFOCUS);
  EXPECT_TRUE(console::Window().HasFocus);
  EXPECT_TRUE(os().CallsStartingWith("CreateCaret(").empty());
  EXPECT_TRUE(os().CallsStartingWith("DestroyCaret(").empty());
}

// --- Closing -------------------------------------------------------------------------

TEST_F(ConsoleWindow, ClosingWhileAKeyIsAwaitedDiscardsTypedKeysAndHalts) {
  console::EnsureWindow();
  os().ScriptChar(10, 'a');
  os().ScriptChar(10, 'b');
  os().Script(10, WM_CLOSE);
  os().ScriptChar(10, 'c');

  const auto exitCode = RunUntilExit([] {
    console::ReadKey();
    ADD_FAILURE() << "ReadKey returned a key of a closed window";
  });

  EXPECT_EQ(exitCode, 0u);
  EXPECT_EQ(console::KeyQueue().count, 0);
  EXPECT_FALSE(os().WindowExists());
  EXPECT_FALSE(console::Window().WindowCreated);
  EXPECT_FALSE(Called("PostQuitMessage(0)")) << "the system destroys a closed window";
  EXPECT_FALSE(Called("SetWindowTextA(Programa terminado)"));
}

TEST_F(ConsoleWindow, ClosingKeepsTheExitCodeTheProgramSet) {
  console::EnsureWindow();
  runtime::ProgramEnd().ExitCode = 3;
  EXPECT_EQ(RunUntilExit([&] { Send(WM_CLOSE); }), 3u);
}

TEST_F(ConsoleWindow, ClosingDeletesTheFontWithoutTouchingAReleasedContextAndLeaksNothing) {
  Write("abc" + std::string(30, '\n'));
  console::ClearScreen();
  ASSERT_EQ(os().LiveGdiObjects(), 1);

  EXPECT_EQ(RunUntilExit([&] { Send(WM_CLOSE); }), 0u);

  EXPECT_TRUE(Called("DeleteObject(font)"));
  EXPECT_EQ(console::Config().ConsoleFont, nullptr);
  EXPECT_EQ(os().staleContextUses, 0);
  EXPECT_EQ(os().LiveGdiObjects(), 0);
}

TEST_F(ConsoleWindow, AWindowDestroyedUnderTheConsoleEndsTheProgramWith255) {
  Write("abc");
  os().DestroyWindow(os().Window());
  EXPECT_TRUE(console::Screen().CharPlane.empty());
  EXPECT_EQ(console::Screen().TextCursor.column, 0);
  EXPECT_FALSE(console::Window().WindowCreated);
  EXPECT_TRUE(Called("PostQuitMessage(0)"));
  EXPECT_EQ(RunUntilExit(console::PumpMessages), 255u);
}

// --- The end of the program --------------------------------------------------------------

bool earlierExitRan = false;
void EarlierExit() { earlierExitRan = true; }

TEST_F(ConsoleWindow, ANormalEndRetitlesTheWindowAndHandsItToTheSystem) {
  runtime::ResetModules();
  earlierExitRan = false;
  runtime::ProgramEnd().ExitProc = &EarlierExit;
  Start();
  Write("fim");

  EXPECT_EQ(RunUntilExit([] { runtime::EndProgram(0); }), 0u);

  EXPECT_EQ(os().titles.back(), "Programa terminado");
  EXPECT_TRUE(Called("EnableMenuItem(" + std::to_string(SC_CLOSE) + ", 0)"));
  EXPECT_EQ(os().WindowProcedure(), &platform::DefaultWindowProc);
  EXPECT_FALSE(console::Window().BreakKeyEnabled);
  EXPECT_TRUE(os().WindowExists());
  EXPECT_TRUE(earlierExitRan) << "the exit chain goes on after the console's";
}

TEST_F(ConsoleWindow, AnAbortEndsWith255HidesTheCaretAndRetitlesTheWindow) {
  console::EnsureWindow();
  console::Window().WaitingForKey = true;
  Send(WM_SETFOCUS);
  ASSERT_TRUE(os().CaretVisible());

  EXPECT_EQ(RunUntilExit(console::AbortProgram), 255u);

  EXPECT_FALSE(os().CaretExists());
  EXPECT_LT(IndexOf("DestroyCaret()"), IndexOf("SetWindowTextA(Programa terminado)"));
  EXPECT_EQ(os().titles.back(), "Programa terminado");
}

TEST_F(ConsoleWindow, AfterARunTimeErrorTheWindowKeepsItsTitleAndProcedure) {
  console::EnsureWindow();
  runtime::ProgramEnd().ErrorAddressSet = true;
  EXPECT_EQ(RunUntilExit([] { runtime::EndProgram(217); }), 217u);
  EXPECT_EQ(os().titles.back(), "C:\\Jogos\\mirabo.exe");
  EXPECT_EQ(os().WindowProcedure(), &console::ConsoleWindowProc);
  EXPECT_TRUE(console::Window().BreakKeyEnabled);
}

TEST_F(ConsoleWindow, AnEndBeforeAnyWindowExistsTouchesNoWindow) {
  EXPECT_EQ(RunUntilExit([] { runtime::EndProgram(0); }), 0u);
  EXPECT_TRUE(os().titles.empty());
  EXPECT_TRUE(os().CallsStartingWith("SetWindowLongA(").empty());
}

}  // namespace

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "console/console_window.h"
#include "console/keyboard.h"
#include "console/text_device.h"
#include "letras/number_speaker.h"
#include "runtime/module_state.h"
#include "runtime/program_end.h"
#include "runtime/random.h"
#include "runtime/text_io.h"
#include "synt/segment_player.h"
#include "tests/support/recording_platform.h"

namespace {

using runtime::PendingIoError;

// --- The random generator ------------------------------------------------------

TEST(RandomGenerator, AfterOneRealTheFirstTenDigitsAreTheGamesSequence) {
  doubles::PlatformFixture fixture;
  EXPECT_EQ(runtime::RandomReal(), std::ldexp(1.0L, -32));
  EXPECT_EQ(runtime::RandomSeed(), 1u);
  std::vector<std::uint32_t> draws;
  for (int i = 0; i < 10; ++i) draws.push_back(runtime::RandomInt(10));
  EXPECT_EQ(draws, (std::vector<std::uint32_t>{0, 8, 2, 2, 6, 3, 1, 3, 4, 0}));
}

TEST(RandomGenerator, RangeZeroGivesZeroAndTheLargestRealStaysBelowOne) {
  doubles::PlatformFixture fixture;
  EXPECT_EQ(runtime::RandomInt(0), 0u);
  runtime::RandomSeed() = 0x4D60AE66u;  // one step from 0xFFFFFFFF
  long double largest = runtime::RandomReal();
  EXPECT_EQ(runtime::RandomSeed(), 0xFFFFFFFFu);
  EXPECT_LT(largest, 1.0L);
  EXPECT_EQ(largest, 1.0L - std::ldexp(1.0L, -32));
}

// --- Module state ---------------------------------------------------------------

struct ExampleState {
  int count = 5;
  std::vector<int> seen;
};
runtime::ModuleState<ExampleState> example;

// A module that keeps its state in a ModuleState is put back with every
// other one, without anyone listing it.
TEST(ModuleStates, ResetPutsEveryModuleBackAsItWasAtLoad) {
  example.count = 9;
  example.seen = {1, 2};
  runtime::RandomSeed() = 77;
  runtime::ProgramEnd().ExitCode = 3;
  console::KeyQueue().count = 4;
  console::BrailleMode() = 2;
  letras::SpokenNumber() = 12;
  synt::SegmentPlayer().SegmentStart = "6615";
  runtime::ResetModules();
  EXPECT_EQ(example.count, 5);
  EXPECT_TRUE(example.seen.empty());
  EXPECT_EQ(runtime::RandomSeed(), 0u);
  EXPECT_EQ(runtime::ProgramEnd().ExitCode, 0);
  EXPECT_EQ(console::KeyQueue().count, 0);
  EXPECT_EQ(console::BrailleMode(), 0);
  EXPECT_EQ(letras::SpokenNumber(), 0);
  EXPECT_EQ(synt::SegmentPlayer().SegmentStart, "");
}

// --- Reading integers from the console ----------------------------------------

class ConsoleInputTest : public ::testing::Test {
 protected:
  ConsoleInputTest() { console::StartConsole(); }
  doubles::RecordingPlatform& os() { return fixture_.os(); }

  void TypeLine(std::uint64_t at, std::string_view line) {
    for (char c : line) os().ScriptChar(at, static_cast<std::uint8_t>(c));
    os().ScriptChar(at, 13);
  }

  static std::int32_t Read() { return runtime::ReadInteger(runtime::StandardInput()); }

 private:
  doubles::PlatformFixture fixture_;
};

struct NumberCase {
  std::string_view line;
  std::int32_t value;
  int error;
};

TEST(ReadInteger, ReadsTheNumbersTheWayTheGameExpects) {
  const NumberCase cases[] = {
      {"7", 7, 0},
      {"   7   ", 7, 0},
      {"+7", 7, 0},
      {"-0", 0, 0},
      {"007", 7, 0},
      {"$1F", 31, 0},
      {"x1F", 31, 0},
      {"0x1f", 31, 0},
      {"$FFFFFFFF", -1, 0},
      {"-2147483648", INT_MIN, 0},
      {"2147483647", INT_MAX, 0},
      {"2147483648", 0, 106},
      {"-2147483649", 0, 106},
      {"7a", 0, 106},
      {"-$1", 0, 106},
      {"-", 0, 106},
      {"$", 0, 106},
      {"\xE9", 0, 106},
  };
  for (const auto& [line, value, error] : cases) {
    SCOPED_TRACE(std::string(line));
    doubles::PlatformFixture fixture;
    console::StartConsole();
    for (char c : line) fixture.os().ScriptChar(0, static_cast<std::uint8_t>(c));
    fixture.os().ScriptChar(0, 13);
    std::int32_t read = runtime::ReadInteger(runtime::StandardInput());
    EXPECT_EQ(PendingIoError(), error);
    if (error == 0) {
      EXPECT_EQ(read, value);
    }
  }
}

TEST_F(ConsoleInputTest, TheRestOfALineWaitsForTheNextRead) {
  TypeLine(100, "12 34");
  TypeLine(900, "5");
  EXPECT_EQ(Read(), 12);
  EXPECT_EQ(os().now, 100u);
  EXPECT_EQ(runtime::StandardInput().bufferPosition, 2u) << "the blank after 12 stays unread";
  EXPECT_EQ(Read(), 34);
  EXPECT_EQ(os().now, 100u) << "the second number is read without waiting";
  EXPECT_EQ(Read(), 5);
  EXPECT_EQ(os().now, 900u) << "the line end left over is skipped, then a new line awaited";
}

TEST_F(ConsoleInputTest, ATokenEndsAfter32Bytes) {
  TypeLine(0, std::string(31, '0') + "75");
  EXPECT_EQ(Read(), 7);
  EXPECT_EQ(Read(), 5);
  EXPECT_EQ(PendingIoError(), 0);
}

TEST_F(ConsoleInputTest, EmptyAndBlankLinesAreSkipped) {
  TypeLine(100, "");
  TypeLine(200, "    ");
  TypeLine(300, "42");
  EXPECT_EQ(Read(), 42);
  EXPECT_EQ(os().now, 300u);
}

TEST_F(ConsoleInputTest, ABadNumberIsCheckedAsInvalidNumericInput) {
  TypeLine(0, "7a");
  Read();
  try {
    runtime::CheckIO();
    FAIL() << "CheckIO returned";
  } catch (const runtime::EInOutError& error) {
    EXPECT_EQ(error.message, "Invalid numeric input");
  }
  EXPECT_EQ(PendingIoError(), 0);
}

// --- The check and the error box ---------------------------------------------

TEST(CheckIO, ReturnsWhenNothingIsPending) {
  doubles::PlatformFixture fixture;
  EXPECT_NO_THROW(runtime::CheckIO());
  EXPECT_EQ(PendingIoError(), 0);
}

std::uint32_t FailedCheckAddress() {
  PendingIoError() = 106;
  try {
    runtime::CheckIO();
  } catch (const runtime::EInOutError& error) {
    return error.address;
  }
  return 0;
}

TEST(CheckIO, EachCheckShowsItsOwnStableAddress) {
  doubles::PlatformFixture fixture;
  std::uint32_t first = FailedCheckAddress();
  EXPECT_EQ(FailedCheckAddress(), first);
  PendingIoError() = 106;
  try {
    runtime::CheckIO();
  } catch (const runtime::EInOutError& error) {
    EXPECT_NE(error.address, first);
  }
}

TEST(CheckIO, ErrorCodesHaveTheirTexts) {
  const std::pair<int, const char*> texts[] = {
      {2, "File not found"},       {3, "Invalid filename"},
      {4, "Too many open files"},  {5, "File access denied"},
      {100, "Read beyond end of file"}, {101, "Disk full"},
      {106, "Invalid numeric input"},   {103, "I/O error 103"},
      {-1, "I/O error -1"},
  };
  for (const auto& [code, text] : texts) EXPECT_EQ(runtime::IoErrorText(code), text);
}

TEST(ExceptionErrorText, NamesClassModuleAddressAndMessageWithOneFullStop) {
  EXPECT_EQ(runtime::ExceptionErrorText("EInOutError", "mirabo.exe", 0x0041A2Bu,
                                        "Invalid numeric input"),
            "Exception EInOutError in module mirabo.exe at 00041A2B.\nInvalid numeric input.");
  EXPECT_EQ(runtime::ExceptionErrorText("EInOutError", "m", 0xABCDEF01u, "Done."),
            "Exception EInOutError in module m at ABCDEF01.\nDone.");
  std::string longText = runtime::ExceptionErrorText("E", "m", 0, std::string(2000, 'x'));
  EXPECT_EQ(longText.size(), 1024u);
}

class ExitPathTest : public ConsoleInputTest {};

TEST_F(ExitPathTest, ABadNumberShowsTheErrorBoxAndEndsWithCode1) {
  os().moduleFileName = "C:\\Jogos\\MIRABO\\mirabo.exe";
  TypeLine(0, "sete");
  auto exitCode = doubles::RunUntilExit([] {
    try {
      runtime::ReadInteger(runtime::StandardInput());
      runtime::CheckIO();
    } catch (const runtime::EInOutError& error) {
      runtime::ExceptionErrorBox(error);
    }
  });
  EXPECT_EQ(exitCode, 1u);
  ASSERT_EQ(os().messageBoxes.size(), 1u);
  const auto& box = os().messageBoxes[0];
  EXPECT_EQ(box.caption, "Application Error");
  EXPECT_EQ(box.type, platform::MB_TASKMODAL | platform::MB_ICONERROR);
  EXPECT_EQ(box.type, 0x2010u);
  const std::string head = "Exception EInOutError in module mirabo.exe at ";
  ASSERT_EQ(box.text.substr(0, head.size()), head);
  std::string address = box.text.substr(head.size(), 8);
  EXPECT_EQ(address.find_first_not_of("0123456789ABCDEF"), std::string::npos) << address;
  EXPECT_EQ(box.text.substr(head.size() + 8), ".\nInvalid numeric input.");
  // No run-time error address: the console ends as after the game's end.
  EXPECT_EQ(os().titles.back(), console::FinishedTitle);
}

TEST_F(ExitPathTest, TheModuleNameLosesAnyKindOfDirectory) {
  os().moduleFileName = "/usr/games/mirabo";
  auto exitCode = doubles::RunUntilExit(
      [] { runtime::ExceptionErrorBox(runtime::EInOutError{"Disk full", 0x10}); });
  EXPECT_EQ(exitCode, 1u);
  ASSERT_EQ(os().messageBoxes.size(), 1u);
  EXPECT_EQ(os().messageBoxes[0].text,
            "Exception EInOutError in module mirabo at 00000010.\nDisk full.");
}

TEST_F(ExitPathTest, TheGamesEndExitsWithCode0AndRetitlesTheWindow) {
  console::EnsureWindow();
  EXPECT_EQ(doubles::RunUntilExit([] { runtime::EndProgram(0); }), 0u);
  EXPECT_EQ(os().titles.back(), console::FinishedTitle);
}

TEST_F(ExitPathTest, AQuitMessageExitsWithCode255) {
  os().Script(10, platform::WM_QUIT);
  EXPECT_EQ(doubles::RunUntilExit([] { Read(); }), 255u);
}

TEST_F(ExitPathTest, CtrlBreakWhileALineIsTypedExitsWithCode255) {
  os().ScriptChar(0, '4');
  os().ScriptKey(10, platform::VK_CANCEL, {{platform::VK_CONTROL, true}});
  EXPECT_EQ(doubles::RunUntilExit([] { Read(); }), 255u);
}

TEST_F(ExitPathTest, ClosingTheWindowKeepsTheExitCode) {
  runtime::ProgramEnd().ExitCode = 3;
  os().ScriptChar(0, '4');
  os().Script(10, platform::WM_CLOSE);
  os().ScriptChar(10, '5');
  EXPECT_EQ(doubles::RunUntilExit([] { Read(); }), 3u);
  EXPECT_FALSE(os().WindowExists());
}

}  // namespace

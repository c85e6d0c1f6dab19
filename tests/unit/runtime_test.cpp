#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "console/console_window.h"
#include "console/keyboard.h"
#include "console/text_device.h"
#include "runtime/program_end.h"
#include "runtime/random.h"
#include "runtime/text_io.h"
#include "tests/support/recording_platform.h"

namespace {

using console::ModeClosed;
using console::ModeInput;
using console::ModeOutput;
using console::TextFileRecord;
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

// --- Reading integers from the console ----------------------------------------

class ConsoleInputTest : public ::testing::Test {
 protected:
  ConsoleInputTest() { console::StartConsole(); }
  doubles::RecordingPlatform& os() { return fixture_.os(); }

  void TypeLine(std::uint64_t at, std::string_view line) {
    for (char c : line) os().ScriptChar(at, static_cast<std::uint8_t>(c));
    os().ScriptChar(at, 13);
  }

  static std::int32_t Read() { return runtime::ReadInteger(console::StandardInput()); }

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
    std::int32_t read = runtime::ReadInteger(console::StandardInput());
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
  EXPECT_EQ(console::StandardInput().bufferPosition, 2u) << "the blank after 12 stays unread";
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

// --- Reading and writing on a device of the test's own -----------------------

struct FakeDevice {
  std::vector<std::string> lines;  // what successive reads deliver
  std::string written;
  std::vector<std::string> pieces;  // each emptying of the buffer
  int reads = 0;
  int flushes = 0;
  int closes = 0;
  std::int32_t readResult = 0;
  std::int32_t writeResult = 0;
  std::int32_t flushResult = 0;
};

FakeDevice device;

std::int32_t FakeRead(TextFileRecord& record) {
  ++device.reads;
  if (device.readResult != 0) return device.readResult;
  record.bufferPosition = 0;
  record.bufferEnd = 0;
  if (device.lines.empty()) return 0;
  std::string line = device.lines.front();
  device.lines.erase(device.lines.begin());
  std::copy(line.begin(), line.end(), record.bufferPointer);
  record.bufferEnd = static_cast<std::uint32_t>(line.size());
  return 0;
}

std::int32_t FakeWrite(TextFileRecord& record) {
  if (device.writeResult != 0) return device.writeResult;
  std::string piece(record.bufferPointer, record.bufferPointer + record.bufferPosition);
  device.written += piece;
  device.pieces.push_back(piece);
  record.bufferPosition = 0;
  return 0;
}

std::int32_t FakeFlush(TextFileRecord& record) {
  ++device.flushes;
  if (device.flushResult != 0) return device.flushResult;
  return FakeWrite(record);
}

std::int32_t FakeClose(TextFileRecord&) {
  ++device.closes;
  return 0;
}

std::int32_t FakeOpen(TextFileRecord& record) {
  record.inOutProcedure = record.mode == ModeInput ? FakeRead : FakeWrite;
  record.flushProcedure = record.mode == ModeInput ? nullptr : FakeFlush;
  record.closeProcedure = FakeClose;
  return 0;
}

class TextStreamTest : public ::testing::Test {
 protected:
  TextStreamTest() { device = FakeDevice{}; }

  static void Prepare(TextFileRecord& record, std::uint16_t mode, std::uint16_t flags = 0) {
    record = TextFileRecord{};
    record.mode = ModeClosed;
    record.flags = flags;
    record.bufferSize = console::TextBufferSize;
    record.bufferPointer = record.buffer;
    record.openProcedure = FakeOpen;
    if (mode == ModeInput) runtime::OpenForReading(record);
    if (mode == ModeOutput) runtime::OpenForWriting(record);
  }

  TextFileRecord input;
  TextFileRecord output;

 private:
  doubles::PlatformFixture fixture_;
};

TEST_F(TextStreamTest, EndOfInputReadsAsZeroWithoutAnError) {
  Prepare(input, ModeInput);
  EXPECT_EQ(runtime::ReadInteger(input), 0);
  EXPECT_EQ(PendingIoError(), 0);
}

TEST_F(TextStreamTest, Byte26IsABlankUnlessLinesEndWithCrLf) {
  Prepare(input, ModeInput);
  device.lines = {std::string("5\x1A" "7")};
  EXPECT_EQ(runtime::ReadInteger(input), 5);
  EXPECT_EQ(runtime::ReadInteger(input), 7);

  Prepare(input, ModeInput, console::CrLfLineEnds);
  device = FakeDevice{};
  device.lines = {std::string("5\x1A" "7"), "9"};
  EXPECT_EQ(runtime::ReadInteger(input), 5);
  EXPECT_EQ(runtime::ReadInteger(input), 0);
  EXPECT_EQ(runtime::ReadInteger(input), 0) << "the end of input persists";
  EXPECT_EQ(device.reads, 1);
  EXPECT_EQ(PendingIoError(), 0);
}

TEST_F(TextStreamTest, AnEmptyRefillWithCrLfLineEndsLeavesAnEndMark) {
  Prepare(input, ModeInput, console::CrLfLineEnds);
  EXPECT_EQ(runtime::ReadInteger(input), 0);
  EXPECT_EQ(input.bufferEnd, 1u);
  EXPECT_EQ(input.buffer[0], 26);
  device.lines = {"8"};
  EXPECT_EQ(runtime::ReadInteger(input), 0);
  EXPECT_EQ(device.reads, 1);
}

TEST_F(TextStreamTest, ReadFailuresArePending) {
  Prepare(input, ModeInput);
  device.readResult = 42;
  runtime::ReadInteger(input);
  EXPECT_EQ(PendingIoError(), 42);

  runtime::PendingIoError() = 0;
  Prepare(output, ModeOutput);
  runtime::ReadInteger(output);
  EXPECT_EQ(PendingIoError(), 104);
}

TEST_F(TextStreamTest, TheClosedStandardInputOpensWithCrLfLineEndsOnFirstRead) {
  TextFileRecord& standard = console::StandardInput();
  Prepare(standard, ModeClosed);
  device.lines = {"61\r\n"};
  EXPECT_EQ(runtime::ReadInteger(standard), 61);
  EXPECT_EQ(standard.mode, ModeInput);
  EXPECT_EQ(standard.flags, console::CrLfLineEnds);
}

TEST_F(TextStreamTest, IntegersAreWrittenWithTheirSignAndNoPadding) {
  Prepare(output, ModeOutput);
  runtime::WriteInteger(output, -5, 0);
  runtime::FlushText(output);
  EXPECT_EQ(device.written, "-5");
  runtime::WriteInteger(output, 7, 0);
  runtime::WriteText(output, " ", 0);
  runtime::WriteInteger(output, INT_MIN, 0);
  runtime::WriteText(output, " ", 0);
  runtime::WriteInteger(output, INT_MAX, 0);
  runtime::FlushText(output);
  EXPECT_EQ(device.written, "-57 -2147483648 2147483647");
}

TEST_F(TextStreamTest, AWidthPadsWithBlanksBeforeTheText) {
  Prepare(output, ModeOutput);
  runtime::WriteText(output, "ab", 150);
  runtime::WriteInteger(output, 42, 5);
  runtime::WriteText(output, "long", 2);
  runtime::WriteText(output, "x", -3);
  runtime::FlushText(output);
  EXPECT_EQ(device.written, std::string(148, ' ') + "ab   42longx");
}

TEST_F(TextStreamTest, AFullBufferIsEmptiedBeforeWritingGoesOn) {
  Prepare(output, ModeOutput);
  runtime::WriteText(output, std::string(300, 'z'), 0);
  EXPECT_EQ(device.pieces.size(), 2u);
  EXPECT_EQ(device.pieces[0].size(), 128u);
  EXPECT_EQ(output.bufferPosition, 44u);
  EXPECT_EQ(device.flushes, 0);
  runtime::FlushText(output);
  EXPECT_EQ(device.written, std::string(300, 'z'));
}

TEST_F(TextStreamTest, LineEndsAreLfOrCrLfAndFlushTheStream) {
  Prepare(output, ModeOutput);
  runtime::WriteLineEnd(output);
  EXPECT_EQ(device.written, "\n");
  EXPECT_EQ(device.flushes, 1);

  device = FakeDevice{};
  Prepare(output, ModeOutput, console::CrLfLineEnds);
  runtime::WriteLineEnd(output);
  EXPECT_EQ(device.written, "\r\n");
}

TEST_F(TextStreamTest, StreamsInTheWrongModeFailWithTheirCodes) {
  Prepare(output, ModeClosed);
  runtime::WriteText(output, "x", 0);
  EXPECT_EQ(PendingIoError(), 105);
  PendingIoError() = 0;
  runtime::FlushText(output);
  EXPECT_EQ(PendingIoError(), 103);
  PendingIoError() = 0;

  Prepare(input, ModeInput);
  runtime::FlushText(input);
  EXPECT_EQ(PendingIoError(), 0);
  runtime::WriteText(input, "x", 0);
  EXPECT_EQ(PendingIoError(), 105);
  PendingIoError() = 0;

  output.mode = 0x1234;
  runtime::OpenForWriting(output);
  EXPECT_EQ(PendingIoError(), 102);
}

TEST_F(TextStreamTest, TheClosedStandardOutputOpensWithCrLfLineEndsOnFirstWrite) {
  TextFileRecord& standard = console::StandardOutput();
  Prepare(standard, ModeClosed);
  runtime::FlushText(standard);
  EXPECT_EQ(PendingIoError(), 0) << "flushing the closed standard output is no error";
  runtime::WriteText(standard, "x", 0);
  runtime::WriteLineEnd(standard);
  EXPECT_EQ(standard.mode, ModeOutput);
  EXPECT_EQ(device.written, "x\r\n");
}

TEST_F(TextStreamTest, ReopeningClosesTheStreamFirst) {
  Prepare(output, ModeOutput);
  runtime::WriteText(output, "kept", 0);
  runtime::OpenForWriting(output);
  EXPECT_EQ(device.written, "kept");
  EXPECT_EQ(device.closes, 1);
  EXPECT_EQ(output.mode, ModeOutput);
}

TEST_F(TextStreamTest, TheFirstFailureOfAGroupIsTheOneChecked) {
  Prepare(output, ModeOutput);
  device.writeResult = 5;
  device.flushResult = 7;
  runtime::WriteText(output, std::string(200, 'q'), 0);
  runtime::WriteLineEnd(output);
  EXPECT_EQ(device.flushes, 0);
  EXPECT_THROW(
      {
        try {
          runtime::CheckIO();
        } catch (const runtime::EInOutError& error) {
          EXPECT_EQ(error.message, "File access denied");
          throw;
        }
      },
      runtime::EInOutError);

  device.writeResult = 0;
  runtime::WriteText(output, "y", 0);
  runtime::FlushText(output);
  EXPECT_EQ(PendingIoError(), 7);
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
      runtime::ReadInteger(console::StandardInput());
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
  runtime::ExitCode = 3;
  os().ScriptChar(0, '4');
  os().Script(10, platform::WM_CLOSE);
  os().ScriptChar(10, '5');
  EXPECT_EQ(doubles::RunUntilExit([] { Read(); }), 3u);
  EXPECT_FALSE(os().WindowExists());
}

}  // namespace

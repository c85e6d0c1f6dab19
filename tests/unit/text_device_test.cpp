#include "console/text_device.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "console/console_window.h"
#include "console/keyboard.h"
#include "console/screen_buffer.h"
#include "runtime/text_io.h"
#include "tests/support/recording_platform.h"

namespace {

using namespace console;
using namespace runtime;
using Bytes = std::vector<std::uint8_t>;

class TextDeviceTest : public ::testing::Test {
 protected:
  TextDeviceTest() { StartConsole(); }

  doubles::RecordingPlatform& os() { return fixture_.os(); }

  // One key a millisecond, so that long lines do not overflow the key queue.
  void Type(std::uint64_t at, std::string_view text) {
    for (char c : text) os().ScriptChar(at++, static_cast<std::uint8_t>(c));
  }

  // Reads one line with the console's buffer size.
  Bytes ReadALine() {
    std::uint8_t buffer[TextBufferSize] = {};
    std::uint16_t count = ReadLine(buffer, TextBufferSize);
    return Bytes(buffer, buffer + count);
  }

  // A row of the character plane without its trailing blanks.
  static std::string Row(int row) {
    const auto& plane = Screen().CharPlane;
    std::string text(plane.begin() + row * ScreenColumns,
                     plane.begin() + (row + 1) * ScreenColumns);
    return text.substr(0, text.find_last_not_of(' ') + 1);
  }

  static Bytes Text(std::string_view text) { return Bytes(text.begin(), text.end()); }

 private:
  doubles::PlatformFixture fixture_;
};

TEST_F(TextDeviceTest, StartBindsInputForReadingAndOutputForWritingWithoutAWindow) {
  const TextFileRecord& input = StandardInput();
  EXPECT_EQ(input.mode, ModeInput);
  EXPECT_EQ(input.handle, 0xFFFFu);
  EXPECT_EQ(input.bufferSize, 128u);
  EXPECT_EQ(input.bufferPointer, input.buffer);
  EXPECT_EQ(input.inOutProcedure, &ConsoleRead);
  EXPECT_EQ(input.flushProcedure, nullptr);
  EXPECT_EQ(input.closeProcedure, &ConsoleClose);
  EXPECT_EQ(input.flags, 0);

  const TextFileRecord& output = StandardOutput();
  EXPECT_EQ(output.mode, ModeOutput);
  EXPECT_EQ(output.bufferPointer, output.buffer);
  EXPECT_EQ(output.inOutProcedure, &ConsoleWrite);
  EXPECT_EQ(output.flushProcedure, &ConsoleWrite);
  EXPECT_EQ(output.closeProcedure, &ConsoleClose);
  EXPECT_EQ(output.flags, 0);
  EXPECT_EQ(output.name[0], '\0');

  EXPECT_FALSE(os().WindowExists());
  EXPECT_EQ(runtime::PendingIoError(), 0);
}

TEST_F(TextDeviceTest, OpeningInAnyModeButInputMakesAnOutputStream) {
  TextFileRecord record;
  AssignConsole(record);
  record.mode = ModeInOut;
  EXPECT_EQ(ConsoleOpen(record), 0);
  EXPECT_EQ(record.mode, ModeOutput);
  EXPECT_EQ(record.inOutProcedure, &ConsoleWrite);
  EXPECT_EQ(record.flushProcedure, &ConsoleWrite);
}

TEST_F(TextDeviceTest, EnterAloneGivesALineEndOfTwoBytes) {
  Type(0, "\r");
  EXPECT_EQ(ReadALine(), (Bytes{13, 10}));
  EXPECT_EQ(Screen().TextCursor.row, 1);
  EXPECT_EQ(Screen().TextCursor.column, 0);
}

TEST_F(TextDeviceTest, ALineHoldsAt126BytesAndDropsTheRestUnseen) {
  Type(0, std::string(126, 'x') + "y\b\r");
  Bytes expected(125, 'x');
  expected.push_back(13);
  expected.push_back(10);
  EXPECT_EQ(ReadALine(), expected);
  EXPECT_EQ(Row(0), std::string(80, 'x'));
  EXPECT_EQ(Row(1), std::string(45, 'x')) << "no y, and the 126th x taken back";
}

TEST_F(TextDeviceTest, BackspaceWithNothingTypedLeavesTheScreenAlone) {
  const std::uint8_t prompt[] = {'a', 'b'};
  WriteChars(prompt, 2);
  Type(0, "\b\bc\r");
  EXPECT_EQ(ReadALine(), Text("c\r\n"));
  EXPECT_EQ(Row(0), "abc");
}

TEST_F(TextDeviceTest, BackspaceOnAWrappedLineForgetsTheByteButNotTheRowAbove) {
  Type(0, std::string(81, 'x') + "\b\b\r");
  Bytes line = ReadALine();
  EXPECT_EQ(line.size(), 79u + 2u);
  EXPECT_EQ(Row(0), std::string(80, 'x'));
  EXPECT_EQ(Row(1), "");
}

TEST_F(TextDeviceTest, ExtendedKeysTypeTheirCodeByteAndControlBytesAreIgnored) {
  os().ScriptKey(0, platform::VK_F1);  // 0, 59
  os().ScriptKey(0, platform::VK_UP);  // 0, 72
  Type(0, std::string("\x01\x07\x09\x1A\x1B", 5));
  Type(0, "\r");
  EXPECT_EQ(ReadALine(), Text(";H\r\n"));
  EXPECT_EQ(Row(0), ";H");
}

TEST_F(TextDeviceTest, CtrlBackspaceIsStoredAs127AndCtrlEnterIsIgnored) {
  os().Script(0, platform::WM_CHAR, 8, 0, {{platform::VK_CONTROL, true}});
  os().Script(0, platform::WM_CHAR, 13, 0);
  os().Script(0, platform::WM_CHAR, 13, 0, {{platform::VK_CONTROL, false}});
  EXPECT_EQ(ReadALine(), (Bytes{127, 13, 10}));
  EXPECT_EQ(Screen().CharPlane[0], 127);
}

TEST_F(TextDeviceTest, ReadingRefillsTheInputBufferWithTheTypedLine) {
  TextFileRecord& input = StandardInput();
  input.bufferPosition = 5;
  Type(200, "42\r");
  EXPECT_EQ(ConsoleRead(input), 0);
  EXPECT_EQ(input.bufferPosition, 0u);
  EXPECT_EQ(input.bufferEnd, 4u);
  EXPECT_EQ(Bytes(input.buffer, input.buffer + 4), Text("42\r\n"));
  EXPECT_EQ(os().now, 202u);
}

TEST_F(TextDeviceTest, WritesReachTheScreenInPiecesOfTheBufferAndAtEveryFlush) {
  std::string text;
  for (int i = 0; i < 200; ++i) text += static_cast<char>('a' + i % 26);
  TextFileRecord& output = StandardOutput();
  runtime::WriteText(output, text, 0);
  EXPECT_EQ(Row(0), text.substr(0, 80));
  EXPECT_EQ(Row(1), text.substr(80, 48));
  EXPECT_EQ(output.bufferPosition, 72u);
  runtime::FlushText(output);
  EXPECT_EQ(Row(1), text.substr(80, 80));
  EXPECT_EQ(Row(2), text.substr(160));
  EXPECT_EQ(output.bufferPosition, 0u);
}

TEST_F(TextDeviceTest, EveryWriteServesTheWindowAfterwards) {
  Type(0, "k");
  runtime::WriteText(StandardOutput(), "ok", 0);
  EXPECT_EQ(KeyQueue().count, 0);
  runtime::FlushText(StandardOutput());
  EXPECT_EQ(KeyQueue().count, 1);
}

TEST_F(TextDeviceTest, WriteLineGoesToTheStartOfTheNextRow) {
  runtime::WriteText(StandardOutput(), "abc", 0);
  runtime::WriteLineEnd(StandardOutput());
  EXPECT_EQ(Row(0), "abc");
  EXPECT_EQ(Screen().TextCursor.row, 1);
  EXPECT_EQ(Screen().TextCursor.column, 0);
}

TEST_F(TextDeviceTest, ALineCanBeReadIntoASmallerBufferWithoutOverrun) {
  std::uint8_t buffer[6] = {0, 0, 0, 0, 0, 0xEE};
  Type(0, "abcdef\r");
  EXPECT_EQ(ReadLine(buffer, 5), 5);
  EXPECT_EQ(Bytes(buffer, buffer + 6), (Bytes{'a', 'b', 'c', 13, 10, 0xEE}));
}

}  // namespace

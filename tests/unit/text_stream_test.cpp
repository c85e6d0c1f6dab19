#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "console/text_device.h"
#include "runtime/text_file.h"
#include "runtime/text_io.h"
#include "tests/support/recording_platform.h"

namespace {

using runtime::ModeClosed;
using runtime::ModeInput;
using runtime::ModeOutput;
using runtime::TextFileRecord;
using runtime::PendingIoError;

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
    record.bufferSize = runtime::TextBufferSize;
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

  Prepare(input, ModeInput, runtime::CrLfLineEnds);
  device = FakeDevice{};
  device.lines = {std::string("5\x1A" "7"), "9"};
  EXPECT_EQ(runtime::ReadInteger(input), 5);
  EXPECT_EQ(runtime::ReadInteger(input), 0);
  EXPECT_EQ(runtime::ReadInteger(input), 0) << "the end of input persists";
  EXPECT_EQ(device.reads, 1);
  EXPECT_EQ(PendingIoError(), 0);
}

TEST_F(TextStreamTest, AnEmptyRefillWithCrLfLineEndsLeavesAnEndMark) {
  Prepare(input, ModeInput, runtime::CrLfLineEnds);
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
  TextFileRecord& standard = runtime::StandardInput();
  Prepare(standard, ModeClosed);
  device.lines = {"61\r\n"};
  EXPECT_EQ(runtime::ReadInteger(standard), 61);
  EXPECT_EQ(standard.mode, ModeInput);
  EXPECT_EQ(standard.flags, runtime::CrLfLineEnds);
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
  Prepare(output, ModeOutput, runtime::CrLfLineEnds);
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
  TextFileRecord& standard = runtime::StandardOutput();
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

}  // namespace

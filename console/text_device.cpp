// The text device: the standard input and output streams of the runtime,
// served by the console window, and the line editor behind the input.
#include "console/text_device.h"

#include "console/keyboard.h"
#include "console/screen_buffer.h"
#include "runtime/text_io.h"

namespace console {

namespace {

constexpr std::uint32_t NoHandle = 0xFFFF;
constexpr std::uint8_t Backspace = 8;
constexpr std::uint8_t CarriageReturn = 13;
constexpr std::uint8_t LineFeed = 10;
constexpr std::uint8_t FirstPrintable = 32;

}  // namespace

void AssignConsole(TextFileRecord& record) {
  record.handle = NoHandle;
  record.mode = runtime::ModeClosed;
  record.bufferSize = runtime::TextBufferSize;
  record.bufferPointer = record.buffer;
  record.openProcedure = ConsoleOpen;
  record.name[0] = '\0';
}

std::int32_t ConsoleOpen(TextFileRecord& record) {
  if (record.mode == runtime::ModeInput) {
    record.inOutProcedure = ConsoleRead;
    record.flushProcedure = nullptr;
  } else {
    record.mode = runtime::ModeOutput;
    record.inOutProcedure = ConsoleWrite;
    record.flushProcedure = ConsoleWrite;
  }
  record.closeProcedure = ConsoleClose;
  return 0;
}

std::int32_t ConsoleWrite(TextFileRecord& record) {
  if (record.bufferPosition != 0) {
    WriteChars(record.bufferPointer, static_cast<std::uint16_t>(record.bufferPosition));
    record.bufferPosition = 0;
    // Serve the window after every piece of output.  Only after output:
    // the runtime's closing flush at the very end would otherwise poll the
    // keyboard, and a poll recreates a window that has been closed.
    KeyPressed();
  }
  return 0;
}

std::int32_t ConsoleRead(TextFileRecord& record) {
  record.bufferEnd = ReadLine(record.bufferPointer, static_cast<std::uint16_t>(record.bufferSize));
  record.bufferPosition = 0;
  return 0;
}

std::int32_t ConsoleClose(TextFileRecord&) { return 0; }

std::uint16_t ReadLine(std::uint8_t* buffer, std::uint16_t size) {
  // Room is kept for the CR LF that ends every line.
  const int typedLimit = size >= 2 ? size - 2 : 0;
  int count = 0;
  std::uint8_t key = 0;
  do {
    key = ReadKey();
    if (key == Backspace) {
      if (count > 0) {
        --count;
        WriteChar(Backspace);
      }
    } else if (key >= FirstPrintable) {
      // Also the code byte of an extended key: F1 types ';'.
      if (count < typedLimit) {
        buffer[count++] = key;
        WriteChar(key);
      }
    }
    // Other control bytes, the 0 of extended keys among them, are ignored.
  } while (key != CarriageReturn);
  WriteChar(CarriageReturn);
  WriteChar(LineFeed);
  if (count < size) buffer[count++] = CarriageReturn;
  if (count < size) buffer[count++] = LineFeed;
  return static_cast<std::uint16_t>(count);
}

void BindStandardStreams() {
  AssignConsole(runtime::StandardInput());
  runtime::OpenForReading(runtime::StandardInput());
  runtime::CheckIO();
  AssignConsole(runtime::StandardOutput());
  runtime::OpenForWriting(runtime::StandardOutput());
  runtime::CheckIO();
}

}  // namespace console

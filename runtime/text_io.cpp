// The runtime's text services over a TextFileRecord: opening, reading an
// integer, writing texts, integers and line ends, and flushing.  Whatever
// device serves the stream does its work through the record's procedures.
#include "runtime/text_io.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "runtime/convert_integer.h"
#include "runtime/module_state.h"

namespace runtime {

namespace {

constexpr int EndOfInput = -1;
constexpr std::uint8_t EndOfFileMark = 26;
constexpr std::uint8_t Blank = 32;
constexpr int MaxTokenLength = 32;
constexpr std::size_t PaddingRun = 64;

// I/O error codes these services set themselves.
constexpr int InvalidFileMode = 102;
constexpr int FileNotOpen = 103;
constexpr int NotOpenForInput = 104;
constexpr int NotOpenForOutput = 105;
constexpr int InvalidNumericInput = 106;

struct TextIoState {
  int pendingIoError = 0;
  TextFileRecord input;
  TextFileRecord output;
};

ModuleState<TextIoState> state;
int& pendingIoError = state.pendingIoError;

bool IsStandardOutput(const TextFileRecord& stream) { return &stream == &state.output; }
bool IsStandardInput(const TextFileRecord& stream) { return &stream == &state.input; }

void Fail(std::int32_t code) {
  if (code != 0) pendingIoError = code;
}

void CloseText(TextFileRecord& stream) {
  if (stream.mode == ModeOutput || stream.mode == ModeInOut) {
    if (stream.inOutProcedure != nullptr) Fail(stream.inOutProcedure(stream));
  }
  if (stream.closeProcedure != nullptr) Fail(stream.closeProcedure(stream));
  stream.mode = ModeClosed;
}

void Open(TextFileRecord& stream, std::uint16_t mode) {
  if (pendingIoError != 0) return;
  if (stream.mode < ModeClosed || stream.mode > ModeInOut) {
    pendingIoError = InvalidFileMode;
    return;
  }
  if (stream.mode != ModeClosed) CloseText(stream);
  stream.mode = mode;
  stream.bufferPosition = 0;
  stream.bufferEnd = 0;
  std::int32_t result = stream.openProcedure != nullptr ? stream.openProcedure(stream) : 0;
  if (result != 0) {
    pendingIoError = result;
    stream.mode = ModeClosed;
  }
}

// The next byte of the stream, refilling its buffer through the device when
// it is used up; EndOfInput when the device has no more.
int ReadByte(TextFileRecord& stream) {
  if (stream.mode != ModeInput) {
    if (IsStandardInput(stream)) {
      stream.flags = CrLfLineEnds;
      Open(stream, ModeInput);
    }
    if (stream.mode != ModeInput) {
      pendingIoError = NotOpenForInput;
      return EndOfInput;
    }
  }
  const bool crLf = (stream.flags & CrLfLineEnds) != 0;
  for (;;) {
    if (stream.bufferPosition < stream.bufferEnd) {
      std::uint8_t byte = stream.bufferPointer[stream.bufferPosition];
      if (crLf && byte == EndOfFileMark) return EndOfInput;
      ++stream.bufferPosition;
      return byte;
    }
    if (stream.inOutProcedure == nullptr) return EndOfInput;
    std::int32_t result = stream.inOutProcedure(stream);
    if (result != 0) {
      pendingIoError = result;
      return EndOfInput;
    }
    if (stream.bufferPosition >= stream.bufferEnd) {
      // Keeps the end of input in the buffer so that it persists.
      if (crLf && stream.bufferEnd < stream.bufferSize) {
        stream.bufferPointer[stream.bufferEnd++] = EndOfFileMark;
      }
      return EndOfInput;
    }
  }
}

bool OpenForOutput(TextFileRecord& stream) {
  if (stream.mode != ModeOutput) {
    if (IsStandardOutput(stream)) {
      stream.flags = CrLfLineEnds;
      Open(stream, ModeOutput);
    }
    if (stream.mode != ModeOutput) {
      pendingIoError = NotOpenForOutput;
      return false;
    }
  }
  return true;
}

// Copies bytes into the buffer, emptying it through the device whenever it
// is full; stops at the first failure.
void WriteBytes(TextFileRecord& stream, const std::uint8_t* bytes, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    if (stream.bufferPosition >= stream.bufferSize) {
      std::int32_t result =
          stream.inOutProcedure != nullptr ? stream.inOutProcedure(stream) : 0;
      if (result != 0) {
        pendingIoError = result;
        return;
      }
      stream.bufferPosition = 0;
    }
    stream.bufferPointer[stream.bufferPosition++] = bytes[i];
  }
}

void WriteBytes(TextFileRecord& stream, std::string_view text) {
  WriteBytes(stream, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

}  // namespace

TextFileRecord& StandardInput() { return state.input; }
TextFileRecord& StandardOutput() { return state.output; }

int& PendingIoError() { return pendingIoError; }

// Every operation below does nothing while an earlier error is pending, so
// that CheckIO reports the first failure of a group, not a later one.

void OpenForReading(TextFileRecord& stream) { Open(stream, ModeInput); }
void OpenForWriting(TextFileRecord& stream) { Open(stream, ModeOutput); }

std::int32_t ReadInteger(TextFileRecord& stream) {
  if (pendingIoError != 0) return 0;
  int byte = EndOfInput;
  do {
    byte = ReadByte(stream);
    if (byte == EndOfInput) return 0;
  } while (byte <= Blank);

  std::array<char, MaxTokenLength> token{};
  int length = 0;
  for (;;) {
    token[static_cast<std::size_t>(length++)] = static_cast<char>(byte);
    // A longer token is cut here; its rest stays for the next read.
    if (length == MaxTokenLength) break;
    byte = ReadByte(stream);
    if (byte == EndOfInput) break;
    if (byte <= Blank) {
      --stream.bufferPosition;  // the line end stays for the next read
      break;
    }
  }
  ConvertedInteger converted = ConvertInteger(token.data(), length);
  if (converted.errorPosition != 0) pendingIoError = InvalidNumericInput;
  return converted.value;
}

void WriteText(TextFileRecord& stream, std::string_view text, int width) {
  if (pendingIoError != 0 || !OpenForOutput(stream)) return;
  static constexpr std::array<std::uint8_t, PaddingRun> blanks = [] {
    std::array<std::uint8_t, PaddingRun> run{};
    run.fill(Blank);
    return run;
  }();
  if (width > 0 && static_cast<std::size_t>(width) > text.size()) {
    std::size_t padding = static_cast<std::size_t>(width) - text.size();
    while (padding > 0 && pendingIoError == 0) {
      std::size_t run = std::min(padding, PaddingRun);
      WriteBytes(stream, blanks.data(), run);
      padding -= run;
    }
  }
  if (pendingIoError == 0) WriteBytes(stream, text);
}

void WriteInteger(TextFileRecord& stream, std::int32_t value, int width) {
  std::array<char, 12> digits{};  // "-2147483648"
  auto [end, error] = std::to_chars(digits.data(), digits.data() + digits.size(), value);
  (void)error;
  WriteText(stream, std::string_view(digits.data(), static_cast<std::size_t>(end - digits.data())),
            width);
}

void WriteLineEnd(TextFileRecord& stream) {
  if (pendingIoError != 0 || !OpenForOutput(stream)) return;
  if ((stream.flags & CrLfLineEnds) != 0) {
    WriteBytes(stream, "\r\n");
  } else {
    WriteBytes(stream, "\n");
  }
  FlushText(stream);
}

void FlushText(TextFileRecord& stream) {
  if (pendingIoError != 0) return;
  if (stream.mode == ModeInput) return;
  if (stream.mode == ModeOutput || stream.mode == ModeInOut) {
    if (stream.flushProcedure != nullptr) Fail(stream.flushProcedure(stream));
    return;
  }
  if (!IsStandardOutput(stream)) pendingIoError = FileNotOpen;
}

}  // namespace runtime

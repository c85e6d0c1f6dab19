// Reading integers from and writing texts, integers and line ends to the
// runtime's text streams, and the I/O check that follows every such
// operation.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/text_file.h"

namespace runtime {

// The standard streams.  The console binds them to its window at start.
TextFileRecord& StandardInput();
TextFileRecord& StandardOutput();

// 0 when no error is pending; else the code of the failed operation.
int& PendingIoError();

// Open a stream through its device's open procedure, closing it first when
// it is open (the runtime's reset and rewrite).
void OpenForReading(TextFileRecord& stream);
void OpenForWriting(TextFileRecord& stream);

std::int32_t ReadInteger(TextFileRecord& stream);
void WriteText(TextFileRecord& stream, std::string_view text, int width);
void WriteInteger(TextFileRecord& stream, std::int32_t value, int width);
void WriteLineEnd(TextFileRecord& stream);
void FlushText(TextFileRecord& stream);

// The failure that CheckIO raises; the program's outermost handler shows it
// in the error box and ends the program with exit code 1.
struct EInOutError {
  std::string message;
  std::uint32_t address;  // a stable position of the failed check
};

// Returns when no error is pending; else clears it and throws EInOutError,
// whose address stands for the call site.  The site comes from the
// compiler's builtins, which GCC and clang fill in at the caller:
// std::source_location is missing from clang 14 with libstdc++ 12.
void CheckIO(const char* file = __builtin_FILE(), int line = __builtin_LINE());

// The address the error box shows for a failed check at this site.
std::uint32_t CheckAddress(const char* file, int line);

// The message text of an I/O error code.
std::string IoErrorText(int code);

// The text of the error box for an exception: class name, the program file's
// name, the position as 8 hexadecimal digits, the message and a full stop.
std::string ExceptionErrorText(const char* className, const char* moduleName,
                               std::uint32_t address, const std::string& message);

// Shows the error box and ends the program with exit code 1.
[[noreturn]] void ExceptionErrorBox(const EInOutError& error);

}  // namespace runtime

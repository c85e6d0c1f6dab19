// The I/O check and the fatal error path: a pending I/O error becomes an
// EInOutError, which the program's outermost handler shows in the error box
// before the program ends with exit code 1.
#include <array>
#include <cstdio>
#include <string_view>

#include "platform/platform.h"
#include "runtime/program_end.h"
#include "runtime/text_io.h"

namespace runtime {

namespace {

struct IoErrorRow {
  int code;
  const char* text;
};

constexpr std::array<IoErrorRow, 7> IoErrorTexts = {{
    {2, "File not found"},
    {3, "Invalid filename"},
    {4, "Too many open files"},
    {5, "File access denied"},
    {100, "Read beyond end of file"},
    {101, "Disk full"},
    {106, "Invalid numeric input"},
}};
static_assert(IoErrorTexts.size() == 7);

constexpr std::size_t MaxErrorTextLength = 1024;
constexpr std::size_t MaxPath = 260;

std::string_view WithoutDirectory(std::string_view path) {
  std::size_t slash = path.find_last_of("\\/");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

// The box shows a position of the failed check.  The position of the call
// in the program's image differs between compilers, builds and the two
// platforms, so the check names its call site instead: the high half is a
// hash of the source file's name (without its directory, which depends on
// where the program was built), the low half the line.  The same check thus
// shows the same eight digits in every build, and two checks never share
// them unless two files' names collide.
std::uint32_t CheckAddress(const char* file, int line) {
  std::uint32_t hash = 2166136261u;  // FNV-1a
  for (char c : WithoutDirectory(file)) {
    hash = (hash ^ static_cast<std::uint8_t>(c)) * 16777619u;
  }
  std::uint32_t fileHalf = (hash ^ (hash >> 16)) & 0xFFFFu;
  return (fileHalf << 16) | (static_cast<std::uint32_t>(line) & 0xFFFFu);
}

void CheckIO(const char* file, int line) {
  int code = PendingIoError();
  if (code == 0) return;
  PendingIoError() = 0;
  throw EInOutError{IoErrorText(code), CheckAddress(file, line)};
}

std::string IoErrorText(int code) {
  for (const IoErrorRow& row : IoErrorTexts) {
    if (row.code == code) return row.text;
  }
  return "I/O error " + std::to_string(code);
}

std::string ExceptionErrorText(const char* className, const char* moduleName,
                               std::uint32_t address, const std::string& message) {
  const char* fullStop = (!message.empty() && message.back() == '.') ? "" : ".";
  std::array<char, MaxErrorTextLength + 1> text{};
  std::snprintf(text.data(), text.size(), "Exception %s in module %s at %08X.\n%s%s", className,
                moduleName, static_cast<unsigned>(address), message.c_str(), fullStop);
  return text.data();
}

void ExceptionErrorBox(const EInOutError& error) {
  std::array<char, MaxPath> path{};
  platform::Os().GetModuleFileNameA(nullptr, path.data(),
                                    static_cast<platform::DWORD>(path.size()));
  std::string moduleName(WithoutDirectory(path.data()));
  std::string text = ExceptionErrorText("EInOutError", moduleName.c_str(), error.address,
                                        error.message);
  platform::Os().MessageBoxA(nullptr, text.c_str(), "Application Error",
                             platform::MB_TASKMODAL | platform::MB_ICONERROR);
  EndProgram(1);
}

}  // namespace runtime

// Placeholder until the runtime's text services land.
#include "runtime/text_io.h"

#include "runtime/program_end.h"

namespace runtime {

namespace {
int pendingIoError = 0;
}

int& PendingIoError() { return pendingIoError; }
std::int32_t ReadInteger(TextFileRecord&) { return 0; }
void WriteText(TextFileRecord&, std::string_view, int) {}
void WriteInteger(TextFileRecord&, std::int32_t, int) {}
void WriteLineEnd(TextFileRecord&) {}
void FlushText(TextFileRecord&) {}
void CheckIO() {}
std::string IoErrorText(int code) { return "I/O error " + std::to_string(code); }
std::string ExceptionErrorText(const char*, const char*, std::uint32_t, const std::string& message) {
  return message;
}
void ExceptionErrorBox(const EInOutError&) { EndProgram(1); }
void ResetTextIo() { pendingIoError = 0; }

}  // namespace runtime

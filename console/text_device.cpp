// Placeholder until the text device lands.
#include "console/text_device.h"

namespace console {

namespace {
TextFileRecord input;
TextFileRecord output;
}  // namespace

TextFileRecord& StandardInput() { return input; }
TextFileRecord& StandardOutput() { return output; }
void AssignConsole(TextFileRecord&) {}
std::int32_t ConsoleOpen(TextFileRecord&) { return 0; }
std::int32_t ConsoleWrite(TextFileRecord&) { return 0; }
std::int32_t ConsoleRead(TextFileRecord&) { return 0; }
std::int32_t ConsoleClose(TextFileRecord&) { return 0; }
std::uint16_t ReadLine(std::uint8_t*, std::uint16_t) { return 0; }
void BindStandardStreams() {}

}  // namespace console

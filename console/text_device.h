// The text device: binds the runtime's standard input and output streams
// to the console window and edits the lines typed into it.
#pragma once

#include <cstdint>

#include "runtime/text_file.h"

namespace console {

using runtime::TextFileRecord;

void AssignConsole(TextFileRecord& record);
std::int32_t ConsoleOpen(TextFileRecord& record);
std::int32_t ConsoleWrite(TextFileRecord& record);
std::int32_t ConsoleRead(TextFileRecord& record);
std::int32_t ConsoleClose(TextFileRecord& record);
std::uint16_t ReadLine(std::uint8_t* buffer, std::uint16_t size);

// Module start: standard input opened for reading, standard output for
// writing, both on the console.
void BindStandardStreams();

}  // namespace console

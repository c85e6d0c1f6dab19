// The text device: binds the standard input and output streams to the
// console window and edits the lines typed into it.
#pragma once

#include <cstdint>

namespace console {

constexpr std::uint16_t ModeClosed = 0xD7B0;
constexpr std::uint16_t ModeInput = 0xD7B1;
constexpr std::uint16_t ModeOutput = 0xD7B2;
constexpr std::uint16_t ModeInOut = 0xD7B3;
constexpr std::uint16_t CrLfLineEnds = 0x0001;
constexpr std::uint32_t TextBufferSize = 128;

struct TextFileRecord;
using TextProcedure = std::int32_t (*)(TextFileRecord& record);

struct TextFileRecord {
  std::uint32_t handle = 0;
  std::uint16_t mode = 0;
  std::uint16_t flags = 0;
  std::uint32_t bufferSize = 0;
  std::uint32_t bufferPosition = 0;
  std::uint32_t bufferEnd = 0;
  std::uint8_t* bufferPointer = nullptr;
  TextProcedure openProcedure = nullptr;
  TextProcedure inOutProcedure = nullptr;
  TextProcedure flushProcedure = nullptr;
  TextProcedure closeProcedure = nullptr;
  std::uint8_t userData[32] = {};
  char name[260] = {};
  std::uint8_t buffer[TextBufferSize] = {};
};

// The runtime's standard streams.
TextFileRecord& StandardInput();
TextFileRecord& StandardOutput();

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

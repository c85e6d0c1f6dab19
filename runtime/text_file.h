// The record of one text stream: mode, flags, a 128-byte buffer with its
// position and end, and the procedures of the device that serves it.  The
// runtime's reads and writes use it (text_io.h); a device (the console's
// text device) fills it.
#pragma once

#include <cstdint>

namespace runtime {

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

}  // namespace runtime

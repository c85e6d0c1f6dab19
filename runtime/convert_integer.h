// The one text-to-integer conversion, used by the console's configuration
// and by the integer reader: decimal with an optional sign, or hexadecimal
// after $, x, X or 0x.
#pragma once

#include <cstdint>

namespace runtime {

// errorPosition is 0 on success, else the 1-based position of the byte
// where the conversion stopped.
struct ConvertedInteger {
  std::int32_t value = 0;
  int errorPosition = 0;
};
ConvertedInteger ConvertInteger(const char* text, int length);
ConvertedInteger ConvertInteger(const char* text);

}  // namespace runtime

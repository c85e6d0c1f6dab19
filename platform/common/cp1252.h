// Windows-1252, the code page of every byte the program draws, types or
// shows as a title, against the UTF-8 that SDL speaks.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform::common {

// The code point of a byte.  The five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the C1 controls of the same value,
// as MultiByteToWideChar does.
char32_t UnicodeFromCp1252(unsigned char byte);

std::string Utf8FromCp1252(std::string_view bytes);

// Characters outside the code page, and malformed UTF-8, become
// `replacement`; a replacement of '\0' drops them instead.
std::string Cp1252FromUtf8(std::string_view text, char replacement = '\0');

}  // namespace platform::common

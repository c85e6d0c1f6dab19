// GetPrivateProfileStringA's rules over the text of an INI file, for the
// backends that have no such service of their own.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace platform {

// iniText is the whole file, or nothing when the file is missing or cannot
// be read.  Sections and keys match without regard to case; the value is
// trimmed and one pair of surrounding quotes is removed; a key that is
// missing (or a line without '=') gives the default with its trailing blanks
// removed; the copy is cut to size - 1 bytes and always terminated.  Returns
// the number of bytes copied, without the terminating zero.
DWORD ProfileString(const std::optional<std::string>& iniText, const char* section,
                    const char* key, const char* defaultValue, char* buffer, DWORD size);

}  // namespace platform

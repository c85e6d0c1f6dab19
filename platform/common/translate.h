// What TranslateMessage makes of a key message, shared by the stand-ins so
// that Enter, Backspace, the Ctrl letters and typed text come out as the
// same characters on every build.
#pragma once

#include <string>

#include "platform/platform.h"

namespace platform::common {

// The characters, in order, of the WM_CHARs that TranslateMessage posts for
// a key message: a WM_KEYDOWN's control character, else the text typed with
// it (null when there is none, or when Alt or Ctrl alone keep it from being
// typed); nothing for any other message.
std::string TranslatedCharacters(UINT message, WPARAM virtualKey, bool ctrl, bool alt,
                                 const std::string* text);

}  // namespace platform::common

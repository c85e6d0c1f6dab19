// What TranslateMessage makes of a key down on its own, shared by the
// stand-ins so that Enter, Backspace and the Ctrl letters type the same
// characters on every build.
#pragma once

#include <optional>

#include "platform/platform.h"

namespace platform::common {

// The character Windows' translation makes of a key with no text of its own.
std::optional<char> ControlCharacter(WPARAM virtualKey, bool ctrl, bool alt);

}  // namespace platform::common

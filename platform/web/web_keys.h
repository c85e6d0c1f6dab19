// KeyboardEvent.code to Win32 virtual keys.  The code names the key by its
// place on the keyboard (the place of a US keyboard's key), whatever layout
// is in use, so that the braille keys F D S J K L are those six keys on
// every layout.
#pragma once

#include <cstdint>
#include <string_view>

namespace platform::web {

struct KeyPlace {
  std::uint8_t virtualKey = 0;
  std::uint8_t sided = 0;  // VK_LSHIFT ... VK_RMENU for a modifier, else 0
};

// The virtual key that WM_KEYDOWN and WM_KEYUP carry, for the keys the
// program looks at (the console's key translation, the braille chords,
// Alt+F4, Ctrl+Break) or needs to tell apart (the modifiers): the generic
// VK_SHIFT, VK_CONTROL and VK_MENU for either side's modifier, keypad keys
// as VK_NUMPAD0..9 and VK_DECIMAL with Num Lock on and as the cursor keys
// without it, Pause with Ctrl held as VK_CANCEL.  Every other key is
// VK_PACKET: its character, if any, still comes.
KeyPlace KeyPlaceOf(std::string_view code, bool numLock, bool ctrl);

}  // namespace platform::web

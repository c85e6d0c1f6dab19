// SDL key codes to Win32 virtual keys.
#pragma once

#include <SDL.h>

#include <cstdint>

namespace platform::sdl {

// A key that Windows has no virtual key for (a character typed through a
// key the layout table does not know) travels as VK_PACKET, as Windows
// does for characters injected without a key.
inline constexpr std::uint8_t kPacketVirtualKey = 0xE7;

// The virtual key that WM_KEYDOWN and WM_KEYUP carry for a key: the generic
// VK_SHIFT, VK_CONTROL and VK_MENU for either side's modifier, keypad digits
// as VK_NUMPAD0..9 with Num Lock on and as the cursor keys without it, and
// Pause with Ctrl held as VK_CANCEL (Ctrl+Break).  0 when the key has none.
std::uint8_t VirtualKeyOf(SDL_Keycode key, SDL_Scancode scancode, Uint16 modifiers);

// VK_LSHIFT, VK_RSHIFT, VK_LCONTROL, VK_RCONTROL, VK_LMENU or VK_RMENU for
// a modifier key, else 0.  GetKeyState answers for these as well.
std::uint8_t SidedVirtualKeyOf(SDL_Keycode key);

// Keys whose WM_KEYDOWN has the extended-key bit (24) of lParam set.
bool IsExtendedKey(SDL_Keycode key);

}  // namespace platform::sdl

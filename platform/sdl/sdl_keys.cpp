#include "platform/sdl/sdl_keys.h"

#include <array>

namespace platform::sdl {

namespace {

struct KeyRow {
  SDL_Keycode key;
  std::uint8_t virtualKey;
  bool extended;  // lParam bit 24: the key sits in the cursor block or right of the main block
};

// Letters and main-row digits are not listed: their virtual key is their
// upper-case ASCII code (VirtualKeyOf).  Keypad digits are in their own
// table because Num Lock changes them.
constexpr auto kKeyTable = std::to_array<KeyRow>({
    //  SDL key                 VK     ext   Win32 name
    {SDLK_CANCEL, 0x03, false},        // VK_CANCEL
    {SDLK_BACKSPACE, 0x08, false},     // VK_BACK
    {SDLK_TAB, 0x09, false},           // VK_TAB
    {SDLK_CLEAR, 0x0C, false},         // VK_CLEAR
    {SDLK_RETURN, 0x0D, false},        // VK_RETURN
    {SDLK_RETURN2, 0x0D, false},       // VK_RETURN
    {SDLK_KP_ENTER, 0x0D, true},       // VK_RETURN, keypad
    {SDLK_LSHIFT, 0x10, false},        // VK_SHIFT
    {SDLK_RSHIFT, 0x10, false},        // VK_SHIFT
    {SDLK_LCTRL, 0x11, false},         // VK_CONTROL
    {SDLK_RCTRL, 0x11, true},          // VK_CONTROL
    {SDLK_LALT, 0x12, false},          // VK_MENU
    {SDLK_RALT, 0x12, true},           // VK_MENU
    {SDLK_PAUSE, 0x13, false},         // VK_PAUSE
    {SDLK_CAPSLOCK, 0x14, false},      // VK_CAPITAL
    {SDLK_ESCAPE, 0x1B, false},        // VK_ESCAPE
    {SDLK_SPACE, 0x20, false},         // VK_SPACE
    {SDLK_PAGEUP, 0x21, true},         // VK_PRIOR
    {SDLK_PAGEDOWN, 0x22, true},       // VK_NEXT
    {SDLK_END, 0x23, true},            // VK_END
    {SDLK_HOME, 0x24, true},           // VK_HOME
    {SDLK_LEFT, 0x25, true},           // VK_LEFT
    {SDLK_UP, 0x26, true},             // VK_UP
    {SDLK_RIGHT, 0x27, true},          // VK_RIGHT
    {SDLK_DOWN, 0x28, true},           // VK_DOWN
    {SDLK_SELECT, 0x29, false},        // VK_SELECT
    {SDLK_EXECUTE, 0x2B, false},       // VK_EXECUTE
    {SDLK_PRINTSCREEN, 0x2C, true},    // VK_SNAPSHOT
    {SDLK_INSERT, 0x2D, true},         // VK_INSERT
    {SDLK_DELETE, 0x2E, true},         // VK_DELETE
    {SDLK_HELP, 0x2F, false},          // VK_HELP
    {SDLK_LGUI, 0x5B, true},           // VK_LWIN
    {SDLK_RGUI, 0x5C, true},           // VK_RWIN
    {SDLK_APPLICATION, 0x5D, true},    // VK_APPS
    {SDLK_SLEEP, 0x5F, false},         // VK_SLEEP
    {SDLK_KP_MULTIPLY, 0x6A, false},   // VK_MULTIPLY
    {SDLK_KP_PLUS, 0x6B, false},       // VK_ADD
    {SDLK_KP_COMMA, 0x6C, false},      // VK_SEPARATOR
    {SDLK_KP_MINUS, 0x6D, false},      // VK_SUBTRACT
    {SDLK_KP_DIVIDE, 0x6F, true},      // VK_DIVIDE
    {SDLK_F1, 0x70, false},            // VK_F1
    {SDLK_F2, 0x71, false},            // VK_F2
    {SDLK_F3, 0x72, false},            // VK_F3
    {SDLK_F4, 0x73, false},            // VK_F4
    {SDLK_F5, 0x74, false},            // VK_F5
    {SDLK_F6, 0x75, false},            // VK_F6
    {SDLK_F7, 0x76, false},            // VK_F7
    {SDLK_F8, 0x77, false},            // VK_F8
    {SDLK_F9, 0x78, false},            // VK_F9
    {SDLK_F10, 0x79, false},           // VK_F10
    {SDLK_F11, 0x7A, false},           // VK_F11
    {SDLK_F12, 0x7B, false},           // VK_F12
    {SDLK_NUMLOCKCLEAR, 0x90, true},   // VK_NUMLOCK
    {SDLK_SCROLLLOCK, 0x91, false},    // VK_SCROLL
    {SDLK_SEMICOLON, 0xBA, false},     // VK_OEM_1
    {SDLK_EQUALS, 0xBB, false},        // VK_OEM_PLUS
    {SDLK_PLUS, 0xBB, false},          // VK_OEM_PLUS
    {SDLK_COMMA, 0xBC, false},         // VK_OEM_COMMA
    {SDLK_MINUS, 0xBD, false},         // VK_OEM_MINUS
    {SDLK_PERIOD, 0xBE, false},        // VK_OEM_PERIOD
    {SDLK_SLASH, 0xBF, false},         // VK_OEM_2
    {SDLK_BACKQUOTE, 0xC0, false},     // VK_OEM_3
    {SDLK_LEFTBRACKET, 0xDB, false},   // VK_OEM_4
    {SDLK_BACKSLASH, 0xDC, false},     // VK_OEM_5
    {SDLK_RIGHTBRACKET, 0xDD, false},  // VK_OEM_6
    {SDLK_QUOTE, 0xDE, false},         // VK_OEM_7
});
static_assert(kKeyTable.size() == 66);

struct KeypadRow {
  SDL_Keycode key;
  std::uint8_t withNumLock;
  std::uint8_t withoutNumLock;
};

constexpr auto kKeypadTable = std::to_array<KeypadRow>({
    //  SDL key        Num Lock on         Num Lock off
    {SDLK_KP_0, 0x60, 0x2D},       // VK_NUMPAD0  VK_INSERT
    {SDLK_KP_1, 0x61, 0x23},       // VK_NUMPAD1  VK_END
    {SDLK_KP_2, 0x62, 0x28},       // VK_NUMPAD2  VK_DOWN
    {SDLK_KP_3, 0x63, 0x22},       // VK_NUMPAD3  VK_NEXT
    {SDLK_KP_4, 0x64, 0x25},       // VK_NUMPAD4  VK_LEFT
    {SDLK_KP_5, 0x65, 0x0C},       // VK_NUMPAD5  VK_CLEAR
    {SDLK_KP_6, 0x66, 0x27},       // VK_NUMPAD6  VK_RIGHT
    {SDLK_KP_7, 0x67, 0x24},       // VK_NUMPAD7  VK_HOME
    {SDLK_KP_8, 0x68, 0x26},       // VK_NUMPAD8  VK_UP
    {SDLK_KP_9, 0x69, 0x21},       // VK_NUMPAD9  VK_PRIOR
    {SDLK_KP_PERIOD, 0x6E, 0x2E},  // VK_DECIMAL  VK_DELETE
});
static_assert(kKeypadTable.size() == 11);

struct ScancodeRow {
  SDL_Scancode scancode;
  std::uint8_t virtualKey;
};

// Keys whose layout gives them a character outside ASCII (the c-cedilla
// and dead keys of Portuguese layouts, for instance) still have a place on
// the keyboard; Windows names them by that place.
constexpr auto kScancodeTable = std::to_array<ScancodeRow>({
    {SDL_SCANCODE_SEMICOLON, 0xBA},       // VK_OEM_1
    {SDL_SCANCODE_EQUALS, 0xBB},          // VK_OEM_PLUS
    {SDL_SCANCODE_COMMA, 0xBC},           // VK_OEM_COMMA
    {SDL_SCANCODE_MINUS, 0xBD},           // VK_OEM_MINUS
    {SDL_SCANCODE_PERIOD, 0xBE},          // VK_OEM_PERIOD
    {SDL_SCANCODE_SLASH, 0xBF},           // VK_OEM_2
    {SDL_SCANCODE_GRAVE, 0xC0},           // VK_OEM_3
    {SDL_SCANCODE_INTERNATIONAL1, 0xC1},  // VK_ABNT_C1, the Brazilian /? key
    {SDL_SCANCODE_LEFTBRACKET, 0xDB},     // VK_OEM_4
    {SDL_SCANCODE_BACKSLASH, 0xDC},       // VK_OEM_5
    {SDL_SCANCODE_RIGHTBRACKET, 0xDD},    // VK_OEM_6
    {SDL_SCANCODE_APOSTROPHE, 0xDE},      // VK_OEM_7
    {SDL_SCANCODE_NONUSBACKSLASH, 0xE2},  // VK_OEM_102
});
static_assert(kScancodeTable.size() == 13);

constexpr std::uint8_t kCancel = 0x03;

}  // namespace

std::uint8_t VirtualKeyOf(SDL_Keycode key, SDL_Scancode scancode, Uint16 modifiers) {
  if (key == SDLK_PAUSE && (modifiers & KMOD_CTRL) != 0) return kCancel;
  if (key >= SDLK_a && key <= SDLK_z) return static_cast<std::uint8_t>(key - SDLK_a + 'A');
  if (key >= SDLK_0 && key <= SDLK_9) return static_cast<std::uint8_t>(key);
  for (const KeypadRow& row : kKeypadTable) {
    if (row.key == key) return (modifiers & KMOD_NUM) != 0 ? row.withNumLock : row.withoutNumLock;
  }
  for (const KeyRow& row : kKeyTable) {
    if (row.key == key) return row.virtualKey;
  }
  // The layout put something else on a letter or digit key.
  if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z) {
    return static_cast<std::uint8_t>('A' + (scancode - SDL_SCANCODE_A));
  }
  if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9) {
    return static_cast<std::uint8_t>('1' + (scancode - SDL_SCANCODE_1));
  }
  if (scancode == SDL_SCANCODE_0) return '0';
  for (const ScancodeRow& row : kScancodeTable) {
    if (row.scancode == scancode) return row.virtualKey;
  }
  return 0;
}

std::uint8_t SidedVirtualKeyOf(SDL_Keycode key) {
  switch (key) {
    case SDLK_LSHIFT: return 0xA0;  // VK_LSHIFT
    case SDLK_RSHIFT: return 0xA1;  // VK_RSHIFT
    case SDLK_LCTRL: return 0xA2;   // VK_LCONTROL
    case SDLK_RCTRL: return 0xA3;   // VK_RCONTROL
    case SDLK_LALT: return 0xA4;    // VK_LMENU
    case SDLK_RALT: return 0xA5;    // VK_RMENU
    default: return 0;
  }
}

bool IsExtendedKey(SDL_Keycode key) {
  for (const KeyRow& row : kKeyTable) {
    if (row.key == key) return row.extended;
  }
  return false;
}

}  // namespace platform::sdl

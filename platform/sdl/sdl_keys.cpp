#include "platform/sdl/sdl_platform.h"

#include <array>

namespace platform::sdl {

namespace {

struct KeyRow {
  SDL_Keycode key;
  std::uint8_t virtualKey;
  std::uint8_t withoutNumLock = 0;  // keypad keys: the key it is while Num Lock is off
};

// The keys the program looks at (the console's key translation, the
// braille chords, Alt+F4, Ctrl+Break) or needs to tell apart (the
// modifiers).  Letters and main-row digits are not listed: their virtual
// key is their upper-case ASCII code.
constexpr auto kKeyTable = std::to_array<KeyRow>({
    {SDLK_BACKSPACE, VK_BACK},   {SDLK_TAB, VK_TAB},         {SDLK_RETURN, VK_RETURN},
    {SDLK_RETURN2, VK_RETURN},   {SDLK_KP_ENTER, VK_RETURN}, {SDLK_LSHIFT, VK_SHIFT},
    {SDLK_RSHIFT, VK_SHIFT},     {SDLK_LCTRL, VK_CONTROL},   {SDLK_RCTRL, VK_CONTROL},
    {SDLK_LALT, VK_MENU},        {SDLK_RALT, VK_MENU},       {SDLK_PAUSE, VK_PAUSE},
    {SDLK_ESCAPE, VK_ESCAPE},    {SDLK_SPACE, VK_SPACE},     {SDLK_PAGEUP, VK_PRIOR},
    {SDLK_PAGEDOWN, VK_NEXT},    {SDLK_END, VK_END},         {SDLK_HOME, VK_HOME},
    {SDLK_LEFT, VK_LEFT},        {SDLK_UP, VK_UP},           {SDLK_RIGHT, VK_RIGHT},
    {SDLK_DOWN, VK_DOWN},        {SDLK_INSERT, VK_INSERT},   {SDLK_DELETE, VK_DELETE},
    {SDLK_F1, VK_F1},            {SDLK_F2, VK_F2},           {SDLK_F3, VK_F3},
    {SDLK_F4, VK_F4},            {SDLK_F5, VK_F5},           {SDLK_F6, VK_F6},
    {SDLK_F7, VK_F7},            {SDLK_F8, VK_F8},           {SDLK_F9, VK_F9},
    {SDLK_F10, VK_F10},          {SDLK_F11, VK_F11},         {SDLK_F12, VK_F12},
    {SDLK_KP_0, VK_NUMPAD0, VK_INSERT}, {SDLK_KP_1, VK_NUMPAD1, VK_END},
    {SDLK_KP_2, VK_NUMPAD2, VK_DOWN},   {SDLK_KP_3, VK_NUMPAD3, VK_NEXT},
    {SDLK_KP_4, VK_NUMPAD4, VK_LEFT},   {SDLK_KP_5, VK_NUMPAD5, VK_CLEAR},
    {SDLK_KP_6, VK_NUMPAD6, VK_RIGHT},  {SDLK_KP_7, VK_NUMPAD7, VK_HOME},
    {SDLK_KP_8, VK_NUMPAD8, VK_UP},     {SDLK_KP_9, VK_NUMPAD9, VK_PRIOR},
    {SDLK_KP_PERIOD, VK_DECIMAL, VK_DELETE},
});
static_assert(kKeyTable.size() == 36 + 11);

}  // namespace

std::uint8_t VirtualKeyOf(SDL_Keycode key, SDL_Scancode scancode, Uint16 modifiers) {
  if (key == SDLK_PAUSE && (modifiers & KMOD_CTRL) != 0) return VK_CANCEL;
  if (key >= SDLK_a && key <= SDLK_z) return static_cast<std::uint8_t>(key - SDLK_a + 'A');
  if (key >= SDLK_0 && key <= SDLK_9) return static_cast<std::uint8_t>(key);
  for (const KeyRow& row : kKeyTable) {
    if (row.key != key) continue;
    return row.withoutNumLock != 0 && (modifiers & KMOD_NUM) == 0 ? row.withoutNumLock
                                                                  : row.virtualKey;
  }
  // The layout put something else on a letter or digit key (an accented
  // letter, AZERTY's digit row): Windows names it by its place.
  if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z) {
    return static_cast<std::uint8_t>('A' + (scancode - SDL_SCANCODE_A));
  }
  if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9) {
    return static_cast<std::uint8_t>('1' + (scancode - SDL_SCANCODE_1));
  }
  return scancode == SDL_SCANCODE_0 ? '0' : VK_PACKET;
}

std::uint8_t SidedVirtualKeyOf(SDL_Keycode key) {
  switch (key) {
    case SDLK_LSHIFT: return VK_LSHIFT;
    case SDLK_RSHIFT: return VK_RSHIFT;
    case SDLK_LCTRL: return VK_LCONTROL;
    case SDLK_RCTRL: return VK_RCONTROL;
    case SDLK_LALT: return VK_LMENU;
    case SDLK_RALT: return VK_RMENU;
    default: return 0;
  }
}

}  // namespace platform::sdl

// What the window system's keymap says of the right Alt key.  SDL names
// the key right Alt whatever the layout makes of it; the layout is asked
// here, through the connection SDL opened.
#include <SDL_syswm.h>
#include <X11/XKBlib.h>
#include <X11/keysym.h>

#include <cstring>

#include "platform/sdl/sdl_platform.h"

namespace platform::sdl {

// The key XKB names RALT is AltGr where its first level is a level-three
// shift (ISO_Level3_Shift, or the older Mode_switch), as in the Brazilian,
// Portuguese and most European layouts; in the US layout it is Alt_R.
bool RightAltIsAltGr(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (window == nullptr || SDL_GetWindowWMInfo(window, &info) != SDL_TRUE ||
      info.subsystem != SDL_SYSWM_X11) {
    return false;
  }
  Display* display = info.info.x11.display;
  XkbDescPtr keyboard = XkbGetMap(display, XkbKeySymsMask, XkbUseCoreKbd);
  if (keyboard == nullptr) return false;
  bool altGr = false;
  XkbStateRec state{};
  if (XkbGetNames(display, XkbKeyNamesMask, keyboard) == Success && keyboard->names != nullptr &&
      XkbGetState(display, XkbUseCoreKbd, &state) == Success) {
    for (int code = keyboard->min_key_code; code <= keyboard->max_key_code; ++code) {
      if (std::strncmp(keyboard->names->keys[code].name, "RALT", XkbKeyNameLength) != 0) continue;
      int groups = XkbKeyNumGroups(keyboard, code);
      if (groups > 0) {
        KeySym symbol = XkbKeySymEntry(keyboard, code, 0, state.group % groups);
        altGr = symbol == XK_ISO_Level3_Shift || symbol == XK_Mode_switch;
      }
      break;
    }
  }
  XkbFreeKeyboard(keyboard, 0, True);
  return altGr;
}

}  // namespace platform::sdl

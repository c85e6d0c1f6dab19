// platform/virtual_keys.h spells the virtual keys for every build: checked
// here, when the Windows builds are compiled, against the system's own.
#include "platform/virtual_keys.h"

#include <array>

// Each name twice: before windows.h it is ours, after it the system's macro.
#define MIRABO_VIRTUAL_KEYS(KEY)                                                              \
  KEY(VK_RBUTTON) KEY(VK_CANCEL) KEY(VK_BACK) KEY(VK_TAB) KEY(VK_CLEAR) KEY(VK_RETURN)        \
  KEY(VK_SHIFT) KEY(VK_CONTROL) KEY(VK_MENU) KEY(VK_PAUSE) KEY(VK_ESCAPE) KEY(VK_SPACE)       \
  KEY(VK_PRIOR) KEY(VK_NEXT) KEY(VK_END) KEY(VK_HOME) KEY(VK_LEFT) KEY(VK_UP) KEY(VK_RIGHT)   \
  KEY(VK_DOWN) KEY(VK_INSERT) KEY(VK_DELETE) KEY(VK_NUMPAD0) KEY(VK_NUMPAD1) KEY(VK_NUMPAD2) \
  KEY(VK_NUMPAD3) KEY(VK_NUMPAD4) KEY(VK_NUMPAD5) KEY(VK_NUMPAD6) KEY(VK_NUMPAD7)             \
  KEY(VK_NUMPAD8) KEY(VK_NUMPAD9) KEY(VK_DECIMAL) KEY(VK_F1) KEY(VK_F2) KEY(VK_F3) KEY(VK_F4) \
  KEY(VK_F5) KEY(VK_F6) KEY(VK_F7) KEY(VK_F8) KEY(VK_F9) KEY(VK_F10) KEY(VK_F11) KEY(VK_F12)  \
  KEY(VK_LSHIFT) KEY(VK_RSHIFT) KEY(VK_LCONTROL) KEY(VK_RCONTROL) KEY(VK_LMENU)               \
  KEY(VK_RMENU) KEY(VK_PACKET)
#define MIRABO_KEY_VALUE(name) name,

namespace {
using namespace platform;
constexpr std::array ours{MIRABO_VIRTUAL_KEYS(MIRABO_KEY_VALUE)};
}  // namespace

#include <windows.h>

static_assert(ours == std::array{MIRABO_VIRTUAL_KEYS(MIRABO_KEY_VALUE)},
              "platform/virtual_keys.h disagrees with windows.h");

#include "platform/web/web_keys.h"

#include <array>

#include "platform/virtual_keys.h"

namespace platform::web {

namespace {

struct KeyRow {
  std::string_view code;
  int virtualKey;
  int sided = 0;           // the modifiers: the side's own key as well
  int withoutNumLock = 0;  // keypad keys: the key it is while Num Lock is off
};

// Letters (KeyA..KeyZ) and main-row digits (Digit0..Digit9) are not listed:
// their virtual key is their upper-case ASCII code.
constexpr auto kKeyTable = std::to_array<KeyRow>({
    {"Backspace", VK_BACK},
    {"Tab", VK_TAB},
    {"Enter", VK_RETURN},
    {"NumpadEnter", VK_RETURN},
    {"ShiftLeft", VK_SHIFT, VK_LSHIFT},
    {"ShiftRight", VK_SHIFT, VK_RSHIFT},
    {"ControlLeft", VK_CONTROL, VK_LCONTROL},
    {"ControlRight", VK_CONTROL, VK_RCONTROL},
    {"AltLeft", VK_MENU, VK_LMENU},
    {"AltRight", VK_MENU, VK_RMENU},
    {"Pause", VK_PAUSE},
    {"Escape", VK_ESCAPE},
    {"Space", VK_SPACE},
    {"PageUp", VK_PRIOR},
    {"PageDown", VK_NEXT},
    {"End", VK_END},
    {"Home", VK_HOME},
    {"ArrowLeft", VK_LEFT},
    {"ArrowUp", VK_UP},
    {"ArrowRight", VK_RIGHT},
    {"ArrowDown", VK_DOWN},
    {"Insert", VK_INSERT},
    {"Delete", VK_DELETE},
    {"F1", VK_F1},
    {"F2", VK_F2},
    {"F3", VK_F3},
    {"F4", VK_F4},
    {"F5", VK_F5},
    {"F6", VK_F6},
    {"F7", VK_F7},
    {"F8", VK_F8},
    {"F9", VK_F9},
    {"F10", VK_F10},
    {"F11", VK_F11},
    {"F12", VK_F12},
    {"Numpad0", VK_NUMPAD0, 0, VK_INSERT},
    {"Numpad1", VK_NUMPAD1, 0, VK_END},
    {"Numpad2", VK_NUMPAD2, 0, VK_DOWN},
    {"Numpad3", VK_NUMPAD3, 0, VK_NEXT},
    {"Numpad4", VK_NUMPAD4, 0, VK_LEFT},
    {"Numpad5", VK_NUMPAD5, 0, VK_CLEAR},
    {"Numpad6", VK_NUMPAD6, 0, VK_RIGHT},
    {"Numpad7", VK_NUMPAD7, 0, VK_HOME},
    {"Numpad8", VK_NUMPAD8, 0, VK_UP},
    {"Numpad9", VK_NUMPAD9, 0, VK_PRIOR},
    {"NumpadDecimal", VK_DECIMAL, 0, VK_DELETE},
});
static_assert(kKeyTable.size() == 35 + 11);

KeyPlace Place(int virtualKey, int sided = 0) {
  return KeyPlace{static_cast<std::uint8_t>(virtualKey), static_cast<std::uint8_t>(sided)};
}

}  // namespace

KeyPlace KeyPlaceOf(std::string_view code, bool numLock, bool ctrl) {
  if (code.size() == 4 && code.substr(0, 3) == "Key" && code[3] >= 'A' && code[3] <= 'Z') {
    return Place(code[3]);
  }
  if (code.size() == 6 && code.substr(0, 5) == "Digit" && code[5] >= '0' && code[5] <= '9') {
    return Place(code[5]);
  }
  // Ctrl+Pause is the Break key.
  if (code == "Pause" && ctrl) return Place(VK_CANCEL);
  for (const KeyRow& row : kKeyTable) {
    if (row.code != code) continue;
    if (row.withoutNumLock != 0 && !numLock) return Place(row.withoutNumLock);
    return Place(row.virtualKey, row.sided);
  }
  return Place(VK_PACKET);
}

}  // namespace platform::web

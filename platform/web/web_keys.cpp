#include "platform/web/web_keys.h"

#include <array>

namespace platform::web {

namespace {

struct KeyRow {
  std::string_view code;
  std::uint8_t virtualKey;
  std::uint8_t sided;
  bool extended;  // the key sits in the cursor block or right of the main block
};

// Letters (KeyA..KeyZ), main-row digits (Digit0..Digit9) and function keys
// (F1..F24) are not listed: KeyPlaceOf counts them.  Keypad keys are in
// their own table because Num Lock changes them.
constexpr auto kKeyTable = std::to_array<KeyRow>({
    //  KeyboardEvent.code   VK   sided  ext    Win32 name
    {"Backspace", 0x08, 0x00, false},       // VK_BACK
    {"Tab", 0x09, 0x00, false},             // VK_TAB
    {"Enter", 0x0D, 0x00, false},           // VK_RETURN
    {"NumpadEnter", 0x0D, 0x00, true},      // VK_RETURN, keypad
    {"ShiftLeft", 0x10, 0xA0, false},       // VK_SHIFT, VK_LSHIFT
    {"ShiftRight", 0x10, 0xA1, false},      // VK_SHIFT, VK_RSHIFT
    {"ControlLeft", 0x11, 0xA2, false},     // VK_CONTROL, VK_LCONTROL
    {"ControlRight", 0x11, 0xA3, true},     // VK_CONTROL, VK_RCONTROL
    {"AltLeft", 0x12, 0xA4, false},         // VK_MENU, VK_LMENU
    {"AltRight", 0x12, 0xA5, true},         // VK_MENU, VK_RMENU
    {"Pause", 0x13, 0x00, false},           // VK_PAUSE
    {"CapsLock", 0x14, 0x00, false},        // VK_CAPITAL
    {"Escape", 0x1B, 0x00, false},          // VK_ESCAPE
    {"Space", 0x20, 0x00, false},           // VK_SPACE
    {"PageUp", 0x21, 0x00, true},           // VK_PRIOR
    {"PageDown", 0x22, 0x00, true},         // VK_NEXT
    {"End", 0x23, 0x00, true},              // VK_END
    {"Home", 0x24, 0x00, true},             // VK_HOME
    {"ArrowLeft", 0x25, 0x00, true},        // VK_LEFT
    {"ArrowUp", 0x26, 0x00, true},          // VK_UP
    {"ArrowRight", 0x27, 0x00, true},       // VK_RIGHT
    {"ArrowDown", 0x28, 0x00, true},        // VK_DOWN
    {"Select", 0x29, 0x00, false},          // VK_SELECT
    {"PrintScreen", 0x2C, 0x00, true},      // VK_SNAPSHOT
    {"Insert", 0x2D, 0x00, true},           // VK_INSERT
    {"Delete", 0x2E, 0x00, true},           // VK_DELETE
    {"Help", 0x2F, 0x00, false},            // VK_HELP
    {"MetaLeft", 0x5B, 0x00, true},         // VK_LWIN
    {"OSLeft", 0x5B, 0x00, true},           // VK_LWIN, older browsers' name
    {"MetaRight", 0x5C, 0x00, true},        // VK_RWIN
    {"OSRight", 0x5C, 0x00, true},          // VK_RWIN, older browsers' name
    {"ContextMenu", 0x5D, 0x00, true},      // VK_APPS
    {"Sleep", 0x5F, 0x00, false},           // VK_SLEEP
    {"NumpadMultiply", 0x6A, 0x00, false},  // VK_MULTIPLY
    {"NumpadAdd", 0x6B, 0x00, false},       // VK_ADD
    {"NumpadComma", 0x6C, 0x00, false},     // VK_SEPARATOR
    {"NumpadSubtract", 0x6D, 0x00, false},  // VK_SUBTRACT
    {"NumpadDivide", 0x6F, 0x00, true},     // VK_DIVIDE
    {"NumLock", 0x90, 0x00, true},          // VK_NUMLOCK
    {"ScrollLock", 0x91, 0x00, false},      // VK_SCROLL
    {"Semicolon", 0xBA, 0x00, false},       // VK_OEM_1
    {"Equal", 0xBB, 0x00, false},           // VK_OEM_PLUS
    {"Comma", 0xBC, 0x00, false},           // VK_OEM_COMMA
    {"Minus", 0xBD, 0x00, false},           // VK_OEM_MINUS
    {"Period", 0xBE, 0x00, false},          // VK_OEM_PERIOD
    {"Slash", 0xBF, 0x00, false},           // VK_OEM_2
    {"Backquote", 0xC0, 0x00, false},       // VK_OEM_3
    {"IntlRo", 0xC1, 0x00, false},          // VK_ABNT_C1, the Brazilian /? key
    {"BracketLeft", 0xDB, 0x00, false},     // VK_OEM_4
    {"Backslash", 0xDC, 0x00, false},       // VK_OEM_5
    {"BracketRight", 0xDD, 0x00, false},    // VK_OEM_6
    {"Quote", 0xDE, 0x00, false},           // VK_OEM_7
    {"IntlBackslash", 0xE2, 0x00, false},   // VK_OEM_102
});
static_assert(kKeyTable.size() == 53);

struct KeypadRow {
  std::string_view code;
  std::uint8_t withNumLock;
  std::uint8_t withoutNumLock;
};

constexpr auto kKeypadTable = std::to_array<KeypadRow>({
    //  code            Num Lock on         Num Lock off
    {"Numpad0", 0x60, 0x2D},        // VK_NUMPAD0  VK_INSERT
    {"Numpad1", 0x61, 0x23},        // VK_NUMPAD1  VK_END
    {"Numpad2", 0x62, 0x28},        // VK_NUMPAD2  VK_DOWN
    {"Numpad3", 0x63, 0x22},        // VK_NUMPAD3  VK_NEXT
    {"Numpad4", 0x64, 0x25},        // VK_NUMPAD4  VK_LEFT
    {"Numpad5", 0x65, 0x0C},        // VK_NUMPAD5  VK_CLEAR
    {"Numpad6", 0x66, 0x27},        // VK_NUMPAD6  VK_RIGHT
    {"Numpad7", 0x67, 0x24},        // VK_NUMPAD7  VK_HOME
    {"Numpad8", 0x68, 0x26},        // VK_NUMPAD8  VK_UP
    {"Numpad9", 0x69, 0x21},        // VK_NUMPAD9  VK_PRIOR
    {"NumpadDecimal", 0x6E, 0x2E},  // VK_DECIMAL  VK_DELETE
});
static_assert(kKeypadTable.size() == 11);

constexpr std::uint8_t kCancel = 0x03;  // VK_CANCEL
constexpr std::uint8_t kF1 = 0x70;      // VK_F1

// The number after `prefix` in `code`, within [low, high]; -1 if none.
int NumberAfter(std::string_view code, std::string_view prefix, int low, int high) {
  if (code.size() <= prefix.size() || code.substr(0, prefix.size()) != prefix) return -1;
  int number = 0;
  for (char c : code.substr(prefix.size())) {
    if (c < '0' || c > '9' || number > high) return -1;
    number = number * 10 + (c - '0');
  }
  return number >= low && number <= high ? number : -1;
}

}  // namespace

KeyPlace KeyPlaceOf(std::string_view code, bool numLock, bool ctrl) {
  if (code.size() == 4 && code.substr(0, 3) == "Key" && code[3] >= 'A' && code[3] <= 'Z') {
    return KeyPlace{static_cast<std::uint8_t>(code[3]), 0, false};
  }
  if (code.size() == 6 && code.substr(0, 5) == "Digit" && code[5] >= '0' && code[5] <= '9') {
    return KeyPlace{static_cast<std::uint8_t>(code[5]), 0, false};
  }
  if (int function = NumberAfter(code, "F", 1, 24); function > 0) {
    return KeyPlace{static_cast<std::uint8_t>(kF1 + function - 1), 0, false};
  }
  // Ctrl+Pause is the Break key; some browsers name that key Cancel.
  if ((code == "Pause" && ctrl) || code == "Cancel") return KeyPlace{kCancel, 0, false};
  for (const KeypadRow& row : kKeypadTable) {
    if (row.code == code) return KeyPlace{numLock ? row.withNumLock : row.withoutNumLock, 0, false};
  }
  for (const KeyRow& row : kKeyTable) {
    if (row.code == code) return KeyPlace{row.virtualKey, row.sided, row.extended};
  }
  return KeyPlace{};
}

}  // namespace platform::web

// Key translation into the key queue, and the reads from it.
#include "console/keyboard.h"

#include <array>

#include "console/braille.h"
#include "console/caret.h"
#include "console/key_queue.h"
#include "console/message_pump.h"
#include "console/window_creation.h"
#include "console/window_state.h"

namespace console {

namespace {

using namespace platform;

struct FunctionKey {
  std::uint16_t virtualKey;
  std::uint8_t normalCode;
  std::uint8_t ctrlCode;
};

// Marks the one row (Insert) whose Shift variant has a code of its own.
constexpr std::uint8_t ShiftRuleMark = 0xFF;
constexpr std::uint8_t ShiftInsertCode = 0xFE;

// The second byte of the extended key each key produces.  Searched from the
// top; the first match wins.
constexpr std::array<FunctionKey, 22> FunctionKeyTable = {{
    //  key, code, code with Ctrl
    {VK_F1, 0x3B, 0x5E},
    {VK_F2, 0x3C, 0x5F},
    {VK_F3, 0x3D, 0x60},
    {VK_F4, 0x3E, 0x61},
    {VK_F5, 0x3F, 0x62},
    {VK_F6, 0x40, 0x63},
    {VK_F7, 0x41, 0x64},
    {VK_F8, 0x42, 0x65},
    {VK_F9, 0x43, 0x66},
    {VK_F10, 0x44, 0x67},
    {VK_F11, 0x45, 0x68},
    {VK_F12, 0x46, 0x69},
    {VK_INSERT, 0x52, ShiftRuleMark},  // Shift+Insert gives 0xFE
    {VK_DELETE, 0x53, 0x53},  // Ctrl changes nothing
    {VK_HOME, 0x47, 0x77},
    {VK_END, 0x4F, 0x75},
    {VK_PRIOR, 0x49, 0x84},
    {VK_NEXT, 0x51, 0x76},
    {VK_UP, 0x48, 0x71},
    {VK_DOWN, 0x50, 0x72},
    {VK_LEFT, 0x4B, 0x73},
    {VK_RIGHT, 0x4D, 0x74},
}};
static_assert(FunctionKeyTable.size() == 22);

// Indexed by virtual key - 'A'.
constexpr std::array<std::uint8_t, 26> AltLetterCodes = {
    0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,  // A B C D E F G H I
    0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,  // J K L M N O P Q R
    0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C,        // S T U V W X Y Z
};
static_assert(AltLetterCodes.size() == 26);

// Indexed by virtual key - '0'; the main keyboard's digit row only.
constexpr std::array<std::uint8_t, 10> AltDigitCodes = {
    0x81, 0x78, 0x79, 0x7A, 0x7B, 0x7C, 0x7D, 0x7E, 0x7F, 0x80,  // 0 1 2 ... 9
};
static_assert(AltDigitCodes.size() == 10);

constexpr std::uint8_t Backspace = 8;
constexpr std::uint8_t CarriageReturn = 13;
constexpr std::uint8_t LineFeed = 10;
constexpr std::uint8_t CtrlBackspace = 127;

KeyQueueState& queue = KeyQueue();

bool Held(int virtualKey) { return Os().GetKeyState(virtualKey) < 0; }

// A key that needs two bytes is dropped whole when they do not both fit.
void QueueExtendedKey(std::uint8_t code) {
  if (queue.count > KeyQueueCapacity - 2) return;
  queue.bytes[queue.count++] = 0;
  queue.bytes[queue.count++] = code;
}

}  // namespace

bool KeyPressed() {
  EnsureWindow();
  PumpMessages();
  return queue.count > 0;
}

std::uint8_t ReadKey() {
  if (!KeyPressed()) {
    WindowState& window = Window();
    window.WaitingForKey = true;
    if (window.HasFocus) CaretOn();
    do {
      Os().WaitMessage();
    } while (!KeyPressed());
    // The focus handlers keep the caret in step with HasFocus while we wait.
    if (window.HasFocus) CaretOff();
    window.WaitingForKey = false;
  }
  std::uint8_t key = queue.bytes[0];
  --queue.count;
  for (int i = 0; i < queue.count; ++i) queue.bytes[i] = queue.bytes[i + 1];
  return key;
}

void OnChar(std::uint8_t character) {
  // In braille mode these are the chord keys' own characters.
  if (BrailleMode() != 0 && (character == ' ' || (character >= 'A' && character <= 'Z') ||
                             (character >= 'a' && character <= 'z'))) {
    return;
  }
  if (queue.count >= KeyQueueCapacity) return;
  if (character == Backspace && Held(platform::VK_CONTROL)) character = CtrlBackspace;
  if (character == CarriageReturn && Held(platform::VK_CONTROL)) character = LineFeed;
  queue.bytes[queue.count++] = character;
}

bool OnKeyDown(std::uint8_t virtualKey) {
  if (Window().BreakKeyEnabled && virtualKey == platform::VK_CANCEL) AbortProgram();
  const bool alt = Held(platform::VK_MENU);
  const bool ctrl = Held(platform::VK_CONTROL);
  if (alt) {
    if (ctrl && virtualKey == platform::VK_F12) {
      SetBrailleMode(0);
      return true;
    }
    if (ctrl && virtualKey == platform::VK_F11) {
      SetBrailleMode(RequestedBrailleMode() + 1);
      return true;
    }
    if (virtualKey >= 'A' && virtualKey <= 'Z') {
      QueueExtendedKey(AltLetterCodes[virtualKey - 'A']);
      return true;
    }
    if (virtualKey >= '0' && virtualKey <= '9') {
      QueueExtendedKey(AltDigitCodes[virtualKey - '0']);
      return true;
    }
  }
  if (!ctrl && BrailleMode() != 0 && ChordKeyDown(virtualKey)) return true;
  // QueueExtendedKey drops the key when the queue has no room for both bytes.
  for (const FunctionKey& row : FunctionKeyTable) {
    if (row.virtualKey != virtualKey) continue;
    if (ctrl) {
      QueueExtendedKey(row.ctrlCode);
    } else if (row.ctrlCode == ShiftRuleMark && Held(platform::VK_SHIFT)) {
      QueueExtendedKey(ShiftInsertCode);
    } else {
      QueueExtendedKey(row.normalCode);
    }
    break;
  }
  return true;
}

bool OnKeyUp(std::uint8_t virtualKey) {
  if (BrailleMode() == 0) return false;
  return ChordKeyUp(virtualKey);
}

}  // namespace console

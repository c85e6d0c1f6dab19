// The key path: WM_CHAR, WM_KEYDOWN, WM_KEYUP and WM_SYSKEYDOWN through the
// console's window procedure, straight or pumped from the double's queue,
// with Shift, Ctrl and Alt as the input says, in braille mode 0, 1, 2 (or
// 3, which the window brings down to 1), with keys read and time passing in
// between.  The first byte sets the braille mode; the steps follow.
#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "console/braille.h"
#include "console/key_queue.h"
#include "console/keyboard.h"
#include "console/message_pump.h"
#include "fuzz/fuzz_support.h"

namespace {

using namespace platform;

std::vector<std::uint8_t> Queued() {
  const console::KeyQueueState& queue = console::KeyQueue();
  return std::vector<std::uint8_t>(queue.bytes, queue.bytes + queue.count);
}

bool IsChordCharacter(std::uint8_t c) {
  return c == ' ' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// What a character message must add to the queue in mode 0.
std::uint8_t CharacterQueued(std::uint8_t c, bool ctrl) {
  if (ctrl && c == 8) return 127;
  if (ctrl && c == 13) return 10;
  return c;
}

void CheckMessage(UINT message, std::uint8_t key, bool ctrl, int mode,
                  const std::vector<std::uint8_t>& before) {
  const std::vector<std::uint8_t> after = Queued();
  fuzz::Require(
      after.size() >= before.size() && std::equal(before.begin(), before.end(), after.begin()),
      "a key message never changes what is already queued");
  const std::size_t added = after.size() - before.size();
  switch (message) {
    case WM_CHAR:
      if (mode != 0 && IsChordCharacter(key)) {
        fuzz::Require(added == 0, "braille mode ignores the chord keys' characters");
      } else if (before.size() < console::KeyQueueCapacity) {
        fuzz::Require(added == 1 && after.back() == CharacterQueued(key, ctrl),
                      "a character that fits is queued");
      } else {
        fuzz::Require(added == 0, "a full queue drops the character");
      }
      break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      fuzz::Require(added == 0 || (added == 2 && after[before.size()] == 0),
                    "a key press queues nothing or an extended key");
      fuzz::Require(added == 0 || before.size() <= console::KeyQueueCapacity - 2,
                    "an extended key needs room for both bytes");
      break;
    case WM_KEYUP:
      fuzz::Require(added == 0 || (mode != 0 && added == 1),
                    "a key release queues at most a braille character");
      break;
    default:
      break;
  }
}

// The invariants that hold after any message, also one dispatched inside
// another (a braille mode switch pumps messages while its signal sounds).
void CheckState() {
  fuzz::Require(
      console::KeyQueue().count >= 0 && console::KeyQueue().count <= console::KeyQueueCapacity,
      "the queue holds 0 to 64 bytes");
  fuzz::Require(console::BrailleMode() >= 0 && console::BrailleMode() <= 2,
                "with a window the braille mode is 0, 1 or 2");
  const console::ChordState& chord = console::Chord();
  fuzz::Require((chord.HeldDots & ~chord.ChordDots) == 0,
                "every held chord key belongs to the chord");
  fuzz::Require(console::BrailleMode() != 0 ||
                    (chord.ChordDots == 0 && chord.HeldDots == 0 && !chord.NumberMode &&
                     !chord.CapitalPending && !chord.CapitalLock),
                "with braille off there is no chord and no sign");
}

bool StartsWith(const std::vector<std::uint8_t>& bytes, const std::vector<std::uint8_t>& prefix) {
  return bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

constexpr UINT Messages[] = {WM_CHAR, WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN};

std::map<int, bool> Modifiers(std::uint8_t bits) {
  return {{VK_SHIFT, (bits & 1) != 0}, {VK_CONTROL, (bits & 2) != 0}, {VK_MENU, (bits & 4) != 0}};
}

}  // namespace

// Steps, by the first byte of three:
//   0-3  WM_CHAR, WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN straight to the window
//        procedure, modifiers from bits 0-2 of the third byte;
//   4    ReadKey when a byte is queued;  5  KeyPressed;
//   6    script one of those messages to arrive (third byte: bits 0-2
//        modifiers, 3-4 which message, 5-7 how many 50 ms from now);
//   7    Delay of 4 ms times the second byte, which pumps what has arrived.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > 3 * 2000) return 0;
  const std::string ini = "[BRAILLE]\nMODO=" + std::to_string(data[0] & 3) + "\n";
  fuzz::ConsoleSession session(ini, fuzz::FirstPaint::Skip);
  doubles::RecordingPlatform& os = session.os();
  const HWND window = os.Window();
  int dispatched = 0;
  os.afterDispatch = [&](const MSG&) {
    ++dispatched;
    CheckState();
  };

  try {
    for (std::size_t at = 1; at + 3 <= size; at += 3) {
      const std::uint8_t what = data[at] % 8;
      const std::uint8_t key = data[at + 1];
      const std::uint8_t modifiers = data[at + 2];
      const std::vector<std::uint8_t> before = Queued();
      switch (what) {
        case 4: {
          if (before.empty()) break;
          const std::uint8_t read = console::ReadKey();
          fuzz::Require(
              read == before.front() &&
                  StartsWith(Queued(), std::vector<std::uint8_t>(before.begin() + 1, before.end())),
              "ReadKey takes the oldest byte and keeps the rest in order");
          break;
        }
        case 5:
          console::KeyPressed();
          fuzz::Require(StartsWith(Queued(), before), "a poll only adds to the queue");
          break;
        case 6: {
          const UINT message = Messages[(modifiers >> 3) & 3];
          // Ctrl+Break ends the program by design.
          if (message == WM_KEYDOWN && key == VK_CANCEL) break;
          os.Script(os.now + 50u * (modifiers >> 5), message, key, 0, Modifiers(modifiers));
          break;
        }
        case 7:
          console::Delay(static_cast<std::uint16_t>(4 * key));
          fuzz::Require(StartsWith(Queued(), before), "a delay only adds to the queue");
          break;
        default: {
          const UINT message = Messages[what];
          if (message == WM_KEYDOWN && key == VK_CANCEL) break;
          for (const auto& [virtualKey, down] : Modifiers(modifiers))
            os.SetKeyDown(virtualKey, down);
          const int mode = console::BrailleMode();
          const int dispatchedBefore = dispatched;
          console::ConsoleWindowProc(window, message, key, 0);
          // A mode switch pumps messages while its signal sounds; what
          // they queue comes after what this message queued.
          if (dispatched == dispatchedBefore) {
            CheckMessage(message, key, (modifiers & 2) != 0, mode, before);
          } else {
            fuzz::Require(StartsWith(Queued(), before), "nested messages only add to the queue");
          }
          break;
        }
      }
      CheckState();
    }
  } catch (const doubles::ProcessExited&) {
    // Alt+F4 reaches the system's default processing, which closes the
    // window and so ends the program: nothing more to deliver.
  }
  os.afterDispatch = nullptr;
  return 0;
}

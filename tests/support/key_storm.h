// A storm of key messages for the recording double: random gestures (keys,
// characters, Alt combinations, braille chords) at virtual times, and a
// model of what each message must add to the key queue.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "tests/support/recording_platform.h"

namespace doubles::storm {

using Bytes = std::vector<std::uint8_t>;

inline constexpr int Shift = 1;
inline constexpr int Ctrl = 2;
inline constexpr int Alt = 4;
inline constexpr std::size_t QueueLimit = 64;

struct KeyEvent {
  UINT message;
  std::uint8_t key;
  int modifiers;
};

// --- What each key must queue, written out from the keyboard's rules -------

struct FunctionKeyRow {
  std::uint8_t key;
  std::uint8_t normal;
  std::uint8_t ctrl;
};
inline constexpr std::array<FunctionKeyRow, 7> FunctionKeys = {{
    {0x70, 0x3B, 0x5E},  // F1
    {0x79, 0x44, 0x67},  // F10
    {0x2D, 0x52, 0xFF},  // Insert; with Shift 0xFE
    {0x2E, 0x53, 0x53},  // Delete
    {0x24, 0x47, 0x77},  // Home
    {0x25, 0x4B, 0x73},  // Left
    {0x27, 0x4D, 0x74},  // Right
}};

inline constexpr std::array<std::pair<std::uint8_t, std::uint8_t>, 6> AltCodes = {{
    {'A', 0x1E}, {'Q', 0x10}, {'Z', 0x2C}, {'0', 0x81}, {'5', 0x7C}, {'9', 0x80},
}};

// Chords by their keys, with the character their release types.
struct Chord {
  std::set<std::uint8_t> keys;
  std::uint8_t character;
};
inline const std::vector<Chord>& Chords() {
  static const std::vector<Chord> chords = {
      {{'F'}, 'a'},
      {{'F', 'D'}, 'b'},
      {{'F', 'J'}, 'c'},
      {{'F', 'J', 'K'}, 'd'},
      {{'F', 'K'}, 'e'},
      {{'F', 'D', 'S'}, 'l'},
      {{'D'}, ','},
      {{'F', 'D', 'S', 'J', 'K', 'L'}, 0xE9},  // e acute
      {{' '}, ' '},
      {{' ', 'F', 'D', 'K'}, 8},   // space bar with h: backspace
      {{' ', 'F', 'S', 'J'}, 13},  // space bar with m: carriage return
      {{' ', 'F'}, 1},
  };
  return chords;
}

inline bool IsChordKey(std::uint8_t key) {
  return key == 'F' || key == 'D' || key == 'S' || key == 'J' || key == 'K' || key == 'L' ||
         key == ' ';
}

inline bool IsLetter(std::uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
// Virtual keys: only the upper-case range; 0x70 is F1, not p.
inline bool IsLetterKey(std::uint8_t key) { return key >= 'A' && key <= 'Z'; }

// The queue as the rules say it must be, message by message.
class QueueModel {
 public:
  explicit QueueModel(int mode) : mode_(mode) {}

  // The bytes a message adds to a queue that holds count bytes.
  Bytes Added(const KeyEvent& event, std::size_t count) {
    const bool ctrl = (event.modifiers & Ctrl) != 0;
    const bool alt = (event.modifiers & Alt) != 0;
    const bool shift = (event.modifiers & Shift) != 0;
    const std::uint8_t key = event.key;
    auto twoBytes = [&](std::uint8_t code) { return Fit(Bytes{0, code}, count); };
    switch (event.message) {
      case WM_CHAR: {
        if (mode_ != 0 && (key == ' ' || IsLetter(key))) return {};
        if (ctrl && key == 8) return Fit({127}, count);
        if (ctrl && key == 13) return Fit({10}, count);
        return Fit({key}, count);
      }
      case WM_SYSKEYDOWN:
        if (key != VK_LEFT && key != VK_RIGHT) return {};
        [[fallthrough]];
      case WM_KEYDOWN: {
        if (alt) {
          for (const auto& [letter, code] : AltCodes) {
            if (letter == key) return twoBytes(code);
          }
        }
        if (!ctrl && mode_ != 0 && IsChordKey(key)) {
          pressed_.insert(key);
          held_.insert(key);
          return {};
        }
        for (const FunctionKeyRow& row : FunctionKeys) {
          if (row.key != key) continue;
          if (ctrl) return twoBytes(row.ctrl);
          return twoBytes(row.key == VK_INSERT && shift ? 0xFE : row.normal);
        }
        return {};
      }
      case WM_KEYUP: {
        if (mode_ == 0 || ctrl || !(key == ' ' || IsLetterKey(key))) return {};
        held_.erase(key);
        if (!held_.empty()) return {};
        const std::uint8_t character = ChordCharacter();
        pressed_.clear();
        return Fit({character}, count);
      }
      default:
        return {};
    }
  }

  // Keys dropped whole because the queue had no room for them.
  std::size_t drops() const { return drops_; }

 private:
  Bytes Fit(Bytes bytes, std::size_t count) {
    if (count + bytes.size() <= QueueLimit) return bytes;
    ++drops_;
    return {};
  }

  std::uint8_t ChordCharacter() const {
    if (pressed_.empty()) return ' ';
    for (const Chord& chord : Chords()) {
      if (chord.keys == pressed_) return chord.character;
    }
    ADD_FAILURE() << "the storm pressed a chord the model does not know";
    return 0xFE;
  }

  int mode_;
  std::set<std::uint8_t> pressed_;  // since the last completed chord
  std::set<std::uint8_t> held_;
  std::size_t drops_ = 0;
};

// --- The storm -----------------------------------------------------------------

struct StormOptions {
  std::size_t messages = 10000;
  bool enterKeys = true;     // character 13 without Ctrl, and the space bar + m chord
  bool modeSwitches = false;  // Ctrl+Alt+F11 and Ctrl+Alt+F12
};

// Random gestures (fixed seed), each a few messages a millisecond apart, a
// few to a few dozen milliseconds between gestures and now and then a lull
// of seconds, so that the queue sometimes fills and sometimes does not.
inline std::vector<std::pair<std::uint64_t, KeyEvent>> MakeStorm(std::uint64_t start,
                                                          const StormOptions& options) {
  std::mt19937 random(20240611u);
  auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
  const std::string characters = "0123456789.,-+;!?abcxyzABC \b\r\xE3\xE7";

  std::vector<std::pair<std::uint64_t, KeyEvent>> storm;
  std::uint64_t at = start;
  auto add = [&](UINT message, std::uint8_t key, int modifiers) {
    storm.push_back({at++, KeyEvent{message, key, modifiers}});
  };
  while (storm.size() < options.messages) {
    at += pick(40);
    if (pick(60) == 0) at += 2000 + pick(6000);
    const std::size_t kind = pick(options.modeSwitches ? 21 : 20);
    if (kind < 7) {
      std::uint8_t c = static_cast<std::uint8_t>(characters[pick(characters.size())]);
      const int modifiers = (pick(10) == 0 ? Ctrl : 0) | (pick(5) == 0 ? Shift : 0);
      if (c == 13 && !options.enterKeys && (modifiers & Ctrl) == 0) c = '.';
      add(WM_CHAR, c, modifiers);
    } else if (kind < 10) {
      const FunctionKeyRow& row = FunctionKeys[pick(FunctionKeys.size())];
      const int modifiers = (pick(3) == 0 ? Ctrl : 0) | (pick(3) == 0 ? Shift : 0);
      add(WM_KEYDOWN, row.key, modifiers);
      add(WM_KEYUP, row.key, modifiers);
    } else if (kind < 12) {
      const std::uint8_t key = pick(2) == 0 ? AltCodes[pick(AltCodes.size())].first
                                            : static_cast<std::uint8_t>(VK_LEFT + 2 * pick(2));
      const UINT message = key == VK_LEFT || key == VK_RIGHT || pick(4) == 0 ? WM_SYSKEYDOWN
                                                                             : WM_KEYDOWN;
      add(message, key, Alt);
      add(WM_KEYUP, key, Alt);
    } else if (kind < 13) {
      // A letter that is no chord key, pressed and released alone.
      add(WM_KEYDOWN, 'Q', 0);
      add(WM_KEYUP, 'Q', 0);
    } else if (kind < 20) {
      const Chord& chord = Chords()[pick(Chords().size())];
      if (!options.enterKeys && chord.character == 13) continue;
      std::vector<std::uint8_t> keys(chord.keys.begin(), chord.keys.end());
      std::shuffle(keys.begin(), keys.end(), random);
      for (std::uint8_t key : keys) add(WM_KEYDOWN, key, 0);
      if (pick(5) == 0) add(WM_KEYDOWN, keys.back(), 0);  // auto-repeat
      std::shuffle(keys.begin(), keys.end(), random);
      for (std::uint8_t key : keys) add(WM_KEYUP, key, 0);
    } else {
      const std::uint8_t key = pick(3) == 0 ? VK_F12 : VK_F11;
      add(WM_KEYDOWN, key, Ctrl | Alt);
      add(WM_KEYUP, key, Ctrl | Alt);
    }
  }
  return storm;
}

// Scripts the storm; each message carries its index + 1 in lParam.
inline void Script(RecordingPlatform& os,
            const std::vector<std::pair<std::uint64_t, KeyEvent>>& storm) {
  for (std::size_t i = 0; i < storm.size(); ++i) {
    const auto& [at, event] = storm[i];
    os.Script(at, event.message, event.key, static_cast<LPARAM>(i + 1),
              {{VK_SHIFT, (event.modifiers & Shift) != 0},
               {VK_CONTROL, (event.modifiers & Ctrl) != 0},
               {VK_MENU, (event.modifiers & Alt) != 0}});
  }
}

}  // namespace doubles::storm

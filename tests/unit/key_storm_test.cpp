// Thousands of key messages arriving while the program speaks: the queue
// never holds more than 64 bytes, every key that fits is queued whole and in
// order, and the program still reads what is typed afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdint>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "console/console_window.h"
#include "console/keyboard.h"
#include "console/screen_buffer.h"
#include "console/text_device.h"
#include "game/program.h"
#include "messages/messages.h"
#include "runtime/text_io.h"
#include "synt/segment_player.h"
#include "tests/support/recording_platform.h"

namespace {

using namespace platform;
using Bytes = std::vector<std::uint8_t>;

constexpr int Shift = 1;
constexpr int Ctrl = 2;
constexpr int Alt = 4;
constexpr std::size_t QueueLimit = 64;

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
constexpr std::array<FunctionKeyRow, 7> FunctionKeys = {{
    {0x70, 0x3B, 0x5E},  // F1
    {0x79, 0x44, 0x67},  // F10
    {0x2D, 0x52, 0xFF},  // Insert; with Shift 0xFE
    {0x2E, 0x53, 0x53},  // Delete
    {0x24, 0x47, 0x77},  // Home
    {0x25, 0x4B, 0x73},  // Left
    {0x27, 0x4D, 0x74},  // Right
}};

constexpr std::array<std::pair<std::uint8_t, std::uint8_t>, 6> AltCodes = {{
    {'A', 0x1E}, {'Q', 0x10}, {'Z', 0x2C}, {'0', 0x81}, {'5', 0x7C}, {'9', 0x80},
}};

// Chords by their keys, with the character their release types.
struct Chord {
  std::set<std::uint8_t> keys;
  std::uint8_t character;
};
const std::vector<Chord>& Chords() {
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

bool IsChordKey(std::uint8_t key) {
  return key == 'F' || key == 'D' || key == 'S' || key == 'J' || key == 'K' || key == 'L' ||
         key == ' ';
}

bool IsLetter(std::uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
// Virtual keys: only the upper-case range; 0x70 is F1, not p.
bool IsLetterKey(std::uint8_t key) { return key >= 'A' && key <= 'Z'; }

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
std::vector<std::pair<std::uint64_t, KeyEvent>> MakeStorm(std::uint64_t start,
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
void Script(doubles::RecordingPlatform& os,
            const std::vector<std::pair<std::uint64_t, KeyEvent>>& storm) {
  for (std::size_t i = 0; i < storm.size(); ++i) {
    const auto& [at, event] = storm[i];
    os.Script(at, event.message, event.key, static_cast<LPARAM>(i + 1),
              {{VK_SHIFT, (event.modifiers & Shift) != 0},
               {VK_CONTROL, (event.modifiers & Ctrl) != 0},
               {VK_MENU, (event.modifiers & Alt) != 0}});
  }
}

// A character typed with every modifier released, as the storm may have
// left one held.
void TypeChar(doubles::RecordingPlatform& os, std::uint64_t at, char c) {
  os.Script(at, WM_CHAR, static_cast<std::uint8_t>(c), 0,
            {{VK_SHIFT, false}, {VK_CONTROL, false}, {VK_MENU, false}});
}

Bytes Queued() {
  const console::KeyQueueState& queue = console::KeyQueue();
  return Bytes(queue.bytes, queue.bytes + std::max(queue.count, 0));
}

// Types a number and Enter long after everything else and reads it back.
std::int32_t TypeAndReadNumber(doubles::RecordingPlatform& os, const std::string& number) {
  std::uint64_t at = os.now + 100000;
  for (char c : number + "\r") TypeChar(os, at++, c);
  return runtime::ReadInteger(console::StandardInput());
}

class KeyStorm : public ::testing::Test {
 protected:
  doubles::RecordingPlatform& os() { return fixture_.os(); }

  void StartWindow(int brailleMode) {
    os().iniText = "[BRAILLE]\nMODO=" + std::to_string(brailleMode) + "\n";
    console::StartConsole();
    console::EnsureWindow();
    synt::OpenSoundFile();
  }

 private:
  doubles::PlatformFixture fixture_;
};

class KeyStormInEveryBrailleMode : public KeyStorm, public ::testing::WithParamInterface<int> {};

// The storm arrives while messages are spoken; between two messages the
// test reads everything queued.  The model is compared with the queue
// before and after every dispatched message, and every byte read must be
// the model's oldest.
TEST_P(KeyStormInEveryBrailleMode, QueuesEveryKeyThatFitsInOrderWhileMessagesAreSpoken) {
  const int mode = GetParam();
  StartWindow(mode);
  const auto storm = MakeStorm(os().now + 1, StormOptions{});
  Script(os(), storm);

  QueueModel model(mode);
  Bytes expected;  // the queue as the model has it
  std::size_t delivered = 0;
  std::size_t fullest = 0;
  bool diverged = false;
  auto compare = [&](const char* when) {
    if (diverged || Queued() == expected) return;
    diverged = true;
    ADD_FAILURE() << "the queue left the model " << when << " message " << delivered;
  };
  os().beforeDispatch = [&](const MSG&) { compare("before"); };
  os().afterDispatch = [&](const MSG& message) {
    const auto index = static_cast<std::size_t>(message.lParam);
    if (index >= 1 && index <= storm.size()) {
      ++delivered;
      const Bytes added = model.Added(storm[index - 1].second, expected.size());
      expected.insert(expected.end(), added.begin(), added.end());
    }
    fullest = std::max(fullest, Queued().size());
    EXPECT_LE(console::KeyQueue().count, 64);
    compare("after");
  };

  constexpr std::array<messages::MessageId, 4> spoken = {
      messages::MessageId::Prompt, messages::MessageId::BigRoom,
      messages::MessageId::ClosedWindow, messages::MessageId::DontGiveUp};
  std::size_t read = 0;
  for (std::size_t turn = 0; (delivered < storm.size() || !expected.empty()) && turn < 2000;
       ++turn) {
    console::ClearScreen();
    messages::SayMessage(spoken[turn % spoken.size()]);
    while (console::KeyPressed()) {
      const std::uint8_t key = console::ReadKey();
      ASSERT_FALSE(expected.empty());
      ASSERT_EQ(key, expected.front()) << "byte " << read;
      expected.erase(expected.begin());
      ++read;
    }
  }
  ASSERT_FALSE(diverged);
  EXPECT_EQ(delivered, storm.size());
  EXPECT_TRUE(expected.empty());
  // The storm must really have filled the queue and still let most keys in.
  EXPECT_EQ(fullest, QueueLimit);
  EXPECT_GT(model.drops(), 100u);
  EXPECT_GT(read, 2000u);
  std::printf("[ storm    ] %zu messages, %zu bytes read, %zu keys dropped\n", delivered, read,
              model.drops());

  os().beforeDispatch = nullptr;
  os().afterDispatch = nullptr;
  EXPECT_EQ(TypeAndReadNumber(os(), "42"), 42);
}

INSTANTIATE_TEST_SUITE_P(Modes, KeyStormInEveryBrailleMode, ::testing::Values(0, 1, 2),
                         [](const ::testing::TestParamInfo<int>& mode) {
                           return "Mode" + std::to_string(mode.param);
                         });

// Ctrl+Alt+F11 and F12 sound their signals through Delay, so messages are
// dispatched inside the dispatch of the key that switched: the queue stays
// within its 64 bytes through that too, and the line typed afterwards is
// read as typed.
TEST_F(KeyStorm, BrailleModeSwitchesInTheStormKeepTheQueueWithinItsLimit) {
  StartWindow(0);
  StormOptions options;
  options.modeSwitches = true;
  const auto storm = MakeStorm(os().now + 1, options);
  Script(os(), storm);

  int depth = 0;
  int deepest = 0;
  std::size_t delivered = 0;
  os().beforeDispatch = [&](const MSG&) { deepest = std::max(deepest, ++depth); };
  os().afterDispatch = [&](const MSG& message) {
    --depth;
    if (message.lParam >= 1) ++delivered;
    EXPECT_GE(console::KeyQueue().count, 0);
    EXPECT_LE(console::KeyQueue().count, 64);
    EXPECT_GE(console::BrailleMode(), 0);
    EXPECT_LE(console::BrailleMode(), 2);
  };
  for (int turn = 0; delivered < storm.size() && turn < 2000; ++turn) {
    messages::SayMessage(messages::MessageId::Prompt);
    while (console::KeyPressed()) console::ReadKey();
  }
  EXPECT_EQ(delivered, storm.size());
  EXPECT_GE(deepest, 2);

  os().beforeDispatch = nullptr;
  os().afterDispatch = nullptr;
  console::SetBrailleMode(0);
  EXPECT_EQ(TypeAndReadNumber(os(), "-17"), -17);
}

// A whole game: the storm arrives during the start screen (it holds no
// Enter, so every byte read there repeats the start message), then Enter
// and the four winning guesses.  Whatever the game takes from the queue
// between two messages must be the oldest bytes, and each message must add
// exactly what the rules say to what is left.
TEST_F(KeyStorm, GameGoesOnToItsEndAfterAStormDuringTheStartScreen) {
  StormOptions options;
  options.enterKeys = false;
  const auto storm = MakeStorm(10, options);
  Script(os(), storm);
  // The generator is never seeded: every game draws 0, 8, 2, 2 first.
  std::uint64_t at = storm.back().first + 10000000;
  for (const char* line : {"\r", "0\r", "8\r", "2\r", "2\r"}) {
    for (const char* c = line; *c != '\0'; ++c) TypeChar(os(), at, *c);
    at += 1000000;
  }

  QueueModel model(0);
  Bytes last;        // the queue after the previous message
  Bytes taken;       // what the game took between messages, in order
  Bytes everything;  // every byte queued, in order
  bool diverged = false;
  Bytes queueBefore;
  os().beforeDispatch = [&](const MSG&) {
    const Bytes now = Queued();
    const bool isRest =
        now.size() <= last.size() && std::equal(now.begin(), now.end(), last.end() - now.size());
    if (!isRest && !diverged) {
      diverged = true;
      ADD_FAILURE() << "the game took something other than the oldest bytes";
    }
    taken.insert(taken.end(), last.begin(), last.begin() + (last.size() - now.size()));
    queueBefore = now;
  };
  os().afterDispatch = [&](const MSG& message) {
    const Bytes now = Queued();
    EXPECT_LE(now.size(), QueueLimit);
    const auto index = static_cast<std::size_t>(message.lParam);
    Bytes added;
    if (index >= 1 && index <= storm.size()) {
      added = model.Added(storm[index - 1].second, queueBefore.size());
    } else if (message.message == WM_CHAR) {
      added = model.Added(KeyEvent{WM_CHAR, static_cast<std::uint8_t>(message.wParam), 0},
                          queueBefore.size());
    }
    Bytes expected = queueBefore;
    expected.insert(expected.end(), added.begin(), added.end());
    if (now != expected && !diverged) {
      diverged = true;
      ADD_FAILURE() << "a message did not add what the rules say";
    }
    everything.insert(everything.end(), added.begin(), added.end());
    last = now;
  };

  EXPECT_EQ(doubles::RunUntilExit([] { game::RunProgram(); }), std::optional<UINT>(0));
  EXPECT_FALSE(diverged);
  // Everything queued was taken, in order: the storm's bytes one per start
  // message, then Enter and the four lines.  The last line was read after
  // the last message.
  EXPECT_EQ(console::KeyQueue().count, 0);
  taken.insert(taken.end(), last.begin(), last.end());
  EXPECT_EQ(taken, everything);
  const auto enter = std::find(taken.begin(), taken.end(), 13);
  ASSERT_NE(enter, taken.end());
  EXPECT_GT(enter - taken.begin(), 64);
  EXPECT_GT(model.drops(), 1000u);
  EXPECT_EQ(Bytes(enter, taken.end()), (Bytes{13, '0', 13, '8', 13, '2', 13, '2', 13}));
}

}  // namespace

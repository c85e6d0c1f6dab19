// Thousands of key messages arriving while the program speaks: the queue
// never holds more than 64 bytes, every key that fits is queued whole and in
// order, and the program still reads what is typed afterwards.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "console/braille.h"
#include "console/console_window.h"
#include "console/key_queue.h"
#include "console/keyboard.h"
#include "console/screen_buffer.h"
#include "console/text_device.h"
#include "game/program.h"
#include "messages/messages.h"
#include "runtime/text_io.h"
#include "synt/segment_player.h"
#include "tests/support/key_storm.h"
#include "tests/support/recording_platform.h"

namespace {

using namespace platform;
using namespace doubles::storm;

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
  return runtime::ReadInteger(runtime::StandardInput());
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

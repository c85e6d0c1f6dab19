#include "console/key_queue.h"
#include "console/keyboard.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "console/braille.h"
#include "console/console_window.h"
#include "console/message_pump.h"
#include "console/tone.h"
#include "tests/support/recording_platform.h"
#include "tests/support/sound_image.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace platform;

class KeyboardTest : public ::testing::Test {
 protected:
  doubles::RecordingPlatform& os() { return fixture_.os(); }

  static Bytes Queued() {
    const auto& queue = console::KeyQueue();
    return Bytes(queue.bytes, queue.bytes + queue.count);
  }

  static Bytes Press(std::uint8_t virtualKey) {
    console::KeyQueue() = {};
    EXPECT_TRUE(console::OnKeyDown(virtualKey));
    return Queued();
  }

  static void Fill(int count) {
    for (int i = 0; i < count; ++i) console::OnChar('.');
  }

  void Hold(std::initializer_list<int> keys) {
    for (int key : {VK_SHIFT, VK_CONTROL, VK_MENU}) os().SetKeyDown(key, false);
    for (int key : keys) os().SetKeyDown(key, true);
  }

 private:
  doubles::PlatformFixture fixture_;
};

struct FunctionKeyRow {
  std::uint8_t virtualKey;
  std::uint8_t normal;
  std::uint8_t ctrl;
};

TEST_F(KeyboardTest, FunctionAndCursorKeysQueueZeroThenTheirCode) {
  const FunctionKeyRow rows[] = {
      {0x70, 0x3B, 0x5E}, {0x71, 0x3C, 0x5F}, {0x72, 0x3D, 0x60}, {0x73, 0x3E, 0x61},
      {0x74, 0x3F, 0x62}, {0x75, 0x40, 0x63}, {0x76, 0x41, 0x64}, {0x77, 0x42, 0x65},
      {0x78, 0x43, 0x66}, {0x79, 0x44, 0x67}, {0x7A, 0x45, 0x68}, {0x7B, 0x46, 0x69},
      {0x2D, 0x52, 0xFF}, {0x2E, 0x53, 0x53}, {0x24, 0x47, 0x77}, {0x23, 0x4F, 0x75},
      {0x21, 0x49, 0x84}, {0x22, 0x51, 0x76}, {0x26, 0x48, 0x71}, {0x28, 0x50, 0x72},
      {0x25, 0x4B, 0x73}, {0x27, 0x4D, 0x74},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.virtualKey));
    Hold({});
    EXPECT_EQ(Press(row.virtualKey), (Bytes{0, row.normal}));
    Hold({VK_CONTROL});
    EXPECT_EQ(Press(row.virtualKey), (Bytes{0, row.ctrl}));
  }
}

TEST_F(KeyboardTest, ShiftChangesOnlyInsertAndCtrlWinsOverShift) {
  Hold({VK_SHIFT});
  EXPECT_EQ(Press(VK_INSERT), (Bytes{0, 0xFE}));
  EXPECT_EQ(Press(VK_DELETE), (Bytes{0, 0x53}));
  EXPECT_EQ(Press(VK_F1), (Bytes{0, 0x3B}));
  Hold({VK_SHIFT, VK_CONTROL});
  EXPECT_EQ(Press(VK_INSERT), (Bytes{0, 0xFF}));
}

TEST_F(KeyboardTest, KeysWithoutARowQueueNothing) {
  Hold({});
  for (int key : {VK_SHIFT, VK_RETURN, VK_ESCAPE, int{'A'}, int{'5'}}) {
    EXPECT_EQ(Press(static_cast<std::uint8_t>(key)), Bytes{}) << key;
  }
}

TEST_F(KeyboardTest, AltLettersAndDigitsHaveTheirOwnCodesWithOrWithoutCtrl) {
  const std::uint8_t letters[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                    0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                    0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
  const std::uint8_t digits[10] = {0x81, 0x78, 0x79, 0x7A, 0x7B, 0x7C, 0x7D, 0x7E, 0x7F, 0x80};
  for (bool ctrl : {false, true}) {
    if (ctrl) {
      Hold({VK_MENU, VK_CONTROL});
    } else {
      Hold({VK_MENU});
    }
    for (int i = 0; i < 26; ++i) {
      EXPECT_EQ(Press(static_cast<std::uint8_t>('A' + i)), (Bytes{0, letters[i]}))
          << static_cast<char>('A' + i) << " ctrl " << ctrl;
    }
    for (int i = 0; i < 10; ++i) {
      EXPECT_EQ(Press(static_cast<std::uint8_t>('0' + i)), (Bytes{0, digits[i]}))
          << i << " ctrl " << ctrl;
    }
  }
}

TEST_F(KeyboardTest, AltWithAnyOtherKeyActsAsIfAltWereUp) {
  Hold({VK_MENU});
  EXPECT_EQ(Press(VK_F1), (Bytes{0, 0x3B}));
  EXPECT_EQ(Press(0x60), Bytes{}) << "the keypad's 0 is no Alt digit";
  Hold({VK_MENU, VK_CONTROL});
  EXPECT_EQ(Press(VK_F1), (Bytes{0, 0x5E}));
}

TEST_F(KeyboardTest, TwoByteKeysNeedTwoFreeBytesAndCharactersOne) {
  Fill(62);
  EXPECT_TRUE(console::OnKeyDown(VK_F1));
  EXPECT_EQ(console::KeyQueue().count, 64);
  EXPECT_EQ(Queued()[62], 0);
  EXPECT_EQ(Queued()[63], 0x3B);

  console::KeyQueue() = {};
  Fill(63);
  console::OnKeyDown(VK_F1);
  Hold({VK_MENU});
  console::OnKeyDown('A');
  EXPECT_EQ(console::KeyQueue().count, 63) << "a two-byte key is dropped whole";
  console::OnChar('x');
  EXPECT_EQ(console::KeyQueue().count, 64);
  console::OnChar('y');
  EXPECT_EQ(console::KeyQueue().count, 64);
  EXPECT_EQ(console::KeyQueue().bytes[63], 'x') << "a full queue keeps what it holds";
}

TEST_F(KeyboardTest, CtrlTurnsBackspaceInto127AndEnterIntoLineFeed) {
  console::OnChar(8);
  console::OnChar(13);
  Hold({VK_CONTROL});
  console::OnChar(8);
  console::OnChar(13);
  console::OnChar(1);
  EXPECT_EQ(Queued(), (Bytes{8, 13, 127, 10, 1}));
}

TEST_F(KeyboardTest, BrailleModeIgnoresTheCharactersOfSpaceAndLetters) {
  console::BrailleMode() = 1;
  for (std::uint8_t c : {'a', 'z', 'A', 'Z', ' '}) console::OnChar(c);
  for (std::uint8_t c : {'1', '@', '[', '{', '\xE7', '\r', '\b'}) console::OnChar(c);
  EXPECT_EQ(Queued(), (Bytes{'1', '@', '[', '{', 0xE7, '\r', '\b'}));
}

TEST_F(KeyboardTest, KeyUpIsLeftToTheSystemWhileBrailleModeIsOff) {
  EXPECT_FALSE(console::OnKeyUp('F'));
  EXPECT_EQ(console::ConsoleWindowProc(nullptr, WM_KEYUP, 'F', 0), 0);
  EXPECT_EQ(os().CallsStartingWith("DefWindowProcA"), (std::vector<std::string>{
                                                          "DefWindowProcA(257, 70)"}));
}

TEST_F(KeyboardTest, SystemKeysOtherThanLeftAndRightGoToTheSystem) {
  Hold({VK_MENU});
  console::ConsoleWindowProc(nullptr, WM_SYSKEYDOWN, 'A', 0);
  console::ConsoleWindowProc(nullptr, WM_SYSKEYDOWN, VK_F10, 0);
  EXPECT_EQ(Queued(), Bytes{});
  EXPECT_EQ(os().CallsStartingWith("DefWindowProcA").size(), 2u);

  os().ClearRecord();
  console::ConsoleWindowProc(nullptr, WM_SYSKEYDOWN, VK_LEFT, 0);
  console::ConsoleWindowProc(nullptr, WM_SYSKEYDOWN, VK_RIGHT, 0);
  EXPECT_EQ(Queued(), (Bytes{0, 0x4B, 0, 0x4D}));
  EXPECT_TRUE(os().CallsStartingWith("DefWindowProcA").empty());
}

TEST_F(KeyboardTest, CtrlBreakEndsTheProgramWith255WhileTheConsoleServesTheWindow) {
  EXPECT_EQ(doubles::RunUntilExit([] { console::OnKeyDown(VK_CANCEL); }), 255u);

  console::Window().BreakKeyEnabled = false;
  EXPECT_EQ(doubles::RunUntilExit([] { console::OnKeyDown(VK_CANCEL); }), std::nullopt);
  EXPECT_EQ(Queued(), Bytes{});
}

// --- Waiting for keys --------------------------------------------------------

class KeyWaitTest : public KeyboardTest {
 protected:
  KeyWaitTest() {
    console::StartConsole();
    console::EnsureWindow();
    os().ClearRecord();
  }

  // The caret calls and waits, in order.
  std::vector<std::string> CaretTrace() {
    std::vector<std::string> trace;
    for (const auto& call : os().calls) {
      if (call == "ShowCaret()" || call == "DestroyCaret()" || call == "WaitMessage()") {
        trace.push_back(call);
      }
    }
    return trace;
  }
};

TEST_F(KeyWaitTest, ReadKeyWaitsForAKeyAndAnExtendedKeyTakesTwoCalls) {
  os().ScriptKey(500, VK_F1);
  EXPECT_EQ(console::ReadKey(), 0);
  EXPECT_EQ(os().now, 500u);
  EXPECT_EQ(console::ReadKey(), 0x3B);
  EXPECT_EQ(console::KeyQueue().count, 0);
}

TEST_F(KeyWaitTest, ReadKeyTakesQueuedKeysInOrderWithoutWaiting) {
  os().ScriptChar(0, 'a');
  os().ScriptChar(0, 'b');
  EXPECT_EQ(console::ReadKey(), 'a');
  EXPECT_EQ(console::ReadKey(), 'b');
  EXPECT_EQ(CaretTrace(), std::vector<std::string>{});
  EXPECT_THROW(console::ReadKey(), doubles::NothingMoreScripted);
}

TEST_F(KeyWaitTest, TheCaretShowsOnlyWhileAKeyIsAwaitedInTheFocusedWindow) {
  ASSERT_TRUE(console::Window().HasFocus);
  os().Script(100, WM_KILLFOCUS);
  os().Script(200, WM_SETFOCUS);
  os().ScriptChar(300, 'x');
  EXPECT_EQ(console::ReadKey(), 'x');
  EXPECT_EQ(CaretTrace(),
            (std::vector<std::string>{"ShowCaret()", "WaitMessage()", "DestroyCaret()",
                                      "WaitMessage()", "ShowCaret()", "WaitMessage()",
                                      "DestroyCaret()"}));
  EXPECT_FALSE(os().CaretVisible());
  EXPECT_FALSE(console::Window().WaitingForKey);

  // Focus lost for good: nothing to hide when the key comes.
  os().ClearRecord();
  os().Script(400, WM_KILLFOCUS);
  os().ScriptChar(500, 'y');
  EXPECT_EQ(console::ReadKey(), 'y');
  EXPECT_EQ(CaretTrace(), (std::vector<std::string>{"ShowCaret()", "WaitMessage()",
                                                    "DestroyCaret()", "WaitMessage()"}));

  // Focus gained during the wait.
  os().ClearRecord();
  os().Script(600, WM_SETFOCUS);
  os().ScriptChar(700, 'z');
  EXPECT_EQ(console::ReadKey(), 'z');
  EXPECT_EQ(CaretTrace(), (std::vector<std::string>{"WaitMessage()", "ShowCaret()",
                                                    "WaitMessage()", "DestroyCaret()"}));
  EXPECT_FALSE(os().CaretVisible());
}

TEST_F(KeyWaitTest, DelaySleepsThenServesTheKeysTypedMeanwhile) {
  os().ScriptChar(100, 'a');
  console::Delay(300);
  EXPECT_EQ(os().now, 300u);
  EXPECT_EQ(Queued(), Bytes{'a'});

  os().ScriptChar(300, 'b');
  console::Delay(0);
  EXPECT_EQ(os().now, 300u);
  EXPECT_EQ(Queued(), (Bytes{'a', 'b'}));
}

TEST_F(KeyboardTest, KeyPressedCreatesTheWindowOnFirstUse) {
  console::StartConsole();
  EXPECT_FALSE(os().WindowExists());
  EXPECT_FALSE(console::KeyPressed());
  EXPECT_TRUE(os().WindowExists());
}

TEST_F(KeyWaitTest, AQuitMessageEndsTheProgramWith255) {
  os().Script(50, WM_QUIT);
  EXPECT_EQ(doubles::RunUntilExit([] { console::ReadKey(); }), 255u);
}

// --- The braille mode switch -------------------------------------------------

struct Note {
  int frequency;
  std::uint64_t start;
  std::uint64_t stop;
};

class BrailleModeTest : public KeyWaitTest {
 protected:
  // The tones sounded since the last call, each with its start and stop.
  std::vector<Note> Notes() {
    std::vector<Note> notes;
    for (const auto& sound : os().sounds) {
      if (!sound.image.empty()) {
        notes.push_back(Note{doubles::ToneFrequency(sound.image), sound.at, 0});
      } else if (!notes.empty()) {
        notes.back().stop = sound.at;
      }
    }
    os().sounds.clear();
    return notes;
  }

  std::vector<int> Frequencies() {
    std::vector<int> frequencies;
    for (const Note& note : Notes()) frequencies.push_back(note.frequency);
    return frequencies;
  }
};

TEST_F(BrailleModeTest, CtrlAltF11StepsThroughTheModesAndF12TurnsThemOff) {
  Hold({VK_CONTROL, VK_MENU});
  console::OnKeyDown(VK_F11);
  EXPECT_EQ(console::BrailleMode(), 1);
  std::vector<Note> notes = Notes();
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes[0].frequency, 800);
  EXPECT_EQ(notes[0].start, 0u);
  EXPECT_EQ(notes[0].stop, 200u);
  EXPECT_EQ(notes[1].frequency, 1600);
  EXPECT_EQ(notes[1].start, 200u);
  EXPECT_EQ(notes[1].stop, 400u);
  EXPECT_EQ(os().now, 400u);

  console::OnKeyDown(VK_F11);
  EXPECT_EQ(console::BrailleMode(), 2);
  EXPECT_EQ(Frequencies(), (std::vector<int>{800, 400}));
  console::OnKeyDown(VK_F11);
  EXPECT_EQ(console::BrailleMode(), 1);
  EXPECT_EQ(Frequencies(), (std::vector<int>{800, 1600}));

  console::OnKeyDown(VK_F12);
  EXPECT_EQ(console::BrailleMode(), 0);
  notes = Notes();
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0].frequency, 100);
  EXPECT_EQ(notes[0].stop - notes[0].start, 200u);
  console::OnKeyDown(VK_F12);
  EXPECT_EQ(Frequencies(), std::vector<int>{});
  EXPECT_EQ(console::ToneImage(), nullptr);
  EXPECT_EQ(Queued(), Bytes{}) << "the switches queue no key";
}

TEST_F(BrailleModeTest, ModesAboveTwoMeanOneAndNegativeModesAreSilent) {
  console::SetBrailleMode(3);
  EXPECT_EQ(console::BrailleMode(), 1);
  EXPECT_EQ(Frequencies(), (std::vector<int>{800, 1600}));
  console::SetBrailleMode(-1);
  EXPECT_EQ(console::BrailleMode(), -1);
  EXPECT_EQ(Frequencies(), std::vector<int>{});
}

TEST_F(BrailleModeTest, OnlyTurningOffClearsTheChordState) {
  auto& chord = console::Chord();
  chord = console::ChordState{0x03, 0x01, true, true, true};
  console::SetBrailleMode(2);
  EXPECT_EQ(chord.ChordDots, 0x03);
  EXPECT_TRUE(chord.NumberMode);
  console::SetBrailleMode(0);
  EXPECT_EQ(chord.ChordDots, 0);
  EXPECT_EQ(chord.HeldDots, 0);
  EXPECT_FALSE(chord.CapitalPending);
  EXPECT_FALSE(chord.CapitalLock);
  EXPECT_FALSE(chord.NumberMode);
}

// A switch typed while the previous one's signal sounds is the player's
// latest word: it decides the mode and sounds its own signal, and the
// earlier switch neither finishes its signal nor stores its mode.
TEST_F(BrailleModeTest, TheLastSwitchTypedDuringASignalDecidesTheModeWithItsOwnSignal) {
  const std::map<int, bool> ctrlAlt = {{VK_CONTROL, true}, {VK_MENU, true}};
  Hold({VK_CONTROL, VK_MENU});

  // From mode 0: F11, then F12 during the first note.
  os().ScriptKey(150, VK_F12, ctrlAlt);
  console::OnKeyDown(VK_F11);
  EXPECT_EQ(console::BrailleMode(), 0);
  EXPECT_EQ(Frequencies(), (std::vector<int>{800, 100}));

  // F11 twice: the second F11 steps on from the mode the first asked for.
  os().ScriptKey(os().now + 100, VK_F11, ctrlAlt);
  console::OnKeyDown(VK_F11);
  EXPECT_EQ(console::BrailleMode(), 2);
  EXPECT_EQ(Frequencies(), (std::vector<int>{800, 800, 400}));

  // During the second note of the signal: F12 from mode 1 ends in mode 0.
  console::SetBrailleMode(0);
  os().sounds.clear();
  os().ScriptKey(os().now + 300, VK_F12, ctrlAlt);
  console::OnKeyDown(VK_F11);
  EXPECT_EQ(console::BrailleMode(), 0);
  EXPECT_EQ(Frequencies(), (std::vector<int>{800, 1600, 100}));
  EXPECT_EQ(console::ToneImage(), nullptr);

  // Three quick switches: the last one's signal is the last heard.
  os().ScriptKey(os().now + 100, VK_F11, ctrlAlt);
  os().ScriptKey(os().now + 250, VK_F12, ctrlAlt);
  console::OnKeyDown(VK_F11);
  EXPECT_EQ(console::BrailleMode(), 0);
  EXPECT_EQ(Frequencies(), (std::vector<int>{800, 800, 100}));
  EXPECT_EQ(Queued(), Bytes{}) << "the switches queue no key";
}

TEST_F(BrailleModeTest, KeysTypedDuringASignalAreQueuedByItsDelay) {
  os().ScriptChar(100, '7');
  console::SetBrailleMode(1);
  EXPECT_EQ(Queued(), Bytes{'7'});
}

}  // namespace

#include "console/braille.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "console/key_queue.h"
#include "console/keyboard.h"
#include "tests/support/recording_platform.h"

namespace {

using namespace platform;
using Bytes = std::vector<std::uint8_t>;

// Chord keys are named by their letters and the space bar by ' '.
class BrailleTest : public ::testing::Test {
 protected:
  BrailleTest() { console::BrailleMode() = 1; }

  doubles::RecordingPlatform& os() { return fixture_.os(); }

  static void Down(std::string_view keys) {
    for (char key : keys) console::OnKeyDown(static_cast<std::uint8_t>(key));
  }
  static void Up(std::string_view keys) {
    for (char key : keys) EXPECT_TRUE(console::OnKeyUp(static_cast<std::uint8_t>(key))) << key;
  }
  // All keys of a chord down, then all up in the same order.
  static void Chord(std::string_view keys) {
    Down(keys);
    Up(keys);
  }

  static Bytes Typed() {
    auto& queue = console::KeyQueue();
    Bytes typed(queue.bytes, queue.bytes + queue.count);
    queue = {};
    return typed;
  }

  static Bytes Text(std::string_view text) { return Bytes(text.begin(), text.end()); }

 private:
  doubles::PlatformFixture fixture_;
};

TEST_F(BrailleTest, AChordTypesOneCharacterWhenItsLastKeyIsReleased) {
  Chord("F");
  EXPECT_EQ(Typed(), Text("a"));

  Down("FD");
  Up("F");
  EXPECT_EQ(Typed(), Bytes{}) << "D is still held";
  Up("D");
  EXPECT_EQ(Typed(), Text("b"));

  Down("FD");
  Up("DF");
  EXPECT_EQ(Typed(), Text("b"));

  Chord("F");
  Chord("D");
  EXPECT_EQ(Typed(), Text("a,"));
}

TEST_F(BrailleTest, AKeyPressedAfterAnotherWasReleasedStillJoinsTheChord) {
  Down("FD");
  Up("F");
  Down("S");
  Up("DS");
  EXPECT_EQ(Typed(), Text("l"));
}

TEST_F(BrailleTest, AutoRepeatAddsNothing) {
  Down("FFFF");
  Up("F");
  EXPECT_EQ(Typed(), Text("a"));
}

TEST_F(BrailleTest, TheLettersFollowTheBrailleAlphabet) {
  // Dots of a to z, written with the keys: F D S J K L are dots 1 to 6.
  const char* letters[26] = {"F",    "FD",    "FJ",   "FJK",  "FK",   "FDJ",  "FDJK",
                             "FDK",  "DJ",    "DJK",  "FS",   "FDS",  "FSJ",  "FSJK",
                             "FSK",  "FDSJ",  "FDSJK", "FDSK", "DSJ",  "DSJK", "FSL",
                             "FDSL", "DJKL",  "FSJL", "FSJKL", "FSKL"};
  for (const char* keys : letters) Chord(keys);
  EXPECT_EQ(Typed(), Text("abcdefghijklmnopqrstuvwxyz"));
}

TEST_F(BrailleTest, PortugueseAccentedLettersHaveTheirCells) {
  const std::pair<const char*, std::uint8_t> letters[] = {
      {"FDSJL", 0xE7},  {"FDSJKL", 0xE9}, {"FDSKL", 0xE1}, {"SJK", 0xE3},  {"DJL", 0xF5},
      {"FDL", 0xEA},    {"FL", 0xE2},     {"FJKL", 0xF4},  {"SJ", 0xED},   {"SJL", 0xF3},
      {"DSJKL", 0xFA},  {"FDJL", 0xE0},   {"FDKL", 0xFC},
  };
  for (const auto& [keys, character] : letters) {
    Chord(keys);
    EXPECT_EQ(Typed(), Bytes{character}) << keys;
  }
}

TEST_F(BrailleTest, TheSpaceBarAloneTypesASpaceAndEndsTheSigns) {
  Chord(" ");
  EXPECT_EQ(Typed(), Text(" "));

  console::BrailleMode() = 2;
  console::Chord().NumberMode = true;
  console::Chord().CapitalLock = true;
  Chord(" ");
  EXPECT_EQ(Typed(), Text(" "));
  EXPECT_FALSE(console::Chord().NumberMode);
  EXPECT_FALSE(console::Chord().CapitalLock);
}

TEST_F(BrailleTest, TheSpaceBarWithDotsTypesControlCharactersWithoutSigns) {
  console::BrailleMode() = 2;
  Chord(" FDK");  // h: backspace
  Chord("FSJ ");  // m: carriage return
  Chord("SJKL");  // the number sign
  Chord(" F");    // a: 1, not the digit
  EXPECT_EQ(Typed(), (Bytes{8, 13, 1}));
}

TEST_F(BrailleTest, TheNumberSignTurnsLettersAToJIntoDigitsUntilTheSpaceBar) {
  console::BrailleMode() = 2;
  Chord("SJKL");
  Chord("F");
  Chord("FD");
  Chord("DJK");  // j
  Chord("S");    // apostrophe
  Chord("FS");   // k stays a letter
  Chord(" ");
  Chord("F");
  EXPECT_EQ(Typed(), Text("120.k a"));
}

TEST_F(BrailleTest, ATildeEndsTheNumbersAndIsTyped) {
  console::BrailleMode() = 2;
  Chord("SJKL");
  Chord("K");
  Chord("F");
  EXPECT_EQ(Typed(), Text("~a"));
}

TEST_F(BrailleTest, TheCapitalSignCapitalisesOneLetterAndTwiceLocksCapitals) {
  console::BrailleMode() = 2;
  Chord("JL");
  Chord("F");
  Chord("F");
  EXPECT_EQ(Typed(), Text("Aa"));

  Chord("JL");
  Chord("JL");
  Chord("F");
  Chord("FD");
  Chord(" ");
  Chord("F");
  EXPECT_EQ(Typed(), Text("AB a"));

  Chord("JL");
  Chord("FDSJL");  // ç
  Chord("F");
  EXPECT_EQ(Typed(), (Bytes{0xE7, 'a'})) << "the sign is spent on the accented letter";
}

TEST_F(BrailleTest, WithoutSignsTheSignCellsAreCharacters) {
  Chord("SJKL");
  Chord("JL");
  Chord("F");
  EXPECT_EQ(Typed(), Text("#{a"));
}

TEST_F(BrailleTest, ReleasingALetterThatIsNoChordKeyTypesASpace) {
  console::OnKeyDown('A');
  EXPECT_EQ(Typed(), Bytes{});
  Up("A");
  EXPECT_EQ(Typed(), Text(" "));
}

TEST_F(BrailleTest, CtrlMakesTheChordKeysOrdinaryAndKeepsAHeldDot) {
  Down("F");
  os().SetKeyDown(VK_CONTROL, true);
  console::BrailleMode() = 2;
  console::Chord().NumberMode = true;
  EXPECT_FALSE(console::OnKeyUp('F'));
  EXPECT_FALSE(console::Chord().NumberMode);
  console::OnKeyDown('D');
  EXPECT_EQ(console::Chord().ChordDots, 0x01) << "Ctrl+D adds no dot";
  EXPECT_EQ(console::Chord().HeldDots, 0x01);
  EXPECT_EQ(Typed(), Bytes{});

  os().SetKeyDown(VK_CONTROL, false);
  Chord("F");
  EXPECT_EQ(Typed(), Text("a"));
}

TEST_F(BrailleTest, AnyOtherKeyReleaseEndsTheSignsButNotTheChord) {
  console::BrailleMode() = 2;
  Down("F");
  console::Chord().NumberMode = true;
  EXPECT_FALSE(console::OnKeyUp(VK_RETURN));
  EXPECT_FALSE(console::OnKeyUp('5'));
  EXPECT_FALSE(console::Chord().NumberMode);
  Up("F");
  EXPECT_EQ(Typed(), Text("a"));
}

TEST_F(BrailleTest, AFullQueueDropsTheCharacterAndEndsTheChord) {
  for (int i = 0; i < 63; ++i) console::OnChar('.');
  Chord("F");
  EXPECT_EQ(console::KeyQueue().count, 64);
  Chord("FD");
  EXPECT_EQ(console::KeyQueue().count, 64);
  EXPECT_EQ(console::Chord().ChordDots, 0);
  EXPECT_EQ(Typed().back(), 'a');
}

TEST_F(BrailleTest, AltCombinationsComeBeforeChordEntry) {
  os().SetKeyDown(VK_MENU, true);
  os().SetKeyDown(VK_CONTROL, true);
  console::OnKeyDown('F');
  os().SetKeyDown(VK_CONTROL, false);
  console::OnKeyDown('J');
  EXPECT_EQ(Typed(), (Bytes{0, 0x21, 0, 0x24}));
  EXPECT_EQ(console::Chord().ChordDots, 0);
}

}  // namespace

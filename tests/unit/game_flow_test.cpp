#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "console/console_window.h"
#include "game/program.h"
#include "synt/segment_table.h"
#include "tests/support/recording_platform.h"

namespace {

using namespace platform;

// The runtime's generator, written out again so that the tests know which
// digits a game draws without asking the code under test.
std::vector<int> Draws(int count) {
  std::uint32_t seed = 0;
  seed = seed * 134775813u + 1u;  // the one discarded real draw at start
  std::vector<int> draws;
  for (int i = 0; i < count; ++i) {
    seed = seed * 134775813u + 1u;
    draws.push_back(static_cast<int>((static_cast<std::uint64_t>(seed) * 10u) >> 32));
  }
  return draws;
}

class GameFlow : public ::testing::Test {
 protected:
  doubles::RecordingPlatform& os() { return fixture.os(); }
  const doubles::RecordingPlatform& os() const { return const_cast<doubles::PlatformFixture&>(fixture).os(); }

  // Types text a long while after the previous typing, so that the game
  // has long been waiting for it and the key queue never overflows.
  void Type(const std::string& text) {
    typingTime += 1000000;
    for (char c : text) os().ScriptChar(typingTime, static_cast<std::uint8_t>(c));
  }
  void TypeLine(const std::string& text) { Type(text + "\r"); }

  // Plays the game with guesses chosen against the known draws: a hit
  // types the digit that will be drawn, a miss the one after it.
  void PlayTurns(const std::vector<bool>& hits) {
    std::vector<int> draws = Draws(static_cast<int>(hits.size()));
    for (std::size_t turn = 0; turn < hits.size(); ++turn) {
      int guess = hits[turn] ? draws[turn] : (draws[turn] + 1) % 10;
      TypeLine(std::to_string(guess));
    }
  }

  std::optional<UINT> Run() { return doubles::RunUntilExit([] { game::RunProgram(); }); }

  // The segment numbers played, in order, read back from the play commands.
  std::vector<int> PlayedSegments() const {
    std::vector<int> played;
    for (const std::string& command : os().mciCommands) {
      const std::string prefix = "play meusomm from ";
      if (command.rfind(prefix, 0) != 0) continue;
      std::string start = command.substr(prefix.size(), command.find(' ', prefix.size()) -
                                                            prefix.size());
      for (int n = 1; n <= synt::SegmentCount; ++n) {
        if (synt::SegmentNumber(n).start == start) played.push_back(n);
      }
    }
    return played;
  }

  // What was played after the last "resultado" (60, 87, 31, 68, 11) and the
  // drawn digit that follows it: the ending.
  std::vector<int> EndingSegments(int lastDrawn) const {
    std::vector<int> played = PlayedSegments();
    const std::vector<int> resultado{60, 87, 31, 68, 11};
    auto last = std::find_end(played.begin(), played.end(), resultado.begin(), resultado.end());
    EXPECT_NE(last, played.end());
    std::vector<int> rest(last + static_cast<std::ptrdiff_t>(resultado.size()), played.end());
    std::vector<int> digit = DigitSegments(lastDrawn);
    EXPECT_TRUE(std::equal(digit.begin(), digit.end(), rest.begin()));
    return std::vector<int>(rest.begin() + static_cast<std::ptrdiff_t>(digit.size()), rest.end());
  }

  static std::vector<int> DigitSegments(int digit) {
    static const std::vector<std::vector<int>> words{
        {83, 58}, {76}, {9, 21, 61}, {67, 56, 21, 61}, {30, 2, 67, 58},
        {61, 22, 30}, {61, 16, 61}, {63, 69}, {50, 74}, {42, 79}};
    return words[static_cast<std::size_t>(digit)];
  }

  static std::vector<int> Concat(std::initializer_list<std::vector<int>> parts) {
    std::vector<int> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
  }

  int CountTextRuns(const std::string& text) const {
    return static_cast<int>(std::count_if(os().textRuns.begin(), os().textRuns.end(),
                                          [&](const doubles::TextRun& run) {
                                            return run.text.find(text) != std::string::npos;
                                          }));
  }

  // The numbers written after "Resultado: ", in order.
  std::vector<int> WrittenResults() const {
    std::vector<int> results;
    const auto& runs = os().textRuns;
    for (std::size_t i = 0; i + 1 < runs.size(); ++i) {
      if (runs[i].text == "Resultado: " && runs[i + 1].y == runs[i].y) {
        results.push_back(std::stoi(runs[i + 1].text));
      }
    }
    return results;
  }

  const std::vector<int> closingPhrase{11, 45, 7, 51, 75, 32, 2, 19, 54, 6, 65};
  const std::vector<int> points{52, 74, 61};
  const std::vector<int> menos{36, 43, 61};
  doubles::PlatformFixture fixture;
  std::uint64_t typingTime = 0;
};

TEST_F(GameFlow, FirstGuessRightInEveryRoomScoresThirtyWithoutAnnouncement) {
  Type("\r");
  PlayTurns({true, true, true, true});

  EXPECT_EQ(Run(), std::optional<UINT>(0));

  EXPECT_EQ(EndingSegments(Draws(4)[3]), Concat({{18}, closingPhrase}));
  EXPECT_EQ(os().mciCommands.front(), "open fones.DAT type waveaudio alias meusomm");
  EXPECT_EQ(os().mciCommands[1], "set meusomm time format samples");
  EXPECT_EQ(os().mciCommands.back(), "close meusomm");
  EXPECT_EQ(std::count(os().mciCommands.begin(), os().mciCommands.end(), "close meusomm"), 1);
  EXPECT_EQ(os().titles.back(), "Programa terminado");
}

TEST_F(GameFlow, DrawsTheSameFirstTenDigitsInEveryGame) {
  EXPECT_EQ(Draws(10), (std::vector<int>{0, 8, 2, 2, 6, 3, 1, 3, 4, 0}));

  Type("\r");
  PlayTurns({false, false, false, false, false, false, false, false, false, true, true, true, true});
  ASSERT_EQ(Run(), std::optional<UINT>(0));

  std::vector<int> written = WrittenResults();
  ASSERT_GE(written.size(), 10u);
  EXPECT_EQ(std::vector<int>(written.begin(), written.begin() + 10), Draws(10));
}

TEST_F(GameFlow, OneMissInTheFirstRoomScoresTwentyNine) {
  Type("\r");
  PlayTurns({false, true, true, true, true});

  ASSERT_EQ(Run(), std::optional<UINT>(0));

  // vinte e nove, then pontos; no "mais" before it.
  std::vector<int> twentyNine{77, 22, 69, 14, 42, 79};
  EXPECT_EQ(EndingSegments(Draws(5)[4]), Concat({{18}, twentyNine, points, closingPhrase}));
}

TEST_F(GameFlow, OneMissInTheSecondRoomScoresThirtyNine) {
  Type("\r");
  PlayTurns({true, false, true, true, true});

  ASSERT_EQ(Run(), std::optional<UINT>(0));

  std::vector<int> thirtyNine{67, 53, 22, 68, 14, 42, 79};
  EXPECT_EQ(EndingSegments(Draws(5)[4]),
            Concat({{18}, menos, thirtyNine, points, closingPhrase}));
}

TEST_F(GameFlow, NineMissesInTheFirstRoomAndOneInTheThirdScoreExactlyThirty) {
  Type("\r");
  std::vector<bool> turns(9, false);
  turns.insert(turns.end(), {true, true, false, true, true});
  PlayTurns(turns);

  ASSERT_EQ(Run(), std::optional<UINT>(0));

  EXPECT_EQ(EndingSegments(Draws(static_cast<int>(turns.size())).back()),
            Concat({{18}, closingPhrase}));
}

TEST_F(GameFlow, ThirtyFiveMissesInTheFirstRoomEndWithMinusFive) {
  Type("\r");
  std::vector<bool> turns(35, false);
  turns.insert(turns.end(), {true, true, true, true});
  PlayTurns(turns);

  ASSERT_EQ(Run(), std::optional<UINT>(0));

  std::vector<int> five{61, 22, 30};
  EXPECT_EQ(EndingSegments(Draws(static_cast<int>(turns.size())).back()),
            Concat({{18}, menos, five, points, closingPhrase}));
}

TEST_F(GameFlow, NineCanWinAndADrawnNineAfterAMissSaysNaoDesista) {
  std::vector<int> draws = Draws(200);
  auto nine = std::find(draws.begin(), draws.end(), 9);
  ASSERT_NE(nine, draws.end());
  std::size_t nineTurn = static_cast<std::size_t>(nine - draws.begin());

  // Miss every turn before the nine in room 1, miss the nine, then hit
  // the next nine with a 9.
  auto secondNine = std::find(nine + 1, draws.end(), 9);
  ASSERT_NE(secondNine, draws.end());
  std::size_t secondTurn = static_cast<std::size_t>(secondNine - draws.begin());
  Type("\r");
  std::vector<bool> turns(secondTurn, false);
  turns.push_back(true);
  turns.insert(turns.end(), {true, true, true});
  PlayTurns(turns);

  ASSERT_EQ(Run(), std::optional<UINT>(0));

  std::vector<int> results = WrittenResults();
  ASSERT_GT(results.size(), secondTurn);
  EXPECT_EQ(results[nineTurn], 9);
  EXPECT_EQ(results[secondTurn], 9);
  // Every miss shows one obstacle; those on a drawn 0, 4, 8 or 9 say Não desista.
  int dontGiveUp = 0;
  for (std::size_t turn = 0; turn < secondTurn; ++turn) {
    int digit = draws[turn];
    if (digit == 0 || digit == 4 || digit == 8 || digit == 9) ++dontGiveUp;
  }
  EXPECT_EQ(CountTextRuns("N\xE3o desista"), dontGiveUp);
  // The hit on the second nine left room 1.
  EXPECT_EQ(CountTextRuns("AGORA VOC\xCA EST\xC1 NUMA SALA MAIOR AINDA"), 1);
}

TEST_F(GameFlow, TwoNumbersOnOneLineServeTwoTurns) {
  Type("\r");
  // The first two draws are 0 and 8: "5 3" misses twice without a second line.
  TypeLine("5 3");
  std::vector<int> draws = Draws(6);
  for (std::size_t turn = 2; turn < 6; ++turn) TypeLine(std::to_string(draws[turn]));

  ASSERT_EQ(Run(), std::optional<UINT>(0));

  std::vector<int> typed;
  const auto& runs = os().textRuns;
  for (std::size_t i = 0; i + 1 < runs.size(); ++i) {
    if (runs[i].text == "Teclou: " && runs[i + 1].y == runs[i].y) {
      typed.push_back(std::stoi(runs[i + 1].text));
    }
  }
  EXPECT_EQ(typed, (std::vector<int>{5, 3, draws[2], draws[3], draws[4], draws[5]}));
}

TEST_F(GameFlow, NonNumberEndsWithTheErrorBoxAndLeavesTheSoundFileOpen) {
  Type("\r");
  TypeLine("abc");

  EXPECT_EQ(Run(), std::optional<UINT>(1));

  ASSERT_EQ(os().messageBoxes.size(), 1u);
  EXPECT_EQ(os().messageBoxes[0].caption, "Application Error");
  EXPECT_NE(os().messageBoxes[0].text.find("Invalid numeric input."), std::string::npos);
  EXPECT_EQ(std::count(os().mciCommands.begin(), os().mciCommands.end(), "close meusomm"), 0);
  // Nothing of the turn is spoken after the failed read: the last thing
  // played is the end of the prompt (tecle enter).
  std::vector<int> played = PlayedSegments();
  ASSERT_GE(played.size(), 6u);
  EXPECT_EQ(std::vector<int>(played.end() - 6, played.end()),
            (std::vector<int>{70, 25, 33, 15, 71, 59}));
}

TEST_F(GameFlow, AnExtendedKeyOnTheStartScreenRepeatsTheMessageTwice) {
  typingTime += 1000000;
  os().ScriptKey(typingTime, VK_F1);
  Type("\r");
  PlayTurns({true, true, true, true});

  ASSERT_EQ(Run(), std::optional<UINT>(0));

  EXPECT_EQ(CountTextRuns("Tecle enter"), 3);
}

TEST_F(GameFlow, KeysTypedDuringTheStartMessageAnswerIt) {
  os().ScriptChar(1, '\r');  // while "Tecle enter" is still being spoken
  PlayTurns({true, true, true, true});

  ASSERT_EQ(Run(), std::optional<UINT>(0));

  EXPECT_EQ(CountTextRuns("Tecle enter"), 1);
}

TEST_F(GameFlow, ClosingTheWindowDuringTheGameEndsIt) {
  Type("\r");
  typingTime += 1000000;
  os().Script(typingTime, WM_CLOSE);

  EXPECT_EQ(Run(), std::optional<UINT>(0));

  EXPECT_FALSE(os().WindowExists());
  EXPECT_EQ(std::count(os().mciCommands.begin(), os().mciCommands.end(), "close meusomm"), 0);
}

}  // namespace

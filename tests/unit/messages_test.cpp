#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "console/console_window.h"
#include "console/screen_buffer.h"
#include "messages/messages.h"
#include "synt/segment_table.h"
#include "tests/support/played_segments.h"
#include "tests/support/recording_platform.h"

namespace {

using messages::MessageData;
using messages::MessageId;
using Segments = std::vector<int>;

struct ExpectedMessage {
  MessageId id;
  void (*say)();
  bool clears;
  std::vector<std::string> lines;
  Segments segments;  // number words expanded: zero is 83 58, nove 42 79
  std::uint64_t milliseconds;  // segment waits, the 75 ms beep, the 500 ms pause
};

const std::vector<ExpectedMessage>& AllMessages() {
  static const std::vector<ExpectedMessage> all{
      {MessageId::PressEnter, messages::MessagePressEnter, true,
       {"Tecle enter"},
       {70, 25, 33, 15, 71, 59}, 1624},
      {MessageId::Prompt, messages::MessagePrompt, false,
       {"Digite um n\xFAmero de 0 a 9 e tecle enter"},
       {8, 24, 69, 76, 43, 36, 58, 7, 83, 58, 2, 42, 79, 14, 70, 25, 33, 15, 71, 59}, 4758},
      {MessageId::BigRoom, messages::MessageBigRoom, false,
       {"VOC\xCA EST\xC1 NUMA SALA MUITO GRANDE", "TENTE SAIR"},
       {80, 64, 14, 61, 68, 43, 35, 62, 32, 38, 21, 74, 19, 55, 8, 72, 69, 62, 21, 59}, 4461},
      {MessageId::BiggerRoom, messages::MessageBiggerRoom, true,
       {"AGORA VOC\xCA EST\xC1 NUMA SALA MAIOR AINDA", std::string(" PROCURE A SA\xCD") + "DA"},
       {2, 20, 54, 80, 64, 14, 61, 68, 43, 35, 62, 32, 35, 21, 46, 59, 2, 22, 5, 48, 58, 29, 57,
        2, 62, 21, 5},
       5877},
      {MessageId::DeathCorridor, messages::MessageDeathCorridor, true,
       {"ESTE \xC9 O CORREDOR DA MORTE", "SAIA O QUANTO ANTES"},
       {14, 61, 69, 13, 47, 28, 60, 12, 59, 5, 37, 59, 69, 62, 21, 2, 47, 29, 1, 74, 1, 69, 61},
       4851},
      {MessageId::Stairs, messages::MessageStairs, true,
       {"Uma escada para subir"},
       {75, 35, 14, 61, 26, 5, 48, 54, 66, 4, 59}, 2822},
      {MessageId::ClosedWindow, messages::MessageClosedWindow, true,
       {"JANELA FECHADA"},
       {23, 40, 32, 17, 81, 5}, 2036},
      {MessageId::NotThisWay, messages::MessageNotThisWay, true,
       {"desse lado n\xE3o!"},
       {7, 65, 32, 11, 39, 3}, 2057},
      {MessageId::HardWall, messages::MessageHardWall, true,
       {"Parede dura!"},
       {51, 56, 8, 10, 54}, 1807},
      {MessageId::DontGiveUp, messages::MessageDontGiveUp, true,
       {"N\xE3o desista"},
       {39, 3, 7, 85, 61, 68}, 1806},
  };
  return all;
}

std::string Row(const std::string& text) { return text + std::string(80 - text.size(), ' '); }

TEST(Message, EachPrintsItsLinesSpeaksThemThenBeepsAndPauses) {
  for (const ExpectedMessage& expected : AllMessages()) {
    SCOPED_TRACE(std::string(MessageData(expected.id).name));
    doubles::PlatformFixture fixture;
    auto& os = fixture.os();
    console::StartConsole();
    console::ClearScreen();
    const char* earlier = "antes\n";
    console::WriteChars(reinterpret_cast<const std::uint8_t*>(earlier),
                        static_cast<std::uint16_t>(std::strlen(earlier)));
    os.ClearRecord();
    std::uint64_t start = os.now;

    expected.say();

    // What the screen shows: the lines at the top of a cleared screen, or
    // below what was there.
    const auto& screen = console::Screen();
    auto shown = os.ShownText(screen.CharWidth, screen.LineHeight, 80, 25);
    std::vector<std::string> rows;
    if (!expected.clears) rows.push_back(Row("antes"));
    for (const std::string& line : expected.lines) rows.push_back(Row(line));
    rows.push_back(Row(""));
    EXPECT_EQ(std::vector<std::string>(shown.begin(), shown.begin() + static_cast<long>(rows.size())),
              rows);
    EXPECT_EQ(screen.TextCursor.column, 0);
    EXPECT_EQ(screen.TextCursor.row, static_cast<int>(rows.size()) - 1);

    // What it says.
    EXPECT_EQ(doubles::PlayedSegments(os), expected.segments);
    EXPECT_EQ(messages::MessageSegments(expected.id), expected.segments);

    // One short beep after the last segment, then the pause.
    std::uint64_t speech = 0;
    for (int segment : expected.segments) {
      speech += static_cast<std::uint64_t>(synt::SegmentWait(synt::SegmentNumber(segment)));
    }
    ASSERT_EQ(os.sounds.size(), 2u);
    EXPECT_FALSE(os.sounds[0].image.empty());
    EXPECT_EQ(os.sounds[0].at, start + speech);
    EXPECT_TRUE(os.sounds[1].image.empty());
    EXPECT_EQ(os.sounds[1].at, start + speech + 75);
    auto sleeps = os.CallsStartingWith("Sleep");
    ASSERT_EQ(sleeps.size(), expected.segments.size() + 2);
    EXPECT_EQ(sleeps.back(), "Sleep(500)");
    EXPECT_EQ(os.now - start, expected.milliseconds);
  }
}

TEST(Message, LinesUseOnlyTheirSixAccentedLettersAsSingleBytes) {
  // Windows-1252 text: a UTF-8 literal slipping in would show as 0xC3 pairs.
  std::set<unsigned char> accented;
  for (const messages::Message& message : messages::MessageTable) {
    for (std::size_t line = 0; line < message.lineCount; ++line) {
      for (char byte : message.lines[line]) {
        if (static_cast<unsigned char>(byte) >= 0x80) accented.insert(static_cast<unsigned char>(byte));
      }
    }
  }
  EXPECT_EQ(accented, (std::set<unsigned char>{0xC1, 0xC9, 0xCA, 0xCD, 0xE3, 0xFA}));
}

TEST(Message, PromptSaysTheNumberWordsForZeroAndNineAmongSixteenSegments) {
  const auto& spoken = MessageData(MessageId::Prompt).spoken;
  ASSERT_EQ(spoken.size(), 18u);
  std::vector<std::size_t> words;
  for (std::size_t i = 0; i < spoken.size(); ++i) {
    if (spoken[i].kind == letras::SpeechItem::Kind::Word) words.push_back(i);
  }
  EXPECT_EQ(words, (std::vector<std::size_t>{8, 10}));
  EXPECT_EQ(spoken[8], letras::Word(0));
  EXPECT_EQ(spoken[10], letras::Word(9));
}

TEST(Message, SharedWordsShareTheirRecordings) {
  // tecle enter closes the prompt as it makes up the start screen.
  const auto& prompt = MessageData(MessageId::Prompt).spoken;
  const auto& pressEnter = MessageData(MessageId::PressEnter).spoken;
  ASSERT_EQ(pressEnter.size(), 6u);
  EXPECT_TRUE(std::equal(pressEnter.begin(), pressEnter.end(), prompt.end() - 6));
  // VOCÊ ESTÁ NUMA SALA: items 4 to 12 of the bigger room, 1 to 9 of the big one.
  const auto& bigger = MessageData(MessageId::BiggerRoom).spoken;
  const auto& big = MessageData(MessageId::BigRoom).spoken;
  EXPECT_TRUE(std::equal(big.begin(), big.begin() + 9, bigger.begin() + 3));
  EXPECT_NE(big[9], bigger[12]);
}

TEST(Message, PauseSleepsHalfASecond) {
  doubles::PlatformFixture fixture;
  messages::Pause();
  EXPECT_EQ(fixture.os().now, 500u);
  EXPECT_EQ(fixture.os().CallsStartingWith("Sleep"), (std::vector<std::string>{"Sleep(500)"}));
}

}  // namespace

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "console/console_window.h"
#include "console/screen_buffer.h"
#include "letras/number_speaker.h"
#include "letras/number_words.h"
#include "letras/short_beep.h"
#include "tests/support/played_segments.h"
#include "tests/support/recording_platform.h"

namespace {

using letras::Cento;
using letras::SpeechItem;
using letras::Word;
using Segments = std::vector<int>;

const SpeechItem And = 14;  // the conjunction e
const SpeechItem Me = 36, Nu = 43, S = 61;

Segments Say(std::initializer_list<SpeechItem> items) {
  Segments segments;
  for (const SpeechItem& item : items) letras::AppendSegments(item, segments);
  return segments;
}

class NumberSpeaker : public ::testing::Test {
 protected:
  NumberSpeaker() { console::StartConsole(); }

  doubles::RecordingPlatform& os() { return fixture.os(); }

  // What SpeakNumber plays for value, as heard through the play commands.
  Segments Spoken(std::int32_t value) {
    os().ClearRecord();
    letras::SpokenNumber() = value;
    letras::SpeakNumber();
    return doubles::PlayedSegments(os());
  }

  void ExpectSpoken(std::int32_t value, const Segments& expected) {
    SCOPED_TRACE("SpokenNumber " + std::to_string(value));
    EXPECT_EQ(Spoken(value), expected);
    // The preview of the voice tool reads the same list.
    EXPECT_EQ(letras::NumberSegments(value), expected);
  }

  doubles::PlatformFixture fixture;
};

TEST_F(NumberSpeaker, SaysUpToNineHundredNinetyNineAsPortugueseNumbers) {
  ExpectSpoken(5, Say({Word(5)}));
  ExpectSpoken(10, Say({Word(10)}));
  ExpectSpoken(14, Say({Word(14)}));
  ExpectSpoken(20, Say({Word(20)}));
  ExpectSpoken(21, Say({Word(20), And, Word(1)}));
  ExpectSpoken(200, Say({Word(200)}));
  ExpectSpoken(205, Say({Word(200), And, Word(5)}));
  ExpectSpoken(999, Say({Word(900), And, Word(90), And, Word(9)}));
}

TEST_F(NumberSpeaker, SaysCemOnlyForExactlyOneHundredAndCentoAbove) {
  ExpectSpoken(100, Say({Word(100)}));
  ExpectSpoken(101, Say({Cento, And, Word(1)}));
  ExpectSpoken(110, Say({Cento, And, Word(10)}));
  ExpectSpoken(115, Say({Cento, And, Word(15)}));
  ExpectSpoken(120, Say({Cento, And, Word(20)}));
  ExpectSpoken(123, Say({Cento, And, Word(20), And, Word(3)}));
  EXPECT_EQ(Say({Word(100)}), (Segments{61, 15}));
  EXPECT_EQ(Say({Cento}), (Segments{61, 15, 74}));
}

TEST_F(NumberSpeaker, WordsThatHoldAnotherWordSayItWhole) {
  // seiscentos e dezesseis: seis-centos, e, deze-seis.
  ExpectSpoken(616, (Segments{61, 16, 61, 15, 74, 61, 14, 7, 84, 61, 16, 61}));
  ExpectSpoken(17, (Segments{7, 84, 63, 69}));
  ExpectSpoken(19, (Segments{7, 84, 42, 79}));
  ExpectSpoken(400, (Segments{30, 2, 67, 58, 61, 15, 74, 61}));
}

TEST_F(NumberSpeaker, SaysZeroSoThatAPlayerWhoTypedZeroHearsIt) {
  ExpectSpoken(0, (Segments{83, 58}));
}

TEST_F(NumberSpeaker, SaysMenosBeforeTheMagnitudeOfANegativeNumber) {
  ExpectSpoken(-5, (Segments{36, 43, 61, 61, 22, 30}));
  ExpectSpoken(-20, Say({Me, Nu, S, Word(20)}));
  ExpectSpoken(-100, Say({Me, Nu, S, Word(100)}));
  ExpectSpoken(-123, Say({Me, Nu, S, Cento, And, Word(20), And, Word(3)}));
}

TEST_F(NumberSpeaker, SaysOneThousandAndBeyondDigitByDigit) {
  ExpectSpoken(1000, Say({Word(1), Word(0), Word(0), Word(0)}));
  ExpectSpoken(1234, Say({Word(1), Word(2), Word(3), Word(4)}));
  ExpectSpoken(2005, Say({Word(2), Word(0), Word(0), Word(5)}));
  ExpectSpoken(-1234, Say({Me, Nu, S, Word(1), Word(2), Word(3), Word(4)}));
  ExpectSpoken(INT_MAX, Say({Word(2), Word(1), Word(4), Word(7), Word(4), Word(8), Word(3),
                             Word(6), Word(4), Word(7)}));
  ExpectSpoken(INT_MIN, Say({Me, Nu, S, Word(2), Word(1), Word(4), Word(7), Word(4), Word(8),
                             Word(3), Word(6), Word(4), Word(8)}));
}

TEST_F(NumberSpeaker, EveryValueFromZeroTo999IsSpokenWithEveryPlayAKnownSegment) {
  for (std::int32_t value = 0; value <= 999; ++value) {
    Segments segments = letras::NumberSegments(value);
    ASSERT_FALSE(segments.empty()) << value;
    for (int segment : segments) ASSERT_TRUE(segment >= 1 && segment <= 87) << value;
    // e never opens or closes a number, nor comes twice in a row.
    EXPECT_NE(segments.front(), 14) << value;
    EXPECT_NE(segments.back(), 14) << value;
    EXPECT_EQ(std::adjacent_find(segments.begin(), segments.end(),
                                 [](int a, int b) { return a == 14 && b == 14; }),
              segments.end())
        << value;
  }
}

TEST_F(NumberSpeaker, TakesTheSumOfItsSegmentsWaits) {
  std::uint64_t before = os().now;
  Spoken(999);
  EXPECT_EQ(os().now - before, 2345u);
  EXPECT_EQ(letras::SpokenNumber(), 999);
}

TEST_F(NumberSpeaker, ClearsTheScreenBeforeSpeakingEvenForOneHundred) {
  console::ClearScreen();
  const char* earlier = "Teclou: 100";
  console::WriteChars(reinterpret_cast<const std::uint8_t*>(earlier),
                      static_cast<std::uint16_t>(std::strlen(earlier)));
  os().ClearRecord();

  letras::SpokenNumber() = 100;
  letras::SpeakNumber();

  const auto& screen = console::Screen();
  auto shown = os().ShownText(screen.CharWidth, screen.LineHeight, 80, 25);
  EXPECT_EQ(shown[0], std::string(80, ' '));
  EXPECT_EQ(screen.TextCursor.column, 0);
  EXPECT_EQ(screen.TextCursor.row, 0);
  // The clear is drawn before the first play command goes out.
  auto firstPlay = std::find_if(os().calls.begin(), os().calls.end(), [](const std::string& call) {
    return call.rfind("mciSendStringA(play", 0) == 0;
  });
  ASSERT_NE(firstPlay, os().calls.end());
  EXPECT_NE(std::find_if(os().calls.begin(), firstPlay,
                         [](const std::string& call) { return call.rfind("UpdateWindow", 0) == 0; }),
            firstPlay);
  EXPECT_EQ(doubles::PlayedSegments(os()), (Segments{61, 15}));
}

TEST(Numbers, ShortBeepSounds5000HertzFor75MillisecondsThenStops) {
  doubles::PlatformFixture fixture;
  auto& os = fixture.os();

  letras::ShortBeep();

  ASSERT_EQ(os.sounds.size(), 2u);
  const doubles::SoundCall& tone = os.sounds[0];
  ASSERT_GT(tone.image.size(), 48u);
  EXPECT_EQ(tone.flags, 13u);  // SND_ASYNC | SND_MEMORY | SND_LOOP
  EXPECT_EQ(tone.at, 0u);
  // 5000 Hz at 11025 samples a second: periods of two samples, low then high.
  std::uint32_t dataSize = 0;
  std::memcpy(&dataSize, tone.image.data() + 40, 4);
  EXPECT_EQ(dataSize, 10980u);
  EXPECT_EQ((std::vector<std::uint8_t>(tone.image.begin() + 44, tone.image.begin() + 48)),
            (std::vector<std::uint8_t>{96, 160, 96, 160}));

  const doubles::SoundCall& stop = os.sounds[1];
  EXPECT_TRUE(stop.image.empty());
  EXPECT_EQ(stop.at, 75u);
  EXPECT_EQ(os.now, 75u);
}

}  // namespace

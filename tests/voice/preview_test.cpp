// Previews: what the game says, with the game's timing.
#include <gtest/gtest.h>

#include <cmath>

#include "synt/segment_table.h"
#include "tools/voice/preview.h"

namespace {

using Kind = voice::PreviewStep::Kind;

std::vector<voice::PreviewStep> Parse(std::string_view what) {
  std::string error;
  auto steps = voice::ParsePreview(what, error);
  EXPECT_TRUE(steps) << error;
  return steps.value_or(std::vector<voice::PreviewStep>{});
}

std::vector<int> Segments(const std::vector<voice::PreviewStep>& steps) {
  std::vector<int> segments;
  for (const auto& step : steps) {
    if (step.kind == Kind::Segment) segments.push_back(step.segment);
  }
  return segments;
}

// A voice file in which every sample of segment n's range holds n / 100,
// so that the preview shows which range sounds where.
voice::Sound NumberedVoice() {
  voice::Sound sound{22050, voice::Samples(3010000, 0.0f)};
  for (int n = 1; n <= synt::SegmentCount; ++n) {
    const auto& segment = synt::SegmentNumber(n);
    for (auto i = synt::DecimalValue(segment.start); i < synt::DecimalValue(segment.end); ++i) {
      sound.samples[static_cast<std::size_t>(i)] = static_cast<float>(n) / 100;
    }
  }
  return sound;
}

TEST(Preview, SpeaksNumbersThroughTheGamesNumberSpeaker) {
  // vinte e um: 20 (77, 22, 69), e (14), 1 (76).
  EXPECT_EQ(Segments(Parse("number:21")), (std::vector<int>{77, 22, 69, 14, 76}));
  // cem alone is 61, 15.
  EXPECT_EQ(Segments(Parse("number:100")), (std::vector<int>{61, 15}));
}

TEST(Preview, EndsAMessageWithTheBeepAndThePause) {
  auto steps = Parse("message:prompt");
  ASSERT_GE(steps.size(), 3u);
  EXPECT_EQ(steps[steps.size() - 2].kind, Kind::Beep);
  EXPECT_EQ(steps.back().kind, Kind::Pause);
  // Digite um número de 0 a 9 e tecle enter: zero and nove expanded.
  EXPECT_EQ(Segments(steps), (std::vector<int>{8, 24, 69, 76, 43, 36, 58, 7, 83, 58, 2, 42, 79,
                                               14, 70, 25, 33, 15, 71, 59}));
  EXPECT_EQ(Segments(Parse("message:MessagePressEnter")), (std::vector<int>{70, 25, 33, 15, 71, 59}));
  // The words alone, as the distortion measure compares them.
  const auto words = Parse("speech:PressEnter");
  EXPECT_EQ(Segments(words), (std::vector<int>{70, 25, 33, 15, 71, 59}));
  EXPECT_EQ(words.size(), 6u);
}

TEST(Preview, JoinsPartsAndNumberRanges) {
  auto steps = Parse("segments:18,36+pause+numbers:1..2");
  EXPECT_EQ(Segments(steps), (std::vector<int>{18, 36, 76, 9, 21, 61}));
  EXPECT_EQ(std::count(steps.begin(), steps.end(), voice::PreviewStep{Kind::Pause, 0}), 3);
}

TEST(Preview, RefusesWhatTheGameCannotSay) {
  std::string error;
  EXPECT_FALSE(voice::ParsePreview("segments:0", error));
  EXPECT_FALSE(voice::ParsePreview("segments:88", error));
  EXPECT_FALSE(voice::ParsePreview("message:Goodbye", error));
  EXPECT_FALSE(voice::ParsePreview("number:twelve", error));
  EXPECT_FALSE(voice::ParsePreview("numbers:5..1", error));
  EXPECT_FALSE(voice::ParsePreview("song", error));
}

TEST(Preview, CutsEachRangeWhenTheNextPlayStartsAfterItsWait) {
  const voice::Sound voiceFile = NumberedVoice();
  const auto sound = voice::RenderPreview(voiceFile, {{Kind::Segment, 1}, {Kind::Segment, 2}});
  // Segment 1 waits 183 ms: at 22050 Hz, 4035 samples of its 5505.
  const std::size_t next = 183 * 22050 / 1000;
  EXPECT_FLOAT_EQ(sound[0], 0.01f);
  EXPECT_FLOAT_EQ(sound[next - 1], 0.01f);
  EXPECT_FLOAT_EQ(sound[next], 0.02f);
  // The last range plays to its end: 4700 samples of segment 2.
  EXPECT_EQ(sound.size(), next + 4700);
}

TEST(Preview, SoundsTheBeepAsASquareWaveFor75Milliseconds) {
  const voice::Sound silence{22050, voice::Samples(3010000, 0.0f)};
  const auto sound = voice::RenderPreview(silence, {{Kind::Beep, 0}, {Kind::Pause, 0}});
  EXPECT_EQ(sound.size(), 575u * 22050 / 1000);
  const std::size_t beep = 75 * 22050 / 1000;
  std::size_t changes = 0;
  for (std::size_t i = 1; i < beep; ++i) {
    EXPECT_FLOAT_EQ(std::abs(sound[i]), 0.25f);
    changes += sound[i] != sound[i - 1];
  }
  // 5000 Hz: about 750 half periods in 75 ms.
  EXPECT_NEAR(double(changes), 750, 10);
  EXPECT_FLOAT_EQ(sound[beep + 10], 0.0f);
}

}  // namespace

#include "console/tone.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/recording_platform.h"
#include "tests/support/sound_image.h"

namespace {

using doubles::LittleEndian32;
using doubles::WaveDataSize;

class ToneTest : public ::testing::Test {
 protected:
  doubles::RecordingPlatform& os() { return fixture_.os(); }

  // Plays a tone and answers the image handed to the sound service.
  std::vector<std::uint8_t> Play(std::uint16_t frequency) {
    console::PlayTone(frequency);
    EXPECT_FALSE(os().sounds.empty());
    return os().sounds.back().image;
  }

 private:
  doubles::PlatformFixture fixture_;
};

void ExpectHeader(const std::vector<std::uint8_t>& image, std::uint32_t dataSize) {
  ASSERT_GE(image.size(), 44u);
  EXPECT_EQ(std::string(image.begin(), image.begin() + 4), "RIFF");
  EXPECT_EQ(LittleEndian32(image, 4), dataSize + 36);
  EXPECT_EQ(std::string(image.begin() + 8, image.begin() + 16), "WAVEfmt ");
  EXPECT_EQ(LittleEndian32(image, 16), 16u);
  EXPECT_EQ(LittleEndian32(image, 20), 0x00010001u);  // PCM, one channel
  EXPECT_EQ(LittleEndian32(image, 24), 11025u);
  EXPECT_EQ(LittleEndian32(image, 28), 11025u);
  EXPECT_EQ(LittleEndian32(image, 32), 0x00080001u);  // block alignment 1, 8 bits
  EXPECT_EQ(std::string(image.begin() + 36, image.begin() + 40), "data");
  EXPECT_EQ(WaveDataSize(image), dataSize);
}

TEST_F(ToneTest, DataSizesFollowThePeriodsThatFitInOneSecond) {
  const std::pair<std::uint16_t, std::uint32_t> cases[] = {
      {100, 10914}, {400, 10969},  {800, 10969},  {1000, 10980}, {1600, 10976},
      {5000, 10980}, {5513, 10981}, {11025, 10981}, {11026, 10982}, {65535, 10982},
  };
  for (const auto& [frequency, dataSize] : cases) {
    SCOPED_TRACE(frequency);
    std::vector<std::uint8_t> image = Play(frequency);
    ExpectHeader(image, dataSize);
    ASSERT_EQ(image.size(), 44 + dataSize);
    EXPECT_EQ(image.back(), 128) << "the loop's seam is silence";
    EXPECT_EQ(os().sounds.back().flags, 13u);
  }
}

TEST_F(ToneTest, OneHertzHasNoDataAndKeepsItsHeaderWhole) {
  std::vector<std::uint8_t> image = Play(1);
  ExpectHeader(image, 0);
  EXPECT_EQ(LittleEndian32(image, 4), 36u);
  // The seam byte falls at offset 43, inside the header, and is overwritten.
  EXPECT_EQ(image[43], 0);
}

// The lengths of the runs of equal bytes in the data, as (byte, length).
std::vector<std::pair<std::uint8_t, int>> Runs(const std::vector<std::uint8_t>& image) {
  std::vector<std::pair<std::uint8_t, int>> runs;
  for (std::size_t i = 44; i < image.size(); ++i) {
    if (runs.empty() || runs.back().first != image[i]) {
      runs.emplace_back(image[i], 1);
    } else {
      ++runs.back().second;
    }
  }
  return runs;
}

TEST_F(ToneTest, AThousandHertzAlternatesFiveLowAndSixHighSamplesWithLongerPeriodsSpreadOut) {
  std::vector<std::uint8_t> image = Play(1000);
  auto runs = Runs(image);
  ASSERT_GE(runs.size(), 4u);
  EXPECT_EQ(runs[0], std::make_pair(std::uint8_t{96}, 5));
  EXPECT_EQ(runs[1], std::make_pair(std::uint8_t{160}, 6));
  EXPECT_EQ(runs[2], std::make_pair(std::uint8_t{96}, 5));
  EXPECT_EQ(runs[3], std::make_pair(std::uint8_t{160}, 6));
  // Every period is 11 or 12 samples; the 12-sample ones spread the 25
  // samples that 1000 periods of 11 leave over in the second.
  int longPeriods = 0;
  int periods = 0;
  for (std::size_t i = 0; i + 1 < runs.size(); i += 2) {
    ASSERT_EQ(runs[i].first, 96);
    ASSERT_EQ(runs[i + 1].first, 160);
    int length = runs[i].second + runs[i + 1].second;
    ++periods;
    if (i + 2 < runs.size() - 1) {  // the last period is cut by the seam
      ASSERT_TRUE(length == 11 || length == 12) << "period " << periods;
      if (length == 12) ++longPeriods;
    }
  }
  EXPECT_EQ(periods, 996);
  EXPECT_EQ(longPeriods, 24);
  EXPECT_EQ(runs.back(), std::make_pair(std::uint8_t{128}, 1));
}

TEST_F(ToneTest, FiveThousandHertzAlternatesWithADoubledHighInEveryLongerPeriod) {
  auto runs = Runs(Play(5000));
  int doubled = 0;
  for (std::size_t i = 0; i + 1 < runs.size(); ++i) {
    if (runs[i].first == 96) {
      EXPECT_EQ(runs[i].second, 1);
    }
    if (runs[i].first == 160) {
      EXPECT_TRUE(runs[i].second == 1 || runs[i].second == 2);
      if (runs[i].second == 2) ++doubled;
    }
  }
  // 4979 full periods of 2 or 3 samples end at sample 10978.
  EXPECT_EQ(doubled, 10978 - 2 * 4979);
}

TEST_F(ToneTest, FromHalfTheSampleRateUpTheDataIsAllHighThenTheSeam) {
  const std::uint16_t silent[] = {5513, 11025, 20000};
  for (std::uint16_t frequency : silent) {
    SCOPED_TRACE(frequency);
    auto runs = Runs(Play(frequency));
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].first, 160);
    EXPECT_EQ(runs[1], std::make_pair(std::uint8_t{128}, 1));
  }
}

TEST_F(ToneTest, TheImagesSoundAtTheirFrequencies) {
  const std::uint16_t heard[] = {100, 400, 800, 1600, 5000};
  for (std::uint16_t frequency : heard) {
    EXPECT_EQ(doubles::ToneFrequency(Play(frequency)), frequency);
  }
}

TEST_F(ToneTest, PlayingReplacesTheSoundingToneAndStopFreesIt) {
  EXPECT_EQ(console::ToneImage(), nullptr);
  console::PlayTone(800);
  const std::uint8_t* first = console::ToneImage();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(WaveDataSize(std::vector<std::uint8_t>(first, first + 44)), 10969u);
  console::PlayTone(1600);
  ASSERT_NE(console::ToneImage(), nullptr);
  console::StopTone();
  EXPECT_EQ(console::ToneImage(), nullptr);
  console::StopTone();

  EXPECT_EQ(os().CallsStartingWith("sndPlaySoundA"),
            (std::vector<std::string>{"sndPlaySoundA(image, 13)", "sndPlaySoundA(null, 1)",
                                      "sndPlaySoundA(image, 13)", "sndPlaySoundA(null, 1)"}));
}

TEST_F(ToneTest, FrequencyZeroIsSilentInsteadOfDividingByZero) {
  std::vector<std::uint8_t> image = Play(0);
  ExpectHeader(image, 0);
  console::StopTone();
}

}  // namespace

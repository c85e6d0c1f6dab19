// The fones.DAT that the build made, read as the game's wave device would
// read it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "synt/segment_table.h"
#include "tests/voice/wav_bytes.h"

namespace {

using voice_test::ReadBytes;

std::uint32_t Little(const std::vector<std::uint8_t>& bytes, std::size_t at, int count) {
  std::uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = (value << 8) | bytes[at + static_cast<std::size_t>(i)];
  return value;
}

class BuiltVoiceFile : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    bytes_ = new std::vector<std::uint8_t>(ReadBytes(MIRABO_FONES_DAT));
    samples_ = new std::vector<std::int16_t>();
    for (std::size_t at = 44; at + 1 < bytes_->size(); at += 2) {
      samples_->push_back(static_cast<std::int16_t>(Little(*bytes_, at, 2)));
    }
  }
  static void TearDownTestSuite() {
    delete bytes_;
    delete samples_;
  }
  static int Rate() { return static_cast<int>(Little(*bytes_, 24, 4)); }
  static std::size_t Start(int segment) {
    return static_cast<std::size_t>(synt::DecimalValue(synt::SegmentNumber(segment).start));
  }
  static std::size_t End(int segment) {
    return static_cast<std::size_t>(synt::DecimalValue(synt::SegmentNumber(segment).end));
  }
  // The first sample that must be silent: 10 ms before the game moves on.
  static std::size_t QuietFrom(int segment) {
    const long wait = (static_cast<long>(End(segment)) - static_cast<long>(Start(segment))) / 30;
    return Start(segment) + static_cast<std::size_t>((wait - 10) * Rate() / 1000);
  }

  static std::vector<std::uint8_t>* bytes_;
  static std::vector<std::int16_t>* samples_;
};

std::vector<std::uint8_t>* BuiltVoiceFile::bytes_ = nullptr;
std::vector<std::int16_t>* BuiltVoiceFile::samples_ = nullptr;

TEST_F(BuiltVoiceFile, IsAPlainMonoSixteenBitPcmWaveWithConsistentSizes) {
  ASSERT_GE(bytes_->size(), 44u);
  const auto& b = *bytes_;
  EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
  EXPECT_EQ(Little(b, 4, 4), b.size() - 8);
  EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 16), "WAVEfmt ");
  EXPECT_EQ(Little(b, 16, 4), 16u);  // format chunk size
  EXPECT_EQ(Little(b, 20, 2), 1u);   // PCM
  EXPECT_EQ(Little(b, 22, 2), 1u);   // mono
  EXPECT_EQ(Rate(), 22050);
  EXPECT_EQ(Little(b, 28, 4), 22050u * 2);  // bytes per second
  EXPECT_EQ(Little(b, 32, 2), 2u);          // block alignment
  EXPECT_EQ(Little(b, 34, 2), 16u);
  EXPECT_EQ(std::string(b.begin() + 36, b.begin() + 40), "data");
  EXPECT_EQ(Little(b, 40, 4), b.size() - 44);
}

TEST_F(BuiltVoiceFile, HoldsEveryRangeOfTheSegmentTable) {
  EXPECT_GE(samples_->size(), 3007025u);
}

TEST_F(BuiltVoiceFile, EveryRangeSoundsAtOnceAndIsSilentFromTenMillisecondsBeforeItsWaitEnds) {
  for (int segment = 1; segment <= synt::SegmentCount; ++segment) {
    SCOPED_TRACE("segment " + std::to_string(segment));
    const auto first = samples_->begin() + static_cast<long>(Start(segment));
    // Sound from the first millisecond (weak onsets such as the tap of ra
    // start near -45 dBFS), and the first half of what the segment may fill
    // well above silence: no silent lead-in.
    const auto opening = std::max_element(first, first + Rate() / 1000, [](auto a, auto b) {
      return std::abs(a) < std::abs(b);
    });
    EXPECT_GT(std::abs(*opening), 10);
    const long half = static_cast<long>(QuietFrom(segment) - Start(segment)) / 2;
    double sum = 0;
    for (auto at = first; at < first + half; ++at) sum += double(*at) * *at;
    EXPECT_GT(10 * std::log10(sum / double(half) / (32768.0 * 32768.0)), -35.0);
    const auto quiet = samples_->begin() + static_cast<long>(QuietFrom(segment));
    const auto end = samples_->begin() + static_cast<long>(End(segment));
    EXPECT_TRUE(std::all_of(quiet, end, [](std::int16_t s) { return s == 0; }));
  }
}

TEST_F(BuiltVoiceFile, IsSilentOutsideTheRanges) {
  std::vector<bool> inside(samples_->size(), false);
  for (int segment = 1; segment <= synt::SegmentCount; ++segment) {
    for (std::size_t i = Start(segment); i < End(segment); ++i) inside[i] = true;
  }
  std::size_t sounding = 0;
  for (std::size_t i = 0; i < samples_->size(); ++i) sounding += !inside[i] && (*samples_)[i] != 0;
  EXPECT_EQ(sounding, 0u);
}

TEST_F(BuiltVoiceFile, NoSampleReachesFullScale) {
  const auto loudest = std::max_element(samples_->begin(), samples_->end(), [](auto a, auto b) {
    return std::abs(a) < std::abs(b);
  });
  EXPECT_LT(std::abs(*loudest), 32767);
}

TEST_F(BuiltVoiceFile, NoTwoFragmentsDifferInLoudnessByThreeDecibels) {
  std::vector<double> levels;
  for (int segment = 1; segment <= synt::SegmentCount; ++segment) {
    // The audible part: from the first to the last sample that is not silent.
    std::size_t first = Start(segment);
    std::size_t last = End(segment) - 1;
    while (first < last && (*samples_)[first] == 0) ++first;
    while (last > first && (*samples_)[last] == 0) --last;
    double sum = 0;
    for (std::size_t i = first; i <= last; ++i) sum += double((*samples_)[i]) * (*samples_)[i];
    levels.push_back(10 * std::log10(sum / double(last - first + 1)));
  }
  const auto [quietest, loudest] = std::minmax_element(levels.begin(), levels.end());
  EXPECT_LT(*loudest - *quietest, 3.0) << "segment " << (quietest - levels.begin() + 1)
                                       << " against segment " << (loudest - levels.begin() + 1);
}

TEST(VoiceTool, MakesTheSameBytesEveryTime) {
  const auto again = std::filesystem::temp_directory_path() / "mirabo-voice-test-again.DAT";
  const std::string command = std::string("\"") + MIRABO_VOICE_TOOL +
                              "\" --output \"" + again.string() + "\"";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_TRUE(ReadBytes(again) == ReadBytes(MIRABO_FONES_DAT));
  std::filesystem::remove(again);
}

}  // namespace

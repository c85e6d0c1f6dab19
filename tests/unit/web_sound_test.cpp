// The browser stand-in's WAV reader and rate conversion: what the shared
// sound code plays on the page.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/web/web_wave.h"

namespace {

using platform::web::DecodeWave;
using platform::web::ToMixerRate;

std::vector<std::uint8_t> Wave(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                               const std::vector<std::uint8_t>& data, std::uint32_t riffExtra = 0) {
  std::vector<std::uint8_t> bytes;
  auto put = [&bytes](std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  };
  auto tag = [&bytes](const char* text) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(text[i]));
  };
  tag("RIFF");
  put(36 + static_cast<std::uint32_t>(data.size()) + riffExtra, 4);
  tag("WAVE");
  tag("fmt ");
  put(16, 4);
  put(1, 2);
  put(channels, 2);
  put(rate, 4);
  put(rate * channels * bits / 8, 4);
  put(channels * bits / 8, 2);
  put(bits, 2);
  tag("data");
  put(static_cast<std::uint32_t>(data.size()), 4);
  bytes.insert(bytes.end(), data.begin(), data.end());
  return bytes;
}

TEST(WebWave, EightBitStereoBecomesSignedSixteenBitMono) {
  // Frames (128, 128) silence, (255, 255) top, (0, 255) left bottom right top.
  auto wave = DecodeWave(Wave(2, 11025, 8, {128, 128, 255, 255, 0, 255}));
  ASSERT_TRUE(wave.has_value());
  EXPECT_EQ(wave->rate, 11025u);
  EXPECT_EQ(wave->samples, (std::vector<std::int16_t>{0, 127 * 256, (-128 * 256 + 127 * 256) / 2}));
}

TEST(WebWave, BrokenImagesAreNothingAndAHalfFrameIsDropped) {
  auto good = Wave(1, 22050, 16, {1, 0, 2, 0, 3});  // two frames and a stray byte
  auto wave = DecodeWave(good);
  ASSERT_TRUE(wave.has_value());
  EXPECT_EQ(wave->samples, (std::vector<std::int16_t>{1, 2}));
  // Cut short: the RIFF size reaches past the end.
  EXPECT_FALSE(DecodeWave(std::vector<std::uint8_t>(good.begin(), good.end() - 3)).has_value());
  // Not PCM, 24 bits, three channels, an absurd rate.
  auto compressed = good;
  compressed[20] = 2;
  EXPECT_FALSE(DecodeWave(compressed).has_value());
  EXPECT_FALSE(DecodeWave(Wave(1, 22050, 24, {0, 0, 0})).has_value());
  EXPECT_FALSE(DecodeWave(Wave(3, 22050, 16, {0, 0, 0, 0, 0, 0})).has_value());
  EXPECT_FALSE(DecodeWave(Wave(1, 10, 16, {0, 0})).has_value());
  EXPECT_FALSE(DecodeWave(std::vector<std::uint8_t>{'R', 'I', 'F', 'F'}).has_value());
  EXPECT_FALSE(DecodeWave({}).has_value());
}

TEST(WebWave, ARangeAtTheMixerRateHasItsLengthAndEndsOnItsOwnLastSample) {
  platform::common::DecodedWave wave;
  wave.rate = 22050;
  wave.samples = {0, 1000, 2000, 3000, -8000, -8000};
  // Samples 1..3 (the range stops before the -8000s) at twice the rate.
  auto samples = ToMixerRate(wave, 1, 3);
  ASSERT_EQ(samples->size(), 6u);
  EXPECT_EQ(*samples, (std::vector<std::int16_t>{1000, 1500, 2000, 2500, 3000, 3000}));
  // Past the end: cut to what there is; beyond it: nothing.
  EXPECT_EQ(ToMixerRate(wave, 4, 100)->size(), 4u);
  EXPECT_TRUE(ToMixerRate(wave, 6, 1)->empty());
  // A whole second at any rate is a second at the mixer's.
  wave.rate = 11025;
  wave.samples.assign(11025, 7);
  EXPECT_EQ(ToMixerRate(wave, 0, 11025)->size(), 44100u);
}

}  // namespace

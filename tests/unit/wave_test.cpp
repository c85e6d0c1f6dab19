#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/common/wave.h"

namespace {

using platform::common::DecodedWave;
using platform::common::RiffImageSize;
using platform::common::DecodeWave;
using platform::common::ToMixerRate;
using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& out, unsigned value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(Bytes& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

void Chunk(Bytes& out, const std::string& tag, const Bytes& body, std::uint32_t declared) {
  out.insert(out.end(), tag.begin(), tag.end());
  Put32(out, declared);
  out.insert(out.end(), body.begin(), body.end());
}

Bytes Format(unsigned tag, unsigned channels, std::uint32_t rate, unsigned bits,
             unsigned blockAlign) {
  Bytes fmt;
  Put16(fmt, tag);
  Put16(fmt, channels);
  Put32(fmt, rate);
  Put32(fmt, rate * blockAlign);
  Put16(fmt, blockAlign);
  Put16(fmt, bits);
  return fmt;
}

// A RIFF image of the given chunks, with a correct RIFF size.
Bytes Riff(const Bytes& chunks) {
  Bytes out{'R', 'I', 'F', 'F'};
  Put32(out, static_cast<std::uint32_t>(chunks.size() + 4));
  out.insert(out.end(), {'W', 'A', 'V', 'E'});
  out.insert(out.end(), chunks.begin(), chunks.end());
  return out;
}

Bytes Pcm(unsigned channels, std::uint32_t rate, unsigned bits, const Bytes& data) {
  Bytes chunks;
  Chunk(chunks, "fmt ", Format(1, channels, rate, bits, channels * bits / 8), 16);
  Chunk(chunks, "data", data, static_cast<std::uint32_t>(data.size()));
  return Riff(chunks);
}

bool Refused(const Bytes& image) { return !DecodeWave(image).has_value(); }

// fones.DAT's own format: the samples come through unchanged.
TEST(Wave, DecodesSixteenBitMonoExactlyAtItsOwnRate) {
  Bytes data;
  for (unsigned value : {0u, 1u, 0x7FFFu, 0x8000u, 0xFFFFu}) Put16(data, value);
  std::optional<DecodedWave> wave = DecodeWave(Pcm(1, 22050, 16, data));
  ASSERT_TRUE(wave);
  EXPECT_EQ(wave->rate, 22050u);
  EXPECT_EQ(wave->samples, (std::vector<std::int16_t>{0, 1, 32767, -32768, -1}));
}

// The tone images of the console: 8-bit unsigned mono at 11025 Hz.
TEST(Wave, DecodesAnEightBitMonoImageToSignedSamples) {
  std::optional<DecodedWave> wave = DecodeWave(Pcm(1, 11025, 8, {96, 160, 96, 128}));
  ASSERT_TRUE(wave);
  EXPECT_EQ(wave->rate, 11025u);
  EXPECT_EQ(wave->samples, (std::vector<std::int16_t>{-8192, 8192, -8192, 0}));
}

// Positions in the file's samples stay positions in the decoded samples; a
// partial frame at the end is no frame.
TEST(Wave, MixesStereoDownToMonoFrameForFrame) {
  Bytes data;
  for (int frame = 0; frame < 5; ++frame) {
    Put16(data, static_cast<unsigned>(1000 * frame) & 0xFFFF);
    Put16(data, static_cast<unsigned>(-3000 * frame) & 0xFFFF);
  }
  data.insert(data.end(), {1, 2, 3});
  std::optional<DecodedWave> wave = DecodeWave(Pcm(2, 44100, 16, data));
  ASSERT_TRUE(wave);
  EXPECT_EQ(wave->samples, (std::vector<std::int16_t>{0, -1000, -2000, -3000, -4000}));

  std::optional<DecodedWave> eightBit = DecodeWave(Pcm(2, 11025, 8, {0, 255, 255, 255}));
  ASSERT_TRUE(eightBit);
  EXPECT_EQ(eightBit->samples, (std::vector<std::int16_t>{-128, 32512}));
}

TEST(Wave, SkipsOtherChunksTakesThemInAnyOrderAndAcceptsExtensiblePcm) {
  Bytes chunks;
  Chunk(chunks, "data", {128, 255}, 2);
  Chunk(chunks, "LIST", {1, 2, 3}, 3);
  chunks.push_back(0);  // pad to even
  Chunk(chunks, "fmt ", Format(1, 1, 8000, 8, 1), 16);
  Chunk(chunks, "data", {1, 2, 3, 4}, 4);  // only the first data chunk counts
  std::optional<DecodedWave> wave = DecodeWave(Riff(chunks));
  ASSERT_TRUE(wave);
  EXPECT_EQ(wave->samples, (std::vector<std::int16_t>{0, 32512}));

  Bytes fmt = Format(0xFFFE, 1, 22050, 16, 2);
  Put16(fmt, 22);  // cbSize
  Put16(fmt, 16);  // valid bits
  Put32(fmt, 4);   // channel mask
  Bytes guid = {1, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
  fmt.insert(fmt.end(), guid.begin(), guid.end());
  Bytes extensible;
  Chunk(extensible, "fmt ", fmt, static_cast<std::uint32_t>(fmt.size()));
  Chunk(extensible, "data", {0, 0}, 2);
  EXPECT_FALSE(Refused(Riff(extensible)));
  fmt[24] = 3;  // IEEE float
  Bytes floating;
  Chunk(floating, "fmt ", fmt, static_cast<std::uint32_t>(fmt.size()));
  Chunk(floating, "data", {0, 0}, 2);
  EXPECT_TRUE(Refused(Riff(floating)));
}

TEST(Wave, RefusesWhatIsNotARiffWaveImage) {
  EXPECT_TRUE(Refused({}));
  EXPECT_TRUE(Refused({'R', 'I', 'F', 'F'}));
  Bytes avi = Pcm(1, 8000, 8, {0});
  avi[8] = 'A';
  EXPECT_TRUE(Refused(avi));
  Bytes onlyData;
  Chunk(onlyData, "data", {0, 0}, 2);
  EXPECT_TRUE(Refused(Riff(onlyData)));
}

// A fones.DAT cut short must leave the program mute, not play the part
// that is left.
TEST(Wave, RefusesAnImageCutShortOrWithSizesPastItsEnd) {
  Bytes cut = Pcm(1, 8000, 8, Bytes(100, 128));
  cut.resize(cut.size() - 10);  // the RIFF size now promises more than there is
  EXPECT_TRUE(Refused(cut));

  Bytes chunks;
  Chunk(chunks, "fmt ", Format(1, 1, 8000, 8, 1), 16);
  Chunk(chunks, "data", Bytes(10, 128), 11);  // more than its RIFF chunk holds
  EXPECT_TRUE(Refused(Riff(chunks)));

  Bytes absurd;
  Chunk(absurd, "fmt ", Format(1, 1, 8000, 8, 1), 16);
  Chunk(absurd, "data", Bytes(4, 128), 0xFFFFFFFF);
  EXPECT_TRUE(Refused(Riff(absurd)));
  Bytes huge = Pcm(1, 8000, 8, {1});
  huge[4] = huge[5] = huge[6] = huge[7] = 0xFF;
  EXPECT_TRUE(Refused(huge));
}

TEST(Wave, RefusesWhatIsNotEightOrSixteenBitPcmInOneOrTwoChannels) {
  auto with = [](unsigned tag, unsigned channels, std::uint32_t rate, unsigned bits,
                 unsigned align) {
    Bytes chunks;
    Chunk(chunks, "fmt ", Format(tag, channels, rate, bits, align), 16);
    Chunk(chunks, "data", {0, 0, 0, 0, 0, 0}, 6);
    return Refused(Riff(chunks));
  };
  EXPECT_TRUE(with(0x55, 1, 8000, 0, 1));    // MP3
  EXPECT_TRUE(with(1, 0, 8000, 16, 0));      // no channels
  EXPECT_TRUE(with(1, 1, 0, 16, 2));         // no rate
  EXPECT_TRUE(with(1, 1, 999, 16, 2));       // below any rate a sound card takes
  EXPECT_TRUE(with(1, 1, 8000, 24, 3));      // 24-bit
  EXPECT_TRUE(with(1, 3, 8000, 16, 6));      // three channels
  EXPECT_TRUE(with(1, 2, 8000, 16, 2));      // a block that is not one frame
  EXPECT_FALSE(with(1, 2, 8000, 16, 4));
}

TEST(Wave, TakesAnImagesLengthFromItsRiffHeader) {
  Bytes image = Pcm(1, 11025, 8, Bytes(10980, 128));
  EXPECT_EQ(RiffImageSize(image.data()), image.size());
  EXPECT_EQ(RiffImageSize(reinterpret_cast<const std::uint8_t*>("RIFX\0\0\0\0")), 0u);
  EXPECT_EQ(RiffImageSize(nullptr), 0u);
}

// A RIFF size below 4 ends the image before its own "WAVE" tag; reading the
// chunks from byte 12 on then ran past the image and, in a short file, past
// the bytes themselves (found by fuzzing the reader this backend had
// before SDL's, which this one replaces).
TEST(Wave, AnImageThatEndsBeforeItsWaveTagIsRefused) {
  for (std::uint8_t riffSize = 0; riffSize < 4; ++riffSize) {
    SCOPED_TRACE(static_cast<int>(riffSize));
    Bytes image = Pcm(1, 22050, 16, {0x10, 0x00, 0x20, 0x00});
    image[4] = riffSize;
    image[5] = image[6] = image[7] = 0;
    EXPECT_TRUE(Refused(image));
  }
}

// fones.DAT is made at 22050 Hz: each range is twice as many frames at the
// mixer's rate, the frames between the file's own halfway between them,
// and the range ends on its own last sample instead of reaching past it.
TEST(Wave, ConvertsARangeToTheMixerRateWithoutReachingPastIt) {
  DecodedWave wave{22050, {100, 200, -200, 400, 5000}};
  EXPECT_EQ(*ToMixerRate(wave, 1, 3), (std::vector<std::int16_t>{200, 0, -200, 100, 400, 400}));
  EXPECT_EQ(ToMixerRate(wave, 3, 100)->size(), 4u);  // cut to what the wave has
  EXPECT_TRUE(ToMixerRate(wave, 5, 1)->empty());
  EXPECT_TRUE(ToMixerRate(DecodedWave{}, 0, 1)->empty());

  // The console's tones: a second at 11025 Hz is a second at 44100 Hz.
  DecodedWave tone{11025, std::vector<std::int16_t>(11025, -8192)};
  platform::common::Samples second = ToMixerRate(tone, 0, tone.samples.size());
  EXPECT_EQ(second->size(), 44100u);
  EXPECT_EQ(std::count(second->begin(), second->end(), -8192), 44100);
  EXPECT_EQ(ToMixerRate(DecodedWave{48000, std::vector<std::int16_t>(480)}, 0, 480)->size(),
            441u);
}

}  // namespace

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/common/mci.h"
#include "platform/sdl/sdl_platform.h"

namespace {

using platform::common::DecodedWave;
using platform::common::RiffImageSize;
using platform::sdl::DecodeWave;
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

// SDL converts through floating point: a sample may come out one step off.
void ExpectNear(const std::vector<std::int16_t>& got, const std::vector<std::int16_t>& wanted) {
  ASSERT_EQ(got.size(), wanted.size());
  for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], wanted[i], 1) << "sample " << i;
}

// fones.DAT's own format: the samples come through unchanged.
TEST(SdlWave, DecodesSixteenBitMonoExactlyAtItsOwnRate) {
  Bytes data;
  for (unsigned value : {0u, 1u, 0x7FFFu, 0x8000u, 0xFFFFu}) Put16(data, value);
  std::optional<DecodedWave> wave = DecodeWave(Pcm(1, 22050, 16, data));
  ASSERT_TRUE(wave);
  EXPECT_EQ(wave->rate, 22050u);
  EXPECT_EQ(wave->samples, (std::vector<std::int16_t>{0, 1, 32767, -32768, -1}));
}

// The tone images of the console: 8-bit unsigned mono at 11025 Hz.
TEST(SdlWave, DecodesAnEightBitMonoImageToSignedSamples) {
  std::optional<DecodedWave> wave = DecodeWave(Pcm(1, 11025, 8, {96, 160, 96, 128}));
  ASSERT_TRUE(wave);
  EXPECT_EQ(wave->rate, 11025u);
  ExpectNear(wave->samples, {-8192, 8192, -8192, 0});
}

// Positions in the file's samples stay positions in the decoded samples.
TEST(SdlWave, MixesStereoDownToMonoFrameForFrame) {
  Bytes data;
  for (int frame = 0; frame < 5; ++frame) {
    for (int channel = 0; channel < 2; ++channel) {
      Put16(data, static_cast<unsigned>(1000 * frame) & 0xFFFF);
    }
  }
  std::optional<DecodedWave> wave = DecodeWave(Pcm(2, 44100, 16, data));
  ASSERT_TRUE(wave);
  ExpectNear(wave->samples, {0, 1000, 2000, 3000, 4000});
}

TEST(SdlWave, SkipsOtherChunksAndAcceptsExtensiblePcm) {
  Bytes chunks;
  Chunk(chunks, "fmt ", Format(1, 1, 8000, 8, 1), 16);
  Chunk(chunks, "LIST", {1, 2, 3}, 3);
  chunks.push_back(0);  // pad to even
  Chunk(chunks, "data", {128, 255}, 2);
  std::optional<DecodedWave> wave = DecodeWave(Riff(chunks));
  ASSERT_TRUE(wave);
  EXPECT_EQ(wave->samples.size(), 2u);

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
}

TEST(SdlWave, RefusesWhatIsNotARiffWaveImage) {
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
TEST(SdlWave, RefusesAnImageCutShortOrWithSizesPastItsEnd) {
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

  EXPECT_TRUE(Refused(Pcm(2, 44100, 16, Bytes(4 * 5 + 3, 0))));  // a partial frame at the end
}

TEST(SdlWave, RefusesFormatsSdlCannotDecode) {
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
}

TEST(SdlWave, TakesAnImagesLengthFromItsRiffHeader) {
  Bytes image = Pcm(1, 11025, 8, Bytes(10980, 128));
  EXPECT_EQ(RiffImageSize(image.data()), image.size());
  EXPECT_EQ(RiffImageSize(reinterpret_cast<const std::uint8_t*>("RIFX\0\0\0\0")), 0u);
  EXPECT_EQ(RiffImageSize(nullptr), 0u);
}

// A RIFF size below 4 ends the image before its own "WAVE" tag; reading the
// chunks from byte 12 on then ran past the image and, in a short file, past
// the bytes themselves (found by fuzzing the reader this backend had
// before SDL's).
TEST(SdlWave, AnImageThatEndsBeforeItsWaveTagIsRefused) {
  for (std::uint8_t riffSize = 0; riffSize < 4; ++riffSize) {
    SCOPED_TRACE(static_cast<int>(riffSize));
    Bytes image = Pcm(1, 22050, 16, {0x10, 0x00, 0x20, 0x00});
    image[4] = riffSize;
    image[5] = image[6] = image[7] = 0;
    EXPECT_TRUE(Refused(image));
  }
}

}  // namespace

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/sdl/sdl_wave.h"

namespace {

using platform::sdl::ParseWave;
using platform::sdl::RiffImageSize;
using platform::sdl::WaveError;
using platform::sdl::WaveView;
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

WaveError ErrorOf(const Bytes& image) {
  auto parsed = ParseWave(image);
  EXPECT_TRUE(std::holds_alternative<WaveError>(parsed));
  return std::holds_alternative<WaveError>(parsed) ? std::get<WaveError>(parsed)
                                                   : WaveError::NotRiffWave;
}

TEST(SdlWave, ReadsTheFormatAndDataOfAnEightBitMonoImage) {
  Bytes image = Pcm(1, 11025, 8, {96, 160, 96, 128});
  auto parsed = ParseWave(image);
  ASSERT_TRUE(std::holds_alternative<WaveView>(parsed));
  const WaveView& wave = std::get<WaveView>(parsed);
  EXPECT_EQ(wave.format.channels, 1);
  EXPECT_EQ(wave.format.sampleRate, 11025u);
  EXPECT_EQ(wave.format.bitsPerSample, 8);
  EXPECT_EQ(Bytes(wave.data.begin(), wave.data.end()), (Bytes{96, 160, 96, 128}));
  EXPECT_EQ(wave.data.data(), image.data() + 44);
}

TEST(SdlWave, CountsFramesOfSixteenBitStereoAndDropsAPartialFrame) {
  Bytes data(4 * 5 + 3, 0);  // five frames and three stray bytes
  auto parsed = ParseWave(Pcm(2, 44100, 16, data));
  ASSERT_TRUE(std::holds_alternative<WaveView>(parsed));
  EXPECT_EQ(std::get<WaveView>(parsed).FrameCount(), 5u);
  EXPECT_EQ(std::get<WaveView>(parsed).data.size(), 20u);
}

TEST(SdlWave, SkipsOtherChunksAndTheirPadBytesAndAcceptsDataBeforeFormat) {
  Bytes chunks;
  Chunk(chunks, "LIST", {1, 2, 3}, 3);
  chunks.push_back(0);  // pad to even
  Chunk(chunks, "data", {1, 2}, 2);
  Chunk(chunks, "fmt ", Format(1, 1, 8000, 8, 1), 16);
  Bytes image = Riff(chunks);
  auto parsed = ParseWave(image);
  ASSERT_TRUE(std::holds_alternative<WaveView>(parsed));
  EXPECT_EQ(std::get<WaveView>(parsed).data.size(), 2u);
  EXPECT_EQ(std::get<WaveView>(parsed).data[0], 1);
}

TEST(SdlWave, AcceptsExtensibleFormatWhoseSubFormatIsPcm) {
  Bytes fmt = Format(0xFFFE, 1, 22050, 16, 2);
  Put16(fmt, 22);  // cbSize
  Put16(fmt, 16);  // valid bits
  Put32(fmt, 4);   // channel mask
  Bytes guid = {1, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
  fmt.insert(fmt.end(), guid.begin(), guid.end());
  Bytes chunks;
  Chunk(chunks, "fmt ", fmt, static_cast<std::uint32_t>(fmt.size()));
  Chunk(chunks, "data", {0, 0}, 2);
  EXPECT_TRUE(std::holds_alternative<WaveView>(ParseWave(Riff(chunks))));
}

TEST(SdlWave, IgnoresBytesAfterTheRiffChunk) {
  Bytes image = Pcm(1, 8000, 8, {5, 6});
  image.insert(image.end(), {'j', 'u', 'n', 'k', 0xFF, 0xFF, 0xFF, 0xFF});
  EXPECT_TRUE(std::holds_alternative<WaveView>(ParseWave(image)));
}

TEST(SdlWave, RefusesWhatIsNotARiffWaveImage) {
  EXPECT_EQ(ErrorOf({}), WaveError::NotRiffWave);
  EXPECT_EQ(ErrorOf({'R', 'I', 'F', 'F'}), WaveError::NotRiffWave);
  Bytes avi = Pcm(1, 8000, 8, {0});
  avi[8] = 'A';
  EXPECT_EQ(ErrorOf(avi), WaveError::NotRiffWave);
}

TEST(SdlWave, RefusesSizesThatReachPastTheBytes) {
  Bytes cut = Pcm(1, 8000, 8, Bytes(100, 128));
  cut.resize(cut.size() - 10);  // the RIFF size now promises more than there is
  EXPECT_EQ(ErrorOf(cut), WaveError::Truncated);

  // A data chunk that claims more than its RIFF chunk holds.
  Bytes chunks;
  Chunk(chunks, "fmt ", Format(1, 1, 8000, 8, 1), 16);
  Chunk(chunks, "data", Bytes(10, 128), 11);
  EXPECT_EQ(ErrorOf(Riff(chunks)), WaveError::Truncated);

  // Absurd sizes must not wrap around.
  Bytes absurd;
  Chunk(absurd, "fmt ", Format(1, 1, 8000, 8, 1), 16);
  Chunk(absurd, "data", Bytes(4, 128), 0xFFFFFFFF);
  EXPECT_EQ(ErrorOf(Riff(absurd)), WaveError::Truncated);
  Bytes huge = Pcm(1, 8000, 8, {1});
  huge[4] = huge[5] = huge[6] = huge[7] = 0xFF;
  EXPECT_EQ(ErrorOf(huge), WaveError::Truncated);
}

TEST(SdlWave, RefusesFormatsTheMixerCannotPlay) {
  auto with = [](unsigned tag, unsigned channels, std::uint32_t rate, unsigned bits,
                 unsigned align) {
    Bytes chunks;
    Chunk(chunks, "fmt ", Format(tag, channels, rate, bits, align), 16);
    Chunk(chunks, "data", {0, 0, 0, 0, 0, 0}, 6);
    return ErrorOf(Riff(chunks));
  };
  EXPECT_EQ(with(3, 1, 8000, 32, 4), WaveError::UnsupportedFormat);     // IEEE float
  EXPECT_EQ(with(1, 1, 8000, 24, 3), WaveError::UnsupportedFormat);     // 24-bit
  EXPECT_EQ(with(1, 6, 8000, 16, 12), WaveError::UnsupportedFormat);    // 5.1
  EXPECT_EQ(with(1, 0, 8000, 16, 0), WaveError::UnsupportedFormat);     // no channels
  EXPECT_EQ(with(1, 1, 0, 16, 2), WaveError::UnsupportedFormat);        // no rate
  EXPECT_EQ(with(1, 2, 8000, 16, 2), WaveError::UnsupportedFormat);     // block align lies

  Bytes shortFormat;
  Chunk(shortFormat, "fmt ", {1, 0, 1, 0}, 4);
  Chunk(shortFormat, "data", {0}, 1);
  shortFormat.push_back(0);
  EXPECT_EQ(ErrorOf(Riff(shortFormat)), WaveError::UnsupportedFormat);
}

TEST(SdlWave, RefusesImagesWithoutFormatOrData) {
  Bytes onlyData;
  Chunk(onlyData, "data", {0, 0}, 2);
  EXPECT_EQ(ErrorOf(Riff(onlyData)), WaveError::MissingFormat);
  Bytes onlyFormat;
  Chunk(onlyFormat, "fmt ", Format(1, 1, 8000, 8, 1), 16);
  EXPECT_EQ(ErrorOf(Riff(onlyFormat)), WaveError::MissingData);
}

TEST(SdlWave, TakesAnImagesLengthFromItsRiffHeader) {
  Bytes image = Pcm(1, 11025, 8, Bytes(10980, 128));
  EXPECT_EQ(RiffImageSize(image.data()), image.size());
  EXPECT_EQ(RiffImageSize(reinterpret_cast<const std::uint8_t*>("RIFX\0\0\0\0")), 0u);
  EXPECT_EQ(RiffImageSize(nullptr), 0u);
}

}  // namespace

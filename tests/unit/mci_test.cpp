#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/common/mci.h"

namespace {

using namespace platform::common;
using Bytes = std::vector<std::uint8_t>;

struct Played {
  std::uint32_t rate;
  std::size_t first;
  std::size_t count;
};

class RecordingOutput : public MciOutput {
 public:
  void PlayRange(const DecodedWave& wave, std::size_t first, std::size_t count) override {
    ASSERT_LE(first + count, wave.samples.size());
    played.push_back(Played{wave.rate, first, count});
  }
  void StopPlaying() override { ++stops; }
  std::vector<Played> played;
  int stops = 0;
};

// Files hold one byte that says what their decoding gives: 1 a file of
// 20000 samples at 22050 Hz, 2 one of 10 samples at 8000 Hz, anything else
// a file that is no WAV.
std::optional<DecodedWave> Decode(std::span<const std::uint8_t> bytes) {
  if (bytes.size() != 1 || (bytes[0] != 1 && bytes[0] != 2)) return std::nullopt;
  return bytes[0] == 1 ? DecodedWave{22050, std::vector<std::int16_t>(20000)}
                       : DecodedWave{8000, std::vector<std::int16_t>(10)};
}

class MciInterpreterTest : public ::testing::Test {
 protected:
  std::map<std::string, Bytes> files{{"fones.DAT", {1}}, {"bip.DAT", {2}}, {"lixo.DAT", {0}}};
  RecordingOutput output;
  MciInterpreter mci{[this](const std::string& name) -> std::optional<Bytes> {
                       auto found = files.find(name);
                       if (found == files.end()) return std::nullopt;
                       return found->second;
                     },
                     &Decode, output};

  void OpenInSamples() {
    ASSERT_EQ(mci.Send("open fones.DAT type waveaudio alias meusomm"), 0u);
    ASSERT_EQ(mci.Send("set meusomm time format samples"), 0u);
  }
};

TEST_F(MciInterpreterTest, PlaysExactlyTheSampleRangeTheSegmentPlayerAsksFor) {
  OpenInSamples();
  ASSERT_EQ(mci.Send("play meusomm from 6615 to 12120"), 0u);
  ASSERT_EQ(output.played.size(), 1u);
  EXPECT_EQ(output.played[0].rate, 22050u);
  EXPECT_EQ(output.played[0].first, 6615u);
  EXPECT_EQ(output.played[0].count, 12120u - 6615u);
  EXPECT_EQ(mci.Send("close meusomm"), 0u);
  EXPECT_EQ(output.stops, 1);
  EXPECT_FALSE(mci.IsOpen("meusomm"));
  // The alias can be opened again after closing.
  EXPECT_EQ(mci.Send("open bip.DAT type waveaudio alias meusomm"), 0u);
}

TEST_F(MciInterpreterTest, IgnoresCaseAndBlanks) {
  ASSERT_EQ(mci.Send("  OPEN fones.DAT\tTYPE  WaveAudio ALIAS Voz "), 0u);
  ASSERT_EQ(mci.Send("Set VOZ Time Format Samples"), 0u);
  ASSERT_EQ(mci.Send("PLAY voz FROM 0 TO 20000"), 0u);
  ASSERT_EQ(output.played.size(), 1u);
  EXPECT_EQ(output.played[0].count, 20000u);
}

TEST_F(MciInterpreterTest, RefusesRangesOutsideTheFile) {
  OpenInSamples();
  EXPECT_EQ(mci.Send("play meusomm from 0 to 20001"), MCIERR_OUTOFRANGE);
  EXPECT_EQ(mci.Send("play meusomm from 300 to 200"), MCIERR_OUTOFRANGE);
  EXPECT_EQ(mci.Send("play meusomm from 0 to 18446744073709551615"), MCIERR_OUTOFRANGE);
  EXPECT_EQ(mci.Send("play meusomm from 20000 to 20000"), 0u);
  EXPECT_EQ(output.played.size(), 1u);
  EXPECT_EQ(output.played[0].count, 0u);
}

// Only the four commands the program sends are understood; anything else
// is refused with winmm's code rather than half done.
TEST_F(MciInterpreterTest, AnswersWinmmErrorCodesForEverythingElse) {
  EXPECT_EQ(mci.Send(""), MCIERR_UNRECOGNIZED_COMMAND);
  EXPECT_EQ(mci.Send("status meusomm mode"), MCIERR_UNRECOGNIZED_COMMAND);
  EXPECT_EQ(mci.Send("stop meusomm"), MCIERR_UNRECOGNIZED_COMMAND);
  EXPECT_EQ(mci.Send("play"), MCIERR_INVALID_DEVICE_NAME);
  EXPECT_EQ(mci.Send("play meusomm from 1 to 2"), MCIERR_INVALID_DEVICE_NAME);
  EXPECT_EQ(mci.Send("open falta.DAT type waveaudio alias meusomm"), MCIERR_FILE_NOT_FOUND);
  EXPECT_EQ(mci.Send("open fones.DAT type sequencer alias meusomm"), MCIERR_INVALID_DEVICE_NAME);
  EXPECT_EQ(mci.Send("open fones.wav alias meusomm"), MCIERR_UNRECOGNIZED_KEYWORD);
  EXPECT_EQ(mci.Send("open fones.DAT type waveaudio alias"), MCIERR_UNRECOGNIZED_KEYWORD);
  EXPECT_EQ(mci.Send("open fones.DAT type waveaudio alias x shareable"),
            MCIERR_UNRECOGNIZED_KEYWORD);
  EXPECT_EQ(mci.Send("open lixo.DAT type waveaudio alias meusomm"), MCIERR_INVALID_FILE);
  EXPECT_FALSE(mci.IsOpen("meusomm"));

  ASSERT_EQ(mci.Send("open fones.DAT type waveaudio alias meusomm"), 0u);
  // MCI counts milliseconds until told otherwise, which is not done here.
  EXPECT_EQ(mci.Send("play meusomm from 1 to 2"), MCIERR_BAD_TIME_FORMAT);
  EXPECT_EQ(mci.Send("set meusomm time format milliseconds"), MCIERR_BAD_TIME_FORMAT);
  EXPECT_EQ(mci.Send("set meusomm audio all off"), MCIERR_UNRECOGNIZED_KEYWORD);
  ASSERT_EQ(mci.Send("set meusomm time format samples"), 0u);
  EXPECT_EQ(mci.Send("open bip.DAT type waveaudio alias MEUSOMM"), MCIERR_DUPLICATE_ALIAS);
  EXPECT_EQ(mci.Send("play meusomm from 1"), MCIERR_UNRECOGNIZED_KEYWORD);
  EXPECT_EQ(mci.Send("play meusomm from -5 to 10"), MCIERR_BAD_INTEGER);
  EXPECT_EQ(mci.Send("play meusomm from 99999999999999999999999 to 1"), MCIERR_BAD_INTEGER);
  EXPECT_EQ(mci.Send("play meusomm from 1 to 2 wait"), MCIERR_UNRECOGNIZED_KEYWORD);
  EXPECT_EQ(mci.Send("close meusomm wait"), MCIERR_UNRECOGNIZED_KEYWORD);
  EXPECT_TRUE(output.played.empty());
  EXPECT_TRUE(mci.IsOpen("meusomm"));
}

}  // namespace

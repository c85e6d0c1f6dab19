#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/sdl/sdl_mci.h"

namespace {

using namespace platform::sdl;
using Bytes = std::vector<std::uint8_t>;

template <typename Command>
Command Parsed(const char* text) {
  MciCommand command = ParseMciCommand(text);
  EXPECT_TRUE(std::holds_alternative<Command>(command)) << text;
  return std::holds_alternative<Command>(command) ? std::get<Command>(command) : Command{};
}

platform::MCIERROR ParseError(const char* text) {
  MciCommand command = ParseMciCommand(text);
  return std::holds_alternative<MciError>(command) ? std::get<MciError>(command).code : 0;
}

TEST(SdlMciParser, ReadsTheCommandsTheSegmentPlayerSends) {
  MciOpen open = Parsed<MciOpen>("open fones.DAT type waveaudio alias meusomm");
  EXPECT_EQ(open.element, "fones.DAT");
  EXPECT_EQ(open.type, "waveaudio");
  EXPECT_EQ(open.alias, "meusomm");

  MciSet set = Parsed<MciSet>("set meusomm time format samples");
  EXPECT_EQ(set.device, "meusomm");
  EXPECT_EQ(set.timeFormat, TimeFormat::Samples);

  MciPlay play = Parsed<MciPlay>("play meusomm from 6615 to 12120");
  EXPECT_EQ(play.device, "meusomm");
  EXPECT_EQ(play.from, 6615u);
  EXPECT_EQ(play.to, 12120u);
  EXPECT_FALSE(play.wait);

  EXPECT_EQ(Parsed<MciClose>("close meusomm").device, "meusomm");
}

TEST(SdlMciParser, IgnoresCaseAndExtraBlanksAndKeepsQuotedNames) {
  MciOpen open = Parsed<MciOpen>("  OPEN \"my sounds.wav\"\tALIAS  Voz  TYPE WaveAudio wait ");
  EXPECT_EQ(open.element, "my sounds.wav");
  EXPECT_EQ(open.alias, "Voz");
  EXPECT_EQ(open.type, "WaveAudio");
  EXPECT_EQ(Parsed<MciSet>("set x time format ms").timeFormat, TimeFormat::Milliseconds);
  MciPlay play = Parsed<MciPlay>("Play x To 5 wait notify");
  EXPECT_FALSE(play.from.has_value());
  EXPECT_EQ(play.to, 5u);
  EXPECT_TRUE(play.wait);
}

TEST(SdlMciParser, AnswersWinmmErrorCodesForMalformedCommands) {
  EXPECT_EQ(ParseError(""), MCIERR_MISSING_COMMAND_STRING);
  EXPECT_EQ(ParseError("status meusomm mode"), MCIERR_UNRECOGNIZED_COMMAND);
  EXPECT_EQ(ParseError("play"), MCIERR_MISSING_DEVICE_NAME);
  EXPECT_EQ(ParseError("play x from"), MCIERR_MISSING_PARAMETER);
  EXPECT_EQ(ParseError("play x from -5"), MCIERR_BAD_INTEGER);
  EXPECT_EQ(ParseError("play x from 99999999999999999999999"), MCIERR_BAD_INTEGER);
  EXPECT_EQ(ParseError("play x repeat"), MCIERR_UNRECOGNIZED_KEYWORD);
  EXPECT_EQ(ParseError("set x time format frames"), MCIERR_BAD_TIME_FORMAT);
  EXPECT_EQ(ParseError("set x audio all off"), MCIERR_UNRECOGNIZED_KEYWORD);
  EXPECT_EQ(ParseError("set x"), MCIERR_MISSING_PARAMETER);
  EXPECT_EQ(ParseError("open \"fones.DAT type waveaudio"), MCIERR_NO_CLOSING_QUOTE);
  EXPECT_EQ(ParseError("open fones.DAT alias"), MCIERR_MISSING_PARAMETER);
}

// --- The interpreter --------------------------------------------------------

struct Played {
  WaveFormat format;
  Bytes frames;
  bool wait;
};

class RecordingOutput : public MciOutput {
 public:
  void PlayRange(const WaveFormat& format, std::span<const std::uint8_t> frames,
                 bool wait) override {
    played.push_back(Played{format, Bytes(frames.begin(), frames.end()), wait});
  }
  void StopPlaying() override { ++stops; }
  std::vector<Played> played;
  int stops = 0;
};

// A 16-bit mono file whose sample n holds the value n, so that a range
// can be recognised by its bytes.
Bytes CountingWave(std::uint32_t rate, unsigned frames) {
  Bytes data;
  for (unsigned n = 0; n < frames; ++n) {
    data.push_back(static_cast<std::uint8_t>(n));
    data.push_back(static_cast<std::uint8_t>(n >> 8));
  }
  Bytes out{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,
            1, 0, 1, 0};
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(rate >> (8 * i)));
  std::uint32_t byteRate = rate * 2;
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(byteRate >> (8 * i)));
  out.insert(out.end(), {2, 0, 16, 0, 'd', 'a', 't', 'a'});
  auto size = static_cast<std::uint32_t>(data.size());
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(size >> (8 * i)));
  out.insert(out.end(), data.begin(), data.end());
  std::uint32_t riff = static_cast<std::uint32_t>(out.size() - 8);
  for (int i = 0; i < 4; ++i) out[4 + i] = static_cast<std::uint8_t>(riff >> (8 * i));
  return out;
}

class SdlMciInterpreter : public ::testing::Test {
 protected:
  std::map<std::string, Bytes> files{{"fones.DAT", CountingWave(22050, 20000)}};
  RecordingOutput output;
  MciInterpreter mci{[this](const std::string& name) -> std::optional<Bytes> {
                       auto found = files.find(name);
                       if (found == files.end()) return std::nullopt;
                       return found->second;
                     },
                     output};

  void OpenInSamples() {
    ASSERT_EQ(mci.Send("open fones.DAT type waveaudio alias meusomm"), 0u);
    ASSERT_EQ(mci.Send("set meusomm time format samples"), 0u);
  }
};

TEST_F(SdlMciInterpreter, PlaysExactlyTheSampleRangeFromStartToEnd) {
  OpenInSamples();
  ASSERT_EQ(mci.Send("play meusomm from 6615 to 12120"), 0u);
  ASSERT_EQ(output.played.size(), 1u);
  const Played& played = output.played[0];
  EXPECT_EQ(played.format.sampleRate, 22050u);
  ASSERT_EQ(played.frames.size(), (12120u - 6615u) * 2);
  EXPECT_EQ(played.frames[0] | (played.frames[1] << 8), 6615);
  std::size_t last = played.frames.size() - 2;
  EXPECT_EQ(played.frames[last] | (played.frames[last + 1] << 8), 12119);
  EXPECT_FALSE(played.wait);
}

TEST_F(SdlMciInterpreter, CountsPositionsInMillisecondsUntilTheFormatIsSet) {
  ASSERT_EQ(mci.Send("open fones.DAT type waveaudio alias meusomm"), 0u);
  ASSERT_EQ(mci.Send("play meusomm from 100 to 200"), 0u);
  ASSERT_EQ(output.played.size(), 1u);
  EXPECT_EQ(output.played[0].frames.size(), 2205u * 2);  // 100 ms at 22050 Hz
  EXPECT_EQ(output.played[0].frames[0] | (output.played[0].frames[1] << 8), 2205);
}

TEST_F(SdlMciInterpreter, RefusesRangesOutsideTheFile) {
  OpenInSamples();
  EXPECT_EQ(mci.Send("play meusomm from 0 to 20000"), 0u);
  EXPECT_EQ(mci.Send("play meusomm from 0 to 20001"), MCIERR_OUTOFRANGE);
  EXPECT_EQ(mci.Send("play meusomm from 300 to 200"), MCIERR_OUTOFRANGE);
  EXPECT_EQ(mci.Send("play meusomm from 18446744073709551615"), MCIERR_OUTOFRANGE);
  EXPECT_EQ(output.played.size(), 1u);
}

TEST_F(SdlMciInterpreter, AnswersErrorsForUnknownAliasesAndFiles) {
  EXPECT_EQ(mci.Send("play meusomm from 1 to 2"), MCIERR_INVALID_DEVICE_NAME);
  EXPECT_EQ(mci.Send("open falta.DAT type waveaudio alias meusomm"), MCIERR_FILE_NOT_FOUND);
  EXPECT_EQ(mci.Send("open fones.DAT type sequencer alias meusomm"), MCIERR_INVALID_DEVICE_NAME);
  EXPECT_EQ(mci.Send("open fones.DAT alias meusomm"), MCIERR_EXTENSION_NOT_FOUND);
  EXPECT_FALSE(mci.IsOpen("meusomm"));
  OpenInSamples();
  EXPECT_EQ(mci.Send("open fones.DAT type waveaudio alias MEUSOMM"), MCIERR_DUPLICATE_ALIAS);
  EXPECT_EQ(mci.Send("set outro time format samples"), MCIERR_INVALID_DEVICE_NAME);
  EXPECT_TRUE(output.played.empty());
}

TEST_F(SdlMciInterpreter, RefusesAMalformedFileAndLeavesTheAliasFree) {
  Bytes broken = files["fones.DAT"];
  broken.resize(broken.size() / 2);
  files["fones.DAT"] = broken;
  EXPECT_EQ(mci.Send("open fones.DAT type waveaudio alias meusomm"), MCIERR_INVALID_FILE);
  EXPECT_FALSE(mci.IsOpen("meusomm"));
  EXPECT_EQ(mci.Send("play meusomm from 0 to 10"), MCIERR_INVALID_DEVICE_NAME);
}

TEST_F(SdlMciInterpreter, ClosingStopsWhatTheDevicePlaysAndForgetsTheAlias) {
  OpenInSamples();
  ASSERT_EQ(mci.Send("play meusomm from 0 to 100"), 0u);
  EXPECT_EQ(mci.Send("close meusomm"), 0u);
  EXPECT_EQ(output.stops, 1);
  EXPECT_FALSE(mci.IsOpen("meusomm"));
  EXPECT_EQ(mci.Send("play meusomm from 0 to 100"), MCIERR_INVALID_DEVICE_NAME);
  EXPECT_EQ(mci.Send("close meusomm"), MCIERR_INVALID_DEVICE_NAME);
  // The alias can be opened again after closing.
  EXPECT_EQ(mci.Send("open fones.DAT type waveaudio alias meusomm"), 0u);
}

TEST_F(SdlMciInterpreter, OpensAWavFileByItsElementNameWithoutAlias) {
  files["bip.wav"] = CountingWave(8000, 10);
  EXPECT_EQ(mci.Send("open bip.wav"), 0u);
  EXPECT_EQ(mci.Send("play BIP.WAV wait"), 0u);
  ASSERT_EQ(output.played.size(), 1u);
  EXPECT_EQ(output.played[0].frames.size(), 20u);
  EXPECT_TRUE(output.played[0].wait);
}

}  // namespace

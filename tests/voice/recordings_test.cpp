// Building fones.DAT from a folder of recordings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "tests/voice/wav_bytes.h"
#include "tools/voice/recordings.h"
#include "tools/voice/shaping.h"
#include "tools/voice/wav_io.h"

namespace {

using voice_test::Burst;
using voice_test::FreshFolder;
using voice_test::WavBytes;
using voice_test::WavKind;
using voice_test::WriteBytes;

// The formats a teacher's recorder might produce, in turn.
const WavKind Kinds[] = {
    {1, 16, 1, 44100, false}, {1, 8, 1, 11025, false}, {1, 24, 2, 48000, false},
    {1, 32, 1, 22050, false}, {3, 32, 2, 44100, false}, {3, 32, 1, 16000, true},
};

// Recordings are named with and without a leading zero.
std::string RecordingName(int segment) {
  return (segment % 3 ? "" : "0") + std::to_string(segment) + ".wav";
}

// A folder with a recording for each segment, each longer than any wait,
// at very different levels.
std::filesystem::path FullFolder(const std::string& name) {
  auto folder = FreshFolder(name);
  for (int segment = 1; segment <= synt::SegmentCount; ++segment) {
    const WavKind& kind = Kinds[segment % 6];
    const double amplitude = segment % 2 ? 0.9 : 0.02;
    WriteBytes(folder / RecordingName(segment),
               WavBytes(kind, Burst(kind.rate, 0.7, 200.0 + segment, amplitude, kind.channels)));
  }
  return folder;
}

bool Mentions(const std::vector<std::string>& problems, const std::string& a, const std::string& b) {
  return std::any_of(problems.begin(), problems.end(), [&](const std::string& problem) {
    return problem.find(a) != std::string::npos && problem.find(b) != std::string::npos;
  });
}

int RunTool(const std::string& arguments) {
  const std::string command = std::string("\"") + MIRABO_VOICE_TOOL +
                              "\" " + arguments + " 2>/dev/null";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Recordings, OfAnyCommonFormatAreFittedIntoTheirWaitsAtOneLoudness) {
  std::vector<std::string> problems;
  auto fragments = voice::LoadRecordings(FullFolder("full"), problems);
  ASSERT_TRUE(fragments) << (problems.empty() ? "" : problems.front());
  for (int segment = 1; segment <= synt::SegmentCount; ++segment) {
    SCOPED_TRACE("segment " + std::to_string(segment));
    const voice::Samples& fragment = voice::FragmentOf(*fragments, segment);
    ASSERT_FALSE(fragment.empty());
    const auto budget = voice::FragmentBudget(synt::SegmentNumber(segment), voice::OutputRate);
    EXPECT_LE(fragment.size(), budget);
    // Every recording was longer than its wait: it is shortened to fill it.
    EXPECT_GT(fragment.size(), budget * 9 / 10);
    EXPECT_NEAR(20 * std::log10(voice::Rms(fragment)), -20.0, 1.0);
  }
}

TEST(Recordings, AMissingSegmentStopsTheBuildAndNoFileIsWritten) {
  auto folder = FullFolder("missing");
  ASSERT_TRUE(std::filesystem::remove(folder / RecordingName(42)));
  std::vector<std::string> problems;
  EXPECT_FALSE(voice::LoadRecordings(folder, problems));
  EXPECT_TRUE(Mentions(problems, "segment 42:", "no recording"));
  EXPECT_EQ(problems.size(), 1u);

  const auto output = folder / "fones.DAT";
  EXPECT_NE(RunTool("--recordings \"" + folder.string() + "\" --output \"" + output.string() + "\""), 0);
  EXPECT_FALSE(std::filesystem::exists(output));
  EXPECT_FALSE(std::filesystem::exists(folder / "fones.DAT.partial"));
}

TEST(Recordings, AFailedBuildLeavesAnEarlierFileAsItWas) {
  auto folder = FullFolder("keeps");
  ASSERT_TRUE(std::filesystem::remove(folder / RecordingName(7)));
  const auto output = folder / "fones.DAT";
  WriteBytes(output, {1, 2, 3});
  EXPECT_NE(RunTool("--recordings \"" + folder.string() + "\" --output \"" + output.string() + "\""), 0);
  EXPECT_EQ(voice_test::ReadBytes(output), (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST(Recordings, SilentUnreadableAndDoubledRecordingsAreEachNamedBySegment) {
  auto folder = FullFolder("faulty");
  WriteBytes(folder / RecordingName(5), WavBytes({}, std::vector<std::vector<double>>(22050, {0.0})));
  WriteBytes(folder / RecordingName(7), {'n', 'o', 't', ' ', 'a', ' ', 'w', 'a', 'v'});
  WriteBytes(folder / "08.wav", WavBytes({}, Burst(22050, 0.3, 300, 0.5)));  // beside 8.wav
  std::vector<std::string> problems;
  EXPECT_FALSE(voice::LoadRecordings(folder, problems));
  EXPECT_TRUE(Mentions(problems, "segment 5:", "silent"));
  EXPECT_TRUE(Mentions(problems, "segment 7:", "unreadable"));
  EXPECT_TRUE(Mentions(problems, "segment 8:", "two recordings"));
  EXPECT_EQ(problems.size(), 3u);
}

TEST(Recordings, AWholeFolderBuildsAFileTheGameCanPlay) {
  auto folder = FullFolder("whole");
  const auto output = folder / "fones.DAT";
  ASSERT_EQ(RunTool("--recordings \"" + folder.string() + "\" --output \"" + output.string() + "\""), 0);
  std::string error;
  auto sound = voice::ReadWav(output, error);
  ASSERT_TRUE(sound) << error;
  EXPECT_EQ(sound->rate, voice::OutputRate);
  EXPECT_GE(sound->samples.size(), 3007025u);
  // Segment 1's recording was a 201 Hz tone: it sounds from its range's start.
  EXPECT_GT(voice::Peak(voice::Samples(sound->samples.begin() + 6615, sound->samples.begin() + 6615 + 441)), 0.03);
}

}  // namespace

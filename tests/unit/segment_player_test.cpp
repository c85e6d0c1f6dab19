#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "synt/segment_player.h"
#include "synt/segment_table.h"
#include "tests/support/recording_platform.h"

namespace {

using Commands = std::vector<std::string>;

class SegmentPlayer : public ::testing::Test {
 protected:
  doubles::RecordingPlatform& os() { return fixture.os(); }

  // The milliseconds that playing segment number takes on the virtual clock.
  std::uint64_t TimeToPlay(int number) {
    std::uint64_t before = os().now;
    synt::PlaySegmentNumber(number);
    return os().now - before;
  }

  doubles::PlatformFixture fixture;
};

TEST_F(SegmentPlayer, OpenSendsTheFileThenTheSampleTimeFormat) {
  synt::OpenSoundFile();

  EXPECT_EQ(os().mciCommands, (Commands{"open fones.DAT type waveaudio alias meusomm",
                                        "set meusomm time format samples"}));
  // Each with the 80-byte reply capacity.
  EXPECT_EQ(os().CallsStartingWith("mciSendStringA"),
            (Commands{"mciSendStringA(open fones.DAT type waveaudio alias meusomm, 80)",
                      "mciSendStringA(set meusomm time format samples, 80)"}));
  EXPECT_EQ(os().now, 0u);
}

TEST_F(SegmentPlayer, CloseSendsOneCommand) {
  synt::CloseSoundFile();

  EXPECT_EQ(os().CallsStartingWith("mciSendStringA"), (Commands{"mciSendStringA(close meusomm, 80)"}));
  EXPECT_EQ(os().now, 0u);
}

TEST_F(SegmentPlayer, SegmentOneSendsItsRangeThenWaits183Milliseconds) {
  EXPECT_EQ(TimeToPlay(1), 183u);

  EXPECT_EQ(os().mciCommands, (Commands{"play meusomm from 6615 to 12120"}));
  EXPECT_EQ(synt::SegmentPlayer().SegmentStart, "6615");
  EXPECT_EQ(synt::SegmentPlayer().SegmentEnd, "12120");
  // Sent first, then the wait: the sound plays while the program sleeps.
  auto send = std::find(os().calls.begin(), os().calls.end(),
                        "mciSendStringA(play meusomm from 6615 to 12120, 80)");
  auto sleep = std::find(os().calls.begin(), os().calls.end(), "Sleep(183)");
  ASSERT_NE(send, os().calls.end());
  ASSERT_NE(sleep, os().calls.end());
  EXPECT_LT(send, sleep);
}

TEST_F(SegmentPlayer, WaitsRunFrom52To367Milliseconds) {
  EXPECT_EQ(TimeToPlay(67), 52u);
  for (int number : {6, 12, 18, 20, 36}) EXPECT_EQ(TimeToPlay(number), 367u) << number;
  EXPECT_EQ(os().mciCommands.front(), "play meusomm from 2392425 to 2394000");
}

TEST_F(SegmentPlayer, EverySegmentWaitsItsLengthDividedBy30) {
  std::uint64_t total = 0;
  for (int number = 1; number <= synt::SegmentCount; ++number) {
    std::uint64_t taken = TimeToPlay(number);
    EXPECT_EQ(taken, static_cast<std::uint64_t>(synt::SegmentWait(synt::SegmentNumber(number))))
        << number;
    total += taken;
  }
  EXPECT_EQ(os().mciCommands.size(), 87u);
  // The whole table once, 52 to 367 ms a segment.
  EXPECT_EQ(total, 18216u);
}

TEST_F(SegmentPlayer, RefusedCommandsChangeNeitherFlowNorPacing) {
  // No wave device, no fones.DAT, or a play before the open.
  os().mciResult = 263;  // MCIERR_INVALID_DEVICE_NAME
  EXPECT_EQ(TimeToPlay(1), 183u);
  synt::OpenSoundFile();
  EXPECT_EQ(TimeToPlay(36), 367u);
  synt::CloseSoundFile();
  EXPECT_EQ(os().mciCommands.size(), 5u);
  EXPECT_TRUE(os().messageBoxes.empty());
}

TEST_F(SegmentPlayer, ACommandLongerThanTheBufferIsCutNotWrittenPastIt) {
  auto& player = synt::SegmentPlayer();
  player.SegmentStart = "0";
  player.SegmentEnd = std::string(200, '9');

  synt::PlaySegment();

  ASSERT_EQ(os().mciCommands.size(), 1u);
  EXPECT_EQ(os().mciCommands[0].size(), synt::MciBufferSize - 1);
  EXPECT_EQ(os().mciCommands[0], ("play meusomm from 0 to " + player.SegmentEnd).substr(0, 151));
  EXPECT_EQ(player.MciCommandBuffer.back(), '\0');
}

TEST_F(SegmentPlayer, ANumberOutsideTheTablePlaysNothing) {
  EXPECT_EQ(TimeToPlay(0), 0u);
  EXPECT_EQ(TimeToPlay(88), 0u);
  EXPECT_TRUE(os().mciCommands.empty());
}

}  // namespace
